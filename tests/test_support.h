// What many tests share: squares and moves from their names, positions from
// their text, and moves read and played as the opponent types them. It
// brings the headers of the board, its set-up, moves made, position texts
// and notation, which the tests that include it rely on.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "board.h"
#include "make_move.h"
#include "notation.h"
#include "position_text.h"
#include "setup.h"

// The square a name such as "e4" stands for.
constexpr int Sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

// A move from its coordinate text, e.g. Mv("e2e4") or Mv("a7b8", PROMOTE_KNIGHT).
constexpr Move Mv(const char* text, MoveKind kind = NORMAL_MOVE) { return Move{Sq(text), Sq(text + 2), kind}; }

// Whether `move` is one of the moves of `list`.
inline bool Lists(const MoveList& list, Move move)
{
    return std::any_of(list.moves, list.moves + list.count, [&](Move listed) { return SameMove(listed, move); });
}

// Knights going out and home again, g1-f3-g1 and g8-f6-g8, from the initial
// position: every four plies the position repeats.
inline constexpr Move KNIGHT_SHUFFLE[4] = {Mv("g1f3"), Mv("g8f6"), Mv("f3g1"), Mv("f6g8")};

// The position of a text, failing the test when the text is refused.
inline BoardPtr Load(const char* fen, Rules rules = CLASSIC_RULES)
{
    BoardPtr board = LoadFen(fen, rules);
    EXPECT_TRUE(board) << fen;
    return board;
}

// Plays `plies` moves round `cycle`, each of which MakeMove must accept.
inline void PlayCycle(Board& board, std::span<const Move> cycle, int plies)
{
    for (int i = 0; i < plies; ++i)
        ASSERT_EQ(MakeMove(board, cycle[i % cycle.size()]), 1) << "ply " << board.ply;
}

// The move a text names for the side to move, read as the engine reads the
// opponent's moves (whatever ParseMove writes is dropped); none when it names
// no move of that side.
inline std::optional<Move> ReadMove(const Board& board, const std::string& text)
{
    std::ostream discard(nullptr);
    return ParseMove(text.c_str(), board, discard);
}

// Reads a text as ReadMove does and plays it as a move of the game; false
// when the side to move cannot play it.
inline bool PlayText(Board& board, const std::string& text)
{
    const std::optional<Move> move = ReadMove(board, text);
    return move && MakeGameMove(board, *move);
}

// Expects the key and lock kept for the board's ply to be those computed from
// scratch, and the lock to be below 32768 as every lock is.
inline void ExpectHashesCurrent(const Board& board)
{
    EXPECT_EQ(State(board).hash_key, ComputeKey(board)) << "ply " << board.ply;
    EXPECT_EQ(State(board).hash_lock, ComputeLock(board)) << "ply " << board.ply;
    EXPECT_LT(State(board).hash_lock, 32768u) << "ply " << board.ply;
}

// Everything a reader of the board can see: the position, and the plies of
// history that led to it.
struct Snapshot {
    std::vector<const Figure*> squares;  // each square's figure by identity
    std::vector<int32_t> figures;        // type * 4 + colour per square
    std::vector<int64_t> position;       // side, kings, rights, in check, key, lock
    int32_t ply;
    std::vector<int64_t> history;        // key, lock and rights per ply; from, to, kind per move
    std::vector<const Figure*> undo;     // the figure moved and the one captured per move
};

inline Snapshot Take(const Board& board)
{
    Snapshot s{};
    for (const Figure* figure : board.squares) {
        s.squares.push_back(figure);
        s.figures.push_back(figure->type * 4 + figure->colour);
    }
    const PlyState& now = board.states[board.ply];
    s.position = {board.side, board.white_king, board.black_king, now.castle[0], now.castle[1],
                  now.castle[2], now.castle[3], InCheck(board), now.hash_key, now.hash_lock};
    s.ply = board.ply;
    for (int ply = 0; ply <= board.ply; ++ply) {
        const PlyState& state = board.states[ply];
        s.history.insert(s.history.end(), {state.hash_key, state.hash_lock, state.castle[0], state.castle[1],
                                           state.castle[2], state.castle[3]});
        if (ply < board.ply) {
            s.history.insert(s.history.end(), {state.move.from, state.move.to, state.move.kind});
            s.undo.insert(s.undo.end(), {state.undo.moved, state.undo.captured});
        }
    }
    return s;
}

// Expects the board of `got` as that of `want`; `with_history` off compares the
// position only (a game whose oldest plies were dropped).
inline void ExpectSame(const Snapshot& want, const Snapshot& got, bool with_history = true)
{
    EXPECT_EQ(want.squares, got.squares);
    EXPECT_EQ(want.figures, got.figures);
    EXPECT_EQ(want.position, got.position);
    if (with_history) {
        EXPECT_EQ(want.ply, got.ply);
        EXPECT_EQ(want.history, got.history);
        EXPECT_EQ(want.undo, got.undo);
    }
}
