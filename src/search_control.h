// What every search shares: the limits that end it and the record of what it
// found, its counters, the polling of the limits, the root moves it may
// search, and the draws by repetition and the fifty-move rule. The classic
// and the standard searches both stand on it; the driver (search.h) runs them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "board.h"
#include "move.h"

// The depth of every classic search. Only the command-loop fuzz target builds
// the engine with a shallower one, to keep each of its inputs cheap.
#ifndef TAVIK_SEARCH_DEPTH
#define TAVIK_SEARCH_DEPTH 5
#endif
inline constexpr int SEARCH_DEPTH = TAVIK_SEARCH_DEPTH;

inline constexpr int MAX_PV = 32;
// The most lines a search ranks at the root (SearchLimits::lines).
inline constexpr int MAX_LINES = 64;
// The deepest iteration any search is allowed. Only the fuzz targets build
// the engine with a shallower cap, to keep each of their inputs cheap.
#ifndef TAVIK_MAX_DEPTH
#define TAVIK_MAX_DEPTH 64
#endif
inline constexpr int MAX_DEPTH = TAVIK_MAX_DEPTH;
static_assert(SEARCH_DEPTH <= MAX_DEPTH);

// Nodes searched between two looks at the limits and the stop request.
inline constexpr int POLL_NODES = 4096;

// One root move ranked by a search, and its score.
struct RankedMove {
    Move move;
    int score;
};

// What one search found: written by Search after every depth it completed.
// `pv` starts with `best` and goes on with the moves the transposition table
// holds for the positions that follow, each checked to be legal there.
//
// A search of several lines reports each line of a depth apart, the best
// first: `line` says which (1 is the best, whose move the search plays).
// `ranked` holds the best move of every line of the last depth whose lines
// all completed, best first.
struct SearchResult {
    bool has_move = false;  // false: the side to move has no legal move the search knows
    Move best = NO_MOVE;
    int score = 0;  // for the side to move; mates as in AlphaBeta
    int depth = 0;  // the last depth completed
    int line = 1;
    int seldepth = 0;  // the most plies from the root a quiescence node reached
    int hashfull = 0;  // of the standard table, as HashFull gives it
    int64_t nodes = 0;
    int64_t tt_probes = 0;
    int64_t tt_hits = 0;
    int64_t cutoffs = 0;
    int64_t null_cutoffs = 0;
    int64_t milliseconds = 0;  // since the search began, by ReadMilliseconds
    Move pv[MAX_PV] = {};
    int pv_length = 0;
    RankedMove ranked[MAX_LINES] = {};
    int ranked_count = 0;
};

// What ends a search. With `iterate` off, one search at `depth` (the
// engine's classic reply). With it on, depths 1, 2, ... up to `depth`, each a
// full search, until a limit ends the search; the answer is that of the last
// depth completed, and depth 1 always completes.
struct SearchLimits {
    int depth = SEARCH_DEPTH;
    bool iterate = false;
    int64_t soft_ms = -1;    // no further depth is begun after this (-1: none)
    int64_t hard_ms = -1;    // the depth under way is abandoned at this (-1: none)
    int64_t max_nodes = -1;  // the same for a node count (-1: none)
    // Only these moves are searched at the root (none: every legal move).
    std::vector<Move> root_moves;
    // How many root moves each depth ranks, each the best of those the lines
    // before it left (MultiPV), in 1..MAX_LINES.
    int lines = 1;
    // A mate in this many moves or fewer ends the search (0: none does).
    int mate_moves = 0;
    // Asked every POLL_NODES nodes; true ends the search as a limit does.
    std::function<bool()> should_stop;
    // Asked after should_stop: while it answers true, the search ponders and
    // its time limits wait; they count from the first poll that answers
    // false. None: the time limits count from the start.
    std::function<bool()> pondering;
    // Told of each depth completed.
    std::function<void(const SearchResult&)> on_depth;
};

// ---- Counters ----------------------------------------------------------------

// Search-wide state of the current search, reset when a search starts. The
// counters are 64-bit so that a search of minutes cannot overflow them.
extern int32_t root_ply;
extern int64_t nodes;
extern int64_t tt_probes;
extern int64_t tt_hits;
extern int64_t cutoffs;
extern int64_t null_cutoffs;
extern int32_t deepest_ply;  // the highest board ply a quiescence node reached

// ---- Polling the limits ------------------------------------------------------

// How a search with limits is ended. Every node of a search compares `nodes`
// with `next_poll`: once it reaches it, PollLimits asks the limits and sets
// `search_stopped` when one is reached; every node then returns at once,
// storing nothing. A search without limits never reaches `next_poll`.
extern int64_t next_poll;
extern bool search_stopped;

// The limits of the search under way, and what PollLimits has learnt of them.
struct PollState {
    const SearchLimits* limits = nullptr;
    int64_t start_ms = 0;
    int64_t clock_start_ms = 0;  // where the time limits count from
    bool pondering = false;      // the time limits wait
    bool stop_asked = false;     // a limit was reached or a stop asked for
    bool may_stop = false;       // false until the first depth is complete
};
extern PollState poll_state;

// Starts the polling of a search within `limits` at the time `start_ms`, and
// ends it, leaving no search polled.
void BeginPolling(const SearchLimits& limits, int64_t start_ms);
void EndPolling();

// Asks the limits, as a node does once `nodes` reaches `next_poll`.
void PollLimits();

// A ponder search that is told the move it pondered on was played goes on
// as an ordinary one, its time limits counting from then.
void NotePonderHit(PollState& state);

// Whether the search's time limit `limit_ms` (-1: none) has passed.
bool PastTime(const PollState& state, int64_t limit_ms);

// ---- The root moves ----------------------------------------------------------

// The root moves of the search under way, when its limits restrict them:
// only the `allowed` ones (none: every move), and none of the first
// `excluded_count` of `excluded`, the moves of the lines already ranked at
// this depth. Set by the driver, read by the searches at the root.
struct RootFilter {
    bool active = false;
    const std::vector<Move>* allowed = nullptr;
    Move excluded[MAX_LINES] = {};
    int excluded_count = 0;
};
extern RootFilter root_filter;

// Drops from the root's list the moves the filter leaves out, keeping the
// order and the scores of the others.
void FilterRootMoves(MoveList& list);

// ---- Draws and mates ---------------------------------------------------------

// 1 if the board's position occurred at least twice before, else 0. Under
// the classic rules, a position whose key is the same since the last pawn
// move; under the standard rules, one whose key and lock are the same since
// the last capture, pawn move or null move.
int IsRepetition(const Board& board);

// Under the standard rules, whether the board's position stood `times`
// times before since the last capture, pawn move or null move, or once at a
// board ply after `since` (inside a search's own line, where one return
// already shows what the rule will make of it).
bool IsStandardRepetition(const Board& board, int times, int since);

// Whether the fifty-move rule ends the game in the board's position (standard
// rules only): a hundred plies without a capture or pawn move, and the side
// to move not checkmated.
bool IsFiftyMoveDraw(Board& board);

// In how many moves a score found at board ply `root` mates: positive when
// the side to move mates, negative when it is mated, 0 when the score is no
// mate. (A mate scores the mated position's board ply less MATE_SCORE.)
int MateInMoves(int score, int root);
