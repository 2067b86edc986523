// Figures: what stands on a square, their letters, and the per-board store
// from which a board takes every figure it refers to.
#pragma once

#include <cstdint>
#include <iosfwd>

enum FigureType : int32_t {
    PAWN = 0,
    KNIGHT = 1,
    BISHOP = 2,
    ROOK = 3,
    QUEEN = 4,
    KING = 5,
    NONE = 6,  // only the board's empty figure
};

enum Colour : int32_t {
    BLACK = 0,
    WHITE = 1,
    NO_COLOUR = 2,  // only the board's empty figure
};

static_assert(PAWN == 0 && KNIGHT == 1 && BISHOP == 2 && ROOK == 3 && QUEEN == 4 && KING == 5 && NONE == 6);
static_assert(BLACK == 0 && WHITE == 1 && NO_COLOUR == 2);
static_assert(sizeof(FigureType) == 4 && sizeof(Colour) == 4);

// The six types a figure on the board can have, in type order, and the two
// colours that move.
inline constexpr FigureType FIGURE_TYPES[] = {PAWN, KNIGHT, BISHOP, ROOK, QUEEN, KING};
inline constexpr Colour COLOURS[] = {BLACK, WHITE};

inline constexpr Colour Opponent(Colour colour) { return colour == WHITE ? BLACK : WHITE; }

// The letter of figure type t is FIGURE_LETTERS[t]; the same capital serves both colours.
inline constexpr char FIGURE_LETTERS[] = "PNBRQK ";
static_assert(sizeof(FIGURE_LETTERS) == NONE + 2);

// A figure on the board, handled by reference. A figure keeps its identity
// while it moves: a move puts the same figure on its destination, and a
// captured figure stays referenced from the undo record of its ply, so that
// taking the move back puts that very figure back. Neither field changes
// while the figure stands on a board or is referenced from a readable undo
// entry.
struct Figure {
    FigureType type;
    Colour colour;
};
static_assert(sizeof(Figure) == 8);

// Room for every figure a board can ever hold at once: at most 64 placed
// figures, one promoted figure per pawn (a pawn promotes once), and the empty
// figure. A promotion taken back returns its figure to the free list, so a
// search never makes the store grow.
inline constexpr int FIGURE_STORE_SIZE = 160;
static_assert(FIGURE_STORE_SIZE >= 64 + 64 + 1);

// The figures of one board. `used` slots of `slots` have been handed out;
// `free_list` holds the first `free_count` of them that were given back and
// may be handed out again. A figure's address never changes, since the store
// lives inside its board and boards are never copied.
struct FigureStore {
    Figure slots[FIGURE_STORE_SIZE];
    Figure* free_list[FIGURE_STORE_SIZE];
    int32_t used;
    int32_t free_count;
};

// Hands out a figure of the given type and colour from the store. A store
// that has run out ends the process with the allocation-failure message.
Figure* NewFigure(FigureStore& store, FigureType type, Colour colour);

// Gives a figure back to its store. Only for a figure that no square and no
// readable undo entry refers to any more (a promotion that was taken back).
void ReleaseFigure(FigureStore& store, Figure* figure);

// The placement letter of a position text (PNBRQK white, pnbrqk black) as a
// new figure, or none after writing "Unknown figure %c\n" for any other
// character.
Figure* FigureFromLetter(FigureStore& store, char letter, std::ostream& out);

inline bool IsEmpty(const Figure* figure) { return figure->colour == NO_COLOUR; }
