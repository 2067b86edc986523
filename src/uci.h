// The UCI front-end (tavik --uci, or the program run as tavik-uci): the
// universal chess interface as match managers, chess libraries and GUIs
// drive it, over the same board, moves, search and evaluation as the other
// front-ends. It writes protocol lines only; what a person should read goes
// out as "info string".
#pragma once

#include "front_end.h"

// Runs a whole session on the session's input and output, until "quit" or
// the end of the input. The hashing tables are seeded from the calendar
// clock. Returns the exit status.
int RunUci(Session& session);
