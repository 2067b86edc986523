// The board's diagram as a text, for the tools and the tests.
#pragma once

#include <string>

#include "board.h"

// The diagram that PrintBoard writes for the board, as a text.
std::string DiagramOf(const Board& board);
