// The xboard front-end (tavik --xboard): protocol version 2 as GUIs and match
// managers drive it, over the same board, moves, search and evaluation as the
// classic command loop. It writes protocol lines only.
#pragma once

#include "front_end.h"

// Runs a whole session on the session's input and output: nothing is written
// until "protover", and it ends at "quit" or the end of the input. The
// hashing tables are seeded from the calendar clock. Returns the exit status.
int RunXboard(Session& session);
