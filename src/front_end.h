// What the xboard and UCI front-ends share: the session, its command loop,
// and the engine's search as both run it. Each front-end keeps only what its
// protocol says differently.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "board.h"
#include "input.h"
#include "move.h"
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

// What a line that comes in during a search does, as the protocol has it.
enum class LineEffect {
    WAITS,     // carried out once the search is over
    HANDLED,   // dealt with at once: answered, or of no use
    MOVE_NOW,  // ends the search, and its move is played
    ABANDON,   // ends the search without its move, and waits as WAITS does
};

// How a protocol takes part in the engine's search. `during_search` tells
// what each line that comes in meanwhile does, and may answer it, but leaves
// the board alone; the end of the input comes to it as the line "quit",
// which must end the search. `report` writes each completed depth that has a
// move (none: nothing is written), `root` being the board ply of the
// position searched. With `until_stopped`, a search that ends by itself
// still reads lines until one ends it, and only then gives its move.
struct SearchProtocol {
    LineEffect (*during_search)(Session& session, const std::string& line) = nullptr;
    void (*report)(std::ostream& out, const SearchResult& result, int root) = nullptr;
    bool until_stopped = false;
};

// Searches the session's position within `limits`, reading the input and
// reporting as the protocol says. The move to play (the search's best), or
// none when a line abandoned the search or the side to move has no legal
// move. The board is as before.
std::optional<Move> SearchForMove(Session& session, SearchLimits limits, const SearchProtocol& protocol);

// The moves of the result's principal variation, each after a blank, and the
// end of the line: how both protocols' reports end.
void WritePvLine(std::ostream& out, const SearchResult& result);
