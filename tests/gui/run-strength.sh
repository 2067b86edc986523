#!/usr/bin/env bash
# Measures tavik's strength: "tavik --xboard" plays a match against each of
# several engines in a real xboard, headless under Xvfb, and each match is
# summed up as a score and an Elo difference with its error margin.
#
#     tests/gui/run-strength.sh [GAMES] [TAVIK_BINARY]
#
# GAMES per opponent defaults to 40; TAVIK_BINARY to build/release/tavik,
# which is built in Release when missing. Run as root, the script installs
# what is missing from Debian's packages (xboard, xvfb, xauth and the
# opponents'). It first runs the cases of its judge,
# tests/gui/test_check_match.py.
#
# The opponents are the words of TAVIK_STRENGTH_OPPONENTS (default
# "fairymax hoichess sjeng phalanx"; gnuchess may be added), each at full
# strength with its opening book off, and previous=PATH: an older tavik
# binary, run with --xboard, so that a build can be compared with the one
# before it (it is called "previous" in the games). Every game starts from
# one of the balanced openings of tests/gui/openings.pgn, in order, and each
# opening is played twice, tavik having White in the first game and Black
# in the second; past the last opening the file starts over. Both sides get
# TAVIK_STRENGTH_TIME_CONTROL minutes[:seconds] for the game (default 0:20)
# and TAVIK_STRENGTH_INCREMENT seconds more a move (default 0.2), no engine
# ponders, and xboard calls flags. xboard tests the legality of every move
# and every result an engine claims (forfeiting the engine for a false one),
# ends games on mate, stalemate, threefold repetition, the 50-move rule and
# dead or drawish material, and draws a game still going after 200 moves.
#
# Each opponent's match goes to build/strength/NAME (TAVIK_STRENGTH_OUT
# instead of build/strength; NAME is "previous" for an older tavik): the
# games to games.pgn, xboard's debug log (every line exchanged with both
# engines) to xboard-debug.log, xboard's own output to xboard-output.txt and
# the judge's report to judge.txt. tests/gui/check_match.py --strength reads
# them, and the script ends with one line per opponent, such as
#
#     strength: opponent=hoichess games=40 wins=18 draws=8 losses=14 score=55.0% elo=+35 margin=97 illegal=0 false_claims=0 time_losses=0 crashes=0 opponent_time_losses=0 opponent_faults=0
#
# elo is the difference that tavik's score stands for on the logistic curve
# (positive: tavik is the stronger), margin the half width of its 95%
# confidence interval (a score of 0% or 100% counts as half a point short of
# it); illegal, false_claims, time_losses and crashes count the games with
# such a fault of tavik's, opponent_time_losses the games the opponent lost
# on time and opponent_faults those with an illegal move, a false claim or a
# crash of the opponent's (a forfeit scores as the game's result). The
# script fails when tavik made any fault, or when a match went wrong in a way
# the judge cannot pin on the opponent: a game missing or left unfinished, or
# a match that did not end by itself (a watchdog stops one whose debug log
# stays still for two minutes or that overruns what its clocks allow).
#
# At 0:20 plus 0.2 s a game takes 35 to 40 s (a long draw more), 40 games
# about 25 minutes, and the four default opponents close to two hours; at
# 0:05 plus 0.05 s a game takes 12 to 15 s. A match keeps about a core busy;
# on a machine with cores to spare, TAVIK_STRENGTH_JOBS matches run at once
# (default 1). A short run, two minutes:
#
#     TAVIK_STRENGTH_TIME_CONTROL=0:05 TAVIK_STRENGTH_INCREMENT=0.05 tests/gui/run-strength.sh 2
#
# A new build against the one before it and Fairy-Max, the old one saved first:
#
#     cp build/release/tavik /tmp/tavik-old    # before rebuilding
#     TAVIK_STRENGTH_OPPONENTS="previous=/tmp/tavik-old fairymax" tests/gui/run-strength.sh 100
#
# 40 games leave a margin of about 100 Elo, 400 games about 35.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
games=${1:-40}
tavik=${2:-}
opponents=${TAVIK_STRENGTH_OPPONENTS:-fairymax hoichess sjeng phalanx}
time_control=${TAVIK_STRENGTH_TIME_CONTROL:-0:20}
increment=${TAVIK_STRENGTH_INCREMENT:-0.2}
jobs=${TAVIK_STRENGTH_JOBS:-1}
out_root=${TAVIK_STRENGTH_OUT:-$repo/build/strength}
openings=$here/openings.pgn
max_moves=200
stall_seconds=120
export PATH="$PATH:/usr/games"

label=""
log() { echo "strength: ${label:+$label: }$*"; }
die() {
    echo "strength: $*" >&2
    exit 1
}
# shellcheck source=tests/gui/common.sh
. "$here/common.sh"

[[ $games =~ ^[1-9][0-9]*$ ]] || die "GAMES must be a positive number, not '$games'"
[[ $jobs =~ ^[1-9][0-9]*$ ]] || die "TAVIK_STRENGTH_JOBS must be a positive number, not '$jobs'"
[[ $time_control =~ ^[0-9]+(:[0-5][0-9])?$ && ! $time_control =~ ^0+(:00)?$ ]] ||
    die "TAVIK_STRENGTH_TIME_CONTROL must be minutes[:seconds] above zero, not '$time_control'"
[[ $increment =~ ^[0-9]+(\.[0-9]+)?$ ]] ||
    die "TAVIK_STRENGTH_INCREMENT must be seconds, such as 0.2, not '$increment'"
[[ -n ${opponents// /} ]] || die "TAVIK_STRENGTH_OPPONENTS names no opponent"

# What xboard needs to play opponent $1 as its second engine: sets label
# (its name in the games and the summary), program (how it is started),
# package (Debian's, none for an older tavik) and second (xboard's arguments
# for it). None of them ponders: xboard sends "easy" to both engines.
opponent() {
    label=$1
    package=$1
    second=()
    case $1 in
    fairymax)
        # Fairy-Max has no opening book for chess. Its command loop can crash
        # on a command it does not know: "computer", which xboard would send
        # before every game, is left out, and a fresh Fairy-Max plays each
        # game, since the "result" that closes a game is another such command.
        program=fairymax
        second=(-secondComputerString "" -xreuse2)
        ;;
    hoichess)
        # HoiChess opens its book from its start-up file, hoichess.rc;
        # "book close" shuts it for the games. It does not know "random".
        program=hoichess
        second=(-secondInitString 'new\nbook close\n')
        ;;
    sjeng)
        # Debian's Sjeng comes with books for variants only, none for chess.
        # It keeps what it learns from its games in ~/.sjeng of the user that
        # runs it, found through the password file whatever $HOME says.
        program=sjeng
        ;;
    phalanx)
        # -b- turns Phalanx's book off, -l- its learning, which would write
        # what it learns to /var/games. It answers "computer" with "Illegal
        # move: computer", which xboard takes for a rejection of the last
        # move, so "computer" is left out. It reads the time control's
        # increment as whole seconds, so a fraction of one is lost on it, but
        # its clock, which xboard sends before every move, stays right.
        program="phalanx -b- -l-"
        second=(-secondComputerString "")
        ;;
    gnuchess)
        # GNU Chess takes the xboard protocol from --xboard, and "book off"
        # shuts its book. Debian's 6.2.7 sometimes stalls when xboard's first
        # commands reach it as it starts: its features come ten seconds late,
        # and then it may not move until its flag falls or make an illegal
        # move (tavik's wins, which opponent_time_losses and opponent_faults
        # show), and when restarted for a game it may not answer at all,
        # which hangs the match: one process plays every game. It is not a
        # default opponent.
        program="gnuchess --xboard"
        second=(-secondInitString 'new\nrandom\nbook off\n')
        ;;
    previous=?*)
        label=previous
        package=""
        program=${1#previous=}
        [[ -x $program && -f $program ]] || die "no tavik binary at $program for $1"
        program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
        [[ $program != *[[:space:]]* ]] || die "xboard cannot start an engine whose path holds a space: $program"
        # Both builds call themselves "tavik" and their version: the judge
        # knows tavik by that name, so the older one gets another.
        second=(-sn previous)
        program+=" --xboard"
        ;;
    *)
        die "unknown opponent '$1': fairymax, hoichess, sjeng, phalanx, gnuchess or previous=PATH"
        ;;
    esac
    second=(-scp "$program" "${second[@]}")
}

# ---- What the matches need ----------------------------------------------------

missing=()
command -v xboard >/dev/null || missing+=(xboard)
command -v xvfb-run >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
labels=()
for name in $opponents; do
    opponent "$name"
    [[ " ${labels[*]} " != *" $label "* ]] || die "opponent $label is named twice"
    labels+=("$label")
    [[ -z $package ]] || command -v "${program%% *}" >/dev/null || missing+=("$package")
done
label=""
install_missing "${missing[@]}"
command -v python3 >/dev/null || die "python3 is needed to judge the games"
cases=$(python3 "$here/test_check_match.py" 2>&1) || {
    echo "$cases" >&2
    die "the cases of check_match.py fail"
}
find_tavik "$repo" build/release
openings_count=$(grep -c '^\[Event ' "$openings") || die "no openings in $openings"

# The watchdog's limit: both clocks run out, with the increment of every
# move up to the cap, and half a minute between games.
minutes=$(awk -v g="$games" -v tc="$time_control" -v inc="$increment" -v moves="$max_moves" 'BEGIN {
    n = split(tc, part, ":"); seconds = part[1] * 60 + (n > 1 ? part[2] : 0)
    total = g * (2 * (seconds + inc * moves) + 30); print int((total + 59) / 60) }')

# ---- The matches --------------------------------------------------------------

# Plays the match against opponent $1 on the first free X server from $2 on,
# and leaves the judge's verdict (0 for a pass) in the output folder.
play() {
    opponent "$1"
    out=$out_root/$label
    mkdir -p "$out"
    out=$(cd "$out" && pwd)
    pgn=$out/games.pgn
    debug=$out/xboard-debug.log
    output=$out/xboard-output.txt
    rm -rf "$pgn" "$debug" "$output" "$out/judge.txt" "$out/verdict" "${out:?}/home" "$out/engine"
    # A home of its own, so that no ~/.xboardrc is read or written, and a
    # folder for any file an engine writes where it runs.
    mkdir -p "$out/home" "$out/engine"
    local xboard_args=(
        -fcp "$tavik --xboard" -fd "$out/engine" "${second[@]}" -sd "$out/engine"
        # Opening N plays games 2N-1 and 2N, colours alternating.
        -mg "$games" -lgf "$openings" -lgi -2 -rewindIndex "$openings_count"
        -tc "$time_control" -inc "$increment" -autoflag -xponder -showThinking true
        -legal -testClaims true -checkMates true -trivialDraws true
        -materialDraws true -ruleMoves 50 -repeatsToDraw 3
        -adjudicateDrawMoves "$max_moves" -adjudicateLossThreshold 0
        -matchPause 500 -xexit -saveSettingsOnExit false -soundProgram "" -soundMove ""
        -sgf "$pgn" -debug -nameOfDebugFile "$debug"
    )
    log "playing $games game(s) at $time_control min + $increment s a move: $tavik against ${program}, output in $out"
    run_xboard "$minutes" "$2" "tavik=$tavik $label=${program%% *}" "${xboard_args[@]}"
    local verdict=0
    python3 "$here/check_match.py" --strength "$label" "$pgn" "$debug" "$games" "$output" >"$out/judge.txt" || verdict=$?
    grep -v '^strength: opponent=' "$out/judge.txt" || true
    if [[ -n $stopped ]]; then
        log "stopped: $stopped"
        log "the debug log ended with:"
        echo "strength: $label:   ${last_lines//$'\n'/$'\n'strength: $label:   }"
        verdict=1
    elif ((status != 0)); then
        log "xboard did not end the match by itself (status $status)"
        verdict=1
    fi
    echo "$verdict" >"$out/verdict"
}

# Each match runs in the background, at most $jobs at once; each has an X
# server number of its own to start from, so that two starting together do
# not both take the same free one.
server=99
for name in $opponents; do
    while (($(jobs -pr | wc -l) >= jobs)); do
        wait -n || true
    done
    play "$name" "$server" &
    server=$((server + 1))
done
wait

failed=0
for label in "${labels[@]}"; do
    line=$(grep -s '^strength: opponent=' "$out_root/$label/judge.txt" || echo "strength: opponent=$label no result")
    echo "$line"
    [[ $(cat "$out_root/$label/verdict" 2>/dev/null) == 0 ]] || failed=1
done
exit "$failed"
