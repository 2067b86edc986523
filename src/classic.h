// The classic engine (tavik with no argument): its command loop, a subset of
// the xboard protocol with lines for a person watching the console; the
// fixed-depth reply with its statistics line; and its set-up of a position
// from a placement field, with trace lines.
#pragma once

#include <iosfwd>
#include <optional>

#include "board.h"
#include "move.h"

// Runs one whole session: start-up, then one command per line of `in` until
// "quit" or the end of the input. Returns the process's exit status.
int RunCommandLoop(std::istream& in, std::ostream& out);

// Searches the board's position to SEARCH_DEPTH, writes the statistics line
// and gives the move to play, or none when the side to move has no legal
// move. The board is as before on return.
std::optional<Move> Think(Board& board, std::ostream& out);

// A new board from the placement field of a position text (white to move, no
// castling rights, no moves before it), writing its trace lines; none, with
// nothing written, when the field does not describe eight ranks of eight
// squares or the position is not one a game can hold (see IsLegalPosition).
BoardPtr SetBoard(const char* text, std::ostream& out);
