// Perft: the number of leaves of the legal move tree, every leaf made and
// taken back through MakeMove and UnmakeMove. A wrong count anywhere in the
// generators, CanCastle, MakeMove's refusal or UnmakeMove shows up here. The
// reference counts under each rules and where they come from: perft_cases.h;
// the deeper counts of the same tables are checked by long_perft.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "diagram.h"
#include "hash.h"
#include "perft.h"
#include "perft_cases.h"
#include "test_support.h"

namespace {

class PerftTest : public PerftCaseTest {};

TEST_P(PerftTest, CountsMatchTheReference)
{
    const PerftCase& c = GetParam();
    BoardPtr board = Load(c.fen, c.rules);
    ASSERT_TRUE(board);
    ASSERT_LE(static_cast<size_t>(c.depth), c.counts.size());
    const std::string before = DiagramOf(*board);
    const uint32_t key = board->states[0].hash_key;
    const uint32_t lock = board->states[0].hash_lock;
    for (int depth = 1; depth <= c.depth && c.counts[depth - 1] <= FAST_LEAF_BUDGET; ++depth)
        EXPECT_EQ(Perft(*board, depth), c.counts[depth - 1]) << c.name << " depth " << depth;

    // The walk leaves the board as it found it.
    EXPECT_EQ(board->ply, 0);
    EXPECT_EQ(DiagramOf(*board), before);
    EXPECT_EQ(board->states[0].hash_key, key);
    EXPECT_EQ(board->states[0].hash_lock, lock);
    EXPECT_TRUE(BoardOk(*board));
}

INSTANTIATE_TEST_SUITE_P(Positions, PerftTest, ::testing::ValuesIn(PERFT_CASES), CaseName);
INSTANTIATE_TEST_SUITE_P(Standard, PerftTest, ::testing::ValuesIn(STANDARD_PERFT_CASES), CaseName);

// ---- Divide ------------------------------------------------------------------

std::vector<std::string> MovesOf(const std::vector<DivideEntry>& entries)
{
    std::vector<std::string> moves;
    for (const DivideEntry& entry : entries)
        moves.push_back(entry.move);
    return moves;
}

uint64_t SumOf(const std::vector<DivideEntry>& entries)
{
    uint64_t sum = 0;
    for (const DivideEntry& entry : entries)
        sum += entry.count;
    return sum;
}

class DivideTest : public ::testing::Test {
  protected:
    void SetUp() override { InitHashTables(1); }
};

TEST_F(DivideTest, EntriesSumToPerftInGenerationOrder)
{
    BoardPtr board = NewBoard(CLASSIC_RULES);
    const std::vector<DivideEntry> entries = Divide(*board, 3);
    ASSERT_EQ(entries.size(), 20u);
    EXPECT_EQ(entries.front().move, "b1a3");
    EXPECT_EQ(entries.back().move, "h2h4");
    EXPECT_EQ(SumOf(entries), 8902u);
    EXPECT_EQ(SumOf(entries), Perft(*board, 3));
    EXPECT_EQ(board->ply, 0);
    EXPECT_TRUE(BoardOk(*board));
}

TEST_F(DivideTest, PromotionsCarryTheirLetter)
{
    BoardPtr white = Load("8/P1k5/K7/8/8/8/8/8 w - -");
    ASSERT_TRUE(white);
    const std::vector<DivideEntry> entries = Divide(*white, 3);
    EXPECT_EQ(MovesOf(entries), (std::vector<std::string>{"a6a5", "a6b5", "a7a8q", "a7a8r", "a7a8n", "a7a8b"}));
    const std::vector<uint64_t> counts = {50, 54, 40, 36, 36, 57};
    for (size_t i = 0; i < entries.size() && i < counts.size(); ++i)
        EXPECT_EQ(entries[i].count, counts[i]) << entries[i].move;
    EXPECT_EQ(SumOf(entries), 273u);

    BoardPtr black = Load("n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -");
    ASSERT_TRUE(black);
    const std::vector<DivideEntry> black_entries = Divide(*black, 1);
    const std::vector<std::string> expected = {"g2f1q", "g2f1r", "g2f1n", "g2f1b", "g2h1q", "g2h1r", "g2h1n", "g2h1b",
                                               "g2g1q", "g2g1r", "g2g1n", "g2g1b", "d7c6",  "d7d6",  "d7e6",  "d7c7",
                                               "d7e7",  "d7e8",  "a8b6",  "a8c7",  "c8b6",  "c8d6",  "c8a7",  "c8e7"};
    EXPECT_EQ(MovesOf(black_entries), expected);
    for (const DivideEntry& entry : black_entries)
        EXPECT_EQ(entry.count, 1u) << entry.move;
}

// A move MakeMove refuses has no entry: here e1c1 passes CanCastle but lands
// on c1, which the rook on c8 covers. Castling is written as the king's move.
TEST_F(DivideTest, OnlyLegalMovesAreListed)
{
    BoardPtr board = Load("2r1k3/8/8/8/8/8/8/R3K2R w KQ -");
    ASSERT_TRUE(board);
    const std::vector<DivideEntry> entries = Divide(*board, 2);
    const std::vector<std::string> moves = MovesOf(entries);
    EXPECT_EQ(std::find(moves.begin(), moves.end(), "e1c1"), moves.end());
    EXPECT_EQ(moves.back(), "e1g1");
    EXPECT_EQ(SumOf(entries), Perft(*board, 2));
    for (const std::string& move : moves)
        EXPECT_EQ(move.size(), 4u) << move;
    EXPECT_TRUE(BoardOk(*board));
}

}  // namespace
