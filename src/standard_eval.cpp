#include "standard_eval.h"

#include <algorithm>
#include <cstdlib>

#include "geometry.h"

// clang-format off
const StandardWeights STANDARD_WEIGHTS = {
    // Material, pawn to king: the values tuned for small engines and published
    // with their tables, rounded.
    .material = {{82, 94}, {337, 281}, {365, 297}, {477, 512}, {1025, 936}, {0, 0}},
    // Centre: knights lose most on the rim; the king hides in the middlegame
    // (king_back_rank) and walks to the centre in the endgame.
    .centre = {{0, 0}, {12, 8}, {6, 5}, {2, 2}, {2, 6}, {-12, 14}},
    .pawn_advance = {3, 6},
    .king_back_rank = {25, 0},
    .rook_seventh = {20, 30},
    // Mobility per square beyond the average count (mobility_base).
    .mobility = {{0, 0}, {4, 4}, {5, 5}, {2, 4}, {1, 2}, {0, 0}},
    .mobility_base = {0, 4, 6, 7, 13, 0},
    .doubled_pawn = {-10, -20},
    .isolated_pawn = {-10, -12},
    // Passed pawns by rank: little in the middlegame, most of a piece on the
    // seventh rank in the endgame.
    .passed_pawn = {{0, 0}, {0, 8}, {5, 12}, {10, 22}, {20, 40}, {35, 70}, {60, 115}, {0, 0}},
    .free_passer = {{0, 0}, {0, 0}, {0, 4}, {0, 8}, {0, 16}, {0, 30}, {0, 50}, {0, 0}},
    .passer_king_distance = {0, 5},
    .shelter_pawn = {12, 0},
    .open_king_file = {-18, 0},
    // Attackers near the king, in units; the penalty grows with their square,
    // so that one attacker costs little and a gathering much.
    .king_attack_units = {0, 2, 2, 3, 5, 0},
    .king_danger_scale = 24,
    .bishop_pair = {30, 50},
    .rook_open_file = {25, 10},
    .rook_half_open_file = {12, 6},
    .tempo = {12, 6},
    .mop_up_edge = 12,
    .mop_up_closeness = 5,
};
// clang-format on

namespace {

constexpr uint64_t FILE_A = 0x0101010101010101ULL;
constexpr uint64_t FILE_H = FILE_A << 7;
constexpr int PHASE_WEIGHT[6] = {0, 1, 1, 2, 4, 0};

constexpr int FileOf(int square) { return square & 7; }
constexpr int RankOf(int square) { return square >> 3; }
constexpr uint64_t Bit(int square) { return uint64_t{1} << square; }
int Count(uint64_t squares) { return __builtin_popcountll(squares); }

// Steps from the rim toward the centre: 0 on the rim, 3 on the four middle squares.
int CentreSteps(int square)
{
    const int file = FileOf(square);
    const int rank = RankOf(square);
    return std::min(std::min(file, 7 - file), std::min(rank, 7 - rank));
}

int Distance(int a, int b) { return std::max(std::abs(FileOf(a) - FileOf(b)), std::abs(RankOf(a) - RankOf(b))); }

uint64_t FileMask(int file) { return FILE_A << file; }

// The files beside `file` (one or two).
uint64_t NeighbourFiles(int file) { return (file > 0 ? FileMask(file - 1) : 0) | (file < 7 ? FileMask(file + 1) : 0); }

// The squares on ranks strictly ahead of `square` for `colour`.
uint64_t AheadOf(int square, Colour colour)
{
    const int rank = RankOf(square);
    return colour == WHITE ? (rank == 7 ? 0 : ~uint64_t{0} << (8 * (rank + 1)))
                           : (rank == 0 ? 0 : ~uint64_t{0} >> (8 * (8 - rank)));
}

uint64_t PawnAttacks(uint64_t pawns, Colour colour)
{
    if (colour == WHITE)
        return ((pawns & ~FILE_A) << 7) | ((pawns & ~FILE_H) << 9);
    return ((pawns & ~FILE_A) >> 9) | ((pawns & ~FILE_H) >> 7);
}

// The squares a slider of `type` on `square` reaches over `occupied`, the
// first figure of each line included.
uint64_t SliderReach(FigureType type, int square, uint64_t occupied)
{
    uint64_t reach = 0;
    const TypeDirections& slides = SLIDES_OF[type];
    for (int d = 0; d < slides.count; ++d) {
        const int direction = slides.index[d];
        const uint64_t ray = GEOMETRY.rays[square][direction];
        const int first = FirstInDirection(square, direction, occupied);
        reach |= first < 0 ? ray : ray ^ GEOMETRY.rays[first][direction];
    }
    return reach;
}

uint64_t Reach(FigureType type, int square, uint64_t occupied)
{
    switch (type) {
    case KNIGHT: return GEOMETRY.knight_targets[square];
    case KING: return GEOMETRY.king_targets[square];
    case BISHOP:
    case ROOK:
    case QUEEN: return SliderReach(type, square, occupied);
    default: return 0;
    }
}

// What one side has on the board, gathered in one pass over its figures.
struct SideCount {
    int count[6] = {};
    uint64_t pawns = 0;
    int king = 0;
};

SideCount CountSide(const Board& board, Colour colour)
{
    SideCount side;
    for (uint64_t left = Pieces(board, colour); left; left &= left - 1) {
        const int square = __builtin_ctzll(left);
        ++side.count[board.squares[square]->type];
    }
    side.pawns = Pawns(board, colour);
    side.king = KingSquare(board, colour);
    return side;
}

int NonPawnFigures(const SideCount& side)
{
    return side.count[KNIGHT] + side.count[BISHOP] + side.count[ROOK] + side.count[QUEEN];
}

// Whether the side could ever mate without promoting: a rook or a queen, two
// bishops, or a bishop and a knight. Three knights can too, but never arise.
bool HasMatingMaterial(const SideCount& side)
{
    return side.count[ROOK] + side.count[QUEEN] > 0 || side.count[BISHOP] >= 2 ||
           (side.count[BISHOP] >= 1 && side.count[KNIGHT] >= 1);
}

// ---- Terms of one side, from its own point of view ---------------------------

Taper PawnStructure(const Board& board, const SideCount& own, const SideCount& enemy, Colour colour)
{
    const StandardWeights& w = STANDARD_WEIGHTS;
    Taper score{0, 0};
    const uint64_t occupied = Occupied(board);
    for (uint64_t left = own.pawns; left; left &= left - 1) {
        const int square = __builtin_ctzll(left);
        const int file = FileOf(square);
        const int advanced = colour == WHITE ? RankOf(square) : 7 - RankOf(square);
        score = score + w.pawn_advance * (advanced - 1) * (file >= 2 && file <= 5 ? 2 : 1);
        if ((own.pawns & NeighbourFiles(file)) == 0)
            score = score + w.isolated_pawn;
        const uint64_t ahead = AheadOf(square, colour);
        if (own.pawns & FileMask(file) & ahead)
            score = score + w.doubled_pawn;
        // Step 1. Passed: no enemy pawn ahead on its file or beside it.
        if ((enemy.pawns & (FileMask(file) | NeighbourFiles(file)) & ahead) != 0)
            continue;
        score = score + w.passed_pawn[advanced];
        const uint64_t path = FileMask(file) & ahead;
        if ((path & occupied) == 0)
            score = score + w.free_passer[advanced];
        // Step 2. In the endgame, the king that stands nearer the pawn's
        // next square decides the race.
        if (advanced >= 3) {
            const int stop = colour == WHITE ? square + 8 : square - 8;
            const int lead = Distance(enemy.king, stop) - Distance(own.king, stop);
            score = score + w.passer_king_distance * std::clamp(lead, -4, 4) * (advanced - 2);
        }
    }
    return score;
}

Taper KingShelter(const SideCount& own, Colour colour)
{
    const StandardWeights& w = STANDARD_WEIGHTS;
    const int king_rank = colour == WHITE ? RankOf(own.king) : 7 - RankOf(own.king);
    if (king_rank > 1)
        return {0, 0};
    Taper score{0, 0};
    const int king_file = FileOf(own.king);
    for (int file = std::max(0, king_file - 1); file <= std::min(7, king_file + 1); ++file) {
        const uint64_t pawns = own.pawns & FileMask(file);
        if (pawns == 0) {
            score = score + w.open_king_file;
            continue;
        }
        const int nearest = colour == WHITE ? __builtin_ctzll(pawns) : 63 - __builtin_clzll(pawns);
        const int rows = colour == WHITE ? RankOf(nearest) - RankOf(own.king) : RankOf(own.king) - RankOf(nearest);
        if (rows >= 1 && rows <= 2)
            score = score + w.shelter_pawn;
    }
    return score;
}

// Mobility, the figures' square terms and what the figures do to the enemy
// king, in one pass over the side's figures.
Taper Figures(const Board& board, const SideCount& own, const SideCount& enemy, Colour colour)
{
    const StandardWeights& w = STANDARD_WEIGHTS;
    Taper score{0, 0};
    const uint64_t occupied = Occupied(board);
    const uint64_t own_pieces = Pieces(board, colour);
    const uint64_t safe = ~own_pieces & ~PawnAttacks(enemy.pawns, Opponent(colour));
    const uint64_t king_zone = GEOMETRY.king_targets[enemy.king] | Bit(enemy.king);
    int attackers = 0;
    int units = 0;
    for (uint64_t left = own_pieces & ~own.pawns; left; left &= left - 1) {
        const int square = __builtin_ctzll(left);
        const auto type = static_cast<FigureType>(board.squares[square]->type);
        const int advanced = colour == WHITE ? RankOf(square) : 7 - RankOf(square);
        score = score + w.centre[type] * CentreSteps(square);
        if (type == KING) {
            if (advanced == 0)
                score = score + w.king_back_rank;
            continue;
        }
        const uint64_t reach = Reach(type, square, occupied);
        score = score + w.mobility[type] * (Count(reach & safe) - w.mobility_base[type]);
        if (reach & king_zone) {
            ++attackers;
            units += w.king_attack_units[type];
        }
        if (type == ROOK) {
            const uint64_t file = FileMask(FileOf(square));
            if ((file & own.pawns) == 0)
                score = score + ((file & enemy.pawns) == 0 ? w.rook_open_file : w.rook_half_open_file);
            if (advanced == 6)
                score = score + w.rook_seventh;
        }
    }
    // Step 1. A lone attacker is no danger; a queen makes the rest count.
    if (attackers >= 2 && own.count[QUEEN] > 0)
        score.mg += units * units * w.king_danger_scale / 64;
    // Step 2. The bishop pair.
    if (own.count[BISHOP] >= 2)
        score = score + w.bishop_pair;
    return score;
}

Taper SideTerms(const Board& board, const SideCount& own, const SideCount& enemy, Colour colour)
{
    Taper score{0, 0};
    for (const FigureType type : FIGURE_TYPES)
        score = score + STANDARD_WEIGHTS.material[type] * own.count[type];
    return score + PawnStructure(board, own, enemy, colour) + KingShelter(own, colour) +
           Figures(board, own, enemy, colour);
}

// ---- Endgames -----------------------------------------------------------------

// Against a bare king, the side that can mate drives it to the rim and
// brings its own king close: the search alone sees too few moves ahead to
// find that plan. Returns the bonus for the strong side.
int MopUp(const SideCount& strong, const SideCount& weak)
{
    const StandardWeights& w = STANDARD_WEIGHTS;
    const int file = FileOf(weak.king);
    const int rank = RankOf(weak.king);
    const int from_centre = std::max(3 - file, file - 4) + std::max(3 - rank, rank - 4);
    const int apart = std::abs(FileOf(strong.king) - file) + std::abs(RankOf(strong.king) - rank);
    return w.mop_up_edge * from_centre + w.mop_up_closeness * (14 - apart);
}

// How much of a score for `strong` stands, in sixteenths: a side without
// pawns that cannot mate wins nothing, and one only a minor figure up
// without pawns seldom wins.
int WinnableShare(const SideCount& strong, const SideCount& weak)
{
    if (strong.pawns != 0)
        return 16;
    if (!HasMatingMaterial(strong))
        return 0;
    const int strong_minors = strong.count[KNIGHT] + strong.count[BISHOP];
    const int weak_minors = weak.count[KNIGHT] + weak.count[BISHOP];
    const bool minor_up_only = strong.count[QUEEN] == weak.count[QUEEN] && strong.count[ROOK] == weak.count[ROOK] &&
                               strong_minors - weak_minors <= 1 && NonPawnFigures(weak) > 0;
    return minor_up_only ? 4 : 16;
}

int Phase(const SideCount& white, const SideCount& black)
{
    int phase = 0;
    for (const FigureType type : FIGURE_TYPES)
        phase += PHASE_WEIGHT[type] * (white.count[type] + black.count[type]);
    return std::min(phase, MAX_PHASE);
}

bool IsBare(const SideCount& side) { return side.pawns == 0 && NonPawnFigures(side) == 0; }

}  // namespace

int32_t EvaluateStandard(const Board& board)
{
    // Step 1. What each side has.
    const SideCount white = CountSide(board, WHITE);
    const SideCount black = CountSide(board, BLACK);

    // Step 2. The terms, white's less black's, tapered by the phase.
    Taper total = SideTerms(board, white, black, WHITE) - SideTerms(board, black, white, BLACK);
    total = total + (board.side == WHITE ? STANDARD_WEIGHTS.tempo : Taper{0, 0} - STANDARD_WEIGHTS.tempo);
    const int phase = Phase(white, black);
    int score = (total.mg * phase + total.eg * (MAX_PHASE - phase)) / MAX_PHASE;

    // Step 3. Endgame knowledge: the drive against a bare king, and no win
    // for a side that cannot mate.
    if (IsBare(black) && HasMatingMaterial(white))
        score += MopUp(white, black);
    else if (IsBare(white) && HasMatingMaterial(black))
        score -= MopUp(black, white);
    if (score > 0)
        score = score * WinnableShare(white, black) / 16;
    else if (score < 0)
        score = score * WinnableShare(black, white) / 16;

    score = std::clamp(score, -MAX_EVALUATION, MAX_EVALUATION);
    return board.side == WHITE ? score : -score;
}
