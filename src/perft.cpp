#include "perft.h"

#include "board.h"
#include "make_move.h"
#include "movegen.h"
#include "notation.h"

uint64_t Perft(Board& board, int depth)
{
    if (depth <= 0)
        return 1;
    const MoveList list = GenerateMoves(board, NO_MOVE);
    uint64_t leaves = 0;
    for (int i = 0; i < list.count; ++i) {
        if (!MakeMove(board, list.moves[i]))
            continue;
        leaves += Perft(board, depth - 1);
        UnmakeMove(board);
    }
    return leaves;
}

std::vector<DivideEntry> Divide(Board& board, int depth)
{
    std::vector<DivideEntry> entries;
    const MoveList list = GenerateMoves(board, NO_MOVE);
    for (int i = 0; i < list.count; ++i) {
        if (!MakeMove(board, list.moves[i]))
            continue;
        entries.push_back({MoveText(list.moves[i]), Perft(board, depth - 1)});
        UnmakeMove(board);
    }
    return entries;
}
