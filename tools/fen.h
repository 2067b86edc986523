// Full position texts (placement, side to move, castling rights) for the
// tools and the tests. The engine's own "setboard" reads the placement only.
#pragma once

#include <string>

#include "board.h"

// A board from a full position text such as
// "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", or none when the placement is not
// well formed or the position is not legal (IsLegalPosition). A missing side field means white; a missing castling
// field, no rights. The en passant field and the counters are ignored.
BoardPtr LoadFen(const char* fen);

// The diagram that PrintBoard writes for the board, as a text.
std::string DiagramOf(const Board& board);

// The initial position as a full position text.
inline constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
