// Perft: the number of leaves of the legal move tree, every leaf made and
// taken back through MakeMove and UnmakeMove. A wrong count anywhere in the
// generators, CanCastle, MakeMove's refusal or UnmakeMove shows up here.
//
// The engine knows no en passant of its own, so its counts differ from the
// published tables wherever an en passant capture arises in the tree. The
// reference counts below were derived with an independent generator, the
// chess.js package 1.4.0 from the npm registry, with the moves it flags as en
// passant removed at every node of the tree (not only at the root); see
// tests/perft/derive_counts.mjs, which prints them. Castling and promotions
// follow the ordinary rules, each promotion figure counting as its own move.
//
// The deeper counts of the same table are checked by long_perft.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"
#include "fen.h"
#include "hash.h"
#include "perft.h"

namespace {

struct PerftCase {
    const char* name;
    const char* fen;
    std::vector<uint64_t> counts;  // depth 1, 2, ...
    int depth;                     // the deepest count checked here
};

std::ostream& operator<<(std::ostream& out, const PerftCase& c) { return out << c.name << ": " << c.fen; }

const PerftCase PERFT_CASES[] = {
    // The initial position.
    {"Initial", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", {20, 400, 8902, 197281}, 4},
    // Middlegame with both castlings for both sides, pins and discovered checks.
    {"BothCastlings", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", {48, 2038, 97766}, 3},
    // Rook and pawn ending near the edges: pins along rank and file, double steps.
    {"EdgeEnding", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {14, 191, 2810, 43087}, 4},
    // Promotions and under-promotions with capture, white in check from the start.
    {"PromotionsInCheck", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", {6, 264, 9463}, 3},
    // The same position mirrored, black to move: the counts must agree.
    {"PromotionsInCheckMirrored", "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -", {6, 264, 9463}, 3},
    // A pawn about to promote by capture, a knight fork on f2, king-side castling only.
    {"PromotionAndFork", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", {44, 1486, 62379}, 3},
    // A quiet symmetrical middlegame with many pins of knights by bishops.
    {"SymmetricMiddlegame",
     "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
     {46, 2079, 89890},
     3},
    // Promotions of both colours onto occupied and empty squares, black to move.
    {"PromotionRace", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -", {24, 496, 9483, 182838}, 4},
    // Bare rooks and kings: every castling right, rooks capturable on their corners.
    {"RooksAndKings", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", {26, 568, 13744}, 3},
    // A pawn pinned on the rank its double step would open.
    {"PinnedDoubleStep", "3k4/3p4/8/K1P4r/8/8/8/8 b - -", {18, 92, 1670, 10080}, 4},
    // A bishop pinning along the diagonal next to pawns that could otherwise take.
    {"DiagonalPin", "8/8/1k6/2b5/2pP4/8/5K2/8 b - -", {14, 121, 1843, 13508}, 4},
    // King-side castling alone, with a lone black king.
    {"ShortCastlingOnly", "4k3/8/8/8/8/8/8/4K2R w K -", {15, 66, 1197, 7059}, 4},
    // Castling rights with sliders covering the squares the kings cross.
    {"CoveredCastlingSquares", "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq -", {26, 1141, 27826}, 3},
    // A promotion in the corner next to the enemy king.
    {"CornerPromotion", "8/P1k5/K7/8/8/8/8/8 w - -", {6, 27, 273, 1329}, 4},
    // Black to move in check from a rook along the edge file.
    {"EdgeCheck", "7k/8/8/8/8/8/8/K6R b - -", {2, 32, 147, 2402}, 4},
    // (The same placement with white to move is no position a game can hold:
    // the king not to move stands in check. LoadFen refuses it.)
};

class PerftTest : public ::testing::TestWithParam<PerftCase> {
  protected:
    void SetUp() override { InitHashTables(1); }
};

TEST_P(PerftTest, CountsMatchTheReference)
{
    const PerftCase& c = GetParam();
    BoardPtr board = LoadFen(c.fen);
    ASSERT_TRUE(board) << c.fen;
    ASSERT_LE(static_cast<size_t>(c.depth), c.counts.size());
    const std::string before = DiagramOf(*board);
    const uint32_t key = board->states[0].hash_key;
    const uint32_t lock = board->states[0].hash_lock;
    for (int depth = 1; depth <= c.depth; ++depth)
        EXPECT_EQ(Perft(*board, depth), c.counts[depth - 1]) << c.name << " depth " << depth;

    // The walk leaves the board as it found it.
    EXPECT_EQ(board->ply, 0);
    EXPECT_EQ(DiagramOf(*board), before);
    EXPECT_EQ(board->states[0].hash_key, key);
    EXPECT_EQ(board->states[0].hash_lock, lock);
    EXPECT_TRUE(BoardOk(*board));
}

INSTANTIATE_TEST_SUITE_P(Positions, PerftTest, ::testing::ValuesIn(PERFT_CASES),
                         [](const ::testing::TestParamInfo<PerftCase>& param) {
                             return std::string(param.param.name);
                         });

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
    BoardPtr board = NewBoard();
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
    BoardPtr white = LoadFen("8/P1k5/K7/8/8/8/8/8 w - -");
    ASSERT_TRUE(white);
    const std::vector<DivideEntry> entries = Divide(*white, 3);
    EXPECT_EQ(MovesOf(entries), (std::vector<std::string>{"a6a5", "a6b5", "a7a8q", "a7a8r", "a7a8n", "a7a8b"}));
    const std::vector<uint64_t> counts = {50, 54, 40, 36, 36, 57};
    for (size_t i = 0; i < entries.size() && i < counts.size(); ++i)
        EXPECT_EQ(entries[i].count, counts[i]) << entries[i].move;
    EXPECT_EQ(SumOf(entries), 273u);

    BoardPtr black = LoadFen("n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -");
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
    BoardPtr board = LoadFen("2r1k3/8/8/8/8/8/8/R3K2R w KQ -");
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
