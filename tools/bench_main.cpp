// tavik-bench: searches the bench positions and prints, per position, the
// node count, the chosen move, the search's time and the position; then the total node count
// (the search's signature) and the speed of the searches, timed with a
// monotonic clock.
#include <cstdint>
#include <iostream>

#include "bench.h"

int main()
{
    const std::vector<BenchResult> results = RunBench(std::cout);
    int64_t total = 0;
    double seconds = 0;
    for (const BenchResult& result : results) {
        total += result.nodes;
        seconds += result.seconds;
    }
    std::cout << "Nodes searched: " << total << "\n";
    std::cout << "Nodes/second: " << static_cast<int64_t>(seconds > 0 ? total / seconds : 0) << "\n";
    return 0;
}
