#!/usr/bin/env bash
# Plays a short match of tavik at each of several skill levels against
# Fairy-Max in a real xboard (tests/gui/run-match.sh, one run per level) and
# prints a table of the scores, so that the levels can be seen to order.
#
#     tests/gui/run-levels.sh [GAMES] [TAVIK_BINARY]
#
# GAMES per level defaults to 6. The levels are TAVIK_LEVELS (default
# "0 5 10 15 20"), set through the engine option "Skill Level" of the
# front-end in TAVIK_GUI_ENGINE_ARGS (default --xboard; --uci plays through
# polyglot, which passes the option on). The clock and the opponent's depth
# are run-match.sh's settings (here 0:20 for 40 moves and depth 4 unless set).
# Each level's games go to build/gui-levels/level-N. Ends with one line per
# level, such as
#
#     gui-levels: level=10 games=6 wins=2 draws=1 losses=3 score=41.7%
#
# and fails when any run of run-match.sh fails (an illegal move, a false
# claim, a crash or a loss on time).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
games=${1:-6}
tavik=${2:-$repo/build/release/tavik}
levels=${TAVIK_LEVELS:-0 5 10 15 20}
export TAVIK_GUI_ENGINE_ARGS=${TAVIK_GUI_ENGINE_ARGS:---xboard}
export TAVIK_GUI_TIME_CONTROL=${TAVIK_GUI_TIME_CONTROL:-0:20}

summary=()
failed=0
for level in $levels; do
    out=$repo/build/gui-levels/level-$level
    log=$(TAVIK_GUI_OUT=$out TAVIK_GUI_ENGINE_OPTIONS="Skill Level=$level" \
        "$here/run-match.sh" "$games" "$tavik" 2>&1) || failed=1
    echo "$log" | sed "s/^/level $level: /"
    line=$(grep '^gui-match: games=' <<<"$log" | tail -n 1)
    read -r wins draws losses < <(sed -E 's/.*tavik_wins=([0-9]+) losses=([0-9]+) draws=([0-9]+).*/\1 \3 \2/' <<<"$line")
    score=$(awk -v w="$wins" -v d="$draws" -v g="$games" 'BEGIN { printf "%.1f", 100 * (w + d / 2) / g }')
    summary+=("gui-levels: level=$level games=$games wins=$wins draws=$draws losses=$losses score=$score%")
done
printf '%s\n' "${summary[@]}"
exit "$failed"
