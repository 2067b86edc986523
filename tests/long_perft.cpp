// Deeper perft counts: the initial position to depth 5 and the deeper entries
// of the table that test_perft checks to depth 3 or 4.
//
// As there, the reference counts come from the chess.js package 1.4.0 (npm),
// an independent generator, with the moves it flags as en passant removed at
// every node of the tree, since this engine plays no en passant of its own;
// tests/perft/derive_counts.mjs prints them ("node derive_counts.mjs 5"). The
// initial position's 4,865,351 at depth 5 is the published 4,865,609 less its
// 258 en passant captures.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "board.h"
#include "fen.h"
#include "hash.h"
#include "perft.h"

namespace {

struct DeepCase {
    const char* name;
    const char* fen;
    int depth;
    uint64_t count;
};

std::ostream& operator<<(std::ostream& out, const DeepCase& c) { return out << c.name << ": " << c.fen; }

const DeepCase DEEP_CASES[] = {
    {"Initial", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 5, 4865351},
    {"BothCastlings", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 4, 4079596},
    {"EdgeEnding", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 5, 671300},
    {"PromotionsInCheck", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 4, 422146},
    {"PromotionsInCheckMirrored", "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -", 4, 422146},
    {"PromotionAndFork", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", 4, 2103487},
    {"RooksAndKings", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", 4, 314346},
    {"CoveredCastlingSquares", "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq -", 4, 1274206},
    {"PinnedDoubleStep", "3k4/3p4/8/K1P4r/8/8/8/8 b - -", 5, 184531},
    {"DiagonalPin", "8/8/1k6/2b5/2pP4/8/5K2/8 b - -", 5, 198914},
    {"ShortCastlingOnly", "4k3/8/8/8/8/8/8/4K2R w K -", 5, 133987},
    {"CornerPromotion", "8/P1k5/K7/8/8/8/8/8 w - -", 5, 18135},
    {"EdgeCheck", "7k/8/8/8/8/8/8/K6R b - -", 5, 12243},
};

class DeepPerft : public ::testing::TestWithParam<DeepCase> {
  protected:
    void SetUp() override { InitHashTables(1); }
};

TEST_P(DeepPerft, CountMatchesTheReference)
{
    const DeepCase& c = GetParam();
    BoardPtr board = LoadFen(c.fen);
    ASSERT_TRUE(board) << c.fen;
    EXPECT_EQ(Perft(*board, c.depth), c.count) << c.name << " depth " << c.depth;
    EXPECT_EQ(board->ply, 0);
    EXPECT_TRUE(BoardOk(*board));
}

INSTANTIATE_TEST_SUITE_P(Positions, DeepPerft, ::testing::ValuesIn(DEEP_CASES),
                         [](const ::testing::TestParamInfo<DeepCase>& param) { return std::string(param.param.name); });

}  // namespace
