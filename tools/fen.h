// Position texts for the tools and the tests: the engine's reader of whole
// position texts, the diagram as a text and the initial position.
#pragma once

#include <string>

#include "board.h"
#include "main.h"

// The diagram that PrintBoard writes for the board, as a text.
std::string DiagramOf(const Board& board);

// The initial position as a full position text.
inline constexpr const char* START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
