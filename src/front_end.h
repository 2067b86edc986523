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
#include <vector>

#include "board.h"
#include "input.h"
#include "move.h"
#include "search.h"
#include "strength.h"
#include "tt.h"

// The engine's settings that the interface chooses (UCI's options, xboard's
// "memory", "hard" and "easy" and its engine options), as both protocols
// share them. Changed only by the front-end's commands, between searches.
struct EngineOptions {
    int hash_mb = DEFAULT_HASH_MB;  // the size of the table in use
    int64_t move_overhead_ms = 10;  // taken from every time budget
    int lines = 1;                  // root moves ranked and reported (MultiPV)
    bool ponder = false;            // think on the expected reply in the opponent's time
    int skill_level = MAX_SKILL_LEVEL;
    bool limit_strength = false;  // play at `elo` rather than at `skill_level`
    int elo = MAX_ELO;
};

// The skill level the options ask for.
int SkillLevelOf(const EngineOptions& options);

// One session of a front-end: its lines come from `input` and its replies go
// to `out`, both set by whoever runs it. `board` is the position the
// interface has set up; `waiting` holds the lines read while a search ran,
// to be carried out in order after it; `quit` ends the session after the
// command under way; `random` draws the weaker levels' choices, seeded from
// the calendar clock when the session starts. Changed only by the front-end
// that runs it.
struct Session {
    LineInput* input = nullptr;
    std::ostream* out = nullptr;
    BoardPtr board;
    bool quit = false;
    std::deque<std::string> waiting;
    EngineOptions options;
    uint64_t random = 0;
};

// Gives the standard rules an empty table of `megabytes` and records its
// size in the session's options; false, with the table and the options as
// they were, when the memory cannot be had.
bool SetTableSize(Session& session, int megabytes);

// Starts the engine (StartEngine) with a table of the options' size, sets up
// a new board and carries out the session's commands, the waiting lines
// first, until "quit" or the end of the input. Returns the exit status.
int RunCommands(Session& session, const std::function<void(const std::string&)>& execute);

// What a front-end's commands ask of one search. `depth` caps it; an
// `open_ended` search is otherwise ended only by its limits (or by the
// interface), where one with neither goes to the engine's usual depth. The
// limits: a time per move, else the side's clock when `on_clock` (as
// SetClockLimits takes it), and a node count. `ponder`: the search thinks
// on the position the expected reply leads to, and its time limits wait
// until the interface says the reply was played (LineEffect::PONDER_HIT).
struct SearchRequest {
    std::optional<int64_t> depth;  // taken into 1..MAX_DEPTH
    bool open_ended = false;
    int64_t move_ms = 0;  // 0: none
    bool on_clock = false;
    int64_t remaining_ms = 0;
    int64_t increment_ms = 0;
    int moves_to_go = 0;
    int64_t max_nodes = -1;       // -1: none
    std::vector<Move> root_moves;  // only these at the root (none: all)
    int mate_moves = 0;            // a mate in this many moves ends the search (0: none)
    bool ponder = false;
};

// The limits of an iterated search that grant the request under the
// options: the move overhead comes off every time, and a skill level below
// the full one caps the nodes and ranks the lines it chooses from.
SearchLimits LimitsFor(const SearchRequest& request, const EngineOptions& options);

// What a line that comes in during a search does, as the protocol has it.
enum class LineEffect {
    WAITS,     // carried out once the search is over
    HANDLED,   // dealt with at once: answered, or of no use
    MOVE_NOW,  // ends the search, and its move is played
    ABANDON,   // ends the search without its move, and waits as WAITS does
    // The move a ponder search thought on was played: the search goes on
    // with its time limits running from now; one that is over plays its move.
    PONDER_HIT,
};

// How a protocol takes part in the engine's search. `during_search` tells
// what each line that comes in meanwhile does, and may answer it, but leaves
// the board alone; the end of the input comes to it as the line "quit",
// which must end the search. `report` writes each line of each completed
// depth that has a move, up to the options' `lines` (none: nothing is
// written), `root` being the board ply of the position searched. With
// `until_stopped`, a search that ends by itself still reads lines until one
// ends it, and only then gives its move; so does a ponder search.
struct SearchProtocol {
    LineEffect (*during_search)(Session& session, const std::string& line) = nullptr;
    void (*report)(const Session& session, const SearchResult& result, int root) = nullptr;
    bool until_stopped = false;
};

// Searches the session's position as the request and the session's options
// ask, reading the input and reporting as the protocol says. What the search
// found, its `best` the move to play: the search's best, or at a skill level
// below the full one the level's choice (its `pv` then that move alone and
// its `score` the one the move was ranked with).
// None when a line abandoned the search. `has_move` is false when the side
// to move has no legal move. The board is as before.
std::optional<SearchResult> SearchForMove(Session& session, const SearchRequest& request,
                                          const SearchProtocol& protocol);

// The moves of the result's principal variation, each after a blank, and the
// end of the line: how both protocols' reports end.
void WritePvLine(std::ostream& out, const SearchResult& result);
