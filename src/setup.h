// Setting up a board: what a position placed square by square implies, the
// initial position, whether play can go on from a position, and the check of
// every invariant of a board.
#pragma once

#include <cstdint>

#include "board.h"
#include "hash.h"

// Works out the rest of what the position at ply 0 implies: its key and
// lock, balance, occupancy, checkers and, under the standard rules, its en
// passant square (from `start_en_passant`).
void CompleteSetUp(Board& board);

// A board in the initial position under `rules`, all castling rights held,
// white to move.
BoardPtr NewBoard(Rules rules);

// The en passant square of the board's position that a pawn of the side to
// move can take on legally, or NO_EN_PASSANT; worked out from EnPassantTarget
// without making the capture.
int8_t UsableEnPassant(const Board& board);

// The part of the key and lock that the figures and the side to move make.
KeyLock PlacementKeyLock(const Board& board);

// The key and lock of the board's position worked out from scratch, together
// and one by one: PlacementKeyLock, and under the standard rules the
// RightsKeyLock of the position's state.
KeyLock ComputeKeyLock(const Board& board);
uint32_t ComputeKey(const Board& board);
uint32_t ComputeLock(const Board& board);

// The sum of FigureScore over the board: white's score less black's. The
// board keeps it per ply (PlyState::balance), updated by every move.
int32_t ComputeBalance(const Board& board);

// Whether the position is one that play can go on from without a king being
// taken: at most one king of each colour, and the side not to move not in
// check. (A side may lack its king.)
bool IsLegalPosition(const Board& board);

// Whether a game can be played from the position as chess is played: one
// king of each colour, no pawn on the first or last rank, and the side not
// to move not in check. The standard front-ends refuse any other set-up
// position.
bool IsPlayablePosition(const Board& board);

// The name of the first invariant of the board (see Board) that does not
// hold, or nullptr when all hold. For tests, fuzzing and the assertions of
// debug builds.
const char* BrokenInvariant(const Board& board);
inline bool BoardOk(const Board& board) { return BrokenInvariant(board) == nullptr; }

// Debug and sanitizer builds check every invariant after each make and
// unmake: a broken one ends the process, naming it and the place.
void AssertBoardOk(const Board& board, const char* file, int line);
#ifdef TAVIK_CHECKS
#define ASSERT_BOARD_OK(board) AssertBoardOk(board, __FILE__, __LINE__)
#else
#define ASSERT_BOARD_OK(board) ((void)0)
#endif
