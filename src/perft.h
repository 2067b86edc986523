// Perft: the number of leaves of the legal move tree to a given depth, every
// leaf made and taken back through MakeMove and UnmakeMove.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"

uint64_t Perft(Board& board, int depth);

// The deepest perft a front-end's command may ask for: a walk to depth 10
// from the initial position already counts some 7 * 10^13 leaves, and nothing
// stops a walk once it has begun. Only the fuzz targets build the engine
// with a shallower cap, to keep each of their inputs cheap.
#ifndef TAVIK_MAX_PERFT_DEPTH
#define TAVIK_MAX_PERFT_DEPTH 10
#endif
inline constexpr int MAX_PERFT_DEPTH = TAVIK_MAX_PERFT_DEPTH;

// The moves of a list, in its order.
inline std::vector<Move> MovesOf(const MoveList& list) { return {list.moves, list.moves + list.count}; }

// The count below each legal root move, in generation order.
struct DivideEntry {
    std::string move;  // coordinate form, promotions with their letter
    uint64_t count;
};
std::vector<DivideEntry> Divide(Board& board, int depth);
