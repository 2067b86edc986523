// The board's geometry: squares and their names, and the lines, jumps and
// rays between them, worked out once from the mailbox step tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "figure.h"

// Lines and jumps between every pair of squares. A direction is the index of
// a line step among the queen's steps: 0 to 3 run down the board (toward rank
// 1), 4 to 7 up it; in order down-left, down, down-right, left, right,
// up-left, up, up-right.
struct Geometry {
    int8_t line_step[64][64];      // as LineStep
    int8_t direction[64][64];      // the direction of line_step, or -1
    uint64_t rays[64][8];          // squares beyond the square in each direction
    uint64_t knight_targets[64];   // squares a knight on the square attacks
    uint64_t king_targets[64];     // squares a king on the square attacks
    uint64_t pawn_targets[2][64];  // squares a pawn of the colour on the square attacks
    uint64_t lines[6][64];         // squares a sliding type reaches from the square on an empty board
};
extern const Geometry GEOMETRY;

// The directions of each sliding type, rising, and how many there are; none
// for the others.
struct TypeDirections {
    int8_t index[8];
    int8_t count;
};
extern const std::array<TypeDirections, 6> SLIDES_OF;

constexpr bool IsUpward(int direction) { return direction >= 4; }

// The directions along a diagonal (down-left, down-right, up-left, up-right),
// one bit each.
inline constexpr uint32_t DIAGONAL_DIRECTIONS = 0b10100101;

// Whether a figure of type `type` slides in `direction`.
inline bool SlidesAlong(FigureType type, int direction)
{
    const bool diagonal = (DIAGONAL_DIRECTIONS >> direction & 1) != 0;
    return type == QUEEN || type == (diagonal ? BISHOP : ROOK);
}

// The first occupied square from `square` in `direction`, or -1. A step up
// the board raises the square number, so the nearest square is the lowest
// bit; down the board, the highest.
inline int FirstInDirection(int square, int direction, uint64_t occupied)
{
    const uint64_t blockers = GEOMETRY.rays[square][direction] & occupied;
    if (blockers == 0)
        return -1;
    return IsUpward(direction) ? __builtin_ctzll(blockers) : 63 - __builtin_clzll(blockers);
}

// The mailbox step that leads from square `from` toward square `to` along a
// rank, a file or a diagonal (+-1 along a rank, +-10 along a file, +-9 or
// +-11 along a diagonal); 0 when the two share no such line.
int LineStep(int from, int to);

// The direction of a line step, or -1 for any other step.
int DirectionOfStep(int step);

// The squares strictly between two squares on a rank, file or diagonal;
// none when they share no line or are neighbours.
uint64_t Between(int a, int b);

// The square that two characters name (e3), or -1; the text holds at least
// two characters.
int ParseSquare(const char* text);

// The name of a square: e3.
std::string SquareText(int square);
