// Static evaluation: material plus piece-square terms, from the side to move.
#pragma once

#include <cstdint>

struct Board;
struct Figure;

// Material value of each figure type (pawn 100; the king and the empty figure 0).
inline constexpr int32_t material_value[7] = {100, 300, 325, 500, 900, 0, 0};

// The square term of one figure on one square.
int32_t SquareBonus(const Figure& figure, int square);

// The score of the position for the side to move; positive is good for it.
int32_t Evaluate(const Board& board);
