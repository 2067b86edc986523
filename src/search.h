// The search: transposition table, alpha-beta and quiescence searches, and the
// driver that picks the engine's move.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "board.h"
#include "move.h"

// ---- Calendar clock ------------------------------------------------------

// The calendar time in whole seconds: the seed of the hashing tables, the
// stamp of table entries and the speed figure of the statistics line. The
// engine reads the real clock; tests and the bench install their own.
using ClockFunction = int64_t (*)();
void SetClock(ClockFunction clock);  // nullptr brings back the real clock
int64_t ReadClock();

// ---- Transposition table ---------------------------------------------------

enum Bound : int32_t {
    BOUND_UPPER = 0,  // no move raised alpha: the score is at most `score`
    BOUND_LOWER = 1,  // a move reached beta: the score is at least `score`
    BOUND_EXACT = 2,
    BOUND_EMPTY = 3,  // never written
};
static_assert(BOUND_UPPER == 0 && BOUND_LOWER == 1 && BOUND_EXACT == 2 && BOUND_EMPTY == 3);

// One slot: the result of an earlier search of the position whose lock it
// holds. `stamp` is the second of the store (-1: never written). Written only
// by StoreTT, emptied only by ClearTT.
struct TTEntry {
    int32_t depth;
    int32_t score;
    int32_t stamp;
    int32_t bound;
    uint32_t lock;
    Move best_move;
};
static_assert(sizeof(TTEntry) == 32);

inline constexpr int TT_SIZE = 430949;  // a prime; one slot per key modulo TT_SIZE
extern TTEntry trans_table[TT_SIZE];

// Empties every slot. Once at start-up; the table then lives for the run.
void ClearTT();

// Whether the tags kept beside the slots, which let most lookups skip
// loading their slot, agree with every slot. For tests.
bool SlotTagsOk();

// 1 when the slot of the board's position answers a node with window
// (alpha, beta) and remaining depth, the answer in `score`. On a miss of a
// matching slot the slot's move goes to `move`; other misses leave it alone.
int ProbeTT(const Board& board, int alpha, int beta, int depth, int& score, Move& move);

// Offers a result for the board's position; written when the slot is
// shallower or older than this second. Always 1.
int StoreTT(const Board& board, Move move, int score, int depth, int bound);

// ---- Alpha-beta and quiescence search ---------------------------------------

inline constexpr int MATE_SCORE = 5000;
// The depth of every search. Only the command-loop fuzz target builds the
// engine with a shallower one, to keep each of its inputs cheap.
#ifndef TAVIK_SEARCH_DEPTH
#define TAVIK_SEARCH_DEPTH 5
#endif
inline constexpr int SEARCH_DEPTH = TAVIK_SEARCH_DEPTH;
inline constexpr int QUIESCE_LIMIT = 19;  // plies from the root
inline constexpr int HISTORY_PLIES = 512;
inline constexpr int HISTORY_CLEARED_PLIES = 200;

// Search-wide state of the current search, reset by Think.
extern int32_t root_ply;
extern int32_t nodes;
extern int32_t tt_probes;
extern int32_t tt_hits;
extern int32_t cutoffs;
extern int32_t null_cutoffs;

// History counters, [ply][from][to]: raised by AlphaBeta for the best move of
// a node that finished its loop, read by the move ordering.
extern int32_t history[HISTORY_PLIES][64][64];

// Resets the counters of the first HISTORY_CLEARED_PLIES plies.
void ClearHistory();

// 1 if the board's position occurred at least twice before (since the last
// pawn move), else 0.
int IsRepetition(const Board& board);

int AlphaBeta(Board& board, int alpha, int beta, int depth, int after_null, Move& best);
int Quiesce(Board& board, int alpha, int beta);

// ---- Driver -----------------------------------------------------------------

// Searches the board's position to SEARCH_DEPTH, writes the statistics line
// and gives the move to play, or none when the side to move has no legal
// move. The board is as before on return.
std::optional<Move> Think(Board& board, std::ostream& out);
