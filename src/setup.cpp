#include "setup.h"

#include <cstdio>
#include <cstdlib>

#include "attack.h"
#include "eval_tables.h"
#include "geometry.h"

namespace {

constexpr FigureType BACK_RANK[8] = {ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK};

// The squares of the figures of `colour`, of any type or of `type` only.
uint64_t ComputeOccupancy(const Board& board, Colour colour, FigureType type = NONE)
{
    uint64_t occupied = 0;
    for (int square = 0; square < 64; ++square) {
        const Figure* figure = board.squares[square];
        if (figure->colour == colour && (type == NONE || figure->type == type))
            occupied |= uint64_t{1} << square;
    }
    return occupied;
}

}  // namespace

void CompleteSetUp(Board& board)
{
    PlyState& state = board.states[0];
    for (const Colour colour : COLOURS) {
        state.occupancy[colour] = ComputeOccupancy(board, colour);
        state.pawns[colour] = ComputeOccupancy(board, colour, PAWN);
    }
    state.checkers = KingAttackers(board, board.side);
    state.en_passant = board.rules == STANDARD_RULES ? UsableEnPassant(board) : NO_EN_PASSANT;
    SetKeyLock(state, ComputeKeyLock(board));
    state.balance = ComputeBalance(board);
}

BoardPtr NewBoard(Rules rules)
{
    BoardPtr board = AllocBoard();
    Board& b = *board;
    b.rules = rules;
    for (int file = 0; file < 8; ++file)
        b.squares[file] = NewFigure(b.store, BACK_RANK[file], WHITE);
    for (int file = 0; file < 8; ++file)
        b.squares[56 + file] = NewFigure(b.store, BACK_RANK[file], BLACK);
    for (int file = 0; file < 8; ++file) {
        for (int rank = 2; rank <= 5; ++rank)
            b.squares[rank * 8 + file] = b.empty;
        b.squares[8 + file] = NewFigure(b.store, PAWN, WHITE);
        b.squares[48 + file] = NewFigure(b.store, PAWN, BLACK);
    }
    for (int8_t& right : b.states[0].castle)
        right = 1;
    b.white_king = 4;
    b.black_king = 60;
    b.side = WHITE;
    CompleteSetUp(b);
    return board;
}

namespace {

// Whether the en passant capture of the side to move's pawn on `from` leaves
// its king safe. Only the squares of the capture change: a check by a knight
// or a pawn stays unless the pawn taken gave it, and a slider's is seen over
// the squares the capture leaves occupied.
bool EnPassantLeavesKingSafe(const Board& board, int from, int to)
{
    const Colour side = board.side;
    const int king = KingSquare(board, side);
    if (!HasKingOn(board, king, side))
        return true;
    const uint64_t victim = uint64_t{1} << (side == WHITE ? to - 8 : to + 8);
    for (uint64_t checkers = State(board).checkers & ~victim; checkers != 0; checkers &= checkers - 1) {
        const FigureType type = board.squares[__builtin_ctzll(checkers)]->type;
        if (type == PAWN || type == KNIGHT)
            return false;
    }
    const uint64_t enemies = Pieces(board, Opponent(side)) & ~victim;
    const uint64_t occupied = (Occupied(board) & ~victim & ~(uint64_t{1} << from)) | uint64_t{1} << to;
    return SlidersAttackingWith(board, king, enemies, occupied) == 0;
}

}  // namespace

int8_t UsableEnPassant(const Board& board)
{
    const int target = EnPassantTarget(board);
    if (target < 0)
        return NO_EN_PASSANT;
    // The pawns that take on the target are where an enemy pawn standing on
    // it would take.
    uint64_t takers = GEOMETRY.pawn_targets[Opponent(board.side)][target] & Pawns(board, board.side);
    for (; takers != 0; takers &= takers - 1) {
        if (EnPassantLeavesKingSafe(board, __builtin_ctzll(takers), target))
            return static_cast<int8_t>(target);
    }
    return NO_EN_PASSANT;
}

KeyLock PlacementKeyLock(const Board& board)
{
    KeyLock hash = 0;
    for (int square = 0; square < 64; ++square) {
        const Figure& figure = *board.squares[square];
        hash ^= key_lock_random[figure.colour][figure.type][square];
    }
    return board.side == BLACK ? hash ^ SideKeyLock() : hash;
}

KeyLock ComputeKeyLock(const Board& board)
{
    const KeyLock placement = PlacementKeyLock(board);
    return board.rules == STANDARD_RULES ? placement ^ RightsKeyLock(State(board)) : placement;
}

uint32_t ComputeKey(const Board& board) { return KeyOf(ComputeKeyLock(board)); }

uint32_t ComputeLock(const Board& board) { return LockOf(ComputeKeyLock(board)); }

int32_t ComputeBalance(const Board& board)
{
    int32_t balance = 0;
    for (int square = 0; square < 64; ++square)
        balance += FigureScore(*board.squares[square], square);
    return balance;
}

bool IsLegalPosition(const Board& board)
{
    int kings[2] = {0, 0};
    for (const Figure* figure : board.squares) {
        if (figure->type == KING)
            ++kings[figure->colour];
    }
    if (kings[WHITE] > 1 || kings[BLACK] > 1)
        return false;
    return KingAttackers(board, Opponent(board.side)) == 0;
}

bool IsPlayablePosition(const Board& board)
{
    int kings[2] = {0, 0};
    for (int square = 0; square < 64; ++square) {
        const Figure* figure = board.squares[square];
        if (figure->type == KING)
            ++kings[figure->colour];
        if (figure->type == PAWN && (square < 8 || square >= 56))
            return false;
    }
    return kings[WHITE] == 1 && kings[BLACK] == 1 && IsLegalPosition(board);
}

namespace {

// The figure invariants: every square refers to a figure of the store, the
// empty one for an empty square; the king squares hold kings.
const char* BrokenFigureInvariant(const Board& board)
{
    const Figure* first = board.store.slots;
    const Figure* last = board.store.slots + board.store.used;
    if (board.empty < first || board.empty >= last || board.empty->type != NONE || board.empty->colour != NO_COLOUR)
        return "the empty figure is the store's NONE figure";
    int kings[2] = {0, 0};
    for (int square = 0; square < 64; ++square) {
        const Figure* figure = board.squares[square];
        if (figure < first || figure >= last)
            return "every square refers to a figure of the store";
        if (figure->type < PAWN || figure->type > NONE || (figure->type == NONE) != (figure->colour == NO_COLOUR))
            return "every figure has a type and a colour, or neither";
        if (figure->type == NONE && figure != board.empty)
            return "every empty square refers to the board's empty figure";
        if (figure->type == KING)
            ++kings[figure->colour];
    }
    // A set-up position may lack a king or hold several; the king square is
    // then that of one of them.
    for (const Colour colour : COLOURS) {
        const int square = KingSquare(board, colour);
        if (square < 0 || square > 63)
            return "the king squares are squares";
        const Figure* king = board.squares[square];
        if (kings[colour] > 0 && (king->type != KING || king->colour != colour))
            return "the king squares hold their kings";
    }
    return nullptr;
}

// The state invariants: what states[ply] keeps equals what the figures imply.
const char* BrokenStateInvariant(const Board& board)
{
    const PlyState& state = State(board);
    if (state.hash_key != ComputeKey(board) || state.hash_lock != ComputeLock(board))
        return "hash_key and hash_lock are those of the position";
    if (state.balance != ComputeBalance(board))
        return "balance is ComputeBalance of the position";
    for (const Colour colour : COLOURS) {
        if (state.occupancy[colour] != ComputeOccupancy(board, colour))
            return "occupancy holds the squares of each colour's figures";
        if (state.pawns[colour] != ComputeOccupancy(board, colour, PAWN))
            return "pawns holds the squares of each colour's pawns";
    }
    if (state.checkers != KingAttackers(board, board.side))
        return "checkers holds the figures checking the side to move";
    for (const int8_t right : state.castle) {
        if (right != 0 && right != 1)
            return "every castling right is 0 or 1";
    }
    const bool standard = board.rules == STANDARD_RULES;
    if (state.en_passant != (standard ? UsableEnPassant(board) : NO_EN_PASSANT))
        return "en_passant is the square a capture can use, under the standard rules only";
    if (state.halfmove_clock < 0 || (!standard && state.halfmove_clock != 0))
        return "halfmove_clock counts plies, under the standard rules only";
    return nullptr;
}

}  // namespace

const char* BrokenInvariant(const Board& board)
{
    if (board.ply < 0 || board.ply > LAST_PLY)
        return "0 <= ply <= LAST_PLY";
    if (board.side != WHITE && board.side != BLACK)
        return "side is WHITE or BLACK";
    if (board.rules != CLASSIC_RULES && board.rules != STANDARD_RULES)
        return "rules are CLASSIC_RULES or STANDARD_RULES";
    if (const char* broken = BrokenFigureInvariant(board))
        return broken;
    return BrokenStateInvariant(board);
}

void AssertBoardOk(const Board& board, const char* file, int line)
{
    if (const char* broken = BrokenInvariant(board)) {
        std::fprintf(stderr, "%s:%d: board invariant broken: %s\n", file, line, broken);
        std::abort();
    }
}
