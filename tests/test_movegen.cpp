// Move generation, castling permission and move ordering: the exact order in
// which moves are listed, the scores they are given and the order in which
// PickNextMove hands them out.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "geometry.h"
#include "hash.h"
#include "movegen.h"
#include "perft.h"
#include "test_support.h"

namespace {

// The texts of the listed moves from the squares of `origins` ("a3 h4"; from
// any square where it is empty), in list order, as "a3b4 a3a4 h4h5".
std::string TextsFrom(const MoveList& list, std::string_view origins = "")
{
    std::string texts;
    for (int i = 0; i < list.count; ++i) {
        if (!origins.empty() && origins.find(SquareText(list.moves[i].from)) == std::string_view::npos)
            continue;
        if (!texts.empty())
            texts += ' ';
        texts += MoveText(list.moves[i]);
    }
    return texts;
}

// The score of the listed move between the squares of a text such as "e4d5"
// (the first such entry), or a marker far below every real score when it is
// not listed.
constexpr int32_t NOT_LISTED = -1000000;
int32_t ScoreOf(const MoveList& list, const char* squares)
{
    for (int i = 0; i < list.count; ++i) {
        if (SameSquares(list.moves[i], Mv(squares)))
            return list.scores[i];
    }
    return NOT_LISTED;
}

bool Contains(const MoveList& list, const char* squares) { return ScoreOf(list, squares) != NOT_LISTED; }

// The order in which a consumer takes the moves: PickNextMove at each index,
// as "e4d5 f4d5".
std::string PickOrder(MoveList list)
{
    std::string order;
    for (int i = 0; i < list.count; ++i) {
        PickNextMove(list, i);
        if (i > 0)
            order += ' ';
        order += MoveText(list.moves[i]);
    }
    return order;
}

class MoveGen : public ::testing::Test {
  protected:
    void SetUp() override { InitHashTables(1); }
};

// ---- Order of generation -------------------------------------------------

// All quiet and normal: each scores 900 and they are picked in generation order.
TEST_F(MoveGen, InitialPositionWhiteOrderKindsAndScores)
{
    const BoardPtr board = NewBoard(CLASSIC_RULES);
    const MoveList list = GenerateMoves(*board, NO_MOVE);
    EXPECT_EQ(TextsFrom(list), "b1a3 b1c3 g1f3 g1h3 a2a3 a2a4 b2b3 b2b4 c2c3 c2c4 "
                               "d2d3 d2d4 e2e3 e2e4 f2f3 f2f4 g2g3 g2g4 h2h3 h2h4");
    for (int i = 0; i < list.count; ++i) {
        EXPECT_EQ(list.moves[i].kind, NORMAL_MOVE) << i;
        EXPECT_EQ(list.scores[i], 900) << i;
    }
    EXPECT_EQ(PickOrder(list), TextsFrom(list));
    EXPECT_EQ(GenerateCaptures(*board, NO_MOVE).count, 0);
}

// What GenerateMoves lists from the origins of a row (the whole list where a
// row names none), and what GenerateCaptures lists, each in list order.
TEST_F(MoveGen, ListsInGenerationOrder)
{
    const struct {
        const char* label;
        const char* fen;
        const char* origins;
        const char* moves;
        const char* captures;
    } rows[] = {
        {"black's initial position: pawns a to h, then the knights",
         "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", "",
         "a7a6 a7a5 b7b6 b7b5 c7c6 c7c5 d7d6 d7d5 e7e6 e7e5 f7f6 f7f5 g7g6 g7g5 h7h6 h7h5 b8a6 b8c6 g8f6 g8h6", ""},
        // Sliding pieces: direction by direction in table order, nearest square
        // first, the capture ending its ray.
        {"rook: rays nearest first, capture last", "7k/8/8/3p4/8/8/3R4/K7 w - -", "d2",
         "d2d1 d2c2 d2b2 d2a2 d2e2 d2f2 d2g2 d2h2 d2d3 d2d4 d2d5", "d2d5"},
        // Captures left and right, then the push, each as queen, rook, knight, bishop.
        {"pawn on the seventh with two victims: twelve moves", "r1r4k/1P6/8/8/8/8/8/K7 w - -", "b7",
         "b7a8q b7a8r b7a8n b7a8b b7c8q b7c8r b7c8n b7c8b b7b8q b7b8r b7b8n b7b8b",
         "b7a8q b7a8r b7a8n b7a8b b7c8q b7c8r b7c8n b7c8b"},
        {"black pawn promotes on the first rank", "7k/8/8/8/8/8/6p1/K4R2 b - -", "g2",
         "g2f1q g2f1r g2f1n g2f1b g2g1q g2g1r g2g1n g2g1b", "g2f1q g2f1r g2f1n g2f1b"},
        // e2 is blocked by the knight on e3; d2 may push once (d4 is taken) and take e3.
        {"blocked pawn: no push, no double step", "4k3/8/8/8/3n4/4n3/3PP3/4K3 w - -", "e2 d2", "d2e3 d2d3", "d2e3"},
        {"black pawn blocked and half-blocked", "4k3/3pp3/4N3/3N4/8/8/8/4K3 b - -", "e7 d7", "d7e6 d7d6", "d7e6"},
        // e4 faces a black pawn on e5 (no forward capture); d3 and f3 around e2
        // are empty (no capture onto an empty square); f5 holds a white figure.
        {"pawn captures only diagonally onto enemies", "4k3/8/8/4pN2/4P3/8/4P3/4K3 w - -", "e4 e2", "e2e3", ""},
        // In square numbers a3 + 7 is h3 and h4 + 9 is a6: neither is a capture.
        {"white pawn captures do not wrap around the edge", "4k3/8/n7/8/1p5P/P6n/8/4K3 w - -", "a3 h4",
         "a3b4 a3a4 h4h5", "a3b4"},
        // Black: a5 - 9 is h3 and h6 - 7 is a6.
        {"black pawn captures do not wrap around the edge", "4k3/8/N6p/p7/1P6/7N/8/4K3 b - -", "a5 h6",
         "a5b4 a5a4 h6h5", "a5b4"},
        // A pawn on its own last rank can only come from a set-up; it gets no
        // moves and nothing beyond the board is read for it: the king's five
        // steps are all.
        {"white pawns on the eighth rank have no moves", "P3k2P/8/8/8/8/8/8/4K3 w - -", "", "e1d1 e1f1 e1d2 e1e2 e1f2",
         ""},
        {"black pawns on the first rank have no moves", "4k3/8/8/8/8/8/8/p3K2p b - -", "", "e8d7 e8e7 e8f7 e8d8 e8f8",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const BoardPtr board = Load(row.fen);
        ASSERT_TRUE(board);
        EXPECT_EQ(TextsFrom(GenerateMoves(*board, NO_MOVE), row.origins), row.moves);
        EXPECT_EQ(TextsFrom(GenerateCaptures(*board, NO_MOVE)), row.captures);
    }
}

// The engine never generates en passant: after a double step beside an enemy
// pawn, the square passed over is no capture.
TEST_F(MoveGen, NoEnPassantGenerated)
{
    BoardPtr board = Load("4k3/8/8/8/4p3/8/3P4/4K3 w - -");
    ASSERT_EQ(MakeMove(*board, {Sq("d2"), Sq("d4"), NORMAL_MOVE}), 1);
    EXPECT_EQ(TextsFrom(GenerateMoves(*board, NO_MOVE), "e4"), "e4e3");
    EXPECT_EQ(GenerateCaptures(*board, NO_MOVE).count, 0);
}

// What a list holds at an index, as "e7f8q 7 2200": the move, its kind and
// its score.
std::string Entry(const MoveList& list, int i)
{
    return MoveText(list.moves[i]) + " " + std::to_string(list.moves[i].kind) + " " + std::to_string(list.scores[i]);
}

struct TreeSeen {
    int captures = 0;
    int capturing_promotions = 0;
};

// History counters for the first plies of a tree, by ply.
int32_t tree_history[4][64][64];

// At every node of the legal move tree `depth` plies deep: GenerateCaptures
// lists exactly the moves of GenerateMoves onto an enemy figure, in the same
// order with the same scores, with the node's history counters and the
// first capture as the preferred move. `path` names the node in failure
// messages.

bool CapturesMatchOverTree(Board& board, int depth, std::string& path, TreeSeen& seen)
{
    const HistoryRow& counters = tree_history[board.ply];
    const MoveList plain = GenerateMoves(board, NO_MOVE);
    Move preferred = NO_MOVE;
    for (int i = 0; i < plain.count && IsNoMove(preferred); ++i) {
        if (board.squares[plain.moves[i].to]->colour == Opponent(board.side))
            preferred = plain.moves[i];
    }
    const MoveList moves = GenerateMoves(board, preferred, counters);
    std::vector<std::string> expected;
    for (int i = 0; i < moves.count; ++i) {
        if (board.squares[moves.moves[i].to]->colour != Opponent(board.side))
            continue;
        expected.push_back(Entry(moves, i));
        seen.capturing_promotions += IsPromotion(moves.moves[i].kind) ? 1 : 0;
    }
    const MoveList captures = GenerateCaptures(board, preferred, counters);
    std::vector<std::string> listed;
    for (int i = 0; i < captures.count; ++i)
        listed.push_back(Entry(captures, i));
    seen.captures += captures.count;
    EXPECT_EQ(listed, expected) << "after" << path;
    if (listed != expected || depth == 0)
        return listed == expected;
    for (int i = 0; i < plain.count; ++i) {
        if (!MakeMove(board, plain.moves[i]))
            continue;
        const size_t length = path.size();
        path += " " + MoveText(plain.moves[i]);
        const bool match = CapturesMatchOverTree(board, depth - 1, path, seen);
        path.resize(length);
        UnmakeMove(board);
        if (!match)
            return false;
    }
    return true;
}

TEST_F(MoveGen, CapturesAreTheCapturesOfAllMovesOverPerftTrees)
{
    // History counters of the first plies, so that they show in the scores.
    for (int ply = 0; ply < 4; ++ply) {
        for (int from = 0; from < 64; ++from) {
            for (int to = 0; to < 64; ++to)
                tree_history[ply][from][to] = (from * 7 + to * 3 + ply) % 23;
        }
    }
    const struct {
        const char* fen;
        int depth;
    } trees[] = {
        {START_POSITION, 3},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 2},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 3},
        {"n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -", 3},
    };
    TreeSeen seen;
    for (const auto& tree : trees) {
        BoardPtr board = Load(tree.fen);
        ASSERT_TRUE(board);
        std::string path = std::string(" ") + tree.fen + ":";
        EXPECT_TRUE(CapturesMatchOverTree(*board, tree.depth, path, seen));
        EXPECT_EQ(board->ply, 0);
    }
    // The trees hold captures, capturing promotions among them.
    EXPECT_GT(seen.captures, 10000);
    EXPECT_GT(seen.capturing_promotions, 1000);
}

// ---- Castling ------------------------------------------------------------

TEST_F(MoveGen, CastlingComesLastQueenSideFirst)
{
    const BoardPtr white = Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    const MoveList list = GenerateMoves(*white, NO_MOVE);
    ASSERT_GE(list.count, 2);
    EXPECT_TRUE(SameMove(list.moves[list.count - 2], {4, 2, CASTLE_QUEEN_SIDE}));
    EXPECT_TRUE(SameMove(list.moves[list.count - 1], {4, 6, CASTLE_KING_SIDE}));
    EXPECT_EQ(list.count, 26);

    const BoardPtr black = Load("r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
    const MoveList black_list = GenerateMoves(*black, NO_MOVE);
    ASSERT_GE(black_list.count, 2);
    EXPECT_TRUE(SameMove(black_list.moves[black_list.count - 2], {60, 58, CASTLE_QUEEN_SIDE}));
    EXPECT_TRUE(SameMove(black_list.moves[black_list.count - 1], {60, 62, CASTLE_KING_SIDE}));
    EXPECT_EQ(black_list.count, 26);
    // Captures are rook takes rook on each file; castling is no capture.
    EXPECT_EQ(TextsFrom(GenerateCaptures(*black, NO_MOVE)), "a8a1 h8h1");
}

TEST_F(MoveGen, FigureOnB1OfEitherColourForbidsQueenSide)
{
    for (const char* fen : {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq -", "r3k2r/8/8/8/8/8/8/Rn2K2R w KQkq -"}) {
        const BoardPtr board = Load(fen);
        EXPECT_EQ(CanCastle(*board, 0), 0) << fen;
        EXPECT_EQ(CanCastle(*board, 1), 1) << fen;
        const MoveList list = GenerateMoves(*board, NO_MOVE);
        EXPECT_FALSE(Contains(list, "e1c1")) << fen;
        EXPECT_TRUE(SameMove(list.moves[list.count - 1], {4, 6, CASTLE_KING_SIDE})) << fen;
    }
}

// The square the king lands on is MakeMove's test, not CanCastle's; a
// covered b1 concerns only the rook.
TEST_F(MoveGen, AttackedLandingSquareIsRefusedByMakeMove)
{
    BoardPtr board = Load("2r1k3/8/8/8/8/8/8/R3K2R w KQ -");
    EXPECT_EQ(CanCastle(*board, 0), 1);
    const MoveList list = GenerateMoves(*board, NO_MOVE);
    EXPECT_TRUE(SameMove(list.moves[list.count - 2], {4, 2, CASTLE_QUEEN_SIDE}));
    const uint32_t key = board->states[0].hash_key;
    EXPECT_EQ(MakeMove(*board, {4, 2, CASTLE_QUEEN_SIDE}), 0);
    EXPECT_EQ(board->ply, 0);
    EXPECT_EQ(board->side, WHITE);
    EXPECT_EQ(board->white_king, 4);
    EXPECT_EQ(board->squares[4]->type, KING);
    EXPECT_EQ(board->squares[0]->type, ROOK);
    EXPECT_TRUE(IsEmpty(board->squares[2]));
    EXPECT_TRUE(IsEmpty(board->squares[3]));
    EXPECT_EQ(State(*board).castle[WHITE_QUEEN_SIDE], 1);
    EXPECT_EQ(State(*board).castle[WHITE_KING_SIDE], 1);
    EXPECT_EQ(board->states[0].hash_key, key);
    EXPECT_TRUE(BoardOk(*board));

    BoardPtr b1_covered = Load("1r2k3/8/8/8/8/8/8/R3K2R w KQ -");
    EXPECT_EQ(CanCastle(*b1_covered, 0), 1);
    ASSERT_EQ(MakeMove(*b1_covered, {4, 2, CASTLE_QUEEN_SIDE}), 1);
    EXPECT_EQ(b1_covered->squares[2]->type, KING);
    EXPECT_EQ(b1_covered->squares[3]->type, ROOK);
}

TEST_F(MoveGen, NoCastlingOutOfCheck)
{
    const BoardPtr board = Load("4r1k1/8/8/8/8/8/8/R3K2R w KQ -");
    EXPECT_EQ(InCheck(*board), 1);
    EXPECT_EQ(CanCastle(*board, 0), 0);
    EXPECT_EQ(CanCastle(*board, 1), 0);
    const MoveList list = GenerateMoves(*board, NO_MOVE);
    EXPECT_FALSE(Contains(list, "e1c1"));
    EXPECT_FALSE(Contains(list, "e1g1"));
}

// CanCastle for white's queen side (wing 0) and king side (wing 1).
TEST_F(MoveGen, CastlingNeedsTheRightsTheKingTheRookAndUncoveredSquares)
{
    const struct {
        const char* label;
        const char* fen;
        int32_t queen_side;
        int32_t king_side;
    } rows[] = {
        {"no rights", "r3k2r/8/8/8/8/8/8/R3K2R w - -", 0, 0},
        {"rights only for the wings named", "r3k2r/8/8/8/8/8/8/R3K2R w Kq -", 0, 1},
        {"black's rights are black's: white with only k and q", "r3k2r/8/8/8/8/8/8/R3K2R w kq -", 0, 0},
        {"rights set but no rook on a corner, another figure on h1", "4k3/8/8/8/8/8/8/4K2B w KQ -", 0, 0},
        {"king not on its home square", "4k3/8/8/8/8/8/8/R2K3R w KQ -", 0, 0},
        {"a black rook on d8 covers d1", "3rk2r/8/8/8/8/8/8/R3K2R w KQk -", 0, 1},
        {"a black rook on f8 covers f1", "r3kr2/8/8/8/8/8/8/R3K2R w KQq -", 1, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const BoardPtr board = Load(row.fen);
        ASSERT_TRUE(board);
        EXPECT_EQ(CanCastle(*board, 0), row.queen_side);
        EXPECT_EQ(CanCastle(*board, 1), row.king_side);
    }
    // Wings other than 0 and 1.
    const BoardPtr board = Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    EXPECT_EQ(CanCastle(*board, 2), 0);
    EXPECT_EQ(CanCastle(*board, -1), 0);
}

// A rook captured on its corner takes that wing's castling away.
TEST_F(MoveGen, CaptureOnCornerEndsCastlingThere)
{
    BoardPtr board = Load("r3k2r/8/8/8/8/8/6b1/R3K2R b KQkq -");
    ASSERT_EQ(MakeMove(*board, {Sq("g2"), Sq("h1"), NORMAL_MOVE}), 1);
    EXPECT_EQ(CanCastle(*board, 1), 0);
    EXPECT_EQ(CanCastle(*board, 0), 1);
    const MoveList list = GenerateMoves(*board, NO_MOVE);
    EXPECT_FALSE(Contains(list, "e1g1"));
    UnmakeMove(*board);
    EXPECT_EQ(State(*board).castle[WHITE_KING_SIDE], 1);
    EXPECT_TRUE(BoardOk(*board));
}

// ---- Capacity of a move list -----------------------------------------------

TEST_F(MoveGen, ListStopsAtTwoHundredMoves)
{
    // More than 200 legal moves for white.
    BoardPtr board = Load("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - -");
    const MoveList list = GenerateMoves(*board, NO_MOVE);
    EXPECT_EQ(list.count, MAX_MOVES);
    for (int i = 0; i < list.count; ++i) {
        ASSERT_GE(list.moves[i].from, 0);
        ASSERT_LT(list.moves[i].from, 64);
        ASSERT_GE(list.moves[i].to, 0);
        ASSERT_LT(list.moves[i].to, 64);
        EXPECT_EQ(board->squares[list.moves[i].from]->colour, WHITE);
    }
    // The moves held are the first 200 in generation order: origins ascend.
    for (int i = 1; i < list.count; ++i)
        EXPECT_LE(list.moves[i - 1].from, list.moves[i].from) << i;

    // The tree below a capped list still walks.
    EXPECT_GT(Perft(*board, 2), 0u);
    EXPECT_TRUE(BoardOk(*board));
    EXPECT_EQ(board->ply, 0);

    // The same position for black, colours and ranks swapped.
    BoardPtr black = Load("Kbnn1kb1/PP1q4/q4q2/2q4q/4q3/1q4q1/3q4/r6r b - -");
    EXPECT_EQ(GenerateMoves(*black, NO_MOVE).count, MAX_MOVES);
    EXPECT_GT(Perft(*black, 2), 0u);
    EXPECT_TRUE(BoardOk(*black));
}

TEST_F(MoveGen, AddMoveOnFullListDropsTheMove)
{
    const BoardPtr board = NewBoard(CLASSIC_RULES);
    MoveList list;
    for (int i = 0; i < MAX_MOVES; ++i)
        AddMove(list, *board, {Sq("g1"), Sq("f3"), NORMAL_MOVE}, NO_MOVE);
    ASSERT_EQ(list.count, MAX_MOVES);
    list.scores[0] = 11;
    list.scores[1] = 22;
    list.scores[2] = 33;
    AddMove(list, *board, {Sq("e2"), Sq("e4"), NORMAL_MOVE}, NO_MOVE);
    EXPECT_EQ(list.count, MAX_MOVES);
    EXPECT_EQ(list.scores[0], 11);
    EXPECT_EQ(list.scores[1], 22);
    EXPECT_EQ(list.scores[2], 33);
    EXPECT_TRUE(SameMove(list.moves[MAX_MOVES - 1], {Sq("g1"), Sq("f3"), NORMAL_MOVE}));

    // Promotions offered to a list with room for two: the first two are kept.
    // The figures before h7 have 198 moves; the pawn's push promotes.
    const BoardPtr promo = Load("R7/3Q3P/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KBQ w - -");
    const MoveList nearly_full = GenerateMoves(*promo, NO_MOVE);
    ASSERT_EQ(nearly_full.count, MAX_MOVES);
    EXPECT_NE(nearly_full.moves[MAX_MOVES - 3].from, Sq("h7"));
    EXPECT_TRUE(SameMove(nearly_full.moves[MAX_MOVES - 2], Mv("h7h8", PROMOTE_QUEEN)));
    EXPECT_TRUE(SameMove(nearly_full.moves[MAX_MOVES - 1], Mv("h7h8", PROMOTE_ROOK)));
}

// ---- Ordering scores and pick order ----------------------------------------

// A black queen on d5 attacked by a pawn, knight, bishop, rook, queen and king.
constexpr const char* QUEEN_ON_D5 = "7k/8/4K3/Q2q4/4PN2/1B6/8/3R4 w - -";

TEST_F(MoveGen, CaptureScoresByVictimAndAttacker)
{
    constexpr const char* pawns = "7k/8/8/3p4/4P3/8/3p4/3QK3 w - -";
    constexpr const char* black = "4k3/8/8/8/3p4/2Q1R3/8/4K3 b - -";
    const struct {
        const char* label;
        const char* fen;
        const char* move;
        int32_t score;
    } rows[] = {
        {"pawn takes queen", QUEEN_ON_D5, "e4d5", 2200},
        {"knight takes queen", QUEEN_ON_D5, "f4d5", 2000},
        {"bishop takes queen", QUEEN_ON_D5, "b3d5", 1975},
        {"rook takes queen", QUEEN_ON_D5, "d1d5", 1800},
        {"queen takes queen", QUEEN_ON_D5, "a5d5", 1400},
        {"king takes queen", QUEEN_ON_D5, "e6d5", 300},
        {"quiet rook move", QUEEN_ON_D5, "d1d2", 900},
        {"pawn takes pawn", pawns, "e4d5", 1400},
        {"queen takes pawn", pawns, "d1d2", 600},
        {"king takes pawn", pawns, "e1d2", -500},
        {"pawn push", pawns, "e4e5", 900},
        {"black pawn takes queen", black, "d4c3", 2200},
        {"black pawn takes rook", black, "d4e3", 1800},
        {"black pawn push", black, "d4d3", 900},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const BoardPtr board = Load(row.fen);
        ASSERT_TRUE(board);
        EXPECT_EQ(ScoreOf(GenerateMoves(*board, NO_MOVE), row.move), row.score);
    }
    // The captures list carries the same scores; the pick order follows them.
    const BoardPtr board = Load(QUEEN_ON_D5);
    EXPECT_EQ(PickOrder(GenerateCaptures(*board, NO_MOVE)), "e4d5 f4d5 b3d5 d1d5 a5d5 e6d5");
}

TEST_F(MoveGen, PreferredMoveScores2000WhateverItsKind)
{
    const BoardPtr board = NewBoard(CLASSIC_RULES);
    const MoveList list = GenerateMoves(*board, {Sq("g1"), Sq("f3"), PROMOTE_BISHOP});
    EXPECT_EQ(ScoreOf(list, "g1f3"), 2000);
    EXPECT_EQ(ScoreOf(list, "b1c3"), 900);
    MoveList picked = list;
    PickNextMove(picked, 0);
    EXPECT_EQ(MoveText(picked.moves[0]), "g1f3");

    // A pawn taking a queen (2200) outranks the preferred move; a preferred
    // rook capture of that queen scores 2000, not its capture score 1800.
    const BoardPtr captures = Load(QUEEN_ON_D5);
    MoveList with_preferred = GenerateMoves(*captures, {Sq("d1"), Sq("d5"), NORMAL_MOVE});
    EXPECT_EQ(ScoreOf(with_preferred, "d1d5"), 2000);
    EXPECT_EQ(ScoreOf(with_preferred, "e4d5"), 2200);
    PickNextMove(with_preferred, 0);
    EXPECT_EQ(MoveText(with_preferred.moves[0]), "e4d5");
    PickNextMove(with_preferred, 1);
    EXPECT_EQ(MoveText(with_preferred.moves[1]), "d1d5");  // listed before f4d5
    PickNextMove(with_preferred, 2);
    EXPECT_EQ(MoveText(with_preferred.moves[2]), "f4d5");

    // "No move" matches nothing: nothing scores 2000 in the initial position.
    const MoveList plain = GenerateMoves(*board, NO_MOVE);
    for (int i = 0; i < plain.count; ++i)
        EXPECT_NE(plain.scores[i], 2000);
}

TEST_F(MoveGen, PreferredPromotionTakesAllFourQueenFirst)
{
    const BoardPtr board = Load("r1r4k/1P6/8/8/8/8/8/K7 w - -");
    const MoveList list = GenerateMoves(*board, {Sq("b7"), Sq("b8"), PROMOTE_QUEEN});
    int preferred = 0;
    for (int i = 0; i < list.count; ++i) {
        if (list.moves[i].to == Sq("b8")) {
            EXPECT_EQ(list.scores[i], 2000);
            ++preferred;
        } else if (list.moves[i].from == Sq("b7")) {
            EXPECT_EQ(list.scores[i], 1800);  // pawn takes rook
        }
    }
    EXPECT_EQ(preferred, 4);
    EXPECT_EQ(PickOrder(list).substr(0, 23), "b7b8q b7b8r b7b8n b7b8b");
}

TEST_F(MoveGen, HistoryCountersHandedInAreAddedToTheScores)
{
    BoardPtr board = NewBoard(CLASSIC_RULES);
    static int32_t counters[64][64];
    counters[Sq("e2")][Sq("e4")] = 50;
    counters[Sq("b1")][Sq("c3")] = -950;
    MoveList list = GenerateMoves(*board, NO_MOVE, counters);
    EXPECT_EQ(ScoreOf(list, "e2e4"), 950);
    EXPECT_EQ(ScoreOf(list, "b1c3"), -50);
    EXPECT_EQ(ScoreOf(list, "d2d4"), 900);
    const std::string order = PickOrder(list);
    EXPECT_EQ(order.substr(0, 4), "e2e4");
    // b1c3, now below 0, is never brought forward: it stays where the
    // exchanges left it, after all others.
    EXPECT_EQ(order.substr(order.size() - 4), "b1c3");

    // The counter is added to the preferred move's 2000 as well.
    counters[Sq("g1")][Sq("f3")] = 7;
    list = GenerateMoves(*board, {Sq("g1"), Sq("f3"), NORMAL_MOVE}, counters);
    EXPECT_EQ(ScoreOf(list, "g1f3"), 2007);

    // Without counters every quiet move scores the same.
    list = GenerateMoves(*board, NO_MOVE);
    for (int i = 0; i < list.count; ++i)
        EXPECT_EQ(list.scores[i], 900) << MoveText(list.moves[i]);
}

TEST_F(MoveGen, NegativeScoresAreNeverBroughtForward)
{
    // A lone king among pawns: two quiet steps, three king captures at -500.
    const BoardPtr board = Load("7k/8/8/8/8/8/3ppp2/4K3 w - -");
    const MoveList list = GenerateMoves(*board, NO_MOVE);
    EXPECT_EQ(TextsFrom(list), "e1d1 e1f1 e1d2 e1e2 e1f2");
    EXPECT_EQ(ScoreOf(list, "e1d2"), -500);
    EXPECT_EQ(PickOrder(list), TextsFrom(list));

    // Hand-made scores: 0 is brought forward, -1 and below never are.
    MoveList made;
    const int32_t scores[5] = {-500, 900, -1, 0, -2};
    for (int i = 0; i < 5; ++i) {
        made.moves[i] = {i, i + 8, NORMAL_MOVE};
        made.scores[i] = scores[i];
    }
    made.count = 5;
    PickNextMove(made, 0);
    EXPECT_EQ(made.moves[0].from, 1);
    EXPECT_EQ(made.moves[1].from, 0);
    PickNextMove(made, 1);
    EXPECT_EQ(made.moves[1].from, 3);
    EXPECT_EQ(made.scores[1], 0);
    EXPECT_EQ(made.moves[3].from, 0);
    const MoveList before = made;
    PickNextMove(made, 2);
    PickNextMove(made, 3);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(made.moves[i].from, before.moves[i].from) << i;
        EXPECT_EQ(made.scores[i], before.scores[i]) << i;
    }
}

TEST_F(MoveGen, PickAtLastIndexAndEqualScoresKeepOrder)
{
    MoveList list;
    const int32_t scores[4] = {900, 1400, 900, 5000};
    for (int i = 0; i < 4; ++i) {
        list.moves[i] = {i, 20 + i, NORMAL_MOVE};
        list.scores[i] = scores[i];
    }
    list.count = 4;
    PickNextMove(list, 3);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list.moves[i].from, i);
        EXPECT_EQ(list.scores[i], scores[i]);
    }
    // Equal scores: the first of them wins.
    list.scores[3] = 1400;
    PickNextMove(list, 0);
    EXPECT_EQ(list.moves[0].from, 1);
    EXPECT_EQ(list.moves[1].from, 0);
}

}  // namespace
