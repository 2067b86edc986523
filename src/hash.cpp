#include "hash.h"

#include "board.h"

uint64_t key_random[HASH_TABLE_SIZE];
uint64_t lock_random[HASH_TABLE_SIZE];
uint32_t side_key_random;
uint32_t side_lock_random;

namespace {

// The generator behind every random value: a 32-bit linear congruential
// state; each draw gives 15 bits.
uint32_t random_state;

uint32_t Draw()
{
    random_state = random_state * 214013u + 2531011u;
    return (random_state >> 16) & 32767u;
}

// XOR of one table's entries for the figures that an ordinary move changes,
// and the side to move.
uint32_t UpdateHash(const Board& board, Move move, uint32_t old, const uint64_t* table, uint32_t side_random)
{
    const Figure& mover = *board.squares[move.from];
    const Figure& target = *board.squares[move.to];
    uint32_t hash = old;
    if (target.colour != NO_COLOUR && target.colour != mover.colour)
        hash ^= static_cast<uint32_t>(table[HashIndex(target, move.to)]);
    hash ^= static_cast<uint32_t>(table[HashIndex(mover, move.to)]);
    hash ^= static_cast<uint32_t>(table[HashIndex(mover, move.from)]);
    return hash ^ side_random;
}

uint32_t ComputeHash(const Board& board, const uint64_t* table, uint32_t side_random)
{
    uint32_t hash = 0;
    for (int square = 0; square < 64; ++square) {
        const Figure& figure = *board.squares[square];
        if (figure.type != NONE)
            hash ^= static_cast<uint32_t>(table[HashIndex(figure, square)]);
    }
    if (board.side == BLACK)
        hash ^= side_random;
    return hash;
}

}  // namespace

int HashIndex(const Figure& figure, int square)
{
    const int colour_index = figure.colour == WHITE ? 0 : 1;
    return (figure.type * 2 + colour_index) * 64 + square;
}

void InitHashTables(uint32_t seed)
{
    random_state = seed;
    for (int i = 0; i < HASH_TABLE_SIZE; ++i) {
        uint64_t value = Draw();
        for (int part = 0; part < 4; ++part)
            value = (value << 15) ^ Draw();
        key_random[i] = value;
        lock_random[i] = Draw();
    }
    side_key_random = Draw();
    side_lock_random = Draw();
}

uint32_t ComputeKey(const Board& board) { return ComputeHash(board, key_random, side_key_random); }

uint32_t ComputeLock(const Board& board) { return ComputeHash(board, lock_random, side_lock_random); }

uint32_t UpdateKey(const Board& board, Move move)
{
    return UpdateHash(board, move, board.hash_key[board.ply - 1], key_random, side_key_random);
}

uint32_t UpdateLock(const Board& board, Move move)
{
    return UpdateHash(board, move, board.hash_lock[board.ply - 1], lock_random, side_lock_random);
}
