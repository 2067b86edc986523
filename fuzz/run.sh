#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, address and undefined-
# behaviour sanitizers) and runs each for a bounded time on top of its
# committed corpus. New inputs go to a scratch folder; a crash is kept under
# the build folder's artifacts/ and fails the run: add it to the target's
# corpus as a regression input.
#   fuzz/run.sh [SECONDS_PER_TARGET]      (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz

CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTAVIK_SANITIZE=ON -DTAVIK_FUZZ=ON -DTAVIK_TESTS=OFF \
    -DTAVIK_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_move_text fuzz_position_text fuzz_command_loop fuzz_xboard fuzz_uci

mkdir -p "$build/artifacts"
status=0
for target in move_text position_text command_loop xboard uci; do
    work="$build/work/$target"
    mkdir -p "$work"
    log="$build/fuzz_$target.log"
    if "$build/fuzz/fuzz_$target" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" -timeout=60 \
        -rss_limit_mb=4096 -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 >"$log" 2>&1; then
        result=ok
    else
        result=FAILED
        status=1
        tail -40 "$log"
    fi
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}')
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | awk '{print $2}')
    echo "fuzz $target: $result, ${runs:-?} runs, coverage ${coverage:-?} edges, ${seconds} s"
done
exit "$status"
