// The search: alpha-beta and quiescence searches over the transposition
// table, and the driver that runs them within limits of depth, time and
// nodes. It writes nothing: what it found goes back in a SearchResult.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "board.h"
#include "move.h"
#include "tt.h"

// ---- Alpha-beta and quiescence search ---------------------------------------

// The depth of every search. Only the command-loop fuzz target builds the
// engine with a shallower one, to keep each of its inputs cheap.
#ifndef TAVIK_SEARCH_DEPTH
#define TAVIK_SEARCH_DEPTH 5
#endif
inline constexpr int SEARCH_DEPTH = TAVIK_SEARCH_DEPTH;
inline constexpr int QUIESCE_LIMIT = 19;  // plies from the root
inline constexpr int HISTORY_PLIES = 512;
inline constexpr int HISTORY_CLEARED_PLIES = 200;

// Search-wide state of the current search, reset when a search starts. The
// counters are 64-bit so that a search of minutes cannot overflow them.
extern int32_t root_ply;
extern int64_t nodes;
extern int64_t tt_probes;
extern int64_t tt_hits;
extern int64_t cutoffs;
extern int64_t null_cutoffs;
extern int32_t deepest_ply;  // the highest board ply a quiescence node reached

// History counters, [ply][from][to]: raised by AlphaBeta for the best move of
// a node that finished its loop, read by the move ordering.
extern int32_t history[HISTORY_PLIES][64][64];

// Resets the counters of the first HISTORY_CLEARED_PLIES plies.
void ClearHistory();

// 1 if the board's position occurred at least twice before, else 0. Under
// the classic rules, a position whose key is the same since the last pawn
// move; under the standard rules, one whose key and lock are the same since
// the last capture, pawn move or null move.
int IsRepetition(const Board& board);

// Whether the fifty-move rule ends the game in the board's position (standard
// rules only): a hundred plies without a capture or pawn move, and the side
// to move not checkmated.
bool IsFiftyMoveDraw(Board& board);

// The score of the board's position for the side to move, searched `depth`
// plies deep (plus one for each node in check) within the window
// (alpha, beta); the board is as before on return.
//
// Returns (fail-hard): a score within [alpha, beta], but for a null-move
// cut-off, which returns the null move's value even above beta, and for a
// table hit, which returns the entry's exact score or the bound it meets.
// A third occurrence of a position below the root scores 0, and so do the
// fifty-move rule there (standard rules) and a stalemate; a mated side scores its board ply less MATE_SCORE (the ply of
// the mated position, not its distance from the root). Once the search's
// limits have stopped it, every node returns 0, which means nothing.
//
// `depth` <= 0 hands the node to Quiesce after its table lookup.
// `after_null` is 1 for the node a null move led to, which tries none of its
// own, else 0.
//
// `best` is the caller's record. The node writes into it each move that
// raises alpha without reaching beta, so on return it holds the best move
// when one raised alpha, and after a cut-off the last move that did before
// it. A node that raised no alpha leaves the record as the caller had it,
// and stores that carried-over move in the table as its own: the callers
// never empty the records they pass. The root alone writes its cut-off move
// into an empty record, so that the driver always has a move to play.
//
// Leaves in the table: on a cut-off in the move loop, a BOUND_LOWER entry of
// beta with `best`; after a loop with a legal move, alpha with `best`,
// BOUND_EXACT when a move raised alpha, else BOUND_UPPER. Nothing otherwise.
// Counts every call in `nodes`, the lookups below the root in `tt_probes`
// and their answers in `tt_hits`, move-loop cut-offs in `cutoffs` and
// null-move cut-offs in `null_cutoffs`; a node that finished its loop adds
// `depth` to the history counter of its best move at its ply.
int AlphaBeta(Board& board, int alpha, int beta, int depth, int after_null, Move& best);

// The score of the board's position for the side to move once the captures
// pending in it are played out, within (alpha, beta); the board is as before
// on return. Returns (fail-hard) a score within [alpha, beta], the side to
// move standing pat on Evaluate; a node QUIESCE_LIMIT plies from the root, or
// at LAST_PLY, returns Evaluate unbounded. Sees no mate, no check and no
// repetition. Counts every node in `nodes`, the replies it scores without
// making them included; stores nothing and changes no history counter.
int Quiesce(Board& board, int alpha, int beta);

// ---- Driver -----------------------------------------------------------------

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

// What ends a search. With `iterate` off, one AlphaBeta call at `depth` (the
// engine's classic reply). With it on, depths 1, 2, ... up to `depth`, each a
// full search with the same AlphaBeta, until a limit ends the search; the
// answer is that of the last depth completed, and depth 1 always completes.
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

// The time limits of one move under a clock: `remaining_ms` on the side to
// move's clock, `increment_ms` added after each of its moves, `moves_to_go`
// before the clock gains time again (0: the rest of the game). Aims at an
// even share of what is left, begins no depth past half of it, and never
// runs so long that the clock could fall.
void SetClockLimits(SearchLimits& limits, int64_t remaining_ms, int64_t increment_ms, int moves_to_go);

// The same for an exact time per move, used to within a few milliseconds.
void SetMoveTimeLimits(SearchLimits& limits, int64_t move_ms);

// Searches the board's position within `limits`. The board is as before on
// return.
SearchResult Search(Board& board, const SearchLimits& limits);

// In how many moves a score found at board ply `root` mates: positive when
// the side to move mates, negative when it is mated, 0 when the score is no
// mate. (A mate scores the mated position's board ply less MATE_SCORE.)
int MateInMoves(int score, int root);

// What every front-end does first: seeds the hashing tables from the
// calendar clock and empties the history counters. Under the classic rules
// it also puts the classic table on huge pages and empties it; a standard
// front-end gives itself a table of its own size (ResizeTT).
void StartEngine(Rules rules);
