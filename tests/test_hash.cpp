// Position hashing: the seeded tables, and keys and locks kept per ply that
// always equal those computed from scratch.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "hash.h"
#include "movegen.h"
#include "test_support.h"

namespace {

// Plays the texts (separated by blanks) in order, each of which must name a
// move, checking key and lock after each; returns the board.
Board& Play(Board& board, const char* texts)
{
    std::istringstream in(texts);
    for (std::string text; in >> text;) {
        SCOPED_TRACE(text);
        const std::optional<Move> move = ReadMove(board, text);
        EXPECT_TRUE(move);
        EXPECT_EQ(MakeMove(board, move.value_or(NO_MOVE)), 1);
        ExpectHashesCurrent(board);
    }
    return board;
}

// Every legal move to `depth` plies made and taken back, with a null move
// tried wherever the side to move is not in check; key and lock are checked
// at every node, and the node's own values again after each take-back.
void WalkTree(Board& board, int depth)
{
    ExpectHashesCurrent(board);
    if (depth == 0 || ::testing::Test::HasFailure())
        return;
    const uint32_t key = State(board).hash_key;
    const uint32_t lock = State(board).hash_lock;
    const MoveList list = GenerateMoves(board, NO_MOVE);
    for (int i = 0; i < list.count; ++i) {
        if (!MakeMove(board, list.moves[i]))
            continue;
        WalkTree(board, depth - 1);
        UnmakeMove(board);
        ASSERT_EQ(State(board).hash_key, key);
        ASSERT_EQ(State(board).hash_lock, lock);
    }
    if (!InCheck(board)) {
        MakeNullMove(board);
        WalkTree(board, depth - 1);
        UnmakeNullMove(board);
    }
}

class HashTest : public ::testing::Test {
  protected:
    void SetUp() override { InitHashTables(1); }
};

// ---- Tables ----------------------------------------------------------------

TEST_F(HashTest, SeedOneGivesTheKnownValues)
{
    EXPECT_EQ(key_random[0], 0x9904662FB3C24AE1u);
    EXPECT_EQ(lock_random[0], 15724u);
    EXPECT_EQ(side_key_random, 18759u);
    EXPECT_EQ(side_lock_random, 12755u);

    BoardPtr board = NewBoard(CLASSIC_RULES);
    EXPECT_EQ(board->states[0].hash_key, 0x913A3AAEu);
    EXPECT_EQ(board->states[0].hash_lock, 18984u);
    EXPECT_EQ(ComputeKey(*board), 0x913A3AAEu);
    EXPECT_EQ(ComputeLock(*board), 18984u);
}

TEST_F(HashTest, TablesDependOnlyOnTheSeed)
{
    const std::vector<uint64_t> keys(key_random, key_random + HASH_TABLE_SIZE);
    const std::vector<uint64_t> locks(lock_random, lock_random + HASH_TABLE_SIZE);
    InitHashTables(2);
    EXPECT_NE(std::vector<uint64_t>(key_random, key_random + HASH_TABLE_SIZE), keys);
    InitHashTables(1);
    EXPECT_EQ(std::vector<uint64_t>(key_random, key_random + HASH_TABLE_SIZE), keys);
    EXPECT_EQ(std::vector<uint64_t>(lock_random, lock_random + HASH_TABLE_SIZE), locks);
}

TEST_F(HashTest, EveryLockComponentIsBelow32768)
{
    for (const uint32_t seed : {1u, 7u, 1700000000u, 0xFFFFFFFFu}) {
        InitHashTables(seed);
        for (int i = 0; i < HASH_TABLE_SIZE; ++i)
            ASSERT_LT(lock_random[i], 32768u) << "seed " << seed << " entry " << i;
        EXPECT_LT(side_key_random, 32768u);
        EXPECT_LT(side_lock_random, 32768u);
    }
}

TEST_F(HashTest, TableIndexSeparatesTypeColourAndSquare)
{
    // Every (figure, square) has its own entry.
    std::vector<bool> used(HASH_TABLE_SIZE, false);
    for (const FigureType type : FIGURE_TYPES) {
        for (const Colour colour : COLOURS) {
            const Figure figure{type, colour};
            for (int square = 0; square < 64; ++square) {
                const int index = HashIndex(figure, square);
                ASSERT_GE(index, 0);
                ASSERT_LT(index, HASH_TABLE_SIZE);
                EXPECT_FALSE(used[index]);
                used[index] = true;
            }
        }
    }
}

// ---- Keys along moves ------------------------------------------------------

TEST_F(HashTest, IncrementalValuesMatchScratchAlongAGame)
{
    BoardPtr board = NewBoard(CLASSIC_RULES);
    // Captures, both castlings of both colours, a capturing promotion and its recapture.
    Play(*board, "e2e4 d7d5 e4d5 d8d5 b1c3 d5a5 g1f3 c8g4 f1e2 b8c6 e1g1 e8c8 d2d4 g4f3 e2f3 c6d4 f3b7 c8b7 c1e3 "
                 "d4c2 d1c2 a5a2 a1a2 g8f6 c3b5 f6e4 b5a7 e4d2 a7c6 d2f1 c6d8 b7c8");
    Play(*Load("r3k2r/1P6/8/8/8/8/6p1/R3K2R b KQkq - 0 1"), "e8g8 e1c1 g2g1n b7b8r g1e2 c1b2 a8b8 b2a2 b8b1 a2b1");

    // Unwinding gives back every earlier value.
    while (board->ply > 0) {
        UnmakeMove(*board);
        ExpectHashesCurrent(*board);
    }
    EXPECT_EQ(board->states[0].hash_key, 0x913A3AAEu);
}

TEST_F(HashTest, IncrementalValuesMatchScratchOverWholeTrees)
{
    const char* fens[] = {
        START_POSITION,
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "n1n4k/PPPP4/8/8/8/8/4pppp/K5N1 b - - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    };
    for (const char* fen : fens) {
        SCOPED_TRACE(fen);
        BoardPtr board = Load(fen);
        WalkTree(*board, 3);
        EXPECT_EQ(board->ply, 0);
    }
}

TEST_F(HashTest, SideToMoveFlipsOnlyTheSideValues)
{
    const BoardPtr white = Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    const BoardPtr black = Load("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    EXPECT_EQ(black->states[0].hash_key, white->states[0].hash_key ^ side_key_random);
    EXPECT_EQ(black->states[0].hash_lock, white->states[0].hash_lock ^ side_lock_random);

    // Null moves.
    BoardPtr board = NewBoard(CLASSIC_RULES);
    Play(*board, "e2e4 c7c5");
    const uint32_t key = State(*board).hash_key;
    const uint32_t lock = State(*board).hash_lock;
    MakeNullMove(*board);
    ExpectHashesCurrent(*board);
    EXPECT_EQ(State(*board).hash_key, key ^ side_key_random);
    EXPECT_EQ(State(*board).hash_lock, lock ^ side_lock_random);
    MakeNullMove(*board);
    EXPECT_EQ(State(*board).hash_key, key);
    EXPECT_EQ(State(*board).hash_lock, lock);
    Play(*board, "g1f3");  // a real move on top of two null moves
}

// ---- Same position, same values --------------------------------------------

// Two ways to one position, each a position text and the moves played from
// it, end with the same key and lock.
TEST_F(HashTest, SamePositionSameValues)
{
    const char* start = "r3k2r/1P6/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* castled = "e1g1 a8a7 g1g2 a7a8 g2g1 a8a7 b7b8n";
    const char* rook_trip = "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 h1g1 h8g8 g1h1 g8h8 f3g1 f6g8";
    const struct {
        const char* label;
        const char* fen_a;
        const char* moves_a;
        const char* fen_b;
        const char* moves_b;
    } cases[] = {
        {"castling, or walking the king and rook there", start, castled, start, "h1f1 a8a7 e1f2 a7a8 f2g1 a8a7 b7b8n"},
        {"promoting late or early", start, castled, start, "b7b8n a8a7 e1g1 a7a6 g1g2 a6a7 g2g1"},
        {"played or set up directly", start, castled, "1N2k2r/r7/8/8/8/8/8/R4RK1 b k - 0 1", ""},
        {"castling rights are not hashed", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "",
         "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", ""},
        {"the ply is not hashed: back to the start by knights", START_POSITION, "g1f3 g8f6 f3g1 f6g8", START_POSITION, ""},
        {"rights lost by a rook round trip are not hashed", START_POSITION, rook_trip, START_POSITION, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const BoardPtr a = Load(c.fen_a);
        const BoardPtr b = Load(c.fen_b);
        Play(*a, c.moves_a);
        Play(*b, c.moves_b);
        EXPECT_EQ(State(*a).hash_key, State(*b).hash_key);
        EXPECT_EQ(State(*a).hash_lock, State(*b).hash_lock);
    }
    const BoardPtr board = NewBoard(CLASSIC_RULES);
    EXPECT_EQ(State(Play(*board, rook_trip)).castle[WHITE_KING_SIDE], 0);
}

}  // namespace
