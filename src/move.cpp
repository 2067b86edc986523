#include "move.h"

#include <array>
#include <cctype>
#include <cstring>
#include <ostream>

#include "board.h"
#include "search.h"

// ---- Geometry ------------------------------------------------------------
//
// The step tables below are the one source of the board's geometry: the bit
// sets the attack tests and the generators read, and the direction lists of
// the sliders, are worked out from them at compile time.

namespace {

// clang-format off

// The 10x12 mailbox: the 64 squares, a1 to h8, framed by off-board cells
// (-1) two rows deep above and below and one column deep at each side, so
// that one step of any figure, a knight's jump included, lands in the frame
// when it leaves the board.
constexpr int32_t mailbox[120] = {
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1,  0,  1,  2,  3,  4,  5,  6,  7, -1,
    -1,  8,  9, 10, 11, 12, 13, 14, 15, -1,
    -1, 16, 17, 18, 19, 20, 21, 22, 23, -1,
    -1, 24, 25, 26, 27, 28, 29, 30, 31, -1,
    -1, 32, 33, 34, 35, 36, 37, 38, 39, -1,
    -1, 40, 41, 42, 43, 44, 45, 46, 47, -1,
    -1, 48, 49, 50, 51, 52, 53, 54, 55, -1,
    -1, 56, 57, 58, 59, 60, 61, 62, 63, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
};

// The mailbox cell of each square.
constexpr int32_t mailbox64[64] = {
    21, 22, 23, 24, 25, 26, 27, 28,
    31, 32, 33, 34, 35, 36, 37, 38,
    41, 42, 43, 44, 45, 46, 47, 48,
    51, 52, 53, 54, 55, 56, 57, 58,
    61, 62, 63, 64, 65, 66, 67, 68,
    71, 72, 73, 74, 75, 76, 77, 78,
    81, 82, 83, 84, 85, 86, 87, 88,
    91, 92, 93, 94, 95, 96, 97, 98,
};

// The mailbox steps of each figure type. The pawn's row is empty: a pawn
// pushes by its own rule and takes with the bishop's steps that go forward.
// The queen's steps are every line step; a line's direction is the index of
// its step among them.
constexpr int32_t directions[6][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},
    {-21, -19, -12, -8, 8, 12, 19, 21},
    {-11, -9, 9, 11, 0, 0, 0, 0},
    {-10, -1, 1, 10, 0, 0, 0, 0},
    {-11, -10, -9, -1, 1, 9, 10, 11},
    {-11, -10, -9, -1, 1, 9, 10, 11},
};

// clang-format on

// How many steps of each type's row of `directions` count (NONE has none).
constexpr int32_t direction_count[7] = {0, 8, 4, 4, 8, 8, 0};

// Whether a figure of the type repeats its steps along a line (1) or makes
// one of them (0).
constexpr int32_t slides[6] = {0, 0, 1, 1, 1, 0};

// The square one step from `square`, or -1 off the board.
constexpr int32_t MailboxStep(int square, int32_t step) { return mailbox[mailbox64[square] + step]; }

// Each square's cell in the mailbox holds that square.
constexpr bool MailboxesAgree()
{
    for (int square = 0; square < 64; ++square) {
        if (mailbox[mailbox64[square]] != square)
            return false;
    }
    return true;
}
static_assert(MailboxesAgree());

// The direction of a line step, or -1 for any other step.
constexpr int DirectionOf(int32_t step)
{
    for (int direction = 0; direction < direction_count[QUEEN]; ++direction) {
        if (directions[QUEEN][direction] == step)
            return direction;
    }
    return -1;
}

// Whether each step of the type's row is larger than the one before.
constexpr bool StepsRise(int32_t type)
{
    for (int d = 1; d < direction_count[type]; ++d) {
        if (directions[type][d] <= directions[type][d - 1])
            return false;
    }
    return true;
}
// Rising steps reach rising squares: the knight's and king's moves can come
// from one bit set, lowest square first, and still follow their table order.
static_assert(StepsRise(KNIGHT) && StepsRise(KING));

// The queen's steps rise from the four that go down the board to the four
// that go up it, so the direction's index tells which way a ray runs.
constexpr bool IsUpward(int direction) { return direction >= 4; }
constexpr bool UpwardByIndex()
{
    for (int direction = 0; direction < direction_count[QUEEN]; ++direction) {
        if ((directions[QUEEN][direction] > 0) != IsUpward(direction))
            return false;
    }
    return true;
}
static_assert(StepsRise(QUEEN) && direction_count[QUEEN] == 8 && UpwardByIndex());

// The directions of each sliding type, in its `directions` order, and how
// many there are; none for the others.
struct TypeDirections {
    int8_t index[8];
    int8_t count;
};

constexpr std::array<TypeDirections, 6> MakeSlidesOf()
{
    std::array<TypeDirections, 6> table{};
    for (int type = PAWN; type <= KING; ++type) {
        if (slides[type] == 0)
            continue;
        table[type].count = static_cast<int8_t>(direction_count[type]);
        for (int d = 0; d < direction_count[type]; ++d)
            table[type].index[d] = static_cast<int8_t>(DirectionOf(directions[type][d]));
    }
    return table;
}

constexpr std::array<TypeDirections, 6> SLIDES_OF = MakeSlidesOf();

// A sliding type's directions are line directions and run in rising order:
// the capture generator appends its captures by rising direction and so
// matches the move generator's order.
constexpr bool IsRisingLineList(const TypeDirections& slides_of)
{
    for (int d = 0; d < slides_of.count; ++d) {
        if (slides_of.index[d] < 0 || (d > 0 && slides_of.index[d] <= slides_of.index[d - 1]))
            return false;
    }
    return true;
}
static_assert(SLIDES_OF[BISHOP].count == 4 && SLIDES_OF[ROOK].count == 4 && SLIDES_OF[QUEEN].count == 8);
static_assert(IsRisingLineList(SLIDES_OF[BISHOP]) && IsRisingLineList(SLIDES_OF[ROOK]) &&
              IsRisingLineList(SLIDES_OF[QUEEN]));

// The directions along a diagonal, one bit each.
constexpr uint32_t DiagonalDirections()
{
    uint32_t found = 0;
    for (int d = 0; d < SLIDES_OF[BISHOP].count; ++d)
        found |= 1u << SLIDES_OF[BISHOP].index[d];
    return found;
}

constexpr uint32_t DIAGONAL_DIRECTIONS = DiagonalDirections();

constexpr bool IsDiagonal(int direction) { return (DIAGONAL_DIRECTIONS >> direction & 1) != 0; }

// Lines and jumps between every pair of squares, worked out once.
struct Geometry {
    int8_t line_step[64][64];      // as LineStep
    int8_t direction[64][64];      // the direction of line_step, or -1
    uint64_t rays[64][8];          // squares beyond the square in each direction
    uint64_t knight_targets[64];   // squares a knight on the square attacks
    uint64_t king_targets[64];     // squares a king on the square attacks
    uint64_t pawn_targets[2][64];  // squares a pawn of the colour on the square attacks
    uint64_t lines[6][64];         // squares a sliding type reaches from the square on an empty board
};

// The squares one step of `type` reaches from `square`.
constexpr uint64_t StepsFrom(int32_t type, int square)
{
    uint64_t reached = 0;
    for (int d = 0; d < direction_count[type]; ++d) {
        if (const int to = MailboxStep(square, directions[type][d]); to >= 0)
            reached |= uint64_t{1} << to;
    }
    return reached;
}

constexpr Geometry MakeGeometry()
{
    Geometry geometry{};
    for (auto& row : geometry.direction) {
        for (int8_t& direction : row)
            direction = -1;
    }
    for (int square = 0; square < 64; ++square) {
        for (int direction = 0; direction < direction_count[QUEEN]; ++direction) {
            const int32_t step = directions[QUEEN][direction];
            for (int to = MailboxStep(square, step); to >= 0; to = MailboxStep(to, step)) {
                geometry.line_step[square][to] = static_cast<int8_t>(step);
                geometry.direction[square][to] = static_cast<int8_t>(direction);
                geometry.rays[square][direction] |= uint64_t{1} << to;
            }
        }
        for (int type = PAWN; type <= KING; ++type) {
            for (int d = 0; d < SLIDES_OF[type].count; ++d)
                geometry.lines[type][square] |= geometry.rays[square][SLIDES_OF[type].index[d]];
        }
        geometry.knight_targets[square] = StepsFrom(KNIGHT, square);
        geometry.king_targets[square] = StepsFrom(KING, square);
        // A pawn takes with a diagonal step toward the enemy's side.
        for (int d = 0; d < direction_count[BISHOP]; ++d) {
            const int32_t step = directions[BISHOP][d];
            if (const int to = MailboxStep(square, step); to >= 0)
                geometry.pawn_targets[step > 0 ? WHITE : BLACK][square] |= uint64_t{1} << to;
        }
    }
    return geometry;
}

constexpr Geometry GEOMETRY = MakeGeometry();

// The direction of each mailbox step from -11 to 11, by step + 11, or -1.
constexpr std::array<int8_t, 23> MakeDirectionOfStep()
{
    std::array<int8_t, 23> table{};
    for (int step = -11; step <= 11; ++step)
        table[step + 11] = static_cast<int8_t>(DirectionOf(step));
    return table;
}

constexpr std::array<int8_t, 23> DIRECTION_OF_STEP = MakeDirectionOfStep();

// The first occupied square from `square` in `direction`, or -1. A step up
// the board raises the square number, so the nearest square is the lowest
// bit; down the board, the highest.
int FirstInDirection(int square, int direction, uint64_t occupied)
{
    const uint64_t blockers = GEOMETRY.rays[square][direction] & occupied;
    if (blockers == 0)
        return -1;
    return IsUpward(direction) ? __builtin_ctzll(blockers) : 63 - __builtin_clzll(blockers);
}

// Whether a figure of type `type` slides in `direction`.
bool SlidesAlong(int32_t type, int direction)
{
    return type == QUEEN || type == (IsDiagonal(direction) ? BISHOP : ROOK);
}

// The squares of `squares` whose figure has type `type`.
uint64_t OfType(const Board& board, uint64_t squares, int32_t type)
{
    uint64_t found = 0;
    for (; squares != 0; squares &= squares - 1) {
        const int square = __builtin_ctzll(squares);
        if (board.squares[square]->type == type)
            found |= uint64_t{1} << square;
    }
    return found;
}

}  // namespace

int LineStep(int from, int to) { return GEOMETRY.line_step[from][to]; }

uint64_t SliderAlong(const Board& board, int square, int step, int colour)
{
    return SliderAlongWith(board, square, step, Pieces(board, colour), Occupied(board));
}

uint64_t SliderAlongWith(const Board& board, int square, int step, uint64_t pieces, uint64_t occupied)
{
    // Only a ray with a figure of the side on it can hold such a slider.
    const int direction = DIRECTION_OF_STEP[step + 11];
    if ((GEOMETRY.rays[square][direction] & pieces) == 0)
        return 0;
    const int first = FirstInDirection(square, direction, occupied);
    if ((pieces >> first & 1) == 0)
        return 0;
    return SlidesAlong(board.squares[first]->type, direction) ? uint64_t{1} << first : 0;
}

bool IsSliderAlong(const Board& board, int square, int step, int colour)
{
    return SliderAlong(board, square, step, colour) != 0;
}

uint64_t Between(int a, int b)
{
    const int direction = GEOMETRY.direction[a][b];
    if (direction < 0)
        return 0;
    return GEOMETRY.rays[a][direction] & ~GEOMETRY.rays[b][direction] & ~(uint64_t{1} << b);
}

bool FigureAttacks(const Board& board, const Figure& figure, int from, int target)
{
    const uint64_t bit = uint64_t{1} << target;
    switch (figure.type) {
    case PAWN: return (GEOMETRY.pawn_targets[figure.colour][from] & bit) != 0;
    case KNIGHT: return (GEOMETRY.knight_targets[from] & bit) != 0;
    case KING: return (GEOMETRY.king_targets[from] & bit) != 0;
    case BISHOP:
    case ROOK:
    case QUEEN: {
        if ((GEOMETRY.lines[figure.type][from] & bit) == 0)
            return false;
        return FirstInDirection(from, GEOMETRY.direction[from][target], Occupied(board)) == target;
    }
    default: return false;
    }
}

uint64_t AttackersOf(const Board& board, int square, int colour)
{
    const uint64_t pieces = Pieces(board, colour);
    uint64_t attackers = 0;

    // Step 1. Pawns: the squares from which a pawn of `colour` takes on
    // `square` are those a pawn of the other colour would take from it.
    attackers |= OfType(board, GEOMETRY.pawn_targets[Opponent(colour)][square] & pieces, PAWN);

    // Step 2. Sliders, direction by direction: the first figure met in each
    // is the only one that can attack along it, and only a ray with a figure
    // of `colour` on it needs walking.
    const uint64_t occupied = Occupied(board);
    for (int direction = 0; direction < 8; ++direction) {
        if ((GEOMETRY.rays[square][direction] & pieces) == 0)
            continue;
        const int first = FirstInDirection(square, direction, occupied);
        if ((pieces >> first & 1) == 0)
            continue;
        if (SlidesAlong(board.squares[first]->type, direction))
            attackers |= uint64_t{1} << first;
    }

    // Step 3. Knight jumps.
    attackers |= OfType(board, GEOMETRY.knight_targets[square] & pieces, KNIGHT);

    // Step 4. King steps.
    return attackers | OfType(board, GEOMETRY.king_targets[square] & pieces, KING);
}

int IsAttacked(const Board& board, int square, int colour) { return AttackersOf(board, square, colour) != 0 ? 1 : 0; }

// ---- Move list and ordering ----------------------------------------------

namespace {

// AddMove's score before the preferred move and the history counter (see
// move.h), by the types of the moving figure and of what stands on the
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
    const int32_t (*history_row)[64];  // the node's history counters, [from][to]
    uint64_t own;
    uint64_t enemies;
    uint64_t occupied;
    int32_t side;
    int32_t count;  // the list's count while the generator runs; written back at the end
    Move preferred;
    bool captures_only;
};

Generation StartGeneration(MoveList& list, const Board& board, Move preferred, bool captures_only)
{
    const uint64_t own = Pieces(board, board.side);
    const uint64_t enemies = Pieces(board, Opponent(board.side));
    return {
        .list = list,
        .board = board,
        .history_row = history[board.ply],
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
// counter is added (see AddMove in move.h).
void Append(Generation& gen, Move move, int32_t score)
{
    if (gen.count >= MAX_MOVES)
        return;
    if (SameSquares(move, gen.preferred))
        score = 2000;
    score += gen.history_row[move.from][move.to];
    gen.list.moves[gen.count] = move;
    gen.list.scores[gen.count] = score;
    ++gen.count;
}

}  // namespace

void AddMove(MoveList& list, const Board& board, Move move, Move preferred)
{
    // Step 1. Whether the move takes an enemy figure.
    const Figure* mover = board.squares[move.from];
    const Figure* victim = board.squares[move.to];
    const bool capture = victim->colour != NO_COLOUR && victim->colour != mover->colour;

    // Step 2. The rest as for a generated move, from the base score.
    Generation gen = StartGeneration(list, board, preferred, false);
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
// The generators below list the moves in the order that move.h states at
// GenerateMoves, each with the score AddMove would give it, but read each
// figure once: the mover's type is known from the square loop, and every
// destination is empty or an enemy's.

namespace {

constexpr int32_t PROMOTION_KINDS[4] = {PROMOTE_QUEEN, PROMOTE_ROOK, PROMOTE_KNIGHT, PROMOTE_BISHOP};

int32_t TypeOn(const Generation& gen, int square) { return gen.board.squares[square]->type; }

// The squares a knight (`type` KNIGHT) or a king on `from` reaches.
uint64_t StepTargets(int32_t type, int from)
{
    return type == KNIGHT ? GEOMETRY.knight_targets[from] : GEOMETRY.king_targets[from];
}

// Appends a move of the `type` figure on `from` to each square of `targets`,
// lowest square first when `lowest_first`, else highest first.
void AppendMovesTo(Generation& gen, int from, int32_t type, uint64_t targets, bool lowest_first)
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
        for (const int32_t kind : PROMOTION_KINDS)
            Append(gen, {from, to, kind}, score);
    }
}

// Whether the pawn of `side` on `from` reaches its last rank with one step.
bool PromotesFrom(int32_t side, int from) { return side == WHITE ? from >= 48 : from < 16; }

// The moves of the pawn on `from`. A pawn standing on its own last rank,
// which only a set-up position can hold, has no moves (and no targets).
void GeneratePawnMoves(Generation& gen, int from)
{
    const int32_t colour = gen.side;
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
void GeneratePieceMoves(Generation& gen, int from, int32_t type)
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
void GeneratePieceCaptures(Generation& gen, int from, int32_t type)
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
uint64_t CapturingPawns(int32_t side, uint64_t pawns, uint64_t enemies)
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
        const int32_t type = TypeOn(gen, from);
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

}  // namespace

MoveList GenerateMoves(const Board& board, Move preferred)
{
    MoveList list;
    Generation gen = StartGeneration(list, board, preferred, false);
    GenerateAll(gen);
    const int home = board.side == WHITE ? 4 : 60;
    if (CanCastle(board, 0))
        AddMove(list, board, {home, home - 2, CASTLE_QUEEN_SIDE}, preferred);
    if (CanCastle(board, 1))
        AddMove(list, board, {home, home + 2, CASTLE_KING_SIDE}, preferred);
    return list;
}

MoveList GenerateCaptures(const Board& board, Move preferred)
{
    MoveList list;
    Generation gen = StartGeneration(list, board, preferred, true);
    GenerateAll(gen);
    return list;
}

int CanCastle(const Board& board, int wing)
{
    // Step 1. One of the two wings.
    if (wing != 0 && wing != 1)
        return 0;
    const int32_t colour = board.side;
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

int EnPassantTarget(const Board& board)
{
    if (board.ply == 0)
        return board.start_en_passant;
    const PlyState& before = board.states[board.ply - 1];
    const Move last = before.move;
    const Figure* mover = before.undo.moved;
    const bool double_step = last.kind == NORMAL_MOVE && mover->type == PAWN && (last.to - last.from == 16 ||
                                                                                 last.from - last.to == 16);
    return double_step && board.squares[last.to] == mover ? (last.from + last.to) / 2 : -1;
}

// ---- Move notation -------------------------------------------------------

int ParseSquare(const char* text)
{
    if (text[0] < 'a' || text[0] > 'h' || text[1] < '1' || text[1] > '8')
        return -1;
    return (text[1] - '1') * 8 + (text[0] - 'a');
}

std::string SquareText(int square)
{
    return {static_cast<char>('a' + square % 8), static_cast<char>('1' + square / 8)};
}

namespace {

int32_t PromotionKind(char letter)
{
    switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'r': return PROMOTE_ROOK;
    case 'n': return PROMOTE_KNIGHT;
    case 'b': return PROMOTE_BISHOP;
    default: return PROMOTE_QUEEN;
    }
}

// Whether the side to move's pawn on `from` may take en passant on `to`: an
// enemy pawn has just passed `to` with a double step.
bool IsEnPassant(const Board& board, int from, int to)
{
    const int32_t colour = board.side;
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

char PromotionLetter(int32_t kind)
{
    switch (kind) {
    case PROMOTE_QUEEN: return 'q';
    case PROMOTE_KNIGHT: return 'n';
    case PROMOTE_BISHOP: return 'b';
    case PROMOTE_ROOK: return 'r';
    default: return 0;
    }
}

void PrintSquare(int square, std::ostream& out) { out << SquareText(square); }

}  // namespace

std::optional<Move> ParseMove(const char* text, const Board& board, std::ostream& out)
{
    // Step 1. Four characters at least.
    const size_t length = std::strlen(text);
    if (length < 4) {
        out << "Extended algebraic needs 4 characters\n";
        return std::nullopt;
    }

    // Step 2. Two squares of the board.
    const int from = ParseSquare(text);
    const int to = ParseSquare(text + 2);
    if (from < 0 || to < 0)
        return std::nullopt;

    // Step 3. The origin holds a figure of the side to move, the destination none.
    const Figure* mover = board.squares[from];
    if (mover->colour != board.side || board.squares[to]->colour == board.side)
        return std::nullopt;

    // Step 4. Castling is the king's move from its home square two files aside.
    const int home = board.side == WHITE ? 4 : 60;
    if (mover->type == KING && from == home && (to == home - 2 || to == home + 2)) {
        const int wing = to == home + 2 ? 1 : 0;
        if (!CanCastle(board, wing))
            return std::nullopt;
        return Move{from, to, wing == 1 ? CASTLE_KING_SIDE : CASTLE_QUEEN_SIDE};
    }

    // Step 5. The opponent's en passant capture, which the engine never generates.
    if (IsEnPassant(board, from, to))
        return Move{from, to, EN_PASSANT};

    // Step 6. Otherwise a move some figure can make; a pawn reaching its last
    // rank always promotes, to a queen unless the fifth character names another.
    const MoveList list = GenerateMoves(board, NO_MOVE);
    for (int i = 0; i < list.count; ++i) {
        const Move candidate = list.moves[i];
        if (candidate.from != from || candidate.to != to || candidate.kind <= CASTLE_KING_SIDE)
            continue;
        if (IsPromotion(candidate.kind))
            return Move{from, to, PromotionKind(length > 4 ? text[4] : 'q')};
        return Move{from, to, NORMAL_MOVE};
    }
    return std::nullopt;
}

MoveList LegalMoves(Board& board)
{
    MoveList candidates = GenerateMoves(board, NO_MOVE);
    const int target = EnPassantTarget(board);
    const int behind = board.side == WHITE ? -8 : 8;
    for (const int from : {target + behind - 1, target + behind + 1}) {
        if (target >= 0 && IsEnPassant(board, from, target) && candidates.count < MAX_MOVES)
            candidates.moves[candidates.count++] = {from, target, EN_PASSANT};
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

bool IsMoveText(std::string_view text)
{
    const bool letter = text.size() == 5 && text[4] != '\0' && std::strchr("qrbnQRBN", text[4]);
    return (text.size() == 4 || letter) && ParseSquare(text.data()) >= 0 && ParseSquare(text.data() + 2) >= 0;
}

std::optional<Move> ParseLegalMove(std::string_view text, Board& board)
{
    if (!IsMoveText(text))
        return std::nullopt;
    const int from = ParseSquare(text.data());
    const int to = ParseSquare(text.data() + 2);
    const MoveList legal = LegalMoves(board);
    for (int i = 0; i < legal.count; ++i) {
        const Move move = legal.moves[i];
        if (move.from != from || move.to != to)
            continue;
        if (!IsPromotion(move.kind) ? text.size() == 4 : move.kind == PromotionKind(text.size() == 5 ? text[4] : 'q'))
            return move;
    }
    return std::nullopt;
}

std::string MoveText(Move move)
{
    std::string text = SquareText(move.from) + SquareText(move.to);
    if (const char letter = PromotionLetter(move.kind))
        text += letter;
    return text;
}

void PrintExtendedMove(const Board& board, Move move, std::ostream& out)
{
    const Figure* mover = board.squares[move.from];
    const Figure* target = board.squares[move.to];
    out << FIGURE_LETTERS[mover->type];
    PrintSquare(move.from, out);
    if (target->colour != NO_COLOUR)
        out << 'x' << FIGURE_LETTERS[target->type];
    PrintSquare(move.to, out);
}
