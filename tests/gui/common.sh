# What the GUI scripts share; sourced after they define log and die.

# Installs the Debian packages named, as root; otherwise names them and stops.
install_missing() {
    (($#)) || return 0
    [[ $(id -u) == 0 ]] || die "missing $*: install them (apt-get install $*) or run as root"
    log "installing $*"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# The tavik binary to run, as an absolute path in $tavik: the one given, else
# build/gui/tavik of the repository $1, built in Release when missing.
find_tavik() {
    local repo=$1
    if [[ -z $tavik ]]; then
        tavik=$repo/build/gui/tavik
        if [[ ! -x $tavik ]]; then
            log "building $tavik"
            cmake -S "$repo" -B "$repo/build/gui" -DCMAKE_BUILD_TYPE=Release >/dev/null
            cmake --build "$repo/build/gui" --target tavik -j "$(nproc)" >/dev/null
        fi
    fi
    [[ -x $tavik ]] || die "no tavik binary at $tavik"
    tavik=$(cd "$(dirname "$tavik")" && pwd)/$(basename "$tavik")
    # xboard splits its engine's command line at spaces and knows no quoting.
    [[ $tavik != *[[:space:]]* ]] || die "xboard cannot start an engine whose path holds a space: $tavik"
}
