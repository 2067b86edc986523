// The evaluation's tables: the material and square value of every figure on
// every square, and what a move changes in their sum, the balance that the
// board keeps per ply.
#pragma once

#include <cstdint>

#include "figure.h"
#include "move.h"

// Material value of each figure type (pawn 100; the king and the empty figure 0).
inline constexpr int32_t material_value[7] = {100, 300, 325, 500, 900, 0, 0};

// Material plus square term of a figure on a square, positive for white and
// negative for black (0 for the empty figure).
int32_t FigureScore(const Figure& figure, int square);

// What moving `figure` from one square to another adds to the balance.
int32_t ShiftScore(const Figure& figure, int from, int to);

// The balance after an ordinary move or a promotion of `moving` onto the
// square that holds `taken`, from the balance before it. MakeMove keeps the
// board's balance with it; EvaluateAfter foresees a move with it.
int32_t BalanceAfter(int32_t balance, const Figure& moving, const Figure& taken, Move move);
