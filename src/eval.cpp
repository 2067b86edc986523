#include "eval.h"

#include "board.h"

namespace {

// Piece-square tables from the figure's own side: row 0 is the rank farthest
// from it, row 7 its own back rank. A black figure on square s reads entry s,
// a white one entry flip[s].

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

constexpr int Flip(int square) { return square ^ 56; }

}  // namespace

int32_t SquareBonus(const Figure& figure, int square)
{
    const int i = figure.colour == WHITE ? Flip(square) : square;
    switch (figure.type) {
    case PAWN: return pawn_table[i] / 3;
    case KNIGHT: return knight_table[i] / 3;
    case BISHOP: return bishop_table[i] / 3;
    case KING: return figure.colour == WHITE ? king_table[i] / 2 : king_table[i] / 3;
    default: return 0;
    }
}

int32_t Evaluate(const Board& board)
{
    int32_t white = 0;
    int32_t black = 0;
    for (int square = 0; square < 64; ++square) {
        const Figure& figure = *board.squares[square];
        if (figure.colour == NO_COLOUR)
            continue;
        const int32_t value = material_value[figure.type] + SquareBonus(figure, square);
        if (figure.colour == WHITE)
            white += value;
        else
            black += value;
    }
    const int32_t score = white - black;
    return board.side == WHITE ? score : -score;
}
