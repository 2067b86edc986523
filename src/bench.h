// The bench: one search of a fixed set of positions, each on a fresh board
// with a fixed seed and a fixed clock. The total node count is the search's
// signature: any change of search behaviour changes it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

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

// Searches every bench position; writes one line per position on `log`.
std::vector<BenchResult> RunBench(std::ostream& log);

BenchTotal SumBench(const std::vector<BenchResult>& results);

// Nodes per second of the searches alone; 0 when they took no measurable time.
int64_t NodesPerSecond(const BenchTotal& total);
