// What many tests share: squares and moves from their names, and positions
// from their text.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "board.h"
#include "main.h"
#include "move.h"

// The square a name such as "e4" stands for.
constexpr int Sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

// A move from its coordinate text, e.g. Mv("e2e4") or Mv("a7b8", PROMOTE_KNIGHT).
inline Move Mv(const char* text, int32_t kind = NORMAL_MOVE) { return Move{Sq(text), Sq(text + 2), kind}; }

// The position of a text, failing the test when the text is refused.
inline BoardPtr Load(const char* fen)
{
    BoardPtr board = LoadFen(fen);
    EXPECT_TRUE(board) << fen;
    return board;
}
