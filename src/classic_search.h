// The classic search: the alpha-beta and quiescence searches the classic
// engine replies with, as they have always searched (a fixed null-move
// reduction, the check extension, moves ordered by the table's move, captures
// and history counters), with the material and square evaluation alone. The
// standard search (standard_search.h) builds on the same ground and shows
// what each of its techniques adds to these.
#pragma once

#include <cstdint>

#include "board.h"
#include "move.h"
#include "search_control.h"

inline constexpr int QUIESCE_LIMIT = 19;  // plies from the root
inline constexpr int HISTORY_PLIES = 512;
inline constexpr int HISTORY_CLEARED_PLIES = 200;

// History counters, [ply][from][to]: raised by AlphaBeta for the best move of
// a node that finished its loop, read by the move ordering.
extern int32_t history[HISTORY_PLIES][64][64];

// Resets the counters of the first HISTORY_CLEARED_PLIES plies.
void ClearHistory();

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
