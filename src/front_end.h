// What the xboard and UCI front-ends share: the session they run, the loop
// that carries out its commands, and the engine's search as both run it (the
// lines that come in meanwhile, the limits of a clock, the report of each
// depth). Each front-end keeps only what its protocol says differently.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "board.h"
#include "input.h"
#include "search.h"

// One session of a front-end: its lines come from `input` and its replies go
// to `out`, both set by whoever runs it. `board` is the position the
// interface has set up; `waiting` holds the lines read while a search ran,
// to be carried out in order after it; `quit` ends the session after the
// command under way. Changed only by the front-end that runs it.
struct Session {
    LineInput* input = nullptr;
    std::ostream* out = nullptr;
    BoardPtr board;
    bool quit = false;
    std::deque<std::string> waiting;
};

// Starts the engine (StartEngine), sets up a new board and carries out the
// session's commands, the waiting lines first, until "quit" or the end of
// the input. Returns the exit status.
int RunCommands(Session& session, const std::function<void(const std::string&)>& execute);

// What a front-end's commands ask of one search. `depth` caps it; an
// `open_ended` search is otherwise ended only by its limits (or by the
// interface), where one with neither goes to the engine's usual depth. The
// limits: a time per move, else the side's clock when `on_clock` (as
// SetClockLimits takes it), and a node count.
struct SearchRequest {
    std::optional<int64_t> depth;  // taken into 1..MAX_DEPTH
    bool open_ended = false;
    int64_t move_ms = 0;  // 0: none
    bool on_clock = false;
    int64_t remaining_ms = 0;
    int64_t increment_ms = 0;
    int moves_to_go = 0;
    int64_t max_nodes = -1;  // -1: none
};

// The limits of an iterated search that grant the request.
SearchLimits LimitsFor(const SearchRequest& request);
