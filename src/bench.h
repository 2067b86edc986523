// The bench: one search of a fixed set of positions, each on a fresh board
// with a fixed seed and a fixed clock. The total node count is the search's
// signature: any change of search behaviour changes it. The classic bench
// runs the classic search to its fixed depth; the standard bench runs the
// standard search, iterating to STANDARD_BENCH_DEPTH on a table of
// DEFAULT_HASH_MB emptied for each position, and has a signature of its own.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "board.h"

struct BenchResult {
    std::string fen;
    int64_t nodes;
    std::string move;  // coordinate form, or "none"
    double seconds;    // the search alone, by a monotonic clock
};

extern const std::vector<const char*> bench_positions;

// The sum over the positions: the node count is the search's signature.
struct BenchTotal {
    int64_t nodes;
    double seconds;
};

inline constexpr int STANDARD_BENCH_DEPTH = 10;

// Searches every bench position under the rules; writes one line per
// position on `log`.
std::vector<BenchResult> RunBench(std::ostream& log, Rules rules = CLASSIC_RULES);

BenchTotal SumBench(const std::vector<BenchResult>& results);

// Nodes per second of the searches alone; 0 when they took no measurable time.
int64_t NodesPerSecond(const BenchTotal& total);
