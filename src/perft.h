// Perft: the number of leaves of the legal move tree to a given depth, every
// leaf made and taken back through MakeMove and UnmakeMove.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"

uint64_t Perft(Board& board, int depth);

// The moves of a list, in its order.
inline std::vector<Move> MovesOf(const MoveList& list) { return {list.moves, list.moves + list.count}; }

// The count below each legal root move, in generation order.
struct DivideEntry {
    std::string move;  // coordinate form, promotions with their letter
    uint64_t count;
};
std::vector<DivideEntry> Divide(Board& board, int depth);
