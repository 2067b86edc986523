#include "movegen.h"

#include <utility>

#include "attack.h"
#include "geometry.h"
#include "make_move.h"

// ---- Move list and ordering ----------------------------------------------

namespace {

// AddMove's score before the preferred move and the history counter (see
// movegen.h), by the types of the moving figure and of what stands on the
// destination.
struct OrderTable {
    int32_t base[7][7];
};

constexpr OrderTable MakeOrderTable()
{
    OrderTable table{};
    for (int mover = PAWN; mover <= NONE; ++mover) {
        for (int victim = PAWN; victim <= NONE; ++victim)
            table.base[mover][victim] = victim == NONE ? 900 : capture_value[victim] - capture_value[mover] + 1400;
    }
    return table;
}

constexpr OrderTable ORDER = MakeOrderTable();

// What the generators read while they fill one list, gathered once: every
// store into the list could, as far as the compiler can tell, change the
// board's counters, so nothing is read from the board twice.
struct Generation {
    MoveList& list;
    const Board& board;
    const HistoryRow& history;  // the node's history counters
    uint64_t own;
    uint64_t enemies;
    uint64_t occupied;
    Colour side;
    int32_t count;  // the list's count while the generator runs; written back at the end
    Move preferred;
    bool captures_only;
};

Generation StartGeneration(MoveList& list, const Board& board, Move preferred, const HistoryRow& history,
                           bool captures_only)
{
    const uint64_t own = Pieces(board, board.side);
    const uint64_t enemies = Pieces(board, Opponent(board.side));
    return {
        .list = list,
        .board = board,
        .history = history,
        .own = own,
        .enemies = enemies,
        .occupied = own | enemies,
        .side = board.side,
        .count = list.count,
        .preferred = preferred,
        .captures_only = captures_only,
    };
}

// Appends `move` with its base score `score` unless the list is full; the
// preferred move's 2000 replaces the base score, and the node's history
// counter is added (see AddMove in movegen.h).
void Append(Generation& gen, Move move, int32_t score)
{
    if (gen.count >= MAX_MOVES)
        return;
    if (SameSquares(move, gen.preferred))
        score = 2000;
    score += gen.history[move.from][move.to];
    gen.list.moves[gen.count] = move;
    gen.list.scores[gen.count] = score;
    ++gen.count;
}

}  // namespace

void AddMove(MoveList& list, const Board& board, Move move, Move preferred, const HistoryRow& history)
{
    // Step 1. Whether the move takes an enemy figure.
    const Figure* mover = board.squares[move.from];
    const Figure* victim = board.squares[move.to];
    const bool capture = victim->colour != NO_COLOUR && victim->colour != mover->colour;

    // Step 2. The rest as for a generated move, from the base score.
    Generation gen = StartGeneration(list, board, preferred, history, false);
    Append(gen, move, capture ? ORDER.base[mover->type][victim->type] : 900);
    list.count = gen.count;
}

void PickNextMove(MoveList& list, int index)
{
    int32_t best = -1;
    int chosen = index;
    for (int j = index; j < list.count; ++j) {
        if (list.scores[j] > best) {
            best = list.scores[j];
            chosen = j;
        }
    }
    if (chosen == index)
        return;
    std::swap(list.moves[index], list.moves[chosen]);
    std::swap(list.scores[index], list.scores[chosen]);
}

// ---- Move generation -----------------------------------------------------
//
// The generators below list the moves in the order that movegen.h states at
// GenerateMoves, each with the score AddMove would give it, but read each
// figure once: the mover's type is known from the square loop, and every
// destination is empty or an enemy's.

namespace {

constexpr MoveKind PROMOTION_KINDS[4] = {PROMOTE_QUEEN, PROMOTE_ROOK, PROMOTE_KNIGHT, PROMOTE_BISHOP};

FigureType TypeOn(const Generation& gen, int square) { return gen.board.squares[square]->type; }

// The squares a knight (`type` KNIGHT) or a king on `from` reaches.
uint64_t StepTargets(FigureType type, int from)
{
    return type == KNIGHT ? GEOMETRY.knight_targets[from] : GEOMETRY.king_targets[from];
}

// Appends a move of the `type` figure on `from` to each square of `targets`,
// lowest square first when `lowest_first`, else highest first.
void AppendMovesTo(Generation& gen, int from, FigureType type, uint64_t targets, bool lowest_first)
{
    const int32_t* base = ORDER.base[type];
    while (targets != 0) {
        const int to = lowest_first ? __builtin_ctzll(targets) : 63 - __builtin_clzll(targets);
        targets ^= uint64_t{1} << to;
        Append(gen, {from, to, NORMAL_MOVE}, base[TypeOn(gen, to)]);
    }
}

// Appends a move of the pawn on `from` to each square of `targets`, or when
// it `promotes`, the four promotions of each: lowest square first when
// `lowest_first`, else highest first.
void AppendPawnMovesTo(Generation& gen, int from, uint64_t targets, bool promotes, bool lowest_first)
{
    const int32_t* base = ORDER.base[PAWN];
    while (targets != 0) {
        const int to = lowest_first ? __builtin_ctzll(targets) : 63 - __builtin_clzll(targets);
        targets ^= uint64_t{1} << to;
        const int32_t score = base[TypeOn(gen, to)];
        if (!promotes) {
            Append(gen, {from, to, NORMAL_MOVE}, score);
            continue;
        }
        for (const MoveKind kind : PROMOTION_KINDS)
            Append(gen, {from, to, kind}, score);
    }
}

// Whether the pawn of `side` on `from` reaches its last rank with one step.
bool PromotesFrom(Colour side, int from) { return side == WHITE ? from >= 48 : from < 16; }

// The moves of the pawn on `from`. A pawn standing on its own last rank,
// which only a set-up position can hold, has no moves (and no targets).
void GeneratePawnMoves(Generation& gen, int from)
{
    const Colour colour = gen.side;
    const int forward = colour == WHITE ? 8 : -8;
    const int ahead = from + forward;
    if (ahead < 0 || ahead > 63)
        return;
    const bool promotes = PromotesFrom(colour, from);
    // For either colour the lower target is the one toward the a-file.
    if (const uint64_t targets = GEOMETRY.pawn_targets[colour][from] & gen.enemies)
        AppendPawnMovesTo(gen, from, targets, promotes, true);
    if ((gen.occupied >> ahead & 1) != 0)
        return;
    uint64_t pushes = uint64_t{1} << ahead;
    const bool home_rank = colour == WHITE ? from <= 15 : from >= 48;
    if (home_rank && (gen.occupied >> (ahead + forward) & 1) == 0)
        pushes |= uint64_t{1} << (ahead + forward);
    // Nearest first: up the board for white, down for black.
    AppendPawnMovesTo(gen, from, pushes, promotes, colour == WHITE);
}

// The moves of a knight, bishop, rook, queen or king on `from`. A knight's and
// a king's come from one bit set (see StepsRise), a slider's from one per
// direction.
void GeneratePieceMoves(Generation& gen, int from, FigureType type)
{
    if (type == KNIGHT || type == KING) {
        const uint64_t reach = StepTargets(type, from);
        AppendMovesTo(gen, from, type, reach & ~gen.own, true);
        return;
    }
    const TypeDirections& slides_of = SLIDES_OF[type];
    for (int d = 0; d < slides_of.count; ++d) {
        const int direction = slides_of.index[d];
        const uint64_t ray = GEOMETRY.rays[from][direction];
        const int first = FirstInDirection(from, direction, gen.occupied);
        const uint64_t reach = first < 0 ? ray : ray & ~GEOMETRY.rays[first][direction];
        AppendMovesTo(gen, from, type, reach & ~gen.own, IsUpward(direction));
    }
}

// The captures among those moves. A slider takes the first figure of a
// direction when it is an enemy's: each enemy on the slider's lines is tried
// against the first figure of its direction, and the captures found are
// appended by rising direction, which is the order of the slider's directions
// (see IsRisingLineList).
void GeneratePieceCaptures(Generation& gen, int from, FigureType type)
{
    if (type == KNIGHT || type == KING) {
        const uint64_t reach = StepTargets(type, from);
        if (const uint64_t targets = reach & gen.enemies)
            AppendMovesTo(gen, from, type, targets, true);
        return;
    }
    uint32_t found = 0;  // bit d: a capture in direction d, onto target_of[d]
    int target_of[8];
    for (uint64_t targets = GEOMETRY.lines[type][from] & gen.enemies; targets != 0; targets &= targets - 1) {
        const int to = __builtin_ctzll(targets);
        const int direction = GEOMETRY.direction[from][to];
        if (FirstInDirection(from, direction, gen.occupied) == to) {
            found |= 1u << direction;
            target_of[direction] = to;
        }
    }
    for (; found != 0; found &= found - 1) {
        const int to = target_of[__builtin_ctz(found)];
        Append(gen, {from, to, NORMAL_MOVE}, ORDER.base[type][TypeOn(gen, to)]);
    }
}

// The pawns among `pawns` (of `side`) with an enemy on a square they take on.
uint64_t CapturingPawns(Colour side, uint64_t pawns, uint64_t enemies)
{
    constexpr uint64_t FILE_A = 0x0101010101010101;
    constexpr uint64_t FILE_H = FILE_A << 7;
    // A capture toward the a-file never lands on the h-file, nor one toward
    // the h-file on the a-file.
    const uint64_t toward_a = enemies & ~FILE_H;
    const uint64_t toward_h = enemies & ~FILE_A;
    if (side == WHITE)
        return pawns & (toward_a >> 7 | toward_h >> 9);
    return pawns & (toward_a << 9 | toward_h << 7);
}

// The moves of every figure of the side to move. For captures, a pawn with
// nothing to take is not looked at.
void GenerateAll(Generation& gen)
{
    uint64_t figures = gen.own;
    if (gen.captures_only) {
        const uint64_t pawns = Pawns(gen.board, gen.side);
        figures = (figures & ~pawns) | CapturingPawns(gen.side, pawns, gen.enemies);
    }
    for (; figures != 0; figures &= figures - 1) {
        const int from = __builtin_ctzll(figures);
        const FigureType type = TypeOn(gen, from);
        if (!gen.captures_only) {
            if (type == PAWN)
                GeneratePawnMoves(gen, from);
            else
                GeneratePieceMoves(gen, from, type);
        } else if (type == PAWN) {
            const uint64_t targets = GEOMETRY.pawn_targets[gen.side][from] & gen.enemies;
            AppendPawnMovesTo(gen, from, targets, PromotesFrom(gen.side, from), true);
        } else {
            GeneratePieceCaptures(gen, from, type);
        }
    }
    gen.list.count = gen.count;
}

// Appends the en passant captures of the position's en_passant square, which
// only the standard rules set: the taker nearer the a-file first, each
// scored as a pawn taking a pawn.
[[gnu::noinline]] void AddEnPassant(MoveList& list, const Board& board, Move preferred, const HistoryRow& history)
{
    const int target = State(board).en_passant;
    uint64_t takers = GEOMETRY.pawn_targets[Opponent(board.side)][target] & Pawns(board, board.side);
    Generation gen = StartGeneration(list, board, preferred, history, false);
    for (; takers != 0; takers &= takers - 1)
        Append(gen, {__builtin_ctzll(takers), target, EN_PASSANT}, ORDER.base[PAWN][PAWN]);
    list.count = gen.count;
}

}  // namespace

// Never specialised for one fixed row of counters (NO_HISTORY, as perft and
// the notation pass): GCC's copy of the generator for it ran some 5% slower
// than the general one the search calls with its rows, for the same
// instructions. The attribute is GCC's; other compilers go without it.
#if defined(__GNUC__) && !defined(__clang__)
#define NOT_SPECIALISED [[gnu::noclone]]
#else
#define NOT_SPECIALISED
#endif

NOT_SPECIALISED MoveList GenerateMoves(const Board& board, Move preferred, const HistoryRow& history)
{
    MoveList list;
    Generation gen = StartGeneration(list, board, preferred, history, false);
    GenerateAll(gen);
    if (State(board).en_passant != NO_EN_PASSANT)
        AddEnPassant(list, board, preferred, history);
    const int home = board.side == WHITE ? 4 : 60;
    if (CanCastle(board, 0))
        AddMove(list, board, {home, home - 2, CASTLE_QUEEN_SIDE}, preferred, history);
    if (CanCastle(board, 1))
        AddMove(list, board, {home, home + 2, CASTLE_KING_SIDE}, preferred, history);
    return list;
}

MoveList GenerateCaptures(const Board& board, Move preferred, const HistoryRow& history)
{
    MoveList list;
    Generation gen = StartGeneration(list, board, preferred, history, true);
    GenerateAll(gen);
    if (State(board).en_passant != NO_EN_PASSANT)
        AddEnPassant(list, board, preferred, history);
    return list;
}

int CanCastle(const Board& board, int wing)
{
    // Step 1. One of the two wings.
    if (wing != 0 && wing != 1)
        return 0;
    const Colour colour = board.side;
    const int home = colour == WHITE ? 0 : 56;

    // Step 2. The right is still held.
    const int right = (colour == WHITE ? WHITE_QUEEN_SIDE : BLACK_QUEEN_SIDE) + wing;
    if (!State(board).castle[right])
        return 0;

    // Step 3. The king is not in check.
    if (InCheck(board))
        return 0;

    // Step 4. The king and the rook stand on their home squares.
    const Figure* king = board.squares[home + 4];
    const Figure* rook = board.squares[home + (wing == 0 ? 0 : 7)];
    if (king->type != KING || king->colour != colour || rook->type != ROOK || rook->colour != colour)
        return 0;

    // Step 5. Nothing stands between them.
    const int first = wing == 0 ? home + 1 : home + 5;
    const int last = wing == 0 ? home + 3 : home + 6;
    for (int square = first; square <= last; ++square) {
        if (!IsEmpty(board.squares[square]))
            return 0;
    }

    // Step 6. The square the king crosses is not attacked; where it lands is
    // MakeMove's test.
    const int crossed = wing == 0 ? home + 3 : home + 5;
    return IsAttacked(board, crossed, Opponent(colour)) ? 0 : 1;
}

MoveList LegalMoves(Board& board)
{
    MoveList candidates = GenerateMoves(board, NO_MOVE);
    // The classic generator lists no en passant capture.
    const uint64_t classic_takers = board.rules == CLASSIC_RULES ? EnPassantTakers(board) : 0;
    for (uint64_t takers = classic_takers; takers != 0; takers &= takers - 1) {
        if (candidates.count < MAX_MOVES)
            candidates.moves[candidates.count++] = {__builtin_ctzll(takers), EnPassantTarget(board), EN_PASSANT};
    }
    MoveList legal;
    for (int i = 0; i < candidates.count; ++i) {
        if (MakeMove(board, candidates.moves[i])) {
            UnmakeMove(board);
            legal.scores[legal.count] = 0;
            legal.moves[legal.count++] = candidates.moves[i];
        }
    }
    return legal;
}
