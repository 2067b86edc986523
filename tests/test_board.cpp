// The board: its creation and diagram, making and taking back moves, null
// moves, the figure store and the history policy of long games.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "attack.h"
#include "classic_eval.h"
#include "figure.h"
#include "hash.h"
#include "movegen.h"
#include "perft.h"
#include "search.h"
#include "test_support.h"

namespace {

std::array<int32_t, 4> Castle(const Board& board)
{
    return {State(board).castle[0], State(board).castle[1], State(board).castle[2], State(board).castle[3]};
}

bool Generates(const Board& board, Move move) { return Lists(GenerateMoves(board, NO_MOVE), move); }

// Makes `move`, which the position of `fen` generates and accepts; hands the
// board and the snapshot taken before the move to `after`; takes the move back
// and expects the board as it was.
template <class After> void MakeAndTakeBack(const char* fen, Move move, After after)
{
    BoardPtr board = Load(fen);
    ASSERT_TRUE(Generates(*board, move));
    const Snapshot before = Take(*board);
    ASSERT_EQ(MakeMove(*board, move), 1);
    EXPECT_TRUE(BoardOk(*board));
    after(*board, before);
    UnmakeMove(*board);
    EXPECT_TRUE(BoardOk(*board));
    ExpectSame(before, Take(*board));
}

class BoardTest : public ::testing::Test {
  protected:
    void SetUp() override { InitHashTables(1); }
};

// ---- Creation and diagram --------------------------------------------------

TEST_F(BoardTest, NewBoardPrintsTheInitialDiagram)
{
    const char* expected = R"(  +----+----+----+----+----+----+----+----+
8 |  R |  N |  B |  Q |  K |  B |  N |  R |
  +----+----+----+----+----+----+----+----+
7 |  P |  P |  P |  P |  P |  P |  P |  P |
  +----+----+----+----+----+----+----+----+
6 |    |    |    |    |    |    |    |    |
  +----+----+----+----+----+----+----+----+
5 |    |    |    |    |    |    |    |    |
  +----+----+----+----+----+----+----+----+
4 |    |    |    |    |    |    |    |    |
  +----+----+----+----+----+----+----+----+
3 |    |    |    |    |    |    |    |    |
  +----+----+----+----+----+----+----+----+
2 | *P | *P | *P | *P | *P | *P | *P | *P |
  +----+----+----+----+----+----+----+----+
1 | *R | *N | *B | *Q | *K | *B | *N | *R |
  +----+----+----+----+----+----+----+----+

     a    b    c    d    e    f    g    h

)";
    BoardPtr board = NewBoard(CLASSIC_RULES);
    std::ostringstream out;
    PrintBoard(*board, out);
    EXPECT_EQ(out.str(), expected);

    EXPECT_TRUE(BoardOk(*board));
    EXPECT_EQ(board->ply, 0);
    EXPECT_EQ(board->side, WHITE);
    EXPECT_EQ(InCheck(*board), 0);
    EXPECT_EQ(board->white_king, Sq("e1"));
    EXPECT_EQ(board->black_king, Sq("e8"));
    EXPECT_EQ(Castle(*board), (std::array<int32_t, 4>{1, 1, 1, 1}));
}

TEST_F(BoardTest, EmptySquaresShareTheBoardsOwnEmptyFigure)
{
    BoardPtr first = NewBoard(CLASSIC_RULES);
    BoardPtr second = NewBoard(CLASSIC_RULES);
    BoardPtr loaded = Load("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_NE(first->empty, second->empty);
    EXPECT_NE(first->empty, loaded->empty);
    for (int square = 16; square < 48; ++square) {
        EXPECT_EQ(first->squares[square], first->empty);
        EXPECT_EQ(second->squares[square], second->empty);
    }
    for (int square = 0; square < 64; ++square) {
        if (square != Sq("e1") && square != Sq("e8")) {
            EXPECT_EQ(loaded->squares[square], loaded->empty);
        }
    }
    // 32 distinct figures, none of them the empty one.
    std::vector<const Figure*> seen;
    for (int square : {0, 7, 8, 15, 48, 55, 56, 63}) {
        for (const Figure* other : seen)
            EXPECT_NE(other, first->squares[square]);
        seen.push_back(first->squares[square]);
    }
}

// ---- Castling --------------------------------------------------------------

TEST_F(BoardTest, CastlingMovesKingAndRookAndUnmakeRestoresEverything)
{
    struct Case {
        const char* fen;
        Move move;
        int rook_from, rook_to;
        std::array<int32_t, 4> rights_after;
    };
    const char* white = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1";
    const char* black = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1";
    const Case cases[] = {
        {white, Mv("e1g1", CASTLE_KING_SIDE), Sq("h1"), Sq("f1"), {1, 1, 0, 0}},
        {white, Mv("e1c1", CASTLE_QUEEN_SIDE), Sq("a1"), Sq("d1"), {1, 1, 0, 0}},
        {black, Mv("e8g8", CASTLE_KING_SIDE), Sq("h8"), Sq("f8"), {0, 0, 1, 1}},
        {black, Mv("e8c8", CASTLE_QUEEN_SIDE), Sq("a8"), Sq("d8"), {0, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(MoveText(c.move));
        MakeAndTakeBack(c.fen, c.move, [&](const Board& board, const Snapshot& before) {
            const Colour mover = before.position[0] == WHITE ? WHITE : BLACK;  // the side to move before
            EXPECT_EQ(board.side, Opponent(mover));
            EXPECT_EQ(board.squares[c.move.to], before.squares[c.move.from]);  // the king
            EXPECT_EQ(board.squares[c.rook_to], before.squares[c.rook_from]);  // the rook
            EXPECT_EQ(board.squares[c.move.from], board.empty);
            EXPECT_EQ(board.squares[c.rook_from], board.empty);
            EXPECT_EQ(KingSquare(board, mover), c.move.to);
            EXPECT_EQ(Castle(board), c.rights_after);
            EXPECT_EQ(board.ply, 1);
        });
    }
}

// ---- Promotions ------------------------------------------------------------

// Each of the four figures, by a push and by a capture, for either side; taking
// the move back puts back the very pawn and the very figure it took.
TEST_F(BoardTest, PromotionsMakeTheNamedFigureAndUnmakePutsBackTheSameFigures)
{
    const char* white = "1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1";
    const char* black = "4k3/8/8/8/8/8/p7/1N2K3 b - - 0 1";
    struct Case {
        const char* fen;
        const char* squares;
        const char* label;
    };
    const Case cases[] = {
        {white, "a7b8", "white capture"}, {white, "a7a8", "white push"},
        {black, "a2b1", "black capture"}, {black, "a2a1", "black push"},
    };
    const MoveKind kinds[] = {PROMOTE_QUEEN, PROMOTE_KNIGHT, PROMOTE_BISHOP, PROMOTE_ROOK};
    const int32_t types[] = {QUEEN, KNIGHT, BISHOP, ROOK};
    for (const Case& c : cases) {
        for (int k = 0; k < 4; ++k) {
            const Move move = Mv(c.squares, kinds[k]);
            SCOPED_TRACE(c.label + std::string(" ") + MoveText(move));
            MakeAndTakeBack(c.fen, move, [&](const Board& board, const Snapshot& before) {
                const Figure* pawn = before.squares[move.from];
                const Figure* promoted = board.squares[move.to];
                EXPECT_EQ(promoted->type, types[k]);
                EXPECT_EQ(promoted->colour, before.position[0]);
                EXPECT_NE(promoted, pawn);
                EXPECT_NE(promoted, before.squares[move.to]);
                EXPECT_EQ(pawn->type, PAWN);  // the pawn itself is not changed into the new figure
                EXPECT_EQ(board.squares[move.from], board.empty);
            });
        }
    }
}

// ---- Refused moves ---------------------------------------------------------

TEST_F(BoardTest, RefusedMoveLeavesTheBoardUnchanged)
{
    struct Case {
        const char* fen;
        Move move;
        const char* why;
    };
    const Case cases[] = {
        {"4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1", Mv("e2d3"), "pinned bishop"},
        {"8/8/8/3k4/8/3K4/8/8 w - - 0 1", Mv("d3d4"), "king next to king"},
        {"8/8/8/3k4/8/3K4/8/8 w - - 0 1", Mv("d3c4"), "king next to king, diagonally"},
        {"8/8/8/3k4/8/3K4/8/8 b - - 0 1", Mv("d5e4"), "black king next to king"},
        {"4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1", Mv("e1f1"), "king onto an attacked square, rights held"},
        {"r3k3/8/8/8/8/8/3p4/R3K3 w Qq - 0 1", Mv("a1a8"), "check ignored, capture on a corner"},
        {"4k3/8/8/8/8/8/6r1/4K2R w K - 0 1", Mv("e1g1", CASTLE_KING_SIDE), "castling onto an attacked square"},
        {"4k3/K1P4r/8/8/8/8/8/8 w - - 0 1", Mv("c7c8", PROMOTE_QUEEN), "pinned pawn promoting"},
        {"4k3/8/8/8/1b6/8/3P4/4K3 w - - 0 1", Mv("d2d4"), "pinned pawn double step"},
        {"4k3/8/8/8/8/1N6/8/r3K3 w - - 0 1", Mv("b3d4"), "check neither taken nor blocked"},
        {"4k3/8/8/8/8/1N3n2/8/r3K3 w - - 0 1", Mv("b3a1"), "one of two checkers taken"},
        {"4k3/8/8/8/8/1N3n2/8/r3K3 w - - 0 1", Mv("b3c1"), "one of two checks blocked"},
        {"4k3/8/8/8/8/8/1P6/r1B1K3 w - - 0 1", Mv("c1d2"), "blocker stepping out of the line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        BoardPtr board = Load(c.fen);
        ASSERT_TRUE(BoardOk(*board));
        const Snapshot before = Take(*board);
        const int32_t used = board->store.used;
        EXPECT_EQ(MakeMove(*board, c.move), 0);
        EXPECT_TRUE(BoardOk(*board));
        ExpectSame(before, Take(*board));
        EXPECT_LE(board->store.used, used + 1);

        // The board is still fully usable: every legal move makes and unmakes.
        const MoveList list = GenerateMoves(*board, NO_MOVE);
        for (int i = 0; i < list.count; ++i) {
            if (MakeMove(*board, list.moves[i]))
                UnmakeMove(*board);
            ExpectSame(before, Take(*board));
        }
    }
}

// Compares, at every node of the tree below the board, what WouldRefuse and
// EvaluateAfter foresee for each move of a figure other than the king with
// what MakeMove then does; counts the moves compared and those refused.
void ForeseeAlongTree(Board& board, int depth, int& compared, int& refused)
{
    const MoveList list = GenerateMoves(board, NO_MOVE);
    for (int i = 0; i < list.count && !::testing::Test::HasFailure(); ++i) {
        const Move move = list.moves[i];
        const bool foreseeable = move.kind == NORMAL_MOVE || IsPromotion(move.kind);
        if (!foreseeable || board.squares[move.from]->type == KING) {
            if (depth > 1 && MakeMove(board, move)) {
                ForeseeAlongTree(board, depth - 1, compared, refused);
                UnmakeMove(board);
            }
            continue;
        }
        const bool will_refuse = WouldRefuse(board, move);
        const int32_t reply_eval = EvaluateAfter(board, move);
        const std::string text = MoveText(move);
        ++compared;
        if (!MakeMove(board, move)) {
            ++refused;
            ASSERT_TRUE(will_refuse) << text;
            continue;
        }
        ASSERT_FALSE(will_refuse) << text;
        ASSERT_EQ(reply_eval, Evaluate(board)) << text;
        if (depth > 1)
            ForeseeAlongTree(board, depth - 1, compared, refused);
        UnmakeMove(board);
    }
}

// ---- Foreseeing a move ------------------------------------------------------

TEST_F(BoardTest, RefusalAndEvaluationAreForeseenWithoutMakingTheMove)
{
    const char* fens[] = {
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "n1n4k/PPPP4/8/8/8/8/4pppp/K5N1 w - - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        // Pins along files, ranks and diagonals, with the pinner takeable.
        "4k3/4r3/8/b7/8/2N5/3B4/r2RK2q w - - 0 1",
        // Checks by a slider, a knight and two figures at once.
        "4k3/8/8/8/8/1N3n2/8/r3K3 w - - 0 1",
        "4k3/8/8/8/1b6/8/3P1n2/4K3 w - - 0 1",
        // Sides without a king, and a figure on the square a missing king names.
        "8/3p4/8/2R5/8/8/8/r7 w - - 0 1",
        "8/8/8/8/8/8/1p6/R3K3 b - - 0 1",
    };
    int compared = 0;
    int refused = 0;
    for (const char* fen : fens) {
        SCOPED_TRACE(fen);
        BoardPtr board = Load(fen);
        ForeseeAlongTree(*board, 3, compared, refused);
        EXPECT_EQ(board->ply, 0);
    }
    EXPECT_GT(compared, 10000);
    EXPECT_GT(refused, 100);
}

// ---- The check flag --------------------------------------------------------

TEST_F(BoardTest, InCheckFollowsChecksAndTakeBacks)
{
    struct Case {
        const char* fen;
        Move move;
        int32_t before, after;
        const char* label;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", Mv("a1a8"), 0, 1, "direct check"},
        {"4k3/8/8/8/4N3/8/8/4R1K1 w - - 0 1", Mv("e4c5"), 0, 1, "discovered check"},
        {"4k3/8/8/8/8/8/3p4/4K3 w - - 0 1", Mv("e1d2"), 1, 0, "king takes its checker"},
        {"4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", Mv("e1c1", CASTLE_QUEEN_SIDE), 0, 0, "long castling, no check"},
        {"3k4/8/8/8/8/8/8/4K2R w K - 0 1", Mv("e1g1", CASTLE_KING_SIDE), 0, 0, "short castling, no check"},
        {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", Mv("e1g1", CASTLE_KING_SIDE), 0, 1, "the castled rook checks"},
        {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", Mv("a7b8", PROMOTE_QUEEN), 0, 1, "promotion with check"},
        {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", Mv("a7b8", PROMOTE_KNIGHT), 0, 0, "promotion without check"},
        {"4k3/8/8/8/8/8/8/4K3 b - - 0 1", Mv("e8e7"), 0, 0, "black king move, no check"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(InCheck(*Load(c.fen)), c.before);  // taking the move back restores it, as the snapshot shows
        MakeAndTakeBack(c.fen, c.move, [&](const Board& b, const Snapshot&) { EXPECT_EQ(InCheck(b), c.after); });
    }
}

// In check, only a king move, a capture of the one checker or a step between
// it and the king can be legal; a double check leaves only the king.
TEST_F(BoardTest, ChecksAreAnsweredByTheKingByTakingOrByBlocking)
{
    struct Case {
        const char* fen;
        std::vector<std::string> legal;  // sorted
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/1N6/8/r3K3 w - - 0 1", {"b3a1", "b3c1", "e1d2", "e1e2", "e1f2"}},
        {"4k3/8/8/8/8/1N3n2/8/r3K3 w - - 0 1", {"e1e2", "e1f2"}},
        {"4k3/8/8/8/8/8/3N4/4K2r w - - 0 1", {"d2f1", "e1e2", "e1f2"}},
        {"4k3/8/8/8/8/5n2/3P4/4K3 w - - 0 1", {"e1d1", "e1e2", "e1f1", "e1f2"}},
        {"4k3/8/8/b7/8/8/8/3RK3 w - - 0 1", {"d1d2", "e1e2", "e1f1", "e1f2"}},
        {"4k3/8/8/8/8/8/4q3/R3K3 w Q - 0 1", {"e1e2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        BoardPtr board = Load(c.fen);
        ASSERT_EQ(InCheck(*board), 1);
        EXPECT_EQ(board->states[board->ply].checkers, AttackersOf(*board, board->white_king, BLACK));
        std::vector<std::string> legal;
        for (const Move move : MovesOf(LegalMoves(*board)))
            legal.push_back(MoveText(move));
        std::sort(legal.begin(), legal.end());
        EXPECT_EQ(legal, c.legal);
        EXPECT_TRUE(BoardOk(*board));
    }
}

// ---- Castling rights -------------------------------------------------------

// A move from a position with every castling right leaves exactly the rights
// whose king and rook squares it leaves alone; taking it back restores all four.
TEST_F(BoardTest, MovesFromOrOntoKingAndRookSquaresClearOnlyTheirRights)
{
    struct Case {
        const char* fen;
        Move move;
        std::array<int32_t, 4> rights;
        const char* label;
    };
    const char* rooks = "r3k2r/8/8/8/8/8/8/RR2K2R w KQkq - 0 1";
    const char* rooks_black = "r3k2r/8/8/8/8/8/8/RR2K2R b KQkq - 0 1";
    const char* bishops = "r3k2r/1B4B1/8/8/8/8/1b4b1/R3K2R w KQkq - 0 1";
    const char* bishops_black = "r3k2r/1B4B1/8/8/8/8/1b4b1/R3K2R b KQkq - 0 1";
    const Case cases[] = {
        {rooks, Mv("b1b2"), {1, 1, 1, 1}, "a rook off the corners clears nothing"},
        {rooks, Mv("h1h2"), {1, 1, 1, 0}, "the h1 rook clears white's short castling"},
        {rooks, Mv("a1a2"), {1, 1, 0, 1}, "the a1 rook clears white's long castling"},
        {rooks, Mv("h1g1"), {1, 1, 1, 0}, "the h1 rook along the rank clears white's short castling"},
        {rooks, Mv("e1d1"), {1, 1, 0, 0}, "the white king clears both of white's rights"},
        {rooks_black, Mv("h8h7"), {1, 0, 1, 1}, "the h8 rook clears black's short castling"},
        {rooks_black, Mv("a8b8"), {0, 1, 1, 1}, "the a8 rook clears black's long castling"},
        {rooks_black, Mv("e8f7"), {0, 0, 1, 1}, "the black king clears both of black's rights"},
        {bishops, Mv("b7a8"), {0, 1, 1, 1}, "a capture on a8 clears black's long castling"},
        {bishops, Mv("g7h8"), {1, 0, 1, 1}, "a capture on h8 clears black's short castling"},
        {bishops_black, Mv("b2a1"), {1, 1, 0, 1}, "a capture on a1 clears white's long castling"},
        {bishops_black, Mv("g2h1"), {1, 1, 1, 0}, "a capture on h1 clears white's short castling"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(Castle(*Load(c.fen)), (std::array<int32_t, 4>{1, 1, 1, 1}));  // and after the take-back
        MakeAndTakeBack(c.fen, c.move, [&](const Board& b, const Snapshot&) { EXPECT_EQ(Castle(b), c.rights); });
    }
}

// A rook captured on h1 and replaced there by the other white rook: the king
// must not castle with the newcomer.
TEST_F(BoardTest, SecondRookOnACornerDoesNotRestoreCastling)
{
    BoardPtr board = Load("4k3/1b6/8/7R/8/8/8/4K2R b K - 0 1");
    ASSERT_EQ(MakeMove(*board, Mv("b7h1")), 1);
    EXPECT_EQ(State(*board).castle[WHITE_KING_SIDE], 0);
    ASSERT_EQ(MakeMove(*board, Mv("h5h1")), 1);
    ASSERT_EQ(MakeMove(*board, Mv("e8d8")), 1);
    ASSERT_EQ(board->side, WHITE);
    EXPECT_EQ(State(*board).castle[WHITE_KING_SIDE], 0);
    EXPECT_EQ(CanCastle(*board, 1), 0);
    EXPECT_FALSE(Generates(*board, Mv("e1g1", CASTLE_KING_SIDE)));
    EXPECT_FALSE(ReadMove(*board, "e1g1"));
    EXPECT_TRUE(BoardOk(*board));

    // Taking the capture back gives the right back.
    UnmakeMove(*board);
    UnmakeMove(*board);
    UnmakeMove(*board);
    EXPECT_EQ(State(*board).castle[WHITE_KING_SIDE], 1);
}

// ---- Null moves ------------------------------------------------------------

TEST_F(BoardTest, NullMovePassesTheTurnAndKeepsRights)
{
    BoardPtr board = Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    ASSERT_EQ(MakeMove(*board, Mv("a1b1")), 1);  // a game ply below the null move
    const Snapshot before = Take(*board);
    const PlyState passed = State(*board);
    const std::array<int32_t, 4> rights = Castle(*board);

    MakeNullMove(*board);
    EXPECT_EQ(board->side, WHITE);
    EXPECT_EQ(board->ply, before.ply + 1);
    EXPECT_EQ(State(*board).hash_key, passed.hash_key ^ side_key_random);
    EXPECT_EQ(State(*board).hash_lock, passed.hash_lock ^ side_lock_random);
    EXPECT_EQ(Castle(*board), rights);
    EXPECT_TRUE(BoardOk(*board));
    // The repetition scan reads the record of the ply the null move was made at.
    EXPECT_EQ(IsRepetition(*board), 0);

    // A king move on top clears white's rights; taking it back restores them.
    ASSERT_EQ(MakeMove(*board, Mv("e1f2")), 1);
    EXPECT_EQ(State(*board).castle[WHITE_KING_SIDE], 0);
    UnmakeMove(*board);
    EXPECT_EQ(Castle(*board), rights);
    EXPECT_TRUE(BoardOk(*board));

    UnmakeNullMove(*board);
    EXPECT_TRUE(BoardOk(*board));
    ExpectSame(before, Take(*board));
}

// ---- The figure store ------------------------------------------------------

TEST_F(BoardTest, PromotionsTakenBackDoNotGrowTheFigureStore)
{
    BoardPtr board = Load("1n6/P7/8/7k/8/8/7p/4K1N1 w - - 0 1");
    const Snapshot before = Take(*board);
    const int32_t used = board->store.used;
    for (int i = 0; i < 5000; ++i) {
        const MoveKind kind = static_cast<MoveKind>(PROMOTE_QUEEN + i % 4);
        ASSERT_EQ(MakeMove(*board, Mv(i % 2 ? "a7b8" : "a7a8", kind)), 1);
        ASSERT_EQ(MakeMove(*board, Mv(i % 3 ? "h2g1" : "h2h1", kind)), 1);
        UnmakeMove(*board);
        UnmakeMove(*board);
        ASSERT_LE(board->store.used, used + 2) << "after " << i + 1 << " rounds";
    }
    EXPECT_TRUE(BoardOk(*board));
    ExpectSame(before, Take(*board));

    // A whole tree walk full of promotions, twice: the second leaves the store as the first did.
    BoardPtr tree = Load("n1n4k/PPPP4/8/8/8/8/4pppp/K5N1 w - - 0 1");
    Perft(*tree, 3);
    const int32_t after_first = tree->store.used;
    Perft(*tree, 3);
    EXPECT_EQ(tree->store.used, after_first);
    EXPECT_LE(after_first, FIGURE_STORE_SIZE);
    EXPECT_TRUE(BoardOk(*tree));
}

// ---- The history policy ----------------------------------------------------

TEST_F(BoardTest, MakeMoveRefusesAtTheEndOfTheHistory)
{
    BoardPtr board = NewBoard(CLASSIC_RULES);
    PlayCycle(*board, KNIGHT_SHUFFLE, LAST_PLY);
    ASSERT_EQ(board->ply, LAST_PLY);
    EXPECT_TRUE(BoardOk(*board));
    const Snapshot before = Take(*board);
    EXPECT_EQ(MakeMove(*board, KNIGHT_SHUFFLE[LAST_PLY % 4]), 0);
    ExpectSame(before, Take(*board));
    EXPECT_TRUE(BoardOk(*board));

    // The game's own moves make room instead.
    EXPECT_TRUE(MakeGameMove(*board, KNIGHT_SHUFFLE[LAST_PLY % 4]));
    EXPECT_LT(board->ply, LAST_PLY);
    EXPECT_TRUE(BoardOk(*board));
    EXPECT_EQ(IsRepetition(*board), 1);
}

TEST_F(BoardTest, MakeRoomDropsOnlyTheOldestPlies)
{
    BoardPtr board = NewBoard(CLASSIC_RULES);
    PlayCycle(*board, KNIGHT_SHUFFLE, GAME_PLY_LIMIT - 1);
    MakeRoom(*board);
    EXPECT_EQ(board->ply, GAME_PLY_LIMIT - 1);  // below the limit nothing moves

    ASSERT_EQ(MakeMove(*board, KNIGHT_SHUFFLE[(GAME_PLY_LIMIT - 1) % 4]), 1);
    ASSERT_EQ(board->ply, GAME_PLY_LIMIT);
    std::vector<uint32_t> keys;
    std::vector<Move> moves;
    for (int ply = 0; ply <= GAME_PLY_LIMIT; ++ply) {
        keys.push_back(board->states[ply].hash_key);
        moves.push_back(board->states[ply].move);
    }
    const Snapshot before = Take(*board);

    MakeRoom(*board);
    EXPECT_EQ(board->ply, GAME_PLY_KEEP);
    EXPECT_TRUE(BoardOk(*board));
    ExpectSame(before, Take(*board), false);
    for (int back = 0; back <= GAME_PLY_KEEP; ++back) {
        EXPECT_EQ(board->states[GAME_PLY_KEEP - back].hash_key, keys[GAME_PLY_LIMIT - back]) << back;
        if (back > 0) {
            EXPECT_TRUE(SameSquares(board->states[GAME_PLY_KEEP - back].move, moves[GAME_PLY_LIMIT - back])) << back;
        }
    }
    EXPECT_EQ(IsRepetition(*board), 1);
    for (int back = 0; back < GAME_PLY_KEEP; ++back)
        UnmakeMove(*board);
    EXPECT_EQ(board->ply, 0);
    EXPECT_TRUE(BoardOk(*board));
    EXPECT_EQ(board->states[0].hash_key, keys[GAME_PLY_LIMIT - GAME_PLY_KEEP]);
}

// A game of 1,000 plies: a capture and a promotion first, then knights
// shuffling, with a capturing promotion and its recapture tried and taken
// back every few plies. Every ply is checked for the board's invariants, for
// undo of the last two plies and for the repetition test.
TEST_F(BoardTest, ThousandPlyGameKeepsUndoAndRepetitionWorking)
{
    BoardPtr board = Load("r2bk1n1/1PP5/8/8/8/8/8/4K1N1 w - - 0 1");
    std::vector<Snapshot> seen{Take(*board)};
    std::vector<Move> played{Mv("b7a8", PROMOTE_KNIGHT)};
    ASSERT_TRUE(MakeGameMove(*board, played[0]));
    seen.push_back(Take(*board));
    const int32_t used_after_opening = board->store.used;

    constexpr int GAME_PLIES = 1000;
    for (int game_ply = 1; game_ply < GAME_PLIES; ++game_ply) {
        // Shuffles start with black's knight: g8f6, g1f3, f6g8, f3g1.
        static const Move cycle[4] = {Mv("g8f6"), Mv("g1f3"), Mv("f6g8"), Mv("f3g1")};
        const Move move = cycle[(game_ply - 1) % 4];
        ASSERT_TRUE(MakeGameMove(*board, move)) << "game ply " << game_ply;
        played.push_back(move);
        seen.push_back(Take(*board));
        ASSERT_TRUE(BoardOk(*board)) << "game ply " << game_ply;
        ASSERT_LE(board->ply, GAME_PLY_LIMIT);

        // Undo the last two plies and play them again.
        UnmakeMove(*board);
        UnmakeMove(*board);
        ASSERT_TRUE(BoardOk(*board));
        ExpectSame(seen[seen.size() - 3], Take(*board), false);
        ASSERT_EQ(MakeMove(*board, played[played.size() - 2]), 1);
        ASSERT_EQ(MakeMove(*board, played[played.size() - 1]), 1);
        ExpectSame(seen.back(), Take(*board), false);

        // The position after n plies equals those after n - 4 and n - 8 (n - 8 >= 1:
        // the scan stops at the opening pawn move).
        const int plies = game_ply + 1;
        ASSERT_EQ(IsRepetition(*board), plies >= 9 ? 1 : 0) << "game ply " << game_ply;

        if (game_ply % 10 == 1) {
            ASSERT_EQ(board->side, WHITE);
            const Snapshot here = Take(*board);
            ASSERT_TRUE(MakeGameMove(*board, Mv("c7d8", PROMOTE_QUEEN)));
            EXPECT_EQ(InCheck(*board), 1);
            ASSERT_TRUE(MakeGameMove(*board, Mv("e8d8")));
            EXPECT_TRUE(BoardOk(*board));
            EXPECT_EQ(IsRepetition(*board), 0);
            UnmakeMove(*board);
            UnmakeMove(*board);
            ExpectSame(here, Take(*board), false);
            ASSERT_LE(board->store.used, used_after_opening + 1);
        }
    }
    EXPECT_EQ(static_cast<int>(played.size()), GAME_PLIES);
    EXPECT_TRUE(BoardOk(*board));
}

// Each invariant that breaks is named: the assertions of debug builds print
// the name, so that a broken board says what broke.
TEST(BoardOkTest, NamesTheInvariantThatBroke)
{
    struct Case {
        const char* broken;
        void (*corrupt)(Board&);
    };
    const Case cases[] = {
        {"0 <= ply <= LAST_PLY", [](Board& b) { b.ply = LAST_PLY + 1; }},
        {"side is WHITE or BLACK", [](Board& b) { b.side = NO_COLOUR; }},
        {"every square refers to a figure of the store",
         [](Board& b) { b.squares[Sq("e4")] = &b.store.slots[FIGURE_STORE_SIZE - 1]; }},
        {"every empty square refers to the board's empty figure",
         [](Board& b) { b.squares[Sq("e4")] = NewFigure(b.store, NONE, NO_COLOUR); }},
        {"the king squares are squares", [](Board& b) { b.white_king = 64; }},
        {"the king squares hold their kings", [](Board& b) { b.black_king = Sq("d8"); }},
        {"hash_key and hash_lock are those of the position", [](Board& b) { State(b).hash_lock ^= 1; }},
        {"balance is ComputeBalance of the position", [](Board& b) { State(b).balance += 1; }},
        {"occupancy holds the squares of each colour's figures", [](Board& b) { State(b).occupancy[BLACK] = 0; }},
        {"pawns holds the squares of each colour's pawns", [](Board& b) { State(b).pawns[WHITE] = 0; }},
        {"checkers holds the figures checking the side to move", [](Board& b) { State(b).checkers = 1; }},
        {"every castling right is 0 or 1", [](Board& b) { State(b).castle[WHITE_KING_SIDE] = 2; }},
    };
    for (const Case& c : cases) {
        BoardPtr board = NewBoard(CLASSIC_RULES);
        ASSERT_EQ(BrokenInvariant(*board), nullptr);
        c.corrupt(*board);
        const char* broken = BrokenInvariant(*board);
        EXPECT_STREQ(broken, c.broken);
        EXPECT_FALSE(BoardOk(*board)) << c.broken;
    }
}

}  // namespace
