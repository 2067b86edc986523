// Position hashing: random tables, and what a figure on a square or a move
// adds to the 32-bit key and lock of a position. Both are XOR sums over the
// figures on their squares plus a value for black to move; under the standard
// rules also of the castling rights held and an en passant file (board.h
// adds those). The ply is not hashed.
#pragma once

#include <cstdint>

#include "figure.h"
#include "move.h"

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

// What a castling right (by CastleRight, 0..3) and an en passant square on
// file 0..7 add to key and lock. Drawn after every other value, so that the
// figures' and the side's values are those of the classic tables.
extern KeyLock castle_key_lock_random[4];
extern KeyLock en_passant_key_lock_random[8];

// What passing the turn XORs into key and lock.
KeyLock SideKeyLock();

// What an ordinary move of `mover` onto the square of `target` XORs into key
// and lock, the side to move included. The target counts only if it is the
// other side's; the empty figure's entries are zero.
KeyLock MoveKeyLock(const Figure& mover, const Figure& target, Move move);

// What a promotion of `pawn` onto the square of `target`, which leaves
// `promoted` there, XORs into key and lock, the side to move included.
KeyLock PromotionKeyLock(const Figure& pawn, const Figure& target, const Figure& promoted, Move move);
