// The command loop: the engine's side of the protocol, and the position
// set-up of "setboard".
#pragma once

#include <iosfwd>

#include "board.h"

// Runs one whole session: start-up, then one command per line of `in` until
// "quit" or the end of the input. Returns the process's exit status.
int RunCommandLoop(std::istream& in, std::ostream& out);

// A new board from the placement field of a position text (white to move, no
// castling rights, no history), writing its trace lines; none, with nothing
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
