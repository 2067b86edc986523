// Position hashing: random tables and the 32-bit key and lock of a position.
// Both are XOR sums over the figures on their squares plus a value for black
// to move; castling rights and the ply are not hashed.
#pragma once

#include <cstdint>

#include "move.h"

struct Board;
struct Figure;
struct PlyState;

inline constexpr int HASH_TABLE_SIZE = 768;  // 6 types x 2 colours x 64 squares

// Filled once per run by InitHashTables; never changed afterwards. The key
// uses the low 32 bits of key_random; every lock_random entry and both side
// values are below 32768, so every lock is too.
extern uint64_t key_random[HASH_TABLE_SIZE];
extern uint64_t lock_random[HASH_TABLE_SIZE];
extern uint32_t side_key_random;
extern uint32_t side_lock_random;

// Fills the tables from the generator seeded with `seed` (the engine seeds
// with the calendar time in seconds).
void InitHashTables(uint32_t seed);

// A position's key (low half) and lock (high half) in one value, so that one
// XOR updates both.
using KeyLock = uint64_t;
inline uint32_t KeyOf(KeyLock pair) { return static_cast<uint32_t>(pair); }
inline uint32_t LockOf(KeyLock pair) { return static_cast<uint32_t>(pair >> 32); }

// Both tables' entries of a figure on a square, by [colour][type][square];
// zero for the empty figure and the spare eighth type, which keeps the index
// a matter of shifts. Derived from key_random and lock_random by
// InitHashTables.
extern KeyLock key_lock_random[3][8][64];

// Index of a figure on a square in both tables.
int HashIndex(const Figure& figure, int square);

uint32_t ComputeKey(const Board& board);
uint32_t ComputeLock(const Board& board);

// What a promotion of `pawn` onto the square of `target`, which leaves
// `promoted` there, XORs into key and lock, the side to move included.
KeyLock PromotionKeyLock(const Figure& pawn, const Figure& target, const Figure& promoted, Move move);

// What passing the turn XORs into key and lock.
KeyLock SideKeyLock();

// The key and lock kept in a ply's state.
KeyLock KeyLockOf(const PlyState& state);

// The key and lock of the position after an ordinary move (NORMAL_MOVE) of
// the side to move, from the board before it: the one update that MakeMove
// makes and that the search uses to look ahead at the move's table slot.
// The move may be one the position does not have (a table's move): whatever
// stands on its squares is hashed as if it moved.
KeyLock KeyLockAfter(const Board& board, Move move);

// Both of ComputeKey and ComputeLock.
KeyLock ComputeKeyLock(const Board& board);
