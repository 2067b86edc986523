#!/usr/bin/env bash
# Builds the Debian package from a configured build directory, unpacks it into
# a scratch root and checks that every file is where Debian's xboard and man
# look for it, that lintian finds nothing to warn of, and that the packaged
# engine starts and quits.
#   tests/package/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target tavik manual uci_link changelog >/dev/null
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/tavik_*.deb)
echo "package: $(basename "$deb")"
dpkg-deb --contents "$deb" | awk '{print $6}'

root="$work/root"
dpkg -x "$deb" "$root"
fail=0
[ "$(readlink "$root/usr/games/tavik-uci")" = tavik ] || { echo "missing link: /usr/games/tavik-uci -> tavik"; fail=1; }
for file in usr/games/tavik usr/share/man/man6/tavik.6.gz usr/share/games/plugins/xboard/tavik.eng; do
    if [ ! -f "$root/$file" ]; then
        echo "missing: /$file"
        fail=1
    fi
done
[ -x "$root/usr/games/tavik" ] || { echo "not executable: /usr/games/tavik"; fail=1; }

# The registration file names the engine's command and the variants it plays.
expected=$'plugin spec 0.0\ntavik --xboard\nchess'
[ "$(cat "$root/usr/share/games/plugins/xboard/tavik.eng")" = "$expected" ] || { echo "bad tavik.eng"; fail=1; }

# The manual page reads as a manual page.
zcat "$root/usr/share/man/man6/tavik.6.gz" | grep -q "^\.TH TAVIK 6 .*\"tavik $(dpkg-deb --field "$deb" Version)\"" ||
    { echo "bad manual page"; fail=1; }

# The package's control data.
dpkg-deb --field "$deb" Package Section Depends | sed 's/^/control: /'
[ "$(dpkg-deb --field "$deb" Section)" = games ] || { echo "bad section"; fail=1; }

# Debian's package checker finds no error and no warning, when it is here
# (./check installs it as root).
if command -v lintian >/dev/null; then
    if lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1; then
        echo "lintian: no error, no warning"
    else
        grep -v 'root privileges' "$work/lintian.log"
        fail=1
    fi
else
    echo "lintian: not installed, not run"
fi

# The license and the changelog are where Debian keeps them.
for file in usr/share/doc/tavik/copyright usr/share/doc/tavik/changelog.gz; do
    [ -f "$root/$file" ] || { echo "missing: /$file"; fail=1; }
done
zcat "$root/usr/share/doc/tavik/changelog.gz" | head -1 | grep -q "^tavik ($(dpkg-deb --field "$deb" Version))" ||
    { echo "changelog does not start with the package's version"; fail=1; }

# The packaged engine starts with its feature line and quits with status 0.
status=0
output=$(printf 'quit\n' | "$root/usr/games/tavik") || status=$?
case "$output" in
feature*myname=\"tavik\"*) ;;
*) echo "packaged engine wrote: $output"; fail=1 ;;
esac
[ "$status" -eq 0 ] || { echo "packaged engine exited $status"; fail=1; }

# Run as tavik-uci it speaks UCI.
output=$(printf 'uci\nquit\n' | "$root/usr/games/tavik-uci")
case "$output" in
"id name tavik "*uciok) ;;
*) echo "packaged UCI engine wrote: $output"; fail=1 ;;
esac

# Its xboard engine answers the handshake and a ping, and names its version.
output=$(printf 'xboard\nprotover 2\nping 1\nquit\n' | "$root/usr/games/tavik" --xboard)
case "$output" in
feature*myname=\"tavik\ [0-9]*done=1*pong\ 1) ;;
*) echo "packaged xboard engine wrote: $output"; fail=1 ;;
esac

[ "$fail" -eq 0 ] && echo "package ok"
exit "$fail"
