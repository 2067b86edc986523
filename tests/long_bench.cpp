#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <vector>

#include "bench.h"

// The bench searches a fixed set of positions with a fixed seed and a fixed
// clock; its total node count is the fingerprint of the search. The number
// below changes whenever the search behaves differently in any way (move
// ordering, pruning, table use, evaluation, extensions): a change of it is a
// change of search behaviour, to be made only on purpose.
constexpr int64_t BENCH_SIGNATURE = 7053613;

TEST(Bench, NodeCountIsTheSignature)
{
    std::ostringstream log;
    const std::vector<BenchResult> results = RunBench(log);
    ASSERT_EQ(results.size(), bench_positions.size());
    int64_t total = 0;
    for (const BenchResult& result : results) {
        EXPECT_GT(result.nodes, 0) << result.fen;
        total += result.nodes;
    }
    EXPECT_EQ(total, BENCH_SIGNATURE) << log.str();
}
