// Position texts (Forsyth-Edwards notation): a board read from one, and the
// text of a board's position.
#pragma once

#include <iosfwd>
#include <string>

#include "board.h"

// The initial position.
inline constexpr const char* START_POSITION = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Whether `text` starts with a well-formed placement field, ended by a blank
// or by the end of the text.
bool IsPlacementValid(const char* text);

// The board of a well-formed placement field with white to move, no castling
// rights and no moves before it, writing a trace line for every character
// read (the classic engine's set-up shows them); none, with nothing written,
// for a malformed field. No test of the position itself.
BoardPtr PlaceFigures(const char* text, std::ostream& trace);

// A board under `rules` from a whole position text such as
// "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1": placement, side to move, castling
// rights, en passant square and the two counters, each field from the first
// missing one on taking its default (white, none, none, 0). None when a
// field is malformed or the position is not legal (IsLegalPosition). A
// castling right whose king or rook is not at home is dropped, and so is an
// en passant square that no double step can have left. The halfmove clock is
// kept under the standard rules; the move number is read and dropped.
BoardPtr LoadFen(const char* text, Rules rules);

// The board's position as a whole position text, with an en passant square
// only where a pawn can take on it; its counters are the halfmove clock
// (always 0 under the classic rules) and 1.
std::string PositionText(const Board& board);
