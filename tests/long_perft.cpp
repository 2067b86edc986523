// Deeper perft counts: for each case of perft_cases.h that has one, the count
// one ply beyond what test_perft checks (the initial position to depth 5 under
// the classic rules, the largest published positions to depth 5 under the
// standard ones).
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "perft.h"
#include "perft_cases.h"
#include "test_support.h"

namespace {

std::vector<PerftCase> DeepCases(std::span<const PerftCase> cases)
{
    std::vector<PerftCase> deep;
    std::copy_if(cases.begin(), cases.end(), std::back_inserter(deep),
                 [](const PerftCase& c) { return static_cast<int>(c.counts.size()) > c.depth; });
    return deep;
}

class DeepPerft : public PerftCaseTest {};

TEST_P(DeepPerft, CountMatchesTheReference)
{
    const PerftCase& c = GetParam();
    if (c.counts.back() > DEEP_LEAF_BUDGET)
        GTEST_SKIP() << c.counts.back() << " leaves: beyond what a build that checks every move can walk";
    BoardPtr board = Load(c.fen, c.rules);
    ASSERT_TRUE(board);
    const int depth = static_cast<int>(c.counts.size());
    EXPECT_EQ(Perft(*board, depth), c.counts.back()) << c.name << " depth " << depth;
    EXPECT_EQ(board->ply, 0);
    EXPECT_TRUE(BoardOk(*board));
}

INSTANTIATE_TEST_SUITE_P(Positions, DeepPerft, ::testing::ValuesIn(DeepCases(PERFT_CASES)), CaseName);
INSTANTIATE_TEST_SUITE_P(Standard, DeepPerft, ::testing::ValuesIn(DeepCases(STANDARD_PERFT_CASES)), CaseName);

}  // namespace
