// The standard engine: its evaluation read the right way round, its static
// exchanges, its mates and the endgames it must convert.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "clock.h"
#include "hash.h"
#include "search.h"
#include "standard_eval.h"
#include "test_support.h"

namespace {

int64_t FixedClock() { return 1'000'000'000; }

class StandardTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        SetClock(FixedClock);
        InitHashTables(1);
        ASSERT_TRUE(ResizeTT(4));
        ClearStandardSearch();
    }
    void TearDown() override { SetClock(nullptr); }
};

int Score(const char* fen)
{
    const BoardPtr board = Load(fen, STANDARD_RULES);
    return board ? EvaluateStandard(*board) : 0;
}

// The same position with the colours exchanged: the ranks mirrored, the
// letters' case swapped, the other side to move, the castling rights and the
// en passant square mirrored too.
std::string ColourFlipped(const std::string& fen)
{
    const size_t space = fen.find(' ');
    std::string ranks[8];
    int rank = 0;
    for (const char c : fen.substr(0, space)) {
        if (c == '/')
            ++rank;
        else
            ranks[rank] += static_cast<char>(std::isupper(c) ? std::tolower(c) : std::toupper(c));
    }
    std::string flipped;
    for (int r = 7; r >= 0; --r)
        flipped += ranks[r] + (r > 0 ? "/" : "");
    char side = 'w', castling[5] = "", en_passant[3] = "";
    int halfmoves = 0, moves = 1;
    std::sscanf(fen.c_str() + space, " %c %4s %2s %d %d", &side, castling, en_passant, &halfmoves, &moves);
    std::string rights;
    for (const char c : std::string(castling))
        rights += c == '-' ? '-' : static_cast<char>(std::isupper(c) ? std::tolower(c) : std::toupper(c));
    std::string square = en_passant;
    if (square.size() == 2)
        square[1] = static_cast<char>('1' + '8' - square[1]);
    return flipped + " " + (side == 'w' ? "b" : "w") + " " + rights + " " + square + " " + std::to_string(halfmoves) +
           " " + std::to_string(moves);
}

TEST_F(StandardTest, EachTermOfTheEvaluationScoresTheRightWayRound)
{
    struct Case {
        const char* term;
        const char* better;  // white to move in both, the same material
        const char* worse;
    };
    const Case cases[] = {
        {"a passed pawn further on", "4k3/8/3P4/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/3P4/8/4K3 w - - 0 1"},
        {"pawns side by side, not isolated", "4k3/8/8/8/8/8/2PP4/4K3 w - - 0 1", "4k3/8/8/8/8/8/2P1P3/4K3 w - - 0 1"},
        {"pawns not doubled", "4k3/pp6/8/8/8/4P3/3P4/4K3 w - - 0 1", "4k3/pp6/8/8/8/3P4/3P4/4K3 w - - 0 1"},
        {"a rook on the open file", "r3k3/ppp1pppp/8/8/8/8/PPP1PPPP/3R1K2 w - - 0 1",
         "r3k3/ppp1pppp/8/8/8/8/PPP1PPPP/4RK2 w - - 0 1"},
        {"pawns before the castled king", "r5k1/ppp2ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
         "r5k1/ppp2ppp/8/8/8/8/PPP5/R5K1 w - - 0 1"},
        {"no enemy pieces gathered at the king", "1r1k4/8/8/8/8/3q4/5PPP/4R1K1 w - - 0 1",
         "3k4/8/8/8/8/8/4qPPP/1r2R1K1 w - - 0 1"},
        {"a knight in the centre", "4k3/pppp4/8/8/4N3/8/PPPP4/4K3 w - - 0 1", "4k3/pppp4/8/8/8/8/PPPP4/N3K3 w - - 0 1"},
        {"the bare king on the rim", "7k/8/8/8/8/8/8/R3K3 w - - 0 1", "8/8/8/4k3/8/8/8/R3K3 w - - 0 1"},
        {"the kings close against a bare king", "8/8/8/4k3/8/4K3/8/R7 w - - 0 1", "8/8/8/4k3/8/8/8/R6K w - - 0 1"},
        {"the king near its passed pawn in the endgame", "8/8/3PK3/8/8/8/8/k7 w - - 0 1",
         "8/8/3P4/8/8/8/8/k3K3 w - - 0 1"},
    };
    for (const Case& c : cases)
        EXPECT_GT(Score(c.better), Score(c.worse)) << c.term;
}

TEST_F(StandardTest, EvaluationIsTheSameForEitherColourAndKnowsWhatCannotWin)
{
    const char* positions[] = {
        "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
        "8/5k2/8/8/8/8/1R6/4K3 b - - 0 1",
        "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1",
    };
    for (const char* fen : positions)
        EXPECT_EQ(Score(fen), Score(ColourFlipped(fen).c_str())) << fen;

    // A side without pawns that cannot mate wins nothing, however much up.
    for (const char* fen :
         {"8/8/4k3/8/8/8/8/1N2K3 w - - 0 1", "8/8/4k3/8/8/8/8/2B1K3 b - - 0 1", "8/8/4k3/8/8/8/8/1N2KN2 w - - 0 1"})
        EXPECT_EQ(Score(fen), 0) << fen;
    EXPECT_GT(Score("8/8/4k3/8/8/8/8/R3K3 w - - 0 1"), 400);
}

TEST_F(StandardTest, StaticExchangeCountsEveryRecaptureInOrder)
{
    struct Case {
        const char* what;
        const char* fen;
        Move move;
        int gain;
    };
    const Case cases[] = {
        {"a pawn takes a knight", "4k3/8/8/3n4/4P3/8/8/4K3 w - - 0 1", Mv("e4d5"), 320},
        {"a pawn takes a knight a pawn defends", "4k3/8/4p3/3n4/4P3/8/8/4K3 w - - 0 1", Mv("e4d5"), 220},
        {"a queen takes a pawn a pawn defends", "4k3/8/4p3/3p4/8/8/8/3QK3 w - - 0 1", Mv("d1d5"), -800},
        {"a rook backed by a rook: the king cannot take back", "3rk3/8/8/8/8/8/3R4/3RK3 w - - 0 1", Mv("d2d8"), 500},
        {"a bishop behind a pawn joins in", "4k3/8/4r3/3n4/4P3/5B2/8/4K3 w - - 0 1", Mv("e4d5"), 320},
        {"en passant", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", Move{Sq("e5"), Sq("d6"), EN_PASSANT}, 100},
        {"a promotion on a square a rook guards", "3rk3/P7/8/8/8/8/8/4K3 w - - 0 1", Mv("a7a8", PROMOTE_QUEEN), -100},
    };
    for (const Case& c : cases) {
        const BoardPtr board = Load(c.fen, STANDARD_RULES);
        EXPECT_EQ(StaticExchange(*board, c.move), c.gain) << c.what;
    }
}

// Plays the standard search against itself from `fen`, each move searched to
// `nodes` nodes; the number of moves the winner needed to mate, or 0 when
// the game reached `max_moves` moves of the side to move without a mate.
int MovesToMate(const char* fen, int64_t node_limit, int max_moves)
{
    BoardPtr board = Load(fen, STANDARD_RULES);
    SearchLimits limits;
    limits.iterate = true;
    limits.depth = MAX_DEPTH;
    limits.max_nodes = node_limit;
    for (int ply = 0; ply < 2 * max_moves; ++ply) {
        const SearchResult found = Search(*board, limits);
        if (!found.has_move)
            return InCheck(*board) ? (ply + 1) / 2 : 0;
        EXPECT_TRUE(MakeGameMove(*board, found.best));
    }
    return 0;
}

TEST_F(StandardTest, MatesAsSoonAsItCanAndConvertsTheEndgamesItMustWin)
{
    // A mate in one among longer ones is scored as the mate in one.
    for (const char* fen : {"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "6k1/8/6K1/8/8/8/8/Q7 w - - 0 1"}) {
        BoardPtr board = Load(fen, STANDARD_RULES);
        SearchLimits limits;
        limits.iterate = true;
        limits.depth = 8;
        EXPECT_EQ(MateInMoves(Search(*board, limits).score, board->ply), 1) << fen;
    }
    // The bare king is driven to the rim and mated well within the
    // fifty-move rule, the king in the middle of the board at the start.
    struct Case {
        const char* ending;
        const char* fen;
        int within;
    };
    const Case cases[] = {
        {"king and queen", "8/8/8/4k3/8/8/8/4K2Q w - - 0 1", 15},
        {"king and rook", "8/8/8/3k4/8/8/8/R3K3 w - - 0 1", 30},
        {"king and two bishops", "8/8/8/3k4/8/8/8/2B1KB2 w - - 0 1", 40},
    };
    for (const Case& c : cases) {
        const int moves = MovesToMate(c.fen, 20000, 50);
        EXPECT_GT(moves, 0) << c.ending;
        EXPECT_LE(moves, c.within) << c.ending;
    }
}

}  // namespace
