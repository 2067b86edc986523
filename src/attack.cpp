#include "attack.h"

#include "geometry.h"

namespace {

// The squares of `squares` whose figure has type `type`.
uint64_t OfType(const Board& board, uint64_t squares, FigureType type)
{
    uint64_t found = 0;
    for (; squares != 0; squares &= squares - 1) {
        const int square = __builtin_ctzll(squares);
        if (board.squares[square]->type == type)
            found |= uint64_t{1} << square;
    }
    return found;
}

}  // namespace

uint64_t SliderAlong(const Board& board, int square, int step, Colour colour)
{
    return SliderAlongWith(board, square, step, Pieces(board, colour), Occupied(board));
}

uint64_t SliderAlongWith(const Board& board, int square, int step, uint64_t pieces, uint64_t occupied)
{
    // Only a ray with a figure of the side on it can hold such a slider.
    const int direction = DirectionOfStep(step);
    if ((GEOMETRY.rays[square][direction] & pieces) == 0)
        return 0;
    const int first = FirstInDirection(square, direction, occupied);
    if ((pieces >> first & 1) == 0)
        return 0;
    return SlidesAlong(board.squares[first]->type, direction) ? uint64_t{1} << first : 0;
}

bool FigureAttacks(const Board& board, const Figure& figure, int from, int target)
{
    const uint64_t bit = uint64_t{1} << target;
    switch (figure.type) {
    case PAWN: return (GEOMETRY.pawn_targets[figure.colour][from] & bit) != 0;
    case KNIGHT: return (GEOMETRY.knight_targets[from] & bit) != 0;
    case KING: return (GEOMETRY.king_targets[from] & bit) != 0;
    case BISHOP:
    case ROOK:
    case QUEEN: {
        if ((GEOMETRY.lines[figure.type][from] & bit) == 0)
            return false;
        return FirstInDirection(from, GEOMETRY.direction[from][target], Occupied(board)) == target;
    }
    default: return false;
    }
}

uint64_t SlidersAttackingWith(const Board& board, int square, uint64_t pieces, uint64_t occupied)
{
    // Direction by direction: the first figure met in each is the only one
    // that can attack along it, and only a ray with one of `pieces` on it
    // needs walking.
    uint64_t attackers = 0;
    for (int direction = 0; direction < 8; ++direction) {
        if ((GEOMETRY.rays[square][direction] & pieces) == 0)
            continue;
        const int first = FirstInDirection(square, direction, occupied);
        if ((pieces >> first & 1) != 0 && SlidesAlong(board.squares[first]->type, direction))
            attackers |= uint64_t{1} << first;
    }
    return attackers;
}

uint64_t AttackersOf(const Board& board, int square, Colour colour)
{
    const uint64_t pieces = Pieces(board, colour);
    uint64_t attackers = 0;

    // Step 1. Pawns: the squares from which a pawn of `colour` takes on
    // `square` are those a pawn of the other colour would take from it.
    attackers |= OfType(board, GEOMETRY.pawn_targets[Opponent(colour)][square] & pieces, PAWN);

    // Step 2. Sliders.
    attackers |= SlidersAttackingWith(board, square, pieces, Occupied(board));

    // Step 3. Knight jumps.
    attackers |= OfType(board, GEOMETRY.knight_targets[square] & pieces, KNIGHT);

    // Step 4. King steps.
    return attackers | OfType(board, GEOMETRY.king_targets[square] & pieces, KING);
}

int IsAttacked(const Board& board, int square, Colour colour)
{
    return AttackersOf(board, square, colour) != 0 ? 1 : 0;
}

uint64_t KingAttackers(const Board& board, Colour colour)
{
    const int king = KingSquare(board, colour);
    return HasKingOn(board, king, colour) ? AttackersOf(board, king, Opponent(colour)) : 0;
}
