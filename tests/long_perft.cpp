// Deeper perft counts: for each case of perft_cases.h that has one, the count
// one ply beyond what test_perft checks (the initial position to depth 5).
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "perft.h"
#include "perft_cases.h"
#include "test_support.h"

namespace {

std::vector<PerftCase> DeepCases()
{
    std::vector<PerftCase> deep;
    std::copy_if(std::begin(PERFT_CASES), std::end(PERFT_CASES), std::back_inserter(deep),
                 [](const PerftCase& c) { return static_cast<int>(c.counts.size()) > c.depth; });
    return deep;
}

class DeepPerft : public PerftCaseTest {};

TEST_P(DeepPerft, CountMatchesTheReference)
{
    const PerftCase& c = GetParam();
    BoardPtr board = Load(c.fen);
    ASSERT_TRUE(board);
    const int depth = static_cast<int>(c.counts.size());
    EXPECT_EQ(Perft(*board, depth), c.counts.back()) << c.name << " depth " << depth;
    EXPECT_EQ(board->ply, 0);
    EXPECT_TRUE(BoardOk(*board));
}

INSTANTIATE_TEST_SUITE_P(Positions, DeepPerft, ::testing::ValuesIn(DeepCases()), CaseName);

}  // namespace
