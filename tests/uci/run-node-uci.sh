#!/usr/bin/env bash
# Plays tavik against itself through node-uci, a UCI client library from npm,
# and checks that the UCI front-end holds up under a real client.
#
#     tests/uci/run-node-uci.sh [TAVIK_BINARY]
#
# TAVIK_BINARY defaults to build/release/tavik, which is built in Release
# (targets tavik and uci_link) when it or its tavik-uci link is missing. The
# script installs pinned versions of node-uci and chess.js, a library of the
# rules, into build/node-uci with "npm install" (only when they are not there
# yet: the first run needs the npm registry) and runs
# tests/uci/play-game.mjs with Node (20 or later). A run takes about half a
# minute.
#
# node-uci starts an engine as a program without arguments, so the engine is
# started through the tavik-uci link, which is how tavik knows to speak UCI:
# the one next to TAVIK_BINARY when it points to it, or else one made in
# build/node-uci. Two processes play, one for each colour; each gets "uci",
# "isready" and "ucinewgame". Every move is asked with "position startpos
# moves ..." and a "go" whose limit goes round "movetime 50", "depth 3" and a
# clock of 3 seconds with 50 ms increments (wtime, btime, winc, binc), the
# clock running on these moves alone. Each bestmove must be the text of a
# legal move in chess.js, and the game goes on until mate, stalemate,
# threefold repetition, the 50-move rule or dead material, or a cap of
# TAVIK_UCI_MAX_PLIES plies (300 by default).
#
# A second game, of at most 40 plies, is played with pondering on. Both
# engines get "setoption" through node-uci for Hash (8), Threads (1) and
# Move Overhead (30), and white also for MultiPV (2) and Ponder (true); each
# option must have been announced with its type, the value within its range.
# White plays on a clock of 4 seconds with 50 ms increments; after each
# bestmove that names a ponder move it gets "position ... <its move> <ponder
# move>" and "go ponder" with its clock, then "ponderhit" when black plays
# that move, else "stop" and a new "go". Black plays its "go depth 3" move,
# but every third move the first legal move in chess.js's order, so that
# white's expected reply is sometimes missed.
#
# The run fails on an illegal bestmove; on an illegal move in the PV of an
# "info" line, or on an info line deeper than a "go depth 3" asked for; on a
# "go movetime N" (in the game and in probes of 1, 20 and 300 ms) answered
# more than N + 100 ms after it was sent; on a flag falling; on a bestmove
# before "stop" in a "go infinite", an "isready" during it or the "stop" that
# ends it answered after more than 100 ms, or no legal bestmove after the
# stop; on a line from tavik in no UCI form, an "info string" (which tavik
# sends only on a position it could not set up) or anything on its stderr;
# on a hang (no answer within 10 s, and the whole game is stopped after
# 300 s); in the ponder game, on a bestmove before the "ponderhit" or "stop"
# that ends a "go ponder", an illegal ponder move, an illegal bestmove after
# either, white's flag falling, or a game without both a ponderhit and a
# stop; and when "quit" does not end both
# processes with status 0. It ends with a line such as
#
#     node-uci: plies=123 result=1/2-1/2 (threefold repetition) illegal=0 movetime_worst_overshoot_ms=3 stop_answer_ms=1 clock_lowest_ms=2712 ponder_plies=37 ponder_result=1-0 (checkmate) ponderhits=5 ponder_stops=4 odd_lines=0 faults=0
#
# where the overshoot is the worst time past N of a "go movetime N",
# stop_answer_ms the time from "stop" to its bestmove, clock_lowest_ms the
# least time a side had left after a clock-style move, and the ponder_ fields
# tell how the ponder game went. Every line exchanged
# goes to build/node-uci/uci-log.txt.
#
# Settings from the environment:
#     TAVIK_UCI_MAX_PLIES   plies after which the game is left unfinished (default 300)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
tavik=${1:-}
scratch=$repo/build/node-uci
node_uci_version=1.3.4
chess_js_version=1.4.0
max_plies=${TAVIK_UCI_MAX_PLIES:-300}

log() { echo "node-uci: $*"; }
die() {
    echo "node-uci: $*" >&2
    exit 1
}

[[ $max_plies =~ ^[1-9][0-9]*$ ]] || die "TAVIK_UCI_MAX_PLIES must be a positive number, not '$max_plies'"
command -v node >/dev/null || die "node is needed (version 20 or later)"
command -v npm >/dev/null || die "npm is needed to install node-uci and chess.js"
node_major=$(node -p 'process.versions.node.split(".")[0]')
((node_major >= 20)) || die "node 20 or later is needed, not $(node --version)"

# ---- The engine -------------------------------------------------------------

if [[ -z $tavik ]]; then
    tavik=$repo/build/release/tavik
    if [[ ! -x $tavik || ! -L $repo/build/release/tavik-uci ]]; then
        log "building $tavik"
        cmake -S "$repo" -B "$repo/build/release" -DCMAKE_BUILD_TYPE=Release >/dev/null
        cmake --build "$repo/build/release" -j2 --target tavik uci_link >/dev/null
    fi
fi
[[ -x $tavik ]] || die "no tavik binary at $tavik"
tavik=$(cd "$(dirname "$tavik")" && pwd)/$(basename "$tavik")
mkdir -p "$scratch"
link=$(dirname "$tavik")/tavik-uci
if [[ ! -e $link || $(readlink -f "$link") != "$(readlink -f "$tavik")" ]]; then
    link=$scratch/tavik-uci
    ln -sfn "$tavik" "$link"
fi

# ---- The client -------------------------------------------------------------

installed() {
    node -p 'require(process.argv[1]).version' "$scratch/node_modules/$1/package.json" 2>/dev/null || true
}
if [[ $(installed node-uci) != "$node_uci_version" || $(installed chess.js) != "$chess_js_version" ]]; then
    log "installing node-uci@$node_uci_version and chess.js@$chess_js_version into $scratch"
    cat >"$scratch/package.json" <<EOF
{
  "name": "tavik-node-uci",
  "private": true,
  "description": "UCI client for tests/uci/play-game.mjs",
  "dependencies": {
    "chess.js": "$chess_js_version",
    "node-uci": "$node_uci_version"
  }
}
EOF
    (cd "$scratch" && npm install --no-audit --no-fund --loglevel=error >/dev/null) ||
        die "npm install failed in $scratch"
fi

# ---- The game ---------------------------------------------------------------

log "playing $link against itself with node-uci $(installed node-uci) and chess.js $(installed chess.js)"
start=$(date +%s)
status=0
TAVIK_UCI_MAX_PLIES=$max_plies timeout 300 node "$here/play-game.mjs" "$scratch" "$link" || status=$?
((status != 124)) || die "the game was stopped after 300 s"
log "done in $(($(date +%s) - start)) s"
exit "$status"
