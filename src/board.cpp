#include "board.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>

#include "eval.h"
#include "hash.h"

// Debug and sanitizer builds check every invariant after each make and unmake.
#ifdef TAVIK_CHECKS
#define ASSERT_BOARD_OK(board)                                                                                         \
    ((BoardOk(board)) ? (void)0                                                                                        \
                      : (std::fprintf(stderr, "%s:%d: board invariant broken\n", __FILE__, __LINE__), std::abort()))
#else
#define ASSERT_BOARD_OK(board) ((void)0)
#endif

namespace {

constexpr int32_t BACK_RANK[8] = {ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK};

// The castling right that belongs to a corner square, or -1.
int CornerRight(int square)
{
    switch (square) {
    case 0: return WHITE_QUEEN_SIDE;
    case 7: return WHITE_KING_SIDE;
    case 56: return BLACK_QUEEN_SIDE;
    case 63: return BLACK_KING_SIDE;
    default: return -1;
    }
}

void SetKingSquare(Board& board, int32_t colour, int square)
{
    if (colour == WHITE)
        board.white_king = square;
    else
        board.black_king = square;
}

// The square of the pawn that an en passant capture onto `to` removes.
int EnPassantVictim(int to, int32_t mover) { return mover == WHITE ? to - 8 : to + 8; }

bool HasKingOn(const Board& board, int square, int32_t colour)
{
    const Figure* figure = board.squares[square];
    return figure->type == KING && figure->colour == colour;
}

// The figures attacking the king of `colour`. A side that a set-up position
// left without a king is never in check: no move of its can expose a king,
// and none can check it.
uint64_t KingAttackers(const Board& board, int32_t colour)
{
    const int king = KingSquare(board, colour);
    return HasKingOn(board, king, colour) ? AttackersOf(board, king, Opponent(colour)) : 0;
}

bool KingAttacked(const Board& board, int32_t colour) { return KingAttackers(board, colour) != 0; }

// Whether a move of a figure other than the king, made in check, takes the
// only checker or steps between it and the king. No other such move can be
// legal: a double check leaves only king moves.
bool AnswersCheck(const Board& board, Move move)
{
    const uint64_t checkers = board.checkers[board.ply];
    if ((checkers & (checkers - 1)) != 0)
        return false;
    const int checker = __builtin_ctzll(checkers);
    const uint64_t answers = checkers | Between(KingSquare(board, board.side), checker);
    return (answers >> move.to & 1) != 0;
}

// Whether the move just made leaves the mover's king attacked. A king move
// or an en passant capture (which empties two squares) takes the full test.
// Any other move answered a check it was made in (see AnswersCheck), so only
// a line through the king that it opened can attack the king now: the move
// emptied a square that shielded nothing else.
bool LeavesKingAttacked(const Board& board, Move move, const Figure& mover, int32_t colour)
{
    // The king's presence is asked only once an attack is possible: most
    // moves leave no line through the king's square.
    const int king = KingSquare(board, colour);
    const int32_t enemy = Opponent(colour);
    if (mover.type == KING || move.kind == EN_PASSANT)
        return HasKingOn(board, king, colour) && IsAttacked(board, king, enemy);
    const int step = LineStep(king, move.from);
    return step != 0 && HasKingOn(board, king, colour) && IsSliderAlong(board, king, step, enemy);
}

// The figures that check the other king, which was not in check before the
// move just made: the moved figure itself and a slider it uncovered.
// Castlings, promotions and en passant captures take the full test.
uint64_t CheckersAfter(const Board& board, Move move, const Figure& mover, int32_t colour)
{
    const int32_t enemy = Opponent(colour);
    const int king = KingSquare(board, enemy);
    uint64_t checkers = 0;
    if (move.kind != NORMAL_MOVE) {
        checkers = AttackersOf(board, king, colour);
    } else {
        if (FigureAttacks(board, mover, move.to, king))
            checkers = uint64_t{1} << move.to;
        if (const int step = LineStep(king, move.from); step != 0)
            checkers |= SliderAlong(board, king, step, colour);
    }
    // Asked last, as few moves attack the king's square at all.
    return checkers != 0 && HasKingOn(board, king, enemy) ? checkers : 0;
}

// Castling rights to and from their history entry. A fixed-size copy, which
// the compiler turns into two moves rather than a library call.
void SaveCastle(Board& board, int ply) { std::memcpy(board.castle_history[ply], board.castle, sizeof board.castle); }
void RestoreCastle(Board& board, int ply) { std::memcpy(board.castle, board.castle_history[ply], sizeof board.castle); }

// Keeps `hash` as the key and lock of `ply`.
void SetKeyLock(Board& board, int ply, KeyLock hash)
{
    board.hash_key[ply] = KeyOf(hash);
    board.hash_lock[ply] = LockOf(hash);
}

int32_t PromotedType(int32_t kind)
{
    switch (kind) {
    case PROMOTE_KNIGHT: return KNIGHT;
    case PROMOTE_BISHOP: return BISHOP;
    case PROMOTE_ROOK: return ROOK;
    default: return QUEEN;
    }
}

}  // namespace

BoardPtr AllocBoard()
{
    BoardPtr board(new (std::nothrow) Board());
    if (!board) {
        std::printf("Memory allocation failure at %s:%d\n", ".\\board", 36);
        std::fflush(stdout);
        std::exit(1);
    }
    board->empty = NewFigure(board->store, NONE, NO_COLOUR);
    // Until a move is made, the first undo record names the empty figure, so
    // that a reader of it (the repetition scan) always finds a figure.
    board->undo[0] = {board->empty, board->empty, 0};
    board->side = WHITE;
    board->start_en_passant = -1;
    return board;
}

BoardPtr NewBoard()
{
    BoardPtr board = AllocBoard();
    Board& b = *board;
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
    for (int32_t& right : b.castle)
        right = 1;
    b.white_king = 4;
    b.black_king = 60;
    b.side = WHITE;
    CompleteSetUp(b);
    return board;
}

namespace {

// The squares of the figures of `colour`, of any type or of `type` only.
uint64_t ComputeOccupancy(const Board& board, int32_t colour, int32_t type = NONE)
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
    SaveCastle(board, 0);
    for (const int32_t colour : {BLACK, WHITE}) {
        board.occupancy[0][colour] = ComputeOccupancy(board, colour);
        board.pawns[0][colour] = ComputeOccupancy(board, colour, PAWN);
    }
    board.checkers[0] = KingAttackers(board, board.side);
    board.in_check = board.checkers[0] != 0;
    board.hash_key[0] = ComputeKey(board);
    board.hash_lock[0] = ComputeLock(board);
    board.balance[0] = ComputeBalance(board);
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

int32_t BalanceAfter(int32_t balance, const Figure& moving, const Figure& taken, Move move)
{
    const Figure arriving = IsPromotion(move.kind) ? Figure{PromotedType(move.kind), moving.colour} : moving;
    return balance - FigureScore(taken, move.to) + FigureScore(arriving, move.to) - FigureScore(moving, move.from);
}

bool WouldRefuse(const Board& board, Move move)
{
    // MakeMove's first tests.
    if (board.ply >= LAST_PLY || (board.in_check && !AnswersCheck(board, move)))
        return true;

    // Its step 11 on the board the move would leave: `from` empty, `to` the
    // mover's, and whatever stood on `to` gone. Every other square keeps its
    // figure, and the king stays where it is.
    const int32_t colour = board.side;
    const int king = KingSquare(board, colour);
    const int step = LineStep(king, move.from);
    if (step == 0 || !HasKingOn(board, king, colour))
        return false;
    const uint64_t to_bit = uint64_t{1} << move.to;
    const uint64_t enemies = Pieces(board, Opponent(colour)) & ~to_bit;
    const uint64_t occupied = (Occupied(board) & ~(uint64_t{1} << move.from)) | to_bit;
    return SliderAlongWith(board, king, step, enemies, occupied) != 0;
}

int MakeMove(Board& board, Move move)
{
    const int p = board.ply;
    if (p >= LAST_PLY)
        return 0;
    Figure* mover = board.squares[move.from];
    Figure* target = board.squares[move.to];
    const int32_t colour = board.side;
    // Copies of both figures: every store into the board below could, as far
    // as the compiler can tell, change a figure, which lives in the board.
    const Figure moving = *mover;
    const Figure taken = *target;

    // Step 11, early for most moves made in check: one that cannot answer the
    // check is refused before anything changes.
    if (board.in_check && moving.type != KING && move.kind != EN_PASSANT && !AnswersCheck(board, move))
        return 0;

    // Step 1. Record what taking the move back needs.
    board.undo[p] = {mover, target, board.in_check};
    board.moves[p] = move;

    // Step 2.
    board.ply = p + 1;

    // Step 3. An ordinary move updates key and lock from the figures as they
    // stand; a promotion does so in step 7, once its figure is made.
    if (move.kind == NORMAL_MOVE)
        SetKeyLock(board, p + 1, KeyLockAt(board, p) ^ MoveKeyLock(moving, taken, move));

    // Step 4. A king move loses both rights of its side.
    if (moving.type == KING) {
        if (colour == WHITE)
            board.castle[WHITE_QUEEN_SIDE] = board.castle[WHITE_KING_SIDE] = 0;
        else
            board.castle[BLACK_QUEEN_SIDE] = board.castle[BLACK_KING_SIDE] = 0;
        SetKingSquare(board, colour, move.to);
    }

    // Step 5. A rook leaving its own corner loses that corner's right, and
    // whatever lands on a corner takes that corner's right away too (the rook
    // that held it has been captured or has left).
    constexpr uint64_t CORNERS = uint64_t{1} << 0 | uint64_t{1} << 7 | uint64_t{1} << 56 | uint64_t{1} << 63;
    const uint64_t to_bit = uint64_t{1} << move.to;
    const uint64_t from_bit = uint64_t{1} << move.from;
    if ((CORNERS & (from_bit | to_bit)) != 0) {
        if (moving.type == ROOK) {
            const int right = CornerRight(move.from);
            if (right >= 0 && (right >= WHITE_QUEEN_SIDE) == (colour == WHITE))
                board.castle[right] = 0;
        }
        if (const int right = CornerRight(move.to); right >= 0)
            board.castle[right] = 0;
    }

    // Step 6. Move the figure; a captured one stays referenced from undo[p].
    // The balance of the figures' scores follows every figure that moves,
    // leaves or arrives.
    board.squares[move.to] = mover;
    board.squares[move.from] = board.empty;
    int32_t balance = BalanceAfter(board.balance[p], moving, taken, move);
    uint64_t own = board.occupancy[p][colour] ^ from_bit ^ to_bit;
    uint64_t other = board.occupancy[p][Opponent(colour)] & ~to_bit;
    uint64_t own_pawns = board.pawns[p][colour] ^ (moving.type == PAWN ? from_bit | to_bit : 0);
    uint64_t other_pawns = board.pawns[p][Opponent(colour)] & ~to_bit;

    // Step 7. What else the kind of move does.
    const int rank_start = move.to & 56;  // the a-file square of the rank
    switch (move.kind) {
    case CASTLE_QUEEN_SIDE:
    case CASTLE_KING_SIDE: {
        const int corner = rank_start + (move.kind == CASTLE_KING_SIDE ? 7 : 0);
        const int beside = rank_start + (move.kind == CASTLE_KING_SIDE ? 5 : 3);
        Figure* rook = board.squares[corner];
        board.squares[beside] = rook;
        board.squares[corner] = board.empty;
        balance += FigureScore(*rook, beside) - FigureScore(*rook, corner);
        own ^= (uint64_t{1} << beside) | (uint64_t{1} << corner);
        break;
    }
    case EN_PASSANT: {
        const int victim = EnPassantVictim(move.to, colour);
        board.undo[p].captured = board.squares[victim];
        balance -= FigureScore(*board.squares[victim], victim);
        board.squares[victim] = board.empty;
        other &= ~(uint64_t{1} << victim);
        other_pawns &= ~(uint64_t{1} << victim);
        break;
    }
    case PROMOTE_QUEEN:
    case PROMOTE_KNIGHT:
    case PROMOTE_BISHOP:
    case PROMOTE_ROOK: {
        Figure* promoted = NewFigure(board.store, PromotedType(move.kind), colour);
        board.squares[move.to] = promoted;
        SetKeyLock(board, p + 1, KeyLockAt(board, p) ^ PromotionKeyLock(moving, taken, *promoted, move));
        own_pawns &= ~to_bit;
        break;
    }
    default: break;
    }
    board.balance[p + 1] = balance;
    board.occupancy[p + 1][colour] = own;
    board.occupancy[p + 1][Opponent(colour)] = other;
    board.pawns[p + 1][colour] = own_pawns;
    board.pawns[p + 1][Opponent(colour)] = other_pawns;

    // Step 8.
    board.side = Opponent(colour);

    // Step 9. Castlings and en passant captures hash the finished position
    // from scratch.
    if (move.kind != NORMAL_MOVE && !IsPromotion(move.kind))
        SetKeyLock(board, p + 1, ComputeKeyLock(board));

    // Step 10.
    SaveCastle(board, p + 1);

    // Step 11. Refuse a move that leaves the mover's king attacked.
    if (LeavesKingAttacked(board, move, moving, colour)) {
        UnmakeMove(board);
        return 0;
    }

    // Step 12.
    board.checkers[p + 1] = CheckersAfter(board, move, moving, colour);
    board.in_check = board.checkers[p + 1] != 0;

    // Step 13. Pre-fill the next ply's record; a null move made at ply p + 1
    // leaves it for the repetition scan to read.
    board.undo[p + 1] = {mover, board.squares[move.to], board.in_check};

    ASSERT_BOARD_OK(board);
    return 1;
}

void UnmakeMove(Board& board)
{
    // Step 1.
    const int p = --board.ply;
    const Move move = board.moves[p];
    Figure* mover = board.undo[p].moved;
    Figure* captured = board.undo[p].captured;
    Figure* arrived = board.squares[move.to];

    // Step 2.
    if (arrived->type == KING)
        SetKingSquare(board, arrived->colour, move.from);

    // Step 3.
    board.squares[move.from] = mover;
    board.squares[move.to] = captured;

    // Step 4.
    const int rank_start = move.to & 56;  // the a-file square of the rank
    switch (move.kind) {
    case CASTLE_QUEEN_SIDE:
        board.squares[rank_start] = board.squares[rank_start + 3];
        board.squares[rank_start + 3] = board.empty;
        break;
    case CASTLE_KING_SIDE:
        board.squares[rank_start + 7] = board.squares[rank_start + 5];
        board.squares[rank_start + 5] = board.empty;
        break;
    case EN_PASSANT:
        board.squares[move.to] = board.empty;
        board.squares[EnPassantVictim(move.to, mover->colour)] = captured;
        break;
    case PROMOTE_QUEEN:
    case PROMOTE_KNIGHT:
    case PROMOTE_BISHOP:
    case PROMOTE_ROOK: ReleaseFigure(board.store, arrived); break;
    default: break;
    }

    // Steps 5 to 7. The check flag of the position returned to was kept.
    RestoreCastle(board, p);
    board.side = Opponent(board.side);
    board.in_check = board.undo[p].in_check;

    ASSERT_BOARD_OK(board);
}

void MakeNullMove(Board& board)
{
    const int p = board.ply;
    board.side = Opponent(board.side);
    board.moves[p] = NO_MOVE;
    board.ply = p + 1;
    board.hash_key[p + 1] = board.hash_key[p] ^ side_key_random;
    board.hash_lock[p + 1] = board.hash_lock[p] ^ side_lock_random;
    SaveCastle(board, p + 1);
    board.balance[p + 1] = board.balance[p];
    board.checkers[p + 1] = 0;
    std::memcpy(board.occupancy[p + 1], board.occupancy[p], sizeof board.occupancy[p]);
    std::memcpy(board.pawns[p + 1], board.pawns[p], sizeof board.pawns[p]);
    ASSERT_BOARD_OK(board);
}

void UnmakeNullMove(Board& board)
{
    --board.ply;
    board.side = Opponent(board.side);
    ASSERT_BOARD_OK(board);
}

void MakeRoom(Board& board)
{
    if (board.ply < GAME_PLY_LIMIT)
        return;
    const int drop = board.ply - GAME_PLY_KEEP;
    // Entry `ply` itself moves too: it holds the current position's key, lock,
    // rights and the pre-filled undo record.
    const size_t kept = board.ply - drop + 1;
    std::memmove(board.moves, board.moves + drop, kept * sizeof board.moves[0]);
    std::memmove(board.hash_key, board.hash_key + drop, kept * sizeof board.hash_key[0]);
    std::memmove(board.hash_lock, board.hash_lock + drop, kept * sizeof board.hash_lock[0]);
    std::memmove(board.undo, board.undo + drop, kept * sizeof board.undo[0]);
    std::memmove(board.castle_history, board.castle_history + drop, kept * sizeof board.castle_history[0]);
    std::memmove(board.balance, board.balance + drop, kept * sizeof board.balance[0]);
    std::memmove(board.occupancy, board.occupancy + drop, kept * sizeof board.occupancy[0]);
    std::memmove(board.pawns, board.pawns + drop, kept * sizeof board.pawns[0]);
    std::memmove(board.checkers, board.checkers + drop, kept * sizeof board.checkers[0]);
    board.ply -= drop;
    board.start_en_passant = -1;  // ply 0 is no longer the set-up position
    ASSERT_BOARD_OK(board);
}

int MakeGameMove(Board& board, Move move)
{
    MakeRoom(board);
    return MakeMove(board, move);
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
    return !KingAttacked(board, Opponent(board.side));
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

bool BoardOk(const Board& board)
{
    if (board.ply < 0 || board.ply > LAST_PLY)
        return false;
    if (board.side != WHITE && board.side != BLACK)
        return false;
    const Figure* first = board.store.slots;
    const Figure* last = board.store.slots + board.store.used;
    if (board.empty < first || board.empty >= last || board.empty->type != NONE || board.empty->colour != NO_COLOUR)
        return false;
    int kings[2] = {0, 0};
    for (int square = 0; square < 64; ++square) {
        const Figure* figure = board.squares[square];
        if (figure < first || figure >= last)
            return false;
        if (figure->type < PAWN || figure->type > NONE)
            return false;
        if ((figure->type == NONE) != (figure->colour == NO_COLOUR))
            return false;
        if (figure->type == NONE && figure != board.empty)
            return false;
        if (figure->type == KING)
            ++kings[figure->colour];
    }
    // A set-up position may lack a king or hold several; the king square is
    // then that of one of them.
    for (const int32_t colour : {BLACK, WHITE}) {
        const int square = KingSquare(board, colour);
        if (square < 0 || square > 63)
            return false;
        const Figure* king = board.squares[square];
        if (kings[colour] > 0 && (king->type != KING || king->colour != colour))
            return false;
    }
    if (board.hash_key[board.ply] != ComputeKey(board) || board.hash_lock[board.ply] != ComputeLock(board))
        return false;
    if (!std::equal(board.castle, board.castle + 4, board.castle_history[board.ply]))
        return false;
    if (board.balance[board.ply] != ComputeBalance(board))
        return false;
    for (const int32_t colour : {BLACK, WHITE}) {
        if (Pieces(board, colour) != ComputeOccupancy(board, colour) ||
            Pawns(board, colour) != ComputeOccupancy(board, colour, PAWN))
            return false;
    }
    if (board.checkers[board.ply] != KingAttackers(board, board.side) ||
        board.in_check != (board.checkers[board.ply] != 0))
        return false;
    return true;
}
