#!/usr/bin/env bash
# Plays tavik against Fairy-Max in a real xboard, headless under Xvfb, and
# checks that every game ended properly.
#
#     tests/gui/run-match.sh [GAMES] [TAVIK_BINARY]
#
# GAMES defaults to 2 (well under a minute, as CI runs it); TAVIK_BINARY to
# build/gui/tavik, which is built in Release when missing. Run as root, the
# script installs what is missing from Debian's packages: xboard, xvfb,
# xauth and fairymax.
#
# xboard runs in match mode with alternating colours (tavik has White in the
# odd games) and legality testing on, and starts a fresh tavik for every game
# (tavik honours "go" only as the first move-related command of a process and
# ignores "force", so a reused process would answer moves of a finished game).
# Both sides get 30 minutes for 40 moves and xboard calls flags: tavik keeps
# no clock and answers within a second or two, so it can only lose on time by
# hanging, and a watchdog stops the match much earlier when the debug log
# stays still for two minutes. Fairy-Max is held to a fixed depth so that the
# games go quickly. xboard ends games on mate and stalemate, on threefold
# repetition, the 50-move rule and dead or drawish material, and draws a game
# still going after a cap of moves; score-based loss adjudication stays off,
# since tavik sends no thinking output from which xboard could read a score.
#
# The games go to $OUT/games.pgn, xboard's debug log (every line exchanged
# with both engines) to $OUT/xboard-debug.log, xboard's own output to
# $OUT/xboard-output.txt. tests/gui/check_match.py reads them: the script
# passes only when every game ended by mate, stalemate, a draw rule or
# adjudication, with no illegal move, no false illegal-move claim, no engine
# crash or hang and no time forfeit by tavik, and ends with a line such as
#
#     gui-match: games=2 tavik_wins=1 losses=1 draws=0 illegal=0 forfeits=0 crashes=0
#
# A long match: give the number of games, e.g. 100 (about 25 minutes against
# Fairy-Max at depth 4; a deeper opponent makes longer games), and keep its
# output apart from the short run's:
#
#     tests/gui/run-match.sh 100
#     TAVIK_GUI_OUT=build/gui-long TAVIK_GUI_OPPONENT_DEPTH=6 tests/gui/run-match.sh 100 build/release/tavik
#
# Settings from the environment:
#     TAVIK_GUI_OUT             output folder (default build/gui-match)
#     TAVIK_GUI_OPPONENT_DEPTH  Fairy-Max's search depth, sent as "sd" (default 4; tavik ignores it)
#     TAVIK_GUI_MAX_MOVES       moves after which xboard draws the game (default 150)
#     TAVIK_GUI_GAME_MINUTES    time allowed per game before the match is stopped (default 15)
#     TAVIK_GUI_STALL_SECONDS   silence in the debug log after which it is stopped (default 120)
#     TAVIK_GUI_TIME_CONTROL    minutes[:seconds] for 40 moves, for both sides (default 30)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
games=${1:-2}
tavik=${2:-}
out=${TAVIK_GUI_OUT:-$repo/build/gui-match}
depth=${TAVIK_GUI_OPPONENT_DEPTH:-4}
max_moves=${TAVIK_GUI_MAX_MOVES:-150}
game_minutes=${TAVIK_GUI_GAME_MINUTES:-15}
stall_seconds=${TAVIK_GUI_STALL_SECONDS:-120}
time_control=${TAVIK_GUI_TIME_CONTROL:-30}
export PATH="$PATH:/usr/games"

log() { echo "gui-match: $*"; }
die() {
    echo "gui-match: $*" >&2
    exit 1
}

[[ $games =~ ^[1-9][0-9]*$ ]] || die "GAMES must be a positive number, not '$games'"

# ---- What the match needs ---------------------------------------------------

missing=()
command -v xboard >/dev/null || missing+=(xboard)
command -v xvfb-run >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
command -v fairymax >/dev/null || missing+=(fairymax)
if ((${#missing[@]})); then
    [[ $(id -u) == 0 ]] || die "missing ${missing[*]}: install them (apt-get install ${missing[*]}) or run as root"
    log "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
command -v python3 >/dev/null || die "python3 is needed to check the games"

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

# ---- The match --------------------------------------------------------------

mkdir -p "$out"
out=$(cd "$out" && pwd)
pgn=$out/games.pgn
debug=$out/xboard-debug.log
output=$out/xboard-output.txt
rm -f "$pgn" "$debug" "$output"
# A home of its own, so that no ~/.xboardrc is read or written.
rm -rf "${out:?}/home"
mkdir -p "$out/home" "$out/engine"

xboard_args=(
    -fcp "$tavik" -fd "$out/engine"
    -scp fairymax -sd "$out/engine"
    # Fairy-Max's command loop can crash on a command it does not know:
    # "computer", which xboard would send before every game, is left out,
    # and a fresh Fairy-Max too plays each game, since the "result" that
    # closes a game is another such command.
    -secondComputerString ""
    -mg "$games" -xreuse -xreuse2
    -tc "$time_control" -mps 40 -autoflag -depth "$depth" -xponder
    -legal -testClaims true -checkMates true -materialDraws true -trivialDraws true
    -ruleMoves 50 -repeatsToDraw 3 -adjudicateDrawMoves "$max_moves" -adjudicateLossThreshold 0
    -matchPause 500 -xexit -saveSettingsOnExit false -soundProgram "" -soundMove ""
    -sgf "$pgn" -debug -nameOfDebugFile "$debug"
)

log "playing $games game(s): $tavik against fairymax at depth $depth, output in $out"
# Whether an engine of the match is running, has died (a zombie that xboard
# has not reaped) or is not there.
engine_state() {
    { ps -o stat=,comm= --sid "$match" || true; } | awk -v name="${1:0:15}" '
        $2 == name { state = $1 ~ /^Z/ ? "died" : "is running" }
        END { print state ? state : "is not running" }'
}

# xboard, Xvfb and the engines run in a session of their own, which a
# watchdog ends when the match overruns or when the debug log, which grows
# with every move, stays still for too long: a hung engine then fails the
# run in minutes instead of waiting half an hour for its flag to fall.
start=$(date +%s)
deadline=$((start + games * game_minutes * 60 + 60))
HOME=$out/home setsid xvfb-run -a -s "-screen 0 1280x1024x24" xboard "${xboard_args[@]}" >"$output" 2>&1 &
match=$!
stopped=""
while kill -0 "$match" 2>/dev/null; do
    sleep 2
    now=$(date +%s)
    last=$(stat -c %Y "$debug" 2>/dev/null || echo "$start")
    if ((now > deadline)); then
        stopped="the match overran $((games * game_minutes)) minutes"
    elif ((now - last > stall_seconds)); then
        stopped="nothing happened for $stall_seconds s"
    fi
    if [[ -n $stopped ]]; then
        stopped+=", tavik $(engine_state "$(basename "$tavik")"), fairymax $(engine_state fairymax)"
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

verdict=0
python3 "$here/check_match.py" "$pgn" "$debug" "$games" "$output" || verdict=$?
if [[ -n $stopped ]]; then
    log "stopped: $stopped"
    log "the debug log ended with:"
    echo "gui-match:   ${last_lines//$'\n'/$'\n'gui-match:   }"
    verdict=1
elif ((status != 0)); then
    log "xboard did not end the match by itself (status $status)"
    verdict=1
fi
exit "$verdict"
