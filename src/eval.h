// Static evaluation: material plus piece-square terms, from the side to move.
#pragma once

#include <cstdint>

#include "move.h"

struct Board;
struct Figure;

// Material value of each figure type (pawn 100; the king and the empty figure 0).
inline constexpr int32_t material_value[7] = {100, 300, 325, 500, 900, 0, 0};

// Material plus square term of a figure on a square, positive for white and
// negative for black (0 for the empty figure).
int32_t FigureScore(const Figure& figure, int square);

// The sum of FigureScore over the board: white's score less black's. The
// board keeps it per ply (Board::balance), updated by every move.
int32_t ComputeBalance(const Board& board);

// What moving `figure` from one square to another adds to the balance.
int32_t ShiftScore(const Figure& figure, int from, int to);

// The balance after an ordinary move or a promotion of `moving` onto the
// square that holds `taken`, from the balance before it. MakeMove keeps the
// board's balance with it; EvaluateAfter foresees a move with it.
int32_t BalanceAfter(int32_t balance, const Figure& moving, const Figure& taken, Move move);

// The score of the position for the side to move; positive is good for it.
int32_t Evaluate(const Board& board);

// What Evaluate would give the position after `move`, an ordinary move or a
// promotion, for the side that replies; the move is not made.
int32_t EvaluateAfter(const Board& board, Move move);
