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
#define ASSERT_BOARD_OK(board) AssertBoardOk(board, __FILE__, __LINE__)
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

// ---- Legality --------------------------------------------------------------
//
// A move generated for the side to move is legal when the mover's king does
// not stand attacked after it. MakeMove decides that for the move it makes,
// WouldRefuse foresees it for a move it does not make, both with the tests
// below, case by case:
//  - In check, a move of a figure other than the king must take the only
//    checker or step between it and the king (AnswersCheck); a double check
//    leaves only king moves. This is told before the move is made.
//  - Otherwise, or once it answers the check, such a move can leave its king
//    attacked only along a line from the king through the square it leaves
//    (the figure was pinned): every other line is as it was, and a single
//    check it answered is blocked or taken. ExposesKing tells it from the
//    squares occupied after the move, which MakeMove reads off the board and
//    WouldRefuse works out beforehand.
//  - The king itself needs the attack test on its new square, and an en
//    passant capture empties a second square off that line: both take the
//    full test on the board after the move, so only MakeMove decides them.
//  - Castling is a king move: CanCastle has tested the squares the king
//    starts on and crosses; the square it lands on takes the full test.

// Whether a move of a figure other than the king, made in check, takes the
// only checker or steps between it and the king.
bool AnswersCheck(const Board& board, Move move)
{
    const uint64_t checkers = State(board).checkers;
    if ((checkers & (checkers - 1)) != 0)
        return false;
    const int checker = __builtin_ctzll(checkers);
    const uint64_t answers = checkers | Between(KingSquare(board, board.side), checker);
    return (answers >> move.to & 1) != 0;
}

// Whether a move of a figure other than the king that answered any check
// leaves the king of `colour` attacked: whether, with `occupied` the squares
// occupied after it and `enemies` the other side's, a slider of the other
// side sees the king along the line through `from`. The king's presence is
// asked only once there is such a line, which most moves lack.
bool ExposesKing(const Board& board, int32_t colour, int from, uint64_t enemies, uint64_t occupied)
{
    const int king = KingSquare(board, colour);
    const int step = LineStep(king, from);
    return step != 0 && HasKingOn(board, king, colour) && SliderAlongWith(board, king, step, enemies, occupied) != 0;
}

// Whether the move just made, which passed AnswersCheck unless the mover is
// the king or it took en passant, leaves the mover's king attacked.
bool LeavesKingAttacked(const Board& board, Move move, int32_t mover_type, int32_t colour)
{
    if (mover_type == KING || move.kind == EN_PASSANT)
        return KingAttacked(board, colour);
    return ExposesKing(board, colour, move.from, Pieces(board, Opponent(colour)), Occupied(board));
}

// The figures that check the other king, which was not in check before the
// move just made: the moved figure itself and a slider it uncovered.
// Castlings, promotions and en passant captures take the full test.
uint64_t ChecksGiven(const Board& board, Move move, const Figure& mover, int32_t colour)
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

// The castling rights after a move of a `mover_type` figure of `colour`: a
// king move loses both of its side's; a rook leaving its own corner loses
// that corner's, and whatever lands on a corner takes that corner's away
// too (the rook that held it has been captured or has left).
void KeepCastleRights(const PlyState& before, PlyState& after, int32_t mover_type, Move move, int32_t colour)
{
    std::memcpy(after.castle, before.castle, sizeof after.castle);
    if (mover_type == KING) {
        if (colour == WHITE)
            after.castle[WHITE_QUEEN_SIDE] = after.castle[WHITE_KING_SIDE] = 0;
        else
            after.castle[BLACK_QUEEN_SIDE] = after.castle[BLACK_KING_SIDE] = 0;
    }
    constexpr uint64_t CORNERS = uint64_t{1} << 0 | uint64_t{1} << 7 | uint64_t{1} << 56 | uint64_t{1} << 63;
    if ((CORNERS & (uint64_t{1} << move.from | uint64_t{1} << move.to)) == 0)
        return;
    if (mover_type == ROOK) {
        const int right = CornerRight(move.from);
        if (right >= 0 && (right >= WHITE_QUEEN_SIDE) == (colour == WHITE))
            after.castle[right] = 0;
    }
    if (const int right = CornerRight(move.to); right >= 0)
        after.castle[right] = 0;
}

// Keeps `hash` as the key and lock of a state.
void SetKeyLock(PlyState& state, KeyLock hash)
{
    state.hash_key = KeyOf(hash);
    state.hash_lock = LockOf(hash);
}

#ifdef TAVIK_CHECKS
void AssertBoardOk(const Board& board, const char* file, int line)
{
    if (const char* broken = BrokenInvariant(board)) {
        std::fprintf(stderr, "%s:%d: board invariant broken: %s\n", file, line, broken);
        std::abort();
    }
}
#endif

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
    board->states[0].undo = {board->empty, board->empty};
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
    for (int32_t& right : b.states[0].castle)
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
    PlyState& state = board.states[0];
    for (const int32_t colour : {BLACK, WHITE}) {
        state.occupancy[colour] = ComputeOccupancy(board, colour);
        state.pawns[colour] = ComputeOccupancy(board, colour, PAWN);
    }
    state.checkers = KingAttackers(board, board.side);
    SetKeyLock(state, ComputeKeyLock(board));
    state.balance = ComputeBalance(board);
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

bool IsForeseeable(const Board& board, Move move)
{
    return (move.kind == NORMAL_MOVE || IsPromotion(move.kind)) && board.squares[move.from]->type != KING;
}

bool WouldRefuse(const Board& board, Move move)
{
    if (board.ply >= LAST_PLY || (InCheck(board) && !AnswersCheck(board, move)))
        return true;
    // The squares as the move leaves them: `from` empty, `to` the mover's,
    // whatever stood on `to` gone, and the king where it stands.
    const uint64_t to_bit = uint64_t{1} << move.to;
    const uint64_t enemies = Pieces(board, Opponent(board.side)) & ~to_bit;
    const uint64_t occupied = (Occupied(board) & ~(uint64_t{1} << move.from)) | to_bit;
    return ExposesKing(board, board.side, move.from, enemies, occupied);
}

void CheckForesight([[maybe_unused]] Board& board, [[maybe_unused]] Move move, [[maybe_unused]] bool refused)
{
#ifdef TAVIK_CHECKS
    const bool made = MakeMove(board, move) != 0;
    if (made)
        UnmakeMove(board);
    if (made == refused) {
        std::fprintf(stderr, "WouldRefuse says %s to %s, MakeMove %s it\n", refused ? "yes" : "no",
                     MoveText(move).c_str(), made ? "makes" : "refuses");
        std::abort();
    }
#endif
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
    const PlyState& before = board.states[p];
    PlyState& after = board.states[p + 1];

    // Step 1. Refuse at once a move made in check that cannot answer it (see
    // Legality); nothing has changed yet.
    if (before.checkers != 0 && moving.type != KING && move.kind != EN_PASSANT && !AnswersCheck(board, move))
        return 0;

    // Step 2. Key and lock of an ordinary move, from the figures as they
    // stand; a promotion's follow once its figure is made, and castlings and
    // en passant captures are hashed from scratch at the end.
    if (move.kind == NORMAL_MOVE)
        SetKeyLock(after, KeyLockAfter(board, move));

    // Step 3. Record the move and what taking it back needs, and go up a ply.
    board.states[p].move = move;
    board.states[p].undo = {mover, target};
    board.ply = p + 1;

    // Step 4. The castling rights left, and the king's new square.
    KeepCastleRights(before, after, moving.type, move, colour);
    if (moving.type == KING)
        SetKingSquare(board, colour, move.to);
    const uint64_t to_bit = uint64_t{1} << move.to;
    const uint64_t from_bit = uint64_t{1} << move.from;

    // Step 5. Move the figure; a captured one stays referenced from the undo
    // record. The balance and the square sets follow every figure that
    // moves, leaves or arrives.
    board.squares[move.to] = mover;
    board.squares[move.from] = board.empty;
    int32_t balance = BalanceAfter(before.balance, moving, taken, move);
    uint64_t own = before.occupancy[colour] ^ from_bit ^ to_bit;
    uint64_t other = before.occupancy[Opponent(colour)] & ~to_bit;
    uint64_t own_pawns = before.pawns[colour] ^ (moving.type == PAWN ? from_bit | to_bit : 0);
    uint64_t other_pawns = before.pawns[Opponent(colour)] & ~to_bit;

    // Step 6. What else the kind of move does.
    const int rank_start = move.to & 56;  // the a-file square of the rank
    switch (move.kind) {
    case CASTLE_QUEEN_SIDE:
    case CASTLE_KING_SIDE: {
        const int corner = rank_start + (move.kind == CASTLE_KING_SIDE ? 7 : 0);
        const int beside = rank_start + (move.kind == CASTLE_KING_SIDE ? 5 : 3);
        Figure* rook = board.squares[corner];
        board.squares[beside] = rook;
        board.squares[corner] = board.empty;
        balance += ShiftScore(*rook, corner, beside);
        own ^= (uint64_t{1} << beside) | (uint64_t{1} << corner);
        break;
    }
    case EN_PASSANT: {
        const int victim = EnPassantVictim(move.to, colour);
        board.states[p].undo.captured = board.squares[victim];
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
        SetKeyLock(after, KeyLockOf(before) ^ PromotionKeyLock(moving, taken, *promoted, move));
        own_pawns &= ~to_bit;
        break;
    }
    default: break;
    }
    after.balance = balance;
    after.occupancy[colour] = own;
    after.occupancy[Opponent(colour)] = other;
    after.pawns[colour] = own_pawns;
    after.pawns[Opponent(colour)] = other_pawns;

    // Step 7. The other side moves; castlings and en passant captures hash
    // the finished position.
    board.side = Opponent(colour);
    if (move.kind != NORMAL_MOVE && !IsPromotion(move.kind))
        SetKeyLock(after, ComputeKeyLock(board));

    // Step 8. Refuse a move that leaves the mover's king attacked.
    if (LeavesKingAttacked(board, move, moving.type, colour)) {
        UnmakeMove(board);
        return 0;
    }

    // Step 9. The checks the move gives.
    after.checkers = ChecksGiven(board, move, moving, colour);

    // Step 10. Fill in the next ply's undo record in advance; a null move
    // made at ply p + 1 leaves it for the repetition scan to read.
    after.undo = {mover, board.squares[move.to]};

    ASSERT_BOARD_OK(board);
    return 1;
}

void UnmakeMove(Board& board)
{
    // Step 1. Back to the ply of the move; its state is as it was.
    const int p = --board.ply;
    const Move move = board.states[p].move;
    Figure* mover = board.states[p].undo.moved;
    Figure* captured = board.states[p].undo.captured;
    Figure* arrived = board.squares[move.to];

    // Step 2. The king goes home.
    if (arrived->type == KING)
        SetKingSquare(board, arrived->colour, move.from);

    // Step 3. The mover and what it took go back.
    board.squares[move.from] = mover;
    board.squares[move.to] = captured;

    // Step 4. What else the kind of move did is undone.
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

    // Step 5. The side to move again.
    board.side = Opponent(board.side);
    ASSERT_BOARD_OK(board);
}

void MakeNullMove(Board& board)
{
    // The position stays, but for the side to move, which no one is checking.
    const int p = board.ply;
    board.states[p + 1] = board.states[p];
    board.states[p].move = NO_MOVE;
    SetKeyLock(board.states[p + 1], KeyLockOf(board.states[p]) ^ SideKeyLock());
    board.states[p + 1].checkers = 0;
    board.side = Opponent(board.side);
    board.ply = p + 1;
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
    // The state at `ply` itself moves too: it holds the current position.
    const size_t kept = board.ply - drop + 1;
    std::memmove(board.states, board.states + drop, kept * sizeof board.states[0]);
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
    for (const int32_t colour : {BLACK, WHITE}) {
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
    for (const int32_t colour : {BLACK, WHITE}) {
        if (state.occupancy[colour] != ComputeOccupancy(board, colour))
            return "occupancy holds the squares of each colour's figures";
        if (state.pawns[colour] != ComputeOccupancy(board, colour, PAWN))
            return "pawns holds the squares of each colour's pawns";
    }
    if (state.checkers != KingAttackers(board, board.side))
        return "checkers holds the figures checking the side to move";
    for (const int32_t right : state.castle) {
        if (right != 0 && right != 1)
            return "every castling right is 0 or 1";
    }
    return nullptr;
}

}  // namespace

const char* BrokenInvariant(const Board& board)
{
    if (board.ply < 0 || board.ply > LAST_PLY)
        return "0 <= ply <= LAST_PLY";
    if (board.side != WHITE && board.side != BLACK)
        return "side is WHITE or BLACK";
    if (const char* broken = BrokenFigureInvariant(board))
        return broken;
    return BrokenStateInvariant(board);
}
