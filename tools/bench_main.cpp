// tavik-bench: searches the bench positions and prints, per position, the
// node count, the chosen move, the search's time and the position; then the total node count
// (the search's signature) and the speed of the searches, timed with a
// monotonic clock.
#include <iostream>

#include "bench.h"

int main()
{
    const BenchTotal total = SumBench(RunBench(std::cout));
    std::cout << "Nodes searched: " << total.nodes << "\n";
    std::cout << "Nodes/second: " << NodesPerSecond(total) << "\n";
    return 0;
}
