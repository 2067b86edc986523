#include "board.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <ostream>

BoardPtr AllocBoard()
{
    BoardPtr board(new (std::nothrow) Board());
    if (!board) {
        // Exact on purpose, the module name and line number included.
        std::printf("Memory allocation failure at %s:%d\n", ".\\board", 36);
        std::fflush(stdout);
        std::exit(1);
    }
    board->empty = NewFigure(board->store, NONE, NO_COLOUR);
    // Until a move is made, the first undo record names the empty figure, so
    // that a reader of it (the repetition scan) always finds a figure.
    board->states[0].undo = {board->empty, board->empty};
    board->rules = CLASSIC_RULES;
    board->side = WHITE;
    board->start_en_passant = -1;
    return board;
}

void PrintBoard(const Board& board, std::ostream& out)
{
    static constexpr char BORDER[] = "+----+----+----+----+----+----+----+----+";
    out << "  " << BORDER << "\n";
    for (int rank = 7; rank >= 0; --rank) {
        out << rank + 1 << " |";
        for (int file = 0; file < 8; ++file) {
            const Figure* figure = board.squares[rank * 8 + file];
            out << ' ' << (figure->colour == WHITE ? '*' : ' ') << FIGURE_LETTERS[figure->type] << " |";
        }
        out << "\n  " << BORDER << "\n";
    }
    out << "\n     a    b    c    d    e    f    g    h\n\n";
}

KeyLock RightsKeyLock(const PlyState& state)
{
    KeyLock hash = 0;
    for (int right = 0; right < 4; ++right) {
        if (state.castle[right])
            hash ^= castle_key_lock_random[right];
    }
    if (state.en_passant != NO_EN_PASSANT)
        hash ^= en_passant_key_lock_random[state.en_passant % 8];
    return hash;
}

int EnPassantTarget(const Board& board)
{
    if (board.ply == 0)
        return board.start_en_passant;
    const PlyState& before = board.states[board.ply - 1];
    const Move last = before.move;
    const Figure* mover = before.undo.moved;
    const bool double_step =
        last.kind == NORMAL_MOVE && mover->type == PAWN && (last.to - last.from == 16 || last.from - last.to == 16);
    return double_step && board.squares[last.to] == mover ? (last.from + last.to) / 2 : -1;
}

bool IsEnPassant(const Board& board, int from, int to)
{
    const Colour colour = board.side;
    if (from < 0 || from > 63 || to < 16 || to > 47 || to != EnPassantTarget(board))
        return false;
    const Figure* pawn = board.squares[from];
    const Figure* passed = board.squares[to + (colour == WHITE ? -8 : 8)];
    const int forward = colour == WHITE ? 8 : -8;
    const int file_step = to % 8 - from % 8;
    return pawn->type == PAWN && pawn->colour == colour && IsEmpty(board.squares[to]) &&
           (file_step == 1 || file_step == -1) && to == from + forward + file_step && passed->type == PAWN &&
           passed->colour == Opponent(colour);
}

uint64_t EnPassantTakers(const Board& board)
{
    const int target = EnPassantTarget(board);
    const int behind = board.side == WHITE ? -8 : 8;
    uint64_t takers = 0;
    for (const int from : {target + behind - 1, target + behind + 1}) {
        if (target >= 0 && IsEnPassant(board, from, target))
            takers |= uint64_t{1} << from;
    }
    return takers;
}
