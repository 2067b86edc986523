#include "classic_eval.h"

#include "eval_tables.h"

// The material and square terms of every figure, white's less black's, as the
// moves have kept them; for the side to move.
int32_t Evaluate(const Board& board)
{
    const int32_t balance = State(board).balance;
    return board.side == WHITE ? balance : -balance;
}

int32_t EvaluateAfter(const Board& board, Move move)
{
    const int32_t balance =
        BalanceAfter(State(board).balance, *board.squares[move.from], *board.squares[move.to], move);
    return board.side == WHITE ? -balance : balance;
}
