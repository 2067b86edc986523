// Attack detection: which squares a colour attacks, at the board's edges,
// along blocked rays and around kings.
#include <gtest/gtest.h>

#include <string>

#include "attack.h"
#include "geometry.h"
#include "hash.h"
#include "test_support.h"

namespace {

// The squares of a bit set, a1 to h8, as "b3 c2".
std::string Names(uint64_t squares)
{
    std::string names;
    for (int square = 0; square < 64; ++square) {
        if ((squares >> square & 1) == 0)
            continue;
        if (!names.empty())
            names += ' ';
        names += SquareText(square);
    }
    return names;
}

// The squares that `colour` attacks, as Names gives them.
std::string Attacked(const char* fen, Colour colour)
{
    BoardPtr board = Load(fen);
    if (!board)
        return "";
    uint64_t attacked = 0;
    for (int square = 0; square < 64; ++square) {
        if (IsAttacked(*board, square, colour))
            attacked |= uint64_t{1} << square;
    }
    return Names(attacked);
}

class AttackTest : public ::testing::Test {
  protected:
    void SetUp() override { InitHashTables(1); }
};

// The squares a colour attacks in a position, as Attacked gives them.
TEST_F(AttackTest, AttackedSquares)
{
    const struct {
        const char* label;
        const char* fen;
        Colour colour;
        const char* attacked;
    } rows[] = {
        // ---- Edges: no wrap-around.
        {"pawn h2: not a4", "8/8/8/8/8/8/7P/8 w - - 0 1", WHITE, "g3"},
        {"pawn a3: not h3", "8/8/8/8/8/P7/8/8 w - - 0 1", WHITE, "b4"},
        {"black pawn a7: not h5", "8/p7/8/8/8/8/8/8 w - - 0 1", BLACK, "b6"},
        {"black pawn h6: not a6", "8/8/7p/8/8/8/8/8 w - - 0 1", BLACK, "g5"},
        {"knight a1", "8/8/8/8/8/8/8/N7 w - - 0 1", WHITE, "c2 b3"},
        {"black knight h8", "7n/8/8/8/8/8/8/8 w - - 0 1", BLACK, "g6 f7"},
        {"knight h4", "8/8/8/8/7N/8/8/8 w - - 0 1", WHITE, "g2 f3 f5 g6"},
        {"knight a4", "8/8/8/8/N7/8/8/8 w - - 0 1", WHITE, "b2 c3 c5 b6"},
        {"king h1", "8/8/8/8/8/8/8/7K w - - 0 1", WHITE, "g1 g2 h2"},
        {"black king a8", "k7/8/8/8/8/8/8/8 w - - 0 1", BLACK, "a7 b7 b8"},
        {"rook h1", "8/8/8/8/8/8/8/7R w - - 0 1", WHITE, "a1 b1 c1 d1 e1 f1 g1 h2 h3 h4 h5 h6 h7 h8"},
        {"bishop a1", "8/8/8/8/8/8/8/B7 w - - 0 1", WHITE, "b2 c3 d4 e5 f6 g7 h8"},
        {"black bishop a4", "8/8/8/8/b7/8/8/8 w - - 0 1", BLACK, "d1 c2 b3 b5 c6 d7 e8"},
        // ---- Set-up pawns on the ranks where no pawn can attack from: nothing
        // beyond the board is read (the sanitizer build catches a read before
        // the squares).
        {"empty board, white", "8/8/8/8/8/8/8/8 w - - 0 1", WHITE, ""},
        {"empty board, black", "8/8/8/8/8/8/8/8 w - - 0 1", BLACK, ""},
        {"white pawns on rank 1", "8/8/8/8/8/8/8/P6P w - - 0 1", WHITE, "b2 g2"},
        {"black pawns on rank 8", "p6p/8/8/8/8/8/8/8 w - - 0 1", BLACK, "b7 g7"},
        {"white pawns on rank 8 attack nothing", "P6P/8/8/8/8/8/8/8 w - - 0 1", WHITE, ""},
        {"black pawns on rank 1 attack nothing", "8/8/8/8/8/8/8/p6p w - - 0 1", BLACK, ""},
        // ---- Pawns attack diagonally forward for their colour; a pawn of the
        // other colour attacks nothing for this colour.
        {"white pawn e5", "8/8/8/4P3/8/8/8/8 w - - 0 1", WHITE, "d6 f6"},
        {"black pawn e5", "8/8/8/4p3/8/8/8/8 w - - 0 1", BLACK, "d4 f4"},
        {"white pawn e5, for black", "8/8/8/4P3/8/8/8/8 w - - 0 1", BLACK, ""},
        {"black pawn e5, for white", "8/8/8/4p3/8/8/8/8 w - - 0 1", WHITE, ""},
        // ---- Any figure blocks a ray: a2 and a3 attacked, a4 not.
        {"rook a1, own pawn a3", "8/8/8/8/8/P7/8/R7 w - - 0 1", WHITE, "b1 c1 d1 e1 f1 g1 h1 a2 a3 b4"},
        {"rook a1, enemy pawn a3", "8/8/8/8/8/p7/8/R7 w - - 0 1", WHITE, "b1 c1 d1 e1 f1 g1 h1 a2 a3"},
        {"bishop a1 behind an enemy knight c3", "8/8/8/8/8/2n5/8/B7 w - - 0 1", WHITE, "b2 c3"},
        {"bishop a1 behind an own knight c3", "8/8/8/8/8/2N5/8/B7 w - - 0 1", WHITE, "b1 d1 a2 b2 e2 c3 a4 e4 b5 d5"},
        // The queen reaches the ring and nothing beyond; b5 f5 c6 e6 are the pawns'.
        {"queen d4 in a ring of figures of both colours", "8/8/8/2pPp3/2PQP3/2pPp3/8/8 w - - 0 1", WHITE,
         "c3 d3 e3 c4 e4 b5 c5 d5 e5 f5 c6 e6"},
        // ---- Only the right figures attack along each line: the rook not
        // diagonally (e5), the bishop not straight (b5) and its ray ending at
        // the rook (f6), the knight not along lines (g3).
        {"rook d4, bishop b2, knight g1", "8/8/8/8/3R4/8/1B6/6N1 w - - 0 1", WHITE,
         "a1 c1 d1 d2 e2 a3 c3 d3 f3 h3 a4 b4 c4 d4 e4 f4 g4 h4 d5 d6 d7 d8"},
        {"white figures never count for black", "8/8/8/8/3R4/8/1B6/6N1 w - - 0 1", BLACK, ""},
        // ---- Kings and queens.
        {"king e4 attacks its neighbours", "8/8/8/8/4K3/8/8/8 w - - 0 1", WHITE, "d3 e3 f3 d4 f4 d5 e5 f5"},
        {"black queen d4: its neighbours and lines", "8/8/8/8/3q4/8/8/8 w - - 0 1", BLACK,
         "a1 d1 g1 b2 d2 f2 c3 d3 e3 a4 b4 c4 e4 f4 g4 h4 c5 d5 e5 b6 d6 f6 a7 d7 g7 d8 h8"},
        {"black queen a1", "8/8/8/8/8/8/8/q7 w - - 0 1", BLACK,
         "b1 c1 d1 e1 f1 g1 h1 a2 b2 a3 c3 a4 d4 a5 e5 a6 f6 a7 g7 a8 h8"},
        // An adjacent queen whose colour is not asked about counts for nothing.
        {"black queen d4, for white", "8/8/8/8/3q4/8/8/8 w - - 0 1", WHITE, ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Attacked(row.fen, row.colour), row.attacked) << row.label;
}

// Kings side by side: the squares between them are attacked by both, so
// neither king may step there.
TEST_F(AttackTest, KingsMayNotStepBesideEachOther)
{
    BoardPtr board = Load("8/8/8/3k4/8/3K4/8/8 w - - 0 1");
    for (const char* square : {"c4", "d4", "e4"}) {
        EXPECT_EQ(IsAttacked(*board, Sq(square), BLACK), 1) << square;
        EXPECT_EQ(IsAttacked(*board, Sq(square), WHITE), 1) << square;
        EXPECT_EQ(MakeMove(*board, Move{Sq("d3"), Sq(square), NORMAL_MOVE}), 0) << square;
    }
    EXPECT_EQ(MakeMove(*board, Mv("d3d2")), 1);
}

// ---- The square's own content ----------------------------------------------

TEST_F(AttackTest, ContentOfTheSquareDoesNotMatter)
{
    // Rook a1 and pawn e5 against a5 and f6, with a5 and f6 empty, white or black.
    for (const char* fen :
         {"8/8/8/4P3/8/8/8/R7 w - - 0 1", "8/8/5N2/N3P3/8/8/8/R7 w - - 0 1", "8/8/5n2/n3P3/8/8/8/R7 w - - 0 1"}) {
        SCOPED_TRACE(fen);
        BoardPtr board = Load(fen);
        EXPECT_EQ(IsAttacked(*board, Sq("a5"), WHITE), 1);
        EXPECT_EQ(IsAttacked(*board, Sq("f6"), WHITE), 1);
        EXPECT_EQ(IsAttacked(*board, Sq("a5"), BLACK), 0);
    }
    // The square of the attacker itself is not attacked by it.
    BoardPtr board = Load("8/8/8/8/8/8/8/R7 w - - 0 1");
    EXPECT_EQ(IsAttacked(*board, Sq("a1"), WHITE), 0);
}

// ---- Every attacker, and the squares between two squares --------------------

TEST_F(AttackTest, AttackersOfListsEveryAttackerAndNoBlockedOne)
{
    // d4 is attacked by the pawn c3, the knight b5, the bishop g7, the rook d8,
    // the king e3 and the queen a4; the queen h4 stands behind the pawn f4,
    // the rook d1 behind the pawn d2, and the bishop a1 behind the knight b2.
    BoardPtr board = Load("3R4/6B1/8/1N6/Q2q1P1Q/2P1K3/1N1P4/B2R4 w - - 0 1");
    EXPECT_EQ(Names(AttackersOf(*board, Sq("d4"), WHITE)), "c3 e3 a4 b5 g7 d8");
    EXPECT_EQ(Names(AttackersOf(*board, Sq("d4"), BLACK)), "");
    EXPECT_EQ(Names(AttackersOf(*board, Sq("h8"), WHITE)), "h4 g7 d8");
}

TEST_F(AttackTest, BetweenHoldsTheSquaresStrictlyInsideALine)
{
    EXPECT_EQ(Names(Between(Sq("a1"), Sq("h8"))), "b2 c3 d4 e5 f6 g7");
    EXPECT_EQ(Names(Between(Sq("h8"), Sq("a1"))), "b2 c3 d4 e5 f6 g7");
    EXPECT_EQ(Names(Between(Sq("e1"), Sq("e8"))), "e2 e3 e4 e5 e6 e7");
    EXPECT_EQ(Names(Between(Sq("a4"), Sq("d4"))), "b4 c4");
    EXPECT_EQ(Names(Between(Sq("d4"), Sq("e5"))), "");  // neighbours
    EXPECT_EQ(Names(Between(Sq("b1"), Sq("c3"))), "");  // a knight's jump
    EXPECT_EQ(Names(Between(Sq("h1"), Sq("a2"))), "");  // no wrap-around
}

}  // namespace
