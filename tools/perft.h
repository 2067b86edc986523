// Perft: the number of leaves of the legal move tree to a given depth, every
// leaf made and taken back through MakeMove and UnmakeMove.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board.h"

uint64_t Perft(Board& board, int depth);

// The legal moves of the position, in generation order.
std::vector<Move> LegalMoves(Board& board);

// The count below each legal root move, in generation order.
struct DivideEntry {
    std::string move;  // coordinate form, promotions with their letter
    uint64_t count;
};
std::vector<DivideEntry> Divide(Board& board, int depth);
