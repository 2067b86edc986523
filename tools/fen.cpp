#include "fen.h"

#include <cstring>
#include <ostream>

#include "hash.h"
#include "main.h"

BoardPtr LoadFen(const char* fen)
{
    std::ostream discard(nullptr);
    BoardPtr board = PlaceFigures(fen, discard);
    if (!board)
        return nullptr;
    Board& b = *board;

    const char* field = std::strchr(fen, ' ');
    while (field && *field == ' ')
        ++field;
    if (field && *field == 'b')
        b.side = BLACK;

    if (field)
        field = std::strchr(field, ' ');
    while (field && *field == ' ')
        ++field;
    for (; field && *field && *field != ' '; ++field) {
        switch (*field) {
        case 'K': b.castle[WHITE_KING_SIDE] = 1; break;
        case 'Q': b.castle[WHITE_QUEEN_SIDE] = 1; break;
        case 'k': b.castle[BLACK_KING_SIDE] = 1; break;
        case 'q': b.castle[BLACK_QUEEN_SIDE] = 1; break;
        default: break;
        }
    }
    for (int right = 0; right < 4; ++right)
        b.castle_history[0][right] = b.castle[right];
    b.in_check = IsAttacked(b, KingSquare(b, b.side), Opponent(b.side));
    b.hash_key[0] = ComputeKey(b);
    b.hash_lock[0] = ComputeLock(b);
    return IsLegalPosition(b) ? std::move(board) : nullptr;
}
