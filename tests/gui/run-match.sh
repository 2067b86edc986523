#!/usr/bin/env bash
# Plays tavik against Fairy-Max in a real xboard, headless under Xvfb, and
# checks that every game ended properly.
#
#     tests/gui/run-match.sh [GAMES] [TAVIK_BINARY]
#
# GAMES defaults to 2 (well under a minute, as CI runs it); TAVIK_BINARY to
# build/gui/tavik, which is built in Release when missing. Run as root, the
# script installs what is missing from Debian's packages: xboard, xvfb,
# xauth and fairymax. The script first runs the cases of its judge,
# tests/gui/test_check_match.py.
#
# xboard runs in match mode with alternating colours (tavik has White in the
# odd games) and legality testing on, and keeps its own defaults for tavik:
# it starts "TAVIK_BINARY TAVIK_GUI_ENGINE_ARGS" (no argument by default),
# and whether one process plays every game is the engine's to say. Started
# with no argument, tavik sends reuse=0 (it honours "go" only as the first
# move-related command of a process and ignores "force"), so xboard starts it
# afresh for every game; "tavik --xboard" sends reuse=1 and plays the whole
# match in one process.
#
# Both sides get TAVIK_GUI_TIME_CONTROL minutes for 40 moves (30 by default)
# and xboard calls flags. With no argument tavik keeps no clock and answers
# within a second, so it can only lose on time by hanging; "tavik --xboard"
# spends its clock, so give it a short one, e.g. 1 (40 moves in a minute),
# which tries its time keeping and keeps the games short. A loss on time by
# tavik fails the run; one by Fairy-Max, which a short clock may bring about
# even at its low depth, is counted as a win for tavik. A watchdog stops the
# match much earlier when the debug log stays still for two minutes.
# Fairy-Max is held to a fixed depth so that the games go quickly; the depth
# goes in Fairy-Max's own start-up commands, so that tavik gets no "sd" and
# plays on its clock. xboard ends games on mate and stalemate, on threefold
# repetition, the 50-move rule and dead or drawish material, and draws a game
# still going after a cap of moves. It tests every result an engine claims
# (-testClaims) and forfeits the engine for a false one; since it adjudicates
# the draws by rule as soon as they arise, an engine's claim of one comes too
# late to count, unless TAVIK_GUI_DRAW_CLAIMS=1 leaves repetitions, the 50-move
# rule and bare material to the engines' claims (a game neither side claims
# then runs on to the cap of moves). xboard asks both engines for thinking
# output ("post"); tavik --xboard sends it as DEPTH SCORE TIME NODES PV, and
# a line of it xboard cannot read fails the run. Score-based loss
# adjudication stays off: tavik without arguments sends no score.
#
# The games go to $OUT/games.pgn, xboard's debug log (every line exchanged
# with both engines) to $OUT/xboard-debug.log, xboard's own output to
# $OUT/xboard-output.txt. tests/gui/check_match.py reads them and finds
# tavik's games by a player name that starts with "tavik" (the --xboard
# front-end calls itself "tavik" and its version): the script passes only when every
# game ended by mate, stalemate, a draw rule, adjudication, a draw claim
# xboard granted or Fairy-Max's flag, with no illegal move, no false claim, no
# engine crash or hang and no loss on time by tavik, and ends with a line such
# as
#
#     gui-match: games=2 tavik_wins=1 losses=1 draws=0 illegal=0 forfeits=0 time_losses=0 opponent_time_losses=0 crashes=0 draw_claims=0
#
# where forfeits counts the games tavik lost on time, by an illegal move or by
# a false claim, time_losses the games in which its flag fell,
# opponent_time_losses those in which Fairy-Max's fell and draw_claims those
# that ended in a draw tavik claimed.
#
# Both front-ends in a short run, one run each (each set of engine arguments
# has an output folder of its own, build/gui-match and build/gui-match-xboard);
# the second spends its 20 seconds for 40 moves and takes about a minute, at
# 1 minute for 40 moves two games take two or three:
#
#     tests/gui/run-match.sh 2 build/release/tavik
#     TAVIK_GUI_ENGINE_ARGS=--xboard TAVIK_GUI_TIME_CONTROL=0:20 tests/gui/run-match.sh 2 build/release/tavik
#     TAVIK_GUI_ENGINE_ARGS=--uci TAVIK_GUI_TIME_CONTROL=0:20 tests/gui/run-match.sh 2 build/release/tavik
#
# A long match: give the number of games, e.g. 100 (about 25 minutes against
# Fairy-Max at depth 4; a deeper opponent makes longer games), and keep its
# output apart from the short run's:
#
#     tests/gui/run-match.sh 100
#     TAVIK_GUI_OUT=build/gui-long TAVIK_GUI_OPPONENT_DEPTH=6 tests/gui/run-match.sh 100 build/release/tavik
#
# Settings from the environment:
#     TAVIK_GUI_ENGINE_ARGS     arguments for tavik, e.g. --xboard (default none); with
#                               --uci xboard runs tavik through polyglot (-fUCI)
#     TAVIK_GUI_OUT             output folder (default build/gui-match, with the
#                               arguments appended: build/gui-match-xboard)
#     TAVIK_GUI_OPPONENT_DEPTH  Fairy-Max's search depth, sent to it alone as "sd" (default 4)
#     TAVIK_GUI_MAX_MOVES       moves after which xboard draws the game (default 150)
#     TAVIK_GUI_GAME_MINUTES    time allowed per game before the match is stopped (default 15;
#                               raise it for a long clock that tavik spends)
#     TAVIK_GUI_STALL_SECONDS   silence in the debug log after which it is stopped (default 120)
#     TAVIK_GUI_TIME_CONTROL    minutes[:seconds] for 40 moves, for both sides (default 30;
#                               1 is 40 moves in a minute, 0:30 in half a minute)
#     TAVIK_GUI_DRAW_CLAIMS     1: xboard adjudicates no repetition, 50-move or material draw
#                               and leaves them to the engines' claims (default 0)
#     TAVIK_GUI_ENGINE_OPTIONS  engine options xboard sets in tavik, as for its -firstOptions,
#                               e.g. "Skill Level=5" (through polyglot too); default none
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
games=${1:-2}
tavik=${2:-}
read -ra words <<<"${TAVIK_GUI_ENGINE_ARGS:-}"
engine_args="${words[*]}"
# Each set of arguments gets an output folder of its own, so that the runs
# of both front-ends can follow each other without overwriting their logs.
suffix=$(tr -cs 'A-Za-z0-9' '-' <<<"$engine_args" | sed 's/^-*//; s/-*$//')
out=${TAVIK_GUI_OUT:-$repo/build/gui-match${suffix:+-$suffix}}
depth=${TAVIK_GUI_OPPONENT_DEPTH:-4}
max_moves=${TAVIK_GUI_MAX_MOVES:-150}
game_minutes=${TAVIK_GUI_GAME_MINUTES:-15}
stall_seconds=${TAVIK_GUI_STALL_SECONDS:-120}
time_control=${TAVIK_GUI_TIME_CONTROL:-30}
draw_claims=${TAVIK_GUI_DRAW_CLAIMS:-0}
engine_options=${TAVIK_GUI_ENGINE_OPTIONS:-}
export PATH="$PATH:/usr/games"

log() { echo "gui-match: $*"; }
die() {
    echo "gui-match: $*" >&2
    exit 1
}
# shellcheck source=tests/gui/common.sh
. "$here/common.sh"

[[ $games =~ ^[1-9][0-9]*$ ]] || die "GAMES must be a positive number, not '$games'"
[[ $depth =~ ^[1-9][0-9]*$ ]] || die "TAVIK_GUI_OPPONENT_DEPTH must be a positive number, not '$depth'"
[[ $draw_claims =~ ^[01]$ ]] || die "TAVIK_GUI_DRAW_CLAIMS must be 0 or 1, not '$draw_claims'"
[[ $time_control =~ ^[0-9]+(:[0-5][0-9])?$ && ! $time_control =~ ^0+(:00)?$ ]] ||
    die "TAVIK_GUI_TIME_CONTROL must be minutes[:seconds] above zero, not '$time_control'"

# ---- What the match needs ---------------------------------------------------

missing=()
command -v xboard >/dev/null || missing+=(xboard)
command -v xvfb-run >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
command -v fairymax >/dev/null || missing+=(fairymax)
# The UCI front-end plays through the polyglot adapter, which xboard starts.
uci=""
[[ " $engine_args " == *" --uci "* ]] && uci=1
[[ -n $uci ]] && ! command -v polyglot >/dev/null && missing+=(polyglot)
install_missing "${missing[@]}"
command -v python3 >/dev/null || die "python3 is needed to check the games"
cases=$(python3 "$here/test_check_match.py" 2>&1) || {
    echo "$cases" >&2
    die "the cases of check_match.py fail"
}

find_tavik "$repo"
engine=$tavik${engine_args:+ $engine_args}

# ---- The match --------------------------------------------------------------

mkdir -p "$out"
out=$(cd "$out" && pwd)
pgn=$out/games.pgn
debug=$out/xboard-debug.log
output=$out/xboard-output.txt
rm -f "$pgn" "$debug" "$output"
# The draws by rule: adjudicated by xboard, or left to the engines' claims.
draw_rules=(-materialDraws true -ruleMoves 50 -repeatsToDraw 3)
((draw_claims)) && draw_rules=(-materialDraws false -ruleMoves 0 -repeatsToDraw 0)
# A home of its own, so that no ~/.xboardrc is read or written.
rm -rf "${out:?}/home"
mkdir -p "$out/home" "$out/engine"

xboard_args=(
    -fcp "$engine" -fd "$out/engine" ${uci:+-fUCI} -firstOptions "$engine_options"
    -scp fairymax -sd "$out/engine"
    # Fairy-Max's command loop can crash on a command it does not know:
    # "computer", which xboard would send before every game, is left out,
    # and a fresh Fairy-Max plays each game, since the "result" that closes
    # a game is another such command. Its depth goes in its own start-up
    # commands: xboard's -depth would send "sd" to tavik as well, and tavik
    # is to play on its clock.
    -secondComputerString "" -secondInitString "new\nrandom\nsd $depth\n"
    -mg "$games" -xreuse2
    -tc "$time_control" -mps 40 -autoflag -xponder -showThinking true
    -legal -testClaims true -checkMates true -trivialDraws true "${draw_rules[@]}"
    -adjudicateDrawMoves "$max_moves" -adjudicateLossThreshold 0
    -matchPause 500 -xexit -saveSettingsOnExit false -soundProgram "" -soundMove ""
    -sgf "$pgn" -debug -nameOfDebugFile "$debug"
)

log "playing $games game(s) at 40 moves in $time_control min: $engine against fairymax at depth $depth, output in $out"
# The watchdog stops the match much earlier than the clocks would when the
# debug log stays still (see run_xboard in common.sh).
run_xboard $((games * game_minutes)) 99 "tavik=$tavik fairymax=fairymax" "${xboard_args[@]}"

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
