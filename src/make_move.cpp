#include "make_move.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "attack.h"
#include "eval_tables.h"
#include "geometry.h"
#include "setup.h"

namespace {

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

// The square of the pawn that an en passant capture onto `to` removes.
int EnPassantVictim(int to, Colour mover) { return mover == WHITE ? to - 8 : to + 8; }

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
bool ExposesKing(const Board& board, Colour colour, int from, uint64_t enemies, uint64_t occupied)
{
    const int king = KingSquare(board, colour);
    const int step = LineStep(king, from);
    return step != 0 && HasKingOn(board, king, colour) && SliderAlongWith(board, king, step, enemies, occupied) != 0;
}

// Whether the move just made, which passed AnswersCheck unless the mover is
// the king or it took en passant, leaves the mover's king attacked.
bool LeavesKingAttacked(const Board& board, Move move, FigureType mover_type, Colour colour)
{
    if (mover_type == KING || move.kind == EN_PASSANT)
        return KingAttackers(board, colour) != 0;
    return ExposesKing(board, colour, move.from, Pieces(board, Opponent(colour)), Occupied(board));
}

// The figures that check the other king, which was not in check before the
// move just made: the moved figure itself and a slider it uncovered.
// Castlings, promotions and en passant captures take the full test.
uint64_t ChecksGiven(const Board& board, Move move, const Figure& mover, Colour colour)
{
    const Colour enemy = Opponent(colour);
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
void KeepCastleRights(const PlyState& before, PlyState& after, FigureType mover_type, Move move, Colour colour)
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

bool SameCastleRights(const PlyState& one, const PlyState& other)
{
    return std::memcmp(one.castle, other.castle, sizeof one.castle) == 0;
}

// What the standard rules add to a move just made of a `mover` figure, which
// `resets` the halfmove clock when it moves a pawn or captures: the clock,
// the en passant square a double step leaves, and the castling rights' and
// en passant square's part of the key, which a key hashed whole (from the
// figures alone, in step 7) lacks and an incremental one has as they were
// before.
void FollowStandardRules(Board& board, const PlyState& before, PlyState& after, Move move,
                                           FigureType mover, bool resets)
{
    const bool hashed_whole = move.kind != NORMAL_MOVE && !IsPromotion(move.kind);
    after.halfmove_clock = resets ? 0 : before.halfmove_clock + 1;
    after.en_passant = NO_EN_PASSANT;
    // A double step leaves an en passant square only beside an enemy pawn,
    // which few do; UsableEnPassant then tries the captures.
    if (mover == PAWN && (move.to - move.from == 16 || move.from - move.to == 16)) {
        const Colour colour = Opponent(board.side);
        if ((GEOMETRY.pawn_targets[colour][(move.from + move.to) / 2] & after.pawns[board.side]) != 0)
            after.en_passant = UsableEnPassant(board);
    }
    // Most moves keep every right and have no en passant square before or
    // after: their incremental key is already whole.
    if (hashed_whole) {
        SetKeyLock(after, KeyLockOf(after) ^ RightsKeyLock(after));
    } else if (!SameCastleRights(before, after) || before.en_passant != NO_EN_PASSANT ||
               after.en_passant != NO_EN_PASSANT) {
        SetKeyLock(after, KeyLockOf(after) ^ RightsKeyLock(before) ^ RightsKeyLock(after));
    }
}

}  // namespace

KeyLock KeyLockAfter(const Board& board, Move move)
{
    return KeyLockOf(State(board)) ^ MoveKeyLock(*board.squares[move.from], *board.squares[move.to], move);
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
        std::fprintf(stderr, "WouldRefuse says %s to %s%s (kind %d), MakeMove %s it\n", refused ? "yes" : "no",
                     SquareText(move.from).c_str(), SquareText(move.to).c_str(), move.kind, made ? "makes" : "refuses");
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
    const Colour colour = board.side;
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
    // the finished position's figures and side.
    board.side = Opponent(colour);
    if (move.kind != NORMAL_MOVE && !IsPromotion(move.kind))
        SetKeyLock(after, PlacementKeyLock(board));

    // Step 8. Refuse a move that leaves the mover's king attacked.
    if (LeavesKingAttacked(board, move, moving.type, colour)) {
        UnmakeMove(board);
        return 0;
    }

    // Step 9. The checks the move gives.
    after.checkers = ChecksGiven(board, move, moving, colour);

    // Step 10. Under the standard rules, the halfmove clock, the en passant
    // square and their part of the key and lock.
    if (board.rules == STANDARD_RULES)
        FollowStandardRules(board, before, after, move, moving.type, moving.type == PAWN || !IsEmpty(&taken));

    // Step 11. Fill in the next ply's undo record in advance; a null move
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
    // The position stays, but for the side to move, which no one is checking,
    // and an en passant capture, which the turn passed by has lost.
    const int p = board.ply;
    PlyState& after = board.states[p + 1];
    after = board.states[p];
    board.states[p].move = NO_MOVE;
    KeyLock hash = KeyLockOf(after) ^ SideKeyLock();
    if (board.rules == STANDARD_RULES) {
        hash ^= RightsKeyLock(after);
        after.en_passant = NO_EN_PASSANT;
        hash ^= RightsKeyLock(after);
        ++after.halfmove_clock;
    }
    SetKeyLock(after, hash);
    after.checkers = 0;
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

bool MakeGameMove(Board& board, Move move)
{
    MakeRoom(board);
    return MakeMove(board, move) != 0;
}
