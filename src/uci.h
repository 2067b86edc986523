// The UCI front-end (tavik --uci, or the program run as tavik-uci): the
// universal chess interface as match managers, chess libraries and GUIs
// drive it, over the same board, moves, search and evaluation as the other
// front-ends. It writes protocol lines only; what a person should read goes
// out as "info string".
#pragma once

#include <deque>
#include <iosfwd>
#include <string>

#include "board.h"
#include "input.h"

// One session: the position the interface last set and the lines read while
// a search ran, to be handled in order after it. Changed only by RunUci and
// the commands it carries out.
struct UciSession {
    LineInput* input = nullptr;
    std::ostream* out = nullptr;
    BoardPtr board;
    bool quit = false;
    std::deque<std::string> waiting;
};

// Runs a whole session on the session's input and output, until "quit" or
// the end of the input. The hashing tables are seeded from the calendar
// clock. Returns the exit status.
int RunUci(UciSession& session);
