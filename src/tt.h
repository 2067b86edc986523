// The transposition table: results of earlier searches, kept by position for
// the whole run, and looked up by every node of the alpha-beta search.
#pragma once

#include <cstdint>

#include "board.h"
#include "move.h"

// What a mate scores for the mating side at board ply 0: a mate scores
// MATE_SCORE less the board ply of the mated position, and every score
// within MAX_PLIES of MATE_SCORE is a mate's.
inline constexpr int MATE_SCORE = 5000;

enum Bound : int32_t {
    BOUND_UPPER = 0,  // no move raised alpha: the score is at most `score`
    BOUND_LOWER = 1,  // a move reached beta: the score is at least `score`
    BOUND_EXACT = 2,
    BOUND_EMPTY = 3,  // never written
};
static_assert(BOUND_UPPER == 0 && BOUND_LOWER == 1 && BOUND_EXACT == 2 && BOUND_EMPTY == 3 && sizeof(Bound) == 4);

// One slot: the result of an earlier search of the position whose lock it
// holds. `stamp` is the second of the store (-1: never written). Written only
// by StoreTT, emptied only by ClearTT.
struct TTEntry {
    int32_t depth;
    int32_t score;
    int32_t stamp;
    Bound bound;
    uint32_t lock;
    Move best_move;
};
static_assert(sizeof(TTEntry) == 32);

// The classic table: a fixed number of slots, one per key modulo TT_SIZE,
// used by every board under the classic rules.
inline constexpr int TT_SIZE = 430949;  // a prime
extern TTEntry trans_table[TT_SIZE];

// The standard rules use a table whose size the interface chooses (the Hash
// option, xboard's "memory"): until the first ResizeTT they share the
// classic one. Sizes are in megabytes of slots and their tags.
inline constexpr int DEFAULT_HASH_MB = 16;
#ifndef TAVIK_MAX_HASH_MB
#define TAVIK_MAX_HASH_MB 4096  // the fuzz targets build with a smaller cap
#endif
inline constexpr int MAX_HASH_MB = TAVIK_MAX_HASH_MB;

// The slots of the standard table that a position may stand in: a bucket
// of two, one cache line.
inline constexpr uint32_t BUCKET_SLOTS = 2;
static_assert(BUCKET_SLOTS * sizeof(TTEntry) == 64);

// Gives the standard rules an empty table of `megabytes` (1..MAX_HASH_MB).
// False when the memory cannot be had: the table in use stays as it was.
bool ResizeTT(int megabytes);

// The number of slots of the table the rules use.
uint32_t TableSlots(Rules rules);

// Empties every slot of both tables. The tables then live for the run.
void ClearTT();
// Empties the slots of the table the rules use.
void ClearTT(Rules rules);

// Starts a new age of the standard table: what the searches before left
// is replaced first. Every standard search starts one.
void NewTableAge();

// How full the standard table is, in thousandths: the share of its first
// thousand slots that hold a position of this age.
int HashFull();

// Asks the system to keep the classic table on huge pages. Call it before
// the table is first written (StartEngine does).
void AdviseHugePages();

// Whether the tags kept beside the slots, which let most lookups skip
// loading their slot, agree with every slot of both tables. For tests.
bool SlotTagsOk();

// 1 when the slot of the board's position answers a node with window
// (alpha, beta) and remaining depth, the answer in `score`. Under the
// standard rules a mate is stored relative to the storing node's board ply
// and read back at the asking node's (see Rules). On a miss of a
// matching slot the slot's move goes to `move`; other misses leave it alone.
int ProbeTT(const Board& board, int alpha, int beta, int depth, int& score, Move& move);

// The move kept with the board's position, if a slot holds the position. It
// may be no move, or one the position does not have.
bool TableMove(const Board& board, Move& move);

// Offers a result for the board's position. In the classic table, written
// when the slot is shallower or older than this second; in the standard
// one, into the bucket's slot that holds the position, or an empty one, or
// the one worth least by depth and age (`stamp` holds the age). Always 1.
int StoreTT(const Board& board, Move move, int score, int depth, Bound bound);

// Start loading what a lookup reads next, so that the load overlaps other
// work: the tag of the position with key `key`; that of the position an
// ordinary move leads to, before the move is made (other kinds load on the
// lookup; the move may come from the table: whatever stands on its squares
// only picks the tag); and the board's own slot, which a node that searches
// its moves reads when it stores its result.
void PrefetchTag(Rules rules, uint32_t key);
void PrefetchTagAfter(const Board& board, Move move);
void PrefetchOwnSlot(const Board& board);
