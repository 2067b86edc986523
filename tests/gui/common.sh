# shellcheck shell=bash
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
# tavik in the build folder $2 (default build/gui) of the repository $1,
# built in Release when missing.
find_tavik() {
    local repo=$1 build=$1/${2:-build/gui}
    if [[ -z $tavik ]]; then
        tavik=$build/tavik
        if [[ ! -x $tavik ]]; then
            log "building $tavik"
            cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
            cmake --build "$build" --target tavik -j "$(nproc)" >/dev/null
        fi
    fi
    [[ -x $tavik ]] || die "no tavik binary at $tavik"
    tavik=$(cd "$(dirname "$tavik")" && pwd)/$(basename "$tavik")
    # xboard splits its engine's command line at spaces and knows no quoting.
    [[ $tavik != *[[:space:]]* ]] || die "xboard cannot start an engine whose path holds a space: $tavik"
}

# Whether the engine started as PROGRAM (its path, or the name found on PATH)
# in the session $match is running, has died (a zombie that xboard has not
# reaped) or is not there. Matched on the command line rather than the
# process name, which two builds of one engine share.
engine_state() {
    { ps -o stat=,args= --sid "$match" || true; } | awk -v program="$1" '
        { n = split($2, part, "/") }
        $2 == program || part[n] == program { state = $1 ~ /^Z/ ? "died" : "is running" }
        END { print state ? state : "is not running" }'
}

# Plays a match: xboard with the arguments given after MINUTES, XVFB_SERVER
# and ENGINES, headless under Xvfb (the first free server from XVFB_SERVER
# on), with $out/home as its home, so that no ~/.xboardrc is read or written,
# and its output in $output. xboard, Xvfb and the engines run in a session of
# their own, which a watchdog ends when the match overruns MINUTES or when
# the debug log $debug, which grows with every move, stays still for
# $stall_seconds: a hung engine then fails the run in minutes instead of
# waiting half an hour for its flag to fall. ENGINES, words NAME=PROGRAM,
# name the engines whose states the watchdog reports. Sets status to
# xboard's exit status, and stopped (why the watchdog ended the match, empty
# when it did not) and last_lines (the end of the debug log then).
# shellcheck disable=SC2154,SC2034 # the caller's variables, in and out
run_xboard() {
    local minutes=$1 server=$2 engines=$3 start now last deadline pair
    shift 3
    start=$(date +%s)
    deadline=$((start + minutes * 60 + 60))
    HOME=$out/home setsid xvfb-run -a -n "$server" -s "-screen 0 1280x1024x24" xboard "$@" >"$output" 2>&1 &
    match=$!
    stopped=""
    last_lines=""
    while kill -0 "$match" 2>/dev/null; do
        sleep 2
        now=$(date +%s)
        last=$(stat -c %Y "$debug" 2>/dev/null || echo "$start")
        if ((now > deadline)); then
            stopped="the match overran $minutes minutes"
        elif ((now - last > stall_seconds)); then
            stopped="nothing happened for $stall_seconds s"
        fi
        if [[ -n $stopped ]]; then
            for pair in $engines; do
                stopped+=", ${pair%%=*} $(engine_state "${pair#*=}")"
            done
            last_lines=$(tail -n 15 "$debug" 2>/dev/null || true)
            kill -TERM -- "-$match" 2>/dev/null || true
            sleep 3
            kill -KILL -- "-$match" 2>/dev/null || true
            break
        fi
    done
    status=0
    wait "$match" || status=$?
    log "xboard ended with status $status after $(($(date +%s) - start)) s"
}
