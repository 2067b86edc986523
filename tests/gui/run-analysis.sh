#!/usr/bin/env bash
# Has a real xboard, headless under Xvfb, analyse a short game with
# "tavik --xboard" and checks that the engine thought aloud on every position
# of it and never played a move.
#
#     tests/gui/run-analysis.sh [TAVIK_BINARY]
#
# TAVIK_BINARY defaults to build/gui/tavik, which is built in Release when
# missing. Run as root, the script installs what is missing from Debian's
# packages: xboard, xvfb and xauth.
#
# xboard loads the game (castling and a capture among its moves) and starts
# in its "Analyze File" mode: it sends "analyze" and then steps through the
# game's moves, one every TAVIK_GUI_STEP_SECONDS (default 1), asking for "."
# between them, and sends "exit" at the end of the game. Its debug log (every
# line exchanged) goes to $OUT/xboard-debug.log (OUT: TAVIK_GUI_OUT, default
# build/gui-analysis). The run passes when every position between "analyze"
# and "exit" got at least one thinking line (DEPTH SCORE TIME NODES PV) before
# the next move, no "move" came from the engine, and the game was analysed to
# its end within a minute; it ends with a line such as
#
#     gui-analysis: positions=10 with_thinking=10 moves=0 status_lines=7
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
tavik=${1:-}
out=${TAVIK_GUI_OUT:-$repo/build/gui-analysis}
step=${TAVIK_GUI_STEP_SECONDS:-1}
export PATH="$PATH:/usr/games"

log() { echo "gui-analysis: $*"; }
die() {
    echo "gui-analysis: $*" >&2
    exit 1
}
# shellcheck source=tests/gui/common.sh
. "$here/common.sh"

[[ $step =~ ^[0-9]+(\.[0-9]+)?$ ]] || die "TAVIK_GUI_STEP_SECONDS must be a number of seconds, not '$step'"

missing=()
command -v xboard >/dev/null || missing+=(xboard)
command -v xvfb-run >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
install_missing "${missing[@]}"

find_tavik "$repo"

mkdir -p "$out"
out=$(cd "$out" && pwd)
debug=$out/xboard-debug.log
rm -f "$debug"
rm -rf "${out:?}/home"
mkdir -p "$out/home" "$out/engine"
game=$out/game.pgn
cat >"$game" <<'PGN'
[Event "tavik analysis check"]
[Site "?"]
[Date "????.??.??"]
[Round "1"]
[White "?"]
[Black "?"]
[Result "*"]

1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Bxc6 dxc6 5. O-O f6 *
PGN

log "analysing $game with $tavik --xboard, a move every $step s, output in $out"
HOME=$out/home setsid xvfb-run -a -s "-screen 0 1280x1024x24" xboard -fcp "$tavik --xboard" -fd "$out/engine" \
    -lgf "$game" -initialMode AnalyzeFile -timeDelay "$step" -xexit -saveSettingsOnExit false \
    -soundProgram "" -debug -nameOfDebugFile "$debug" >"$out/xboard-output.txt" 2>&1 &
session=$!
# xboard stays open after the game: it is ended once it has sent "exit",
# or after a minute.
deadline=$(($(date +%s) + 60))
while kill -0 "$session" 2>/dev/null && (($(date +%s) < deadline)); do
    grep -q '>first : exit' "$debug" 2>/dev/null && break
    sleep 1
done
sleep 1
kill -TERM -- "-$session" 2>/dev/null || true
sleep 1
kill -KILL -- "-$session" 2>/dev/null || true
wait "$session" 2>/dev/null || true

[[ -f $debug ]] || die "xboard wrote no debug log: see $out/xboard-output.txt"
# A position starts at "analyze" and at each move sent after it; it ends at
# the next move or at "exit".
awk '
    />first : analyze/ { analysing = 1; positions = 1; thought = 0; next }
    analysing && />first : (usermove|exit|undo|new|setboard)/ {
        if (thought) with_thinking++
        else print "gui-analysis: no thinking line for position " positions ": " $0
        if ($0 ~ />first : exit/) { analysing = 0; ended = 1; next }
        positions++; thought = 0; next
    }
    analysing && /<first : [0-9]+ -?[0-9]+ [0-9]+ [0-9]+ [a-h][1-8][a-h][1-8]/ { thought = 1 }
    /<first : stat01: / { status++ }
    /<first : move / { moves++ }
    END {
        printf "gui-analysis: positions=%d with_thinking=%d moves=%d status_lines=%d\n",
            positions, with_thinking, moves, status
        if (!ended) print "gui-analysis: xboard never ended the analysis (no \"exit\" within a minute)"
        exit !(ended && positions > 1 && with_thinking == positions && moves == 0)
    }' "$debug"
