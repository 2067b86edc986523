#include "eval_tables.h"

namespace {

// Piece-square tables from the figure's own side: row 0 is the rank farthest
// from it, row 7 its own back rank. A black figure on square s reads entry s,
// a white one entry flip[s].

// clang-format off
constexpr int32_t pawn_table[64] = {
       0,    0,    0,    0,    0,    0,    0,    0,
     300,  400,  500,  600,  600,  500,  400,  300,
      60,  120,  250,  400,  400,  250,  120,   60,
     -30,   30,  170,  280,  280,  170,   30,  -30,
    -100,  -50,  100,  200,  200,  100,  -50, -100,
    -100,  -50,   50,  150,  150,   50,  -50, -100,
    -100,  -50,   50, -100, -100,   50,  -50, -100,
       0,    0,    0,    0,    0,    0,    0,    0,
};

constexpr int32_t knight_table[64] = {
    -100,  -60,  -20,   20,   20,  -20,  -60, -100,
     -60,    0,   40,   80,   80,   40,    0,  -60,
     -20,   40,   80,  120,  120,   80,   40,  -20,
      20,   80,  120,  160,  160,  120,   80,   20,
     -20,   40,   80,  120,  120,   80,   40,  -20,
     -60,    0,   40,   80,   80,   40,    0,  -60,
     -80,  -40,    0,   40,   40,    0,  -40,  -80,
    -100, -100,  -60,  -20,  -20,  -60, -100, -100,
};

constexpr int32_t bishop_table[64] = {
    -25, -50, -50, -50, -50, -50, -50, -25,
    -50,  20,   0,   0,   0,   0,  20, -50,
    -50,   0,  40,  30,  30,  40,   0, -50,
    -50,   0,  30,  60,  60,  30,   0, -50,
    -50,   0,  30,  60,  60,  30,   0, -50,
    -50,   0,  40,  30,  30,  40,   0, -50,
    -50,  20,   0,   0,   0,   0,  20, -50,
    -25, -50, -50, -50, -50, -50, -50, -25,
};

constexpr int32_t king_table[64] = {
    -300, -300, -300, -300, -300, -300, -300, -300,
    -300, -300, -300, -300, -300, -300, -300, -300,
    -300, -300, -300, -300, -300, -300, -300, -300,
    -300, -300, -300, -500, -500, -300, -300, -300,
    -300, -300, -300, -500, -500, -300, -300, -300,
    -300, -300, -300, -300, -300, -300, -300, -300,
    -150, -200, -200, -200, -200, -200, -200, -150,
     100,  100,   50, -150, -150, -150,  100,  100,
};

// clang-format on

constexpr int Flip(int square) { return square ^ 56; }

constexpr int32_t SquareTerm(FigureType type, Colour colour, int square)
{
    const int i = colour == WHITE ? Flip(square) : square;
    switch (type) {
    case PAWN: return pawn_table[i] / 3;
    case KNIGHT: return knight_table[i] / 3;
    case BISHOP: return bishop_table[i] / 3;
    case KING: return colour == WHITE ? king_table[i] / 2 : king_table[i] / 3;
    default: return 0;
    }
}

// FigureScore of every figure on every square, [colour][type][square].
struct ScoreTable {
    int32_t score[3][8][64];  // a row per type and one spare, so that rows index by shifts
};

constexpr ScoreTable MakeScoreTable()
{
    ScoreTable table{};
    for (const Colour colour : COLOURS) {
        for (const FigureType type : FIGURE_TYPES) {
            for (int square = 0; square < 64; ++square) {
                const int32_t value = material_value[type] + SquareTerm(type, colour, square);
                table.score[colour][type][square] = colour == WHITE ? value : -value;
            }
        }
    }
    return table;
}

constexpr ScoreTable SCORES = MakeScoreTable();

}  // namespace

int32_t FigureScore(const Figure& figure, int square) { return SCORES.score[figure.colour][figure.type][square]; }

int32_t ShiftScore(const Figure& figure, int from, int to)
{
    return FigureScore(figure, to) - FigureScore(figure, from);
}

int32_t BalanceAfter(int32_t balance, const Figure& moving, const Figure& taken, Move move)
{
    const Figure arriving = IsPromotion(move.kind) ? Figure{PromotedType(move.kind), moving.colour} : moving;
    return balance - FigureScore(taken, move.to) + FigureScore(arriving, move.to) - FigureScore(moving, move.from);
}
