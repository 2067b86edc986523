#include "hash.h"

uint64_t key_random[HASH_TABLE_SIZE];
uint64_t lock_random[HASH_TABLE_SIZE];
uint32_t side_key_random;
uint32_t side_lock_random;
KeyLock key_lock_random[3][8][64];
KeyLock castle_key_lock_random[4];
KeyLock en_passant_key_lock_random[8];

namespace {

// The generator behind every random value: a 32-bit linear congruential
// state; each draw gives 15 bits.
uint32_t random_state;

uint32_t Draw()
{
    random_state = random_state * 214013u + 2531011u;
    return (random_state >> 16) & 32767u;
}

// A key of 30 bits and a lock of 15, as the figures' locks have.
KeyLock DrawKeyLock()
{
    const uint32_t key = Draw() << 15 | Draw();
    return key | KeyLock{Draw()} << 32;
}

}  // namespace

KeyLock SideKeyLock() { return side_key_random | KeyLock{side_lock_random} << 32; }

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
    for (KeyLock& value : castle_key_lock_random)
        value = DrawKeyLock();
    for (KeyLock& value : en_passant_key_lock_random)
        value = DrawKeyLock();

    for (const Colour colour : COLOURS) {
        for (const FigureType type : FIGURE_TYPES) {
            for (int square = 0; square < 64; ++square) {
                const int index = HashIndex(Figure{type, colour}, square);
                key_lock_random[colour][type][square] =
                    static_cast<uint32_t>(key_random[index]) | (lock_random[index] & 0xFFFFFFFFu) << 32;
            }
        }
    }
}

KeyLock MoveKeyLock(const Figure& mover, const Figure& target, Move move)
{
    KeyLock hash = SideKeyLock();
    if (target.colour != mover.colour)
        hash ^= key_lock_random[target.colour][target.type][move.to];
    return hash ^ key_lock_random[mover.colour][mover.type][move.to] ^
           key_lock_random[mover.colour][mover.type][move.from];
}

KeyLock PromotionKeyLock(const Figure& pawn, const Figure& target, const Figure& promoted, Move move)
{
    return SideKeyLock() ^ key_lock_random[pawn.colour][pawn.type][move.from] ^
           key_lock_random[target.colour][target.type][move.to] ^
           key_lock_random[promoted.colour][promoted.type][move.to];
}
