// Making and taking back moves, which decide whether a move is legal; null
// moves; and the room a long game makes for its next move.
#pragma once

#include "board.h"
#include "hash.h"
#include "move.h"

// Plays a move generated for the side to move: 1 if made, 0 if refused
// because the mover's king would stand attacked (or the board is at
// LAST_PLY), the board then being as before.
int MakeMove(Board& board, Move move);

// Takes back the last move made with MakeMove. Requires ply >= 1.
void UnmakeMove(Board& board);

// Passes the turn; only when the side to move is not in check and ply < LAST_PLY.
void MakeNullMove(Board& board);
void UnmakeNullMove(Board& board);

// Drops the oldest plies of a game that has reached GAME_PLY_LIMIT.
void MakeRoom(Board& board);

// A move of the game itself (not of the search): makes room, then MakeMove;
// whether the move was made.
bool MakeGameMove(Board& board, Move move);

// The key and lock of the position after an ordinary move (NORMAL_MOVE) of
// the side to move, from the board before it: the one update that MakeMove
// makes and that the search uses to look ahead at the move's table slot.
// Under the standard rules, a move that changes the castling rights or the
// en passant square changes the key further.
// The move may be one the position does not have (a table's move): whatever
// stands on its squares is hashed as if it moved.
KeyLock KeyLockAfter(const Board& board, Move move);

// Whether WouldRefuse can foresee `move`: an ordinary move or a promotion of
// a figure other than the king. Its legality then needs nothing but the
// squares the move empties and fills.
bool IsForeseeable(const Board& board, Move move);

// Whether MakeMove would refuse `move`, a foreseeable one, worked out without
// making it.
bool WouldRefuse(const Board& board, Move move);

// Debug builds: ends the process, naming the move, when `refused` (what
// WouldRefuse said) is not what MakeMove does with `move`. The board is as
// before on return.
void CheckForesight(Board& board, Move move, bool refused);
