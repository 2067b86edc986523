#include "geometry.h"

#include <array>

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

constexpr int DirectionOf(int32_t step)
{
    for (int direction = 0; direction < direction_count[QUEEN]; ++direction) {
        if (directions[QUEEN][direction] == step)
            return direction;
    }
    return -1;
}

// Whether each step of the type's row is larger than the one before.
constexpr bool StepsRise(FigureType type)
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
constexpr bool UpwardByIndex()
{
    for (int direction = 0; direction < direction_count[QUEEN]; ++direction) {
        if ((directions[QUEEN][direction] > 0) != IsUpward(direction))
            return false;
    }
    return true;
}
static_assert(StepsRise(QUEEN) && direction_count[QUEEN] == 8 && UpwardByIndex());

constexpr std::array<TypeDirections, 6> MakeSlidesOf()
{
    std::array<TypeDirections, 6> table{};
    for (const FigureType type : FIGURE_TYPES) {
        if (slides[type] == 0)
            continue;
        table[type].count = static_cast<int8_t>(direction_count[type]);
        for (int d = 0; d < direction_count[type]; ++d)
            table[type].index[d] = static_cast<int8_t>(DirectionOf(directions[type][d]));
    }
    return table;
}

}  // namespace

constexpr std::array<TypeDirections, 6> SLIDES_OF = MakeSlidesOf();

namespace {

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

// The bishop's directions are the diagonal ones.
constexpr bool DiagonalsAgree()
{
    uint32_t found = 0;
    for (int d = 0; d < SLIDES_OF[BISHOP].count; ++d)
        found |= 1u << SLIDES_OF[BISHOP].index[d];
    return found == DIAGONAL_DIRECTIONS;
}
static_assert(DiagonalsAgree());

// The squares one step of `type` reaches from `square`.
constexpr uint64_t StepsFrom(FigureType type, int square)
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
        for (const FigureType type : FIGURE_TYPES) {
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

// The direction of each mailbox step from -11 to 11, by step + 11, or -1.
constexpr std::array<int8_t, 23> MakeDirectionOfStep()
{
    std::array<int8_t, 23> table{};
    for (int step = -11; step <= 11; ++step)
        table[step + 11] = static_cast<int8_t>(DirectionOf(step));
    return table;
}

constexpr std::array<int8_t, 23> DIRECTION_OF_STEP = MakeDirectionOfStep();

}  // namespace

constexpr Geometry GEOMETRY = MakeGeometry();

int LineStep(int from, int to) { return GEOMETRY.line_step[from][to]; }

int DirectionOfStep(int step) { return DIRECTION_OF_STEP[step + 11]; }

uint64_t Between(int a, int b)
{
    const int direction = GEOMETRY.direction[a][b];
    if (direction < 0)
        return 0;
    return GEOMETRY.rays[a][direction] & ~GEOMETRY.rays[b][direction] & ~(uint64_t{1} << b);
}

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
