// The command loop: the engine's side of the protocol, and the position
// set-up of "setboard".
#pragma once

#include <iosfwd>
#include <string>

#include "board.h"

// The engine's version, as the build names it.
#ifndef TAVIK_VERSION
#define TAVIK_VERSION "0"
#endif
inline constexpr const char* VERSION = TAVIK_VERSION;

// Runs one whole session: start-up, then one command per line of `in` until
// "quit" or the end of the input. Returns the process's exit status.
int RunCommandLoop(std::istream& in, std::ostream& out);

// A new board from the placement field of a position text (white to move, no
// castling rights, no moves before it), writing its trace lines; none, with nothing
// written, when the field does not describe eight ranks of eight squares or
// the position is not one a game can hold (see IsLegalPosition).
BoardPtr SetBoard(const char* text, std::ostream& out);

// The board of a well-formed placement field with white to move, writing the
// trace lines of SetBoard; none, with nothing written, for a malformed field.
// No test of the position itself.
BoardPtr PlaceFigures(const char* text, std::ostream& trace);

// Whether `text` starts with a well-formed placement field, ended by a blank
// or by the end of the text.
bool IsPlacementValid(const char* text);

// A board from a whole position text such as
// "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1": placement, side to move, castling
// rights, en passant square and the two counters, each field from the first
// missing one on taking its default (white, none, none). None, with nothing
// written, when a field is malformed or the position is not legal
// (IsLegalPosition). A castling right whose king or rook is not at home is
// dropped, and so is an en passant square that no double step can have left.
BoardPtr LoadFen(const char* text);

// The board's position as a whole position text (counters 0 and 1).
std::string PositionText(Board& board);
