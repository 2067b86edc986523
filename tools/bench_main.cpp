// tavik-bench: searches the bench positions and prints, per position, the
// node count, the chosen move and the position; then the total node count
// (the search's signature) and the speed, timed with a monotonic clock.
#include <chrono>
#include <cstdint>
#include <iostream>

#include "bench.h"

int main()
{
    const auto start = std::chrono::steady_clock::now();
    const std::vector<BenchResult> results = RunBench(std::cout);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    int64_t total = 0;
    for (const BenchResult& result : results)
        total += result.nodes;
    std::cout << "Nodes searched: " << total << "\n";
    std::cout << "Nodes/second: " << static_cast<int64_t>(seconds > 0 ? total / seconds : 0) << "\n";
    return 0;
}
