// Move notation: moves read from the program that drives the engine and
// written back to it, in coordinate notation (e2e4, e7e8q) and in the
// classic engine's extended form (Pe2e4, Pe4xBd5).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "board.h"
#include "move.h"

// The opponent's move in coordinate notation as a move of the board's side
// to move, or none when the text names no move that side can make.
std::optional<Move> ParseMove(const char* text, const Board& board, std::ostream& out);

// Whether a text has the shape of a move in coordinate notation: two squares
// and perhaps the letter of a promoted figure.
bool IsMoveText(std::string_view text);

// The legal move that a coordinate text names exactly (e2e4, e1g1, e7e8q; a
// promotion without its letter is a queen's), or none.
std::optional<Move> ParseLegalMove(std::string_view text, Board& board);

// The coordinate form of a move: e2e4, e1g1, a7a8q (no newline).
std::string MoveText(Move move);

// Writes the extended form of a move (Pe2e4, Pe4xBd5); call it before the
// move is made.
void PrintExtendedMove(const Board& board, Move move, std::ostream& out);
