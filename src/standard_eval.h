// The standard evaluation, which the standard modes score positions by:
// material and square terms tapered from the middlegame to the endgame,
// piece mobility, pawn structure, king safety, the bishop pair, rooks on open
// files, and what a small engine must know of the endgames it converts.
// Every weight is in one table, STANDARD_WEIGHTS.
#pragma once

#include <cstdint>

#include "board.h"
#include "figure.h"

// A weight or a score in the middlegame and in the endgame, in centipawns.
struct Taper {
    int32_t mg;
    int32_t eg;
};
constexpr Taper operator+(Taper a, Taper b) { return {a.mg + b.mg, a.eg + b.eg}; }
constexpr Taper operator-(Taper a, Taper b) { return {a.mg - b.mg, a.eg - b.eg}; }
constexpr Taper operator*(Taper a, int32_t n) { return {a.mg * n, a.eg * n}; }

// The weights of the standard evaluation. The material values follow those
// tuned and published for small engines with tapered tables (a pawn worth
// less in the middlegame than in the endgame, a bishop a little above a
// knight, a rook gaining as the board empties); the other terms have the
// sizes usual in small engines' evaluations. Matches decide which terms
// stay, each against the build without it (doc/strength.md); the sizes
// themselves have not been tuned one by one yet.
struct StandardWeights {
    Taper material[6];  // by FigureType; the king's is 0
    // Square terms, per step toward the centre (0 on the rim, 3 in the
    // middle), and the pawn's per rank advanced.
    Taper centre[6];
    Taper pawn_advance;
    Taper king_back_rank;  // a king on its first rank, in the middlegame
    Taper rook_seventh;    // a rook on the seventh rank
    // Mobility: per square a figure reaches that holds no figure of its own
    // and no enemy pawn attacks, counted from the squares it has on average.
    Taper mobility[6];
    int32_t mobility_base[6];
    Taper doubled_pawn;
    Taper isolated_pawn;
    Taper passed_pawn[8];          // by rank advanced, 1 to 6
    Taper free_passer[8];          // a passed pawn whose path to the last rank is empty
    Taper passer_king_distance;    // per square the enemy king is farther than the own from its stop square
    Taper shelter_pawn;            // per pawn shielding the castled king
    Taper open_king_file;          // per file next to the king with no own pawn
    int32_t king_attack_units[6];  // what each attacker near the king adds
    int32_t king_danger_scale;     // centipawns per unit squared, in 1/64
    Taper bishop_pair;
    Taper rook_open_file;
    Taper rook_half_open_file;
    Taper tempo;
    int32_t mop_up_edge;       // per step the bare king stands from the centre
    int32_t mop_up_closeness;  // per step the kings stand closer
};
extern const StandardWeights STANDARD_WEIGHTS;

// The phase of the game: 24 with every knight, bishop, rook and queen on the
// board (a queen counts 4, a rook 2, a minor figure 1), down to 0.
inline constexpr int MAX_PHASE = 24;

// The highest score the evaluation gives, kept well below every mate score.
inline constexpr int32_t MAX_EVALUATION = 4000;

// The score of the position for the side to move; positive is good for it.
int32_t EvaluateStandard(const Board& board);
