// tavik-bench: searches the bench positions and prints, per position, the
// node count, the chosen move, the search's time and the position; then the total node count
// (the search's signature) and the speed of the searches, timed with a
// monotonic clock. With --standard, the standard search's bench.
#include <cstring>
#include <iostream>

#include "bench.h"

int main(int argc, char** argv)
{
    const bool standard = argc == 2 && std::strcmp(argv[1], "--standard") == 0;
    if (argc > 1 && !standard) {
        std::cerr << "usage: tavik-bench [--standard]\n";
        return 2;
    }
    const BenchTotal total = SumBench(RunBench(std::cout, standard ? STANDARD_RULES : CLASSIC_RULES));
    std::cout << "Nodes searched: " << total.nodes << "\n";
    std::cout << "Nodes/second: " << NodesPerSecond(total) << "\n";
    return 0;
}
