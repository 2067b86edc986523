#include "fen.h"

#include <cstring>
#include <ostream>
#include <sstream>

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
    CompleteSetUp(b);
    return IsLegalPosition(b) ? std::move(board) : nullptr;
}

std::string DiagramOf(const Board& board)
{
    std::ostringstream out;
    PrintBoard(board, out);
    return out.str();
}
