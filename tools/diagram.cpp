#include "diagram.h"

#include "board.h"

#include <ostream>
#include <sstream>

std::string DiagramOf(const Board& board)
{
    std::ostringstream out;
    PrintBoard(board, out);
    return out.str();
}
