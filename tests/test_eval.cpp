#include <gtest/gtest.h>

#include <map>
#include <string>

#include "classic_eval.h"
#include "test_support.h"

namespace {

// A full position text with the given figures (square -> placement letter)
// and side to move.
std::string Position(const std::map<int, char>& figures, char side = 'w')
{
    std::string text;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const auto found = figures.find(rank * 8 + file);
            if (found == figures.end()) {
                ++empty;
                continue;
            }
            if (empty > 0)
                text += static_cast<char>('0' + empty);
            empty = 0;
            text += found->second;
        }
        if (empty > 0)
            text += static_cast<char>('0' + empty);
        if (rank > 0)
            text += '/';
    }
    return text + " " + side + " - - 0 1";
}

int EvaluateFen(const std::string& fen)
{
    const BoardPtr board = Load(fen.c_str());
    return board ? Evaluate(*board) : 0;
}

// What one figure adds to white's score: the position with it less the
// position without it. The kings stand on a1 and h8; the side whose king the
// figure may attack is to move, so that every position is a legal one.
int WorthForWhite(int square, char letter)
{
    const bool white = letter >= 'A' && letter <= 'Z';
    const int sign = white ? -1 : 1;
    std::map<int, char> figures = {{0, 'K'}, {63, 'k'}};
    const int without = sign * EvaluateFen(Position(figures, white ? 'b' : 'w'));
    figures[square] = letter;
    return sign * EvaluateFen(Position(figures, white ? 'b' : 'w')) - without;
}

}  // namespace

TEST(Evaluate, InitialPositionFromEitherSide)
{
    EXPECT_EQ(Evaluate(*NewBoard(CLASSIC_RULES)), -25);
    EXPECT_EQ(EvaluateFen(START_POSITION), -25);
    EXPECT_EQ(EvaluateFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"), 25);
}

TEST(Evaluate, AfterKingsPawnOpening)
{
    BoardPtr board = NewBoard(CLASSIC_RULES);
    ASSERT_EQ(MakeMove(*board, Mv("e2e4")), 1);
    ASSERT_EQ(board->side, BLACK);
    EXPECT_EQ(Evaluate(*board), -74);
}

// What a pawn, knight or bishop adds on one square: its material and a third of its square's term.
TEST(Evaluate, FigureOnASquare)
{
    struct Case {
        const char* square;
        char letter;
        int worth;
        const char* label;
    };
    const Case cases[] = {
        {"e7", 'P', 300, "white pawn on the seventh rank"},
        {"e2", 'p', -300, "black pawn on its seventh rank"},
        {"a2", 'P', 67, "negative square term truncated toward zero: -100 / 3 is -33"},
        {"a7", 'p', -67, "black's negative square term truncated toward zero"},
        {"d4", 'P', 100 + 200 / 3, "white pawn in the centre"},
        {"g1", 'N', 267, "white knight at home"},
        {"f3", 'N', 313, "white knight on f3"},
        {"d4", 'N', 340, "white knight in the centre"},
        {"g8", 'n', -267, "black knight at home"},
        {"f6", 'n', -313, "black knight on f6"},
        {"b2", 'B', 325 + 20 / 3, "white bishop on the long diagonal"},
        {"c1", 'B', 325 - 50 / 3, "white bishop at home"},
        {"b7", 'b', -(325 + 20 / 3), "black bishop on the long diagonal"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WorthForWhite(Sq(c.square), c.letter), c.worth) << c.label;
}

TEST(Evaluate, KingsUseDifferentDivisors)
{
    EXPECT_EQ(EvaluateFen(Position({{Sq("g1"), 'K'}, {Sq("g8"), 'k'}})), 17);
    // The back rank is not symmetric: 50 on the c-file, -150 on the f-file.
    // White halves its king's term, black divides by three.
    EXPECT_EQ(EvaluateFen(Position({{Sq("c1"), 'K'}, {Sq("c8"), 'k'}})), 25 - 16);
    EXPECT_EQ(EvaluateFen(Position({{Sq("f1"), 'K'}, {Sq("f8"), 'k'}})), -75 + 50);
    EXPECT_EQ(EvaluateFen(Position({{Sq("d4"), 'K'}, {Sq("g8"), 'k'}})), -250 - 33);
    EXPECT_EQ(EvaluateFen(Position({{Sq("a1"), 'K'}, {Sq("d5"), 'k'}})), 50 + 166);
}

TEST(Evaluate, RooksAndQueensHaveNoSquareTerm)
{
    for (int square = 1; square < 63; ++square) {
        EXPECT_EQ(WorthForWhite(square, 'R'), 500) << square;
        EXPECT_EQ(WorthForWhite(square, 'Q'), 900) << square;
        EXPECT_EQ(WorthForWhite(square, 'r'), -500) << square;
        EXPECT_EQ(WorthForWhite(square, 'q'), -900) << square;
    }
}

TEST(Evaluate, OtherSideToMoveNegatesExactly)
{
    const char* placements[] = {
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N",
        "6k1/8/8/8/8/8/8/6K1",
        "7k/8/8/8/8/8/8/8",
    };
    for (const char* placement : placements) {
        const int white = EvaluateFen(std::string(placement) + " w - - 0 1");
        const int black = EvaluateFen(std::string(placement) + " b - - 0 1");
        EXPECT_EQ(white, -black) << placement;
    }
}

TEST(Evaluate, ReadsOnlyTheBoard)
{
    BoardPtr board = Load("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    ASSERT_TRUE(board);
    const uint32_t key = board->states[0].hash_key;
    const int first = Evaluate(*board);
    EXPECT_EQ(Evaluate(*board), first);
    EXPECT_EQ(board->states[0].hash_key, key);
    EXPECT_TRUE(BoardOk(*board));
}
