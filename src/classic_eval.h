// The classic evaluation: material plus square terms, kept up to date by the
// moves, from the side to move. The classic engine scores every position by
// it alone.
#pragma once

#include <cstdint>

#include "board.h"
#include "move.h"

// The score of the position for the side to move; positive is good for it.
int32_t Evaluate(const Board& board);

// What Evaluate would give the position after `move`, an ordinary move or a
// promotion, for the side that replies; the move is not made.
int32_t EvaluateAfter(const Board& board, Move move);
