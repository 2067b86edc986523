#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <vector>

#include "bench.h"

// The bench searches a fixed set of positions with a fixed seed and a fixed
// clock; its total node count is the fingerprint of the search. The numbers
// below change whenever a search behaves differently in any way (move
// ordering, pruning, table use, evaluation, extensions): a change of one is a
// change of search behaviour, to be made only on purpose. The classic
// search's never changes; the standard search's changes with every step
// that makes it stronger.
struct Signature {
    const char* search;
    Rules rules;
    int64_t nodes;
};
constexpr Signature SIGNATURES[] = {
    {"classic", CLASSIC_RULES, 7053613},
    {"standard", STANDARD_RULES, 2130786},
};

TEST(Bench, NodeCountIsTheSignatureOfEachSearch)
{
    for (const Signature& signature : SIGNATURES) {
        std::ostringstream log;
        const std::vector<BenchResult> results = RunBench(log, signature.rules);
        ASSERT_EQ(results.size(), bench_positions.size());
        int64_t total = 0;
        for (const BenchResult& result : results) {
            EXPECT_GT(result.nodes, 0) << result.fen;
            total += result.nodes;
        }
        EXPECT_EQ(total, signature.nodes) << signature.search << "\n" << log.str();
    }
}
