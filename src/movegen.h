// Move generation and ordering: every move or every capture of the side to
// move, each with the ordering score that the search picks moves by.
#pragma once

#include <cstdint>

#include "board.h"
#include "move.h"

// Ordering value of a captured figure, by type (KING and NONE included).
inline constexpr int32_t capture_value[7] = {100, 300, 325, 500, 900, 2000, 0};

// The search's history counters of one ply, [from][to], which the ordering
// adds to each move's score; the search hands them in. NO_HISTORY stands for
// counters that are all 0.
using HistoryRow = int32_t[64][64];
inline constexpr HistoryRow NO_HISTORY = {};

// Every pseudo-legal move of the side to move, castling included, each with
// AddMove's score.
//
// The order of the list is part of the contract. The figures come by origin
// square, a1, b1, ... h1, a2, ... h8, and each lists its moves so:
//  - a pawn: its capture toward the a-file, its capture toward the h-file, its
//    push, its double step; a move onto the last rank is four promotions, to
//    a queen, a rook, a knight and a bishop in that order;
//  - a knight or a king: by rising destination square;
//  - a bishop, a rook or a queen: direction by direction, in the order
//    down-left, down, down-right, left, right, up-left, up, up-right (down is
//    toward rank 1, left toward the a-file) restricted to its own directions;
//    along each, from the nearest square outward, ending with the capture of
//    the enemy figure that closes it, if one does.
// After every figure come the en passant captures, which only the standard
// rules list (see Rules): the taker nearer the a-file first. Castling comes
// last: queen-side, then king-side. A list that fills up keeps its first
// MAX_MOVES moves in this order.
//
// The order matters because PickNextMove settles ties between equal scores
// by place in the list, and leaves moves scored below 0 where they are: the
// search's node counts, and so the bench signature, depend on this order as
// much as on the scores.
MoveList GenerateMoves(const Board& board, Move preferred, const HistoryRow& history = NO_HISTORY);

// The captures of the side to move: exactly the moves of GenerateMoves onto
// an enemy figure, capturing promotions included, and the en passant
// captures, in the same order and with the same scores.
MoveList GenerateCaptures(const Board& board, Move preferred, const HistoryRow& history = NO_HISTORY);

// Appends one move with its ordering score, or drops it when the list is
// full. The score is the move's counter in `history` plus 2000 when the move
// has the squares of `preferred`, whatever its kind; else, for a capture,
// 1400 and the victim's capture_value less the mover's; else 900.
void AddMove(MoveList& list, const Board& board, Move move, Move preferred, const HistoryRow& history = NO_HISTORY);

// 1 if the side to move may castle on `wing` (0 queen-side, 1 king-side).
int CanCastle(const Board& board, int wing);

// Brings the best-scored move of positions index..count-1 to `index`.
void PickNextMove(MoveList& list, int index);

// Every legal move of the side to move, en passant captures included (under
// the classic rules, which do not generate them, after the others), in
// generation order; the board is as before on return.
MoveList LegalMoves(Board& board);
