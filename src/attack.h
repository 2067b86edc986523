// Attack detection: which figures attack a square, and which check a king.
#pragma once

#include <cstdint>

#include "board.h"
#include "figure.h"

// 1 if a figure of `colour` attacks `square`, else 0.
int IsAttacked(const Board& board, int square, Colour colour);

// The squares of the figures of `colour` that attack `square`.
uint64_t AttackersOf(const Board& board, int square, Colour colour);

// The figures attacking the king of `colour`. A side that a set-up position
// left without a king is never in check: no move of its can expose a king,
// and none can check it.
uint64_t KingAttackers(const Board& board, Colour colour);

// The square of the first figure met from `square` along mailbox step `step`
// as a bit, when it is a figure of `colour` that slides along that line (a
// queen, or a bishop on a diagonal, a rook on a rank or file); else 0.
uint64_t SliderAlong(const Board& board, int square, int step, Colour colour);

// The same on the board's figures with other sets of squares: `pieces`, those
// of the slider's side, and `occupied`, every occupied one. For a board as a
// move would leave it; a square of `pieces` must hold that side's figure.
uint64_t SliderAlongWith(const Board& board, int square, int step, uint64_t pieces, uint64_t occupied);

// The sliders among `pieces` that attack `square` over the squares
// `occupied`: the same for a board as a move would leave it, every direction
// at once.
uint64_t SlidersAttackingWith(const Board& board, int square, uint64_t pieces, uint64_t occupied);

// Whether `figure`, standing on `from`, attacks `target` on the board as it
// stands.
bool FigureAttacks(const Board& board, const Figure& figure, int from, int target);
