// The standard search, which the standard modes play with: a principal
// variation search over the same board, generator and table as the classic
// search (classic_search.h), with what the classic one lacks. Each technique
// is a step of StandardNode or StandardQuiesce, named in its comment:
// aspiration windows at the root; mate distance pruning; reverse futility
// pruning; a null move whose reduction grows with the depth; moves ordered by
// the table's move, captures by a static exchange evaluation, killer moves
// and a history table; late move reductions; futility and late move pruning
// of quiet moves near the leaves; and a quiescence search that takes the
// table's answers, skips losing captures and answers checks. It scores with
// the standard evaluation.
#pragma once

#include <cstdint>

#include "board.h"
#include "move.h"
#include "search_control.h"

// Forgets what earlier searches taught the move ordering (a new game).
void ClearStandardSearch();

// Gets the standard search ready for a search of a new position: a new age
// for the table, the killer moves emptied, the history table halved so that
// what it learnt fades.
void BeginStandardSearch();

// The score of the board's position, searched `depth` plies deep, first in a
// narrow window around `previous` (the last depth's score; from depth
// ASPIRATION_DEPTH on), widened until the score falls inside. `best` gets
// the best root move (the first legal one when none raised the window).
// Fail-soft; once the search's limits stop it, returns 0, which means nothing.
inline constexpr int ASPIRATION_DEPTH = 5;
int SearchStandardDepth(Board& board, int depth, int previous, Move& best);

// The principal variation search of one node within (alpha, beta); fail-soft
// (the score may lie outside the window, and bounds it from that side). A
// mated side scores its board ply less MATE_SCORE, a draw 0. `best` gets the
// node's best move, or stays as it was when none raised alpha.
int StandardNode(Board& board, int alpha, int beta, int depth, bool null_allowed, Move& best);

// The captures pending in the position played out; in check, every evasion.
int StandardQuiesce(Board& board, int alpha, int beta);

// What the side to move gains by `move` when both sides then take on its
// destination square, each with its least valuable figure, and may stop
// when taking on would lose. In centipawns; pins are not seen.
int StaticExchange(const Board& board, Move move);
