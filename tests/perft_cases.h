// The perft reference counts of test_perft (to each case's `depth`) and
// long_perft (the one count beyond it, where a case has one), under each of
// the rules: PERFT_CASES for the classic rules, STANDARD_PERFT_CASES for the
// standard ones.
//
// The classic rules' generator lists no en passant capture, so its counts
// differ from the published tables wherever an en passant capture arises in
// the tree. The reference counts of PERFT_CASES were derived with an
// independent generator, the chess.js package 1.4.0 from the npm registry,
// with the moves it flags as en passant removed at every node of the tree
// (not only at the root); see tests/perft/derive_counts.mjs, which prints them
// ("node derive_counts.mjs 5" for the deeper ones). Castling and promotions
// follow the ordinary rules, each promotion figure counting as its own move.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "board.h"
#include "hash.h"
#include "position_text.h"

struct PerftCase {
    const char* name;
    const char* fen;
    std::vector<uint64_t> counts;  // depth 1, 2, ...
    int depth;                     // the deepest count test_perft checks
    Rules rules = CLASSIC_RULES;   // those of the board the counts are for
};

// Builds that check the board after every move (TAVIK_CHECKS: debug and
// sanitizer builds) make each move twice and verify the whole board after it,
// which walks a perft tree some 250 times slower than a release build. There
// test_perft stops each case at its last count within FAST_LEAF_BUDGET and
// long_perft skips a count beyond DEEP_LEAF_BUDGET; every count of
// PERFT_CASES is within them. Release builds check every count.
#ifdef TAVIK_CHECKS
inline constexpr uint64_t FAST_LEAF_BUDGET = 200'000;
inline constexpr uint64_t DEEP_LEAF_BUDGET = 5'000'000;
#else
inline constexpr uint64_t FAST_LEAF_BUDGET = UINT64_MAX;
inline constexpr uint64_t DEEP_LEAF_BUDGET = UINT64_MAX;
#endif

inline std::ostream& operator<<(std::ostream& out, const PerftCase& c) { return out << c.name << ": " << c.fen; }

// The tests of one case each, named after it.
class PerftCaseTest : public ::testing::TestWithParam<PerftCase> {
  protected:
    void SetUp() override { InitHashTables(1); }
};

inline std::string CaseName(const ::testing::TestParamInfo<PerftCase>& param) { return param.param.name; }

inline const PerftCase PERFT_CASES[] = {
    // The initial position; 4,865,351 at depth 5 is the published 4,865,609
    // less its 258 en passant captures.
    {"Initial", START_POSITION, {20, 400, 8902, 197281, 4865351}, 4},
    // Middlegame with both castlings for both sides, pins and discovered checks.
    {"BothCastlings",
     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
     {48, 2038, 97766, 4079596},
     3},
    // Rook and pawn ending near the edges: pins along rank and file, double steps.
    {"EdgeEnding", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {14, 191, 2810, 43087, 671300}, 4},
    // Promotions and under-promotions with capture, white in check from the start.
    {"PromotionsInCheck", "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", {6, 264, 9463, 422146}, 3},
    // The same position mirrored, black to move: the counts must agree.
    {"PromotionsInCheckMirrored",
     "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -",
     {6, 264, 9463, 422146},
     3},
    // A pawn about to promote by capture, a knight fork on f2, king-side castling only.
    {"PromotionAndFork", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", {44, 1486, 62379, 2103487}, 3},
    // A quiet symmetrical middlegame with many pins of knights by bishops.
    {"SymmetricMiddlegame",
     "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
     {46, 2079, 89890},
     3},
    // Promotions of both colours onto occupied and empty squares, black to move.
    {"PromotionRace", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - -", {24, 496, 9483, 182838}, 4},
    // Bare rooks and kings: every castling right, rooks capturable on their corners.
    {"RooksAndKings", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", {26, 568, 13744, 314346}, 3},
    // A pawn pinned on the rank its double step would open.
    {"PinnedDoubleStep", "3k4/3p4/8/K1P4r/8/8/8/8 b - -", {18, 92, 1670, 10080, 184531}, 4},
    // A bishop pinning along the diagonal next to pawns that could otherwise take.
    {"DiagonalPin", "8/8/1k6/2b5/2pP4/8/5K2/8 b - -", {14, 121, 1843, 13508, 198914}, 4},
    // King-side castling alone, with a lone black king.
    {"ShortCastlingOnly", "4k3/8/8/8/8/8/8/4K2R w K -", {15, 66, 1197, 7059, 133987}, 4},
    // Castling rights with sliders covering the squares the kings cross.
    {"CoveredCastlingSquares", "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq -", {26, 1141, 27826, 1274206}, 3},
    // A promotion in the corner next to the enemy king.
    {"CornerPromotion", "8/P1k5/K7/8/8/8/8/8 w - -", {6, 27, 273, 1329, 18135}, 4},
    // Black to move in check from a rook along the edge file.
    {"EdgeCheck", "7k/8/8/8/8/8/8/K6R b - -", {2, 32, 147, 2402, 12243}, 4},
    // (The same placement with white to move is no position a game can hold:
    // the king not to move stands in check. LoadFen refuses it.)
};

// The published counts of standard chess, en passant included: the positions
// of the tables above under the standard rules, and the short positions
// engine authors use to trap en passant, castling and check evasion faults.
// Each case's deepest count is the one published for it; every count was
// derived again with chess.js 1.4.0 (tests/perft/derive_counts.mjs
// --standard, which fails unless the deepest equals the published one).
inline const PerftCase STANDARD_PERFT_CASES[] = {
    // Positions of PERFT_CASES, each to the depth of its published count.
    {"Initial", START_POSITION, {20, 400, 8902, 197281, 4865609}, 5, STANDARD_RULES},
    {"BothCastlings",
     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
     {48, 2039, 97862, 4085603, 193690690},
     4,
     STANDARD_RULES},
    {"EdgeEnding", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {14, 191, 2812, 43238, 674624}, 5, STANDARD_RULES},
    {"PromotionsInCheck",
     "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
     {6, 264, 9467, 422333, 15833292},
     4,
     STANDARD_RULES},
    {"PromotionAndFork",
     "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
     {44, 1486, 62379, 2103487, 89941194},
     4,
     STANDARD_RULES},
    {"SymmetricMiddlegame",
     "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
     {46, 2079, 89890, 3894594, 164075551},
     4,
     STANDARD_RULES},
    // d7-d5 beside the white pawn: taking en passant would empty the rank
    // between the white king and the rook.
    {"EnPassantPinnedAlongTheRank",
     "3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1",
     {18, 92, 1670, 10138, 185429, 1134888},
     6,
     STANDARD_RULES},
    // The en passant square given by the text; the capture uncovers the
    // bishop's check on the white king.
    {"EnPassantGivesCheck",
     "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1",
     {15, 126, 1928, 13931, 206379, 1440467},
     6,
     STANDARD_RULES},
    // After d2-d4 the black pawn that could take en passant stands pinned by
    // the bishop on the diagonal to its king.
    {"EnPassantPinnedOnTheDiagonal",
     "8/8/4k3/8/2p5/8/B2P2K1/8 w - - 0 1",
     {13, 102, 1266, 10276, 135655, 1015133},
     6,
     STANDARD_RULES},
    // Either double step checks the white king, and taking the checking pawn
    // en passant answers the check.
    {"EnPassantOutOfCheck", "4k3/3p1p2/8/4P3/4K3/8/8/8 b - - 0 1", {7, 58, 426}, 3, STANDARD_RULES},
    // The rook castling short lands on f1, checking the king on f8.
    {"ShortCastlingGivesCheck",
     "5k2/8/8/8/8/8/8/4K2R w K - 0 1",
     {15, 66, 1198, 6399, 120330, 661072},
     6,
     STANDARD_RULES},
    // The rook castling long lands on d1, checking the king on d8.
    {"LongCastlingGivesCheck",
     "3k4/8/8/8/8/8/8/R3K3 w Q - 0 1",
     {16, 71, 1286, 7418, 141077, 803711},
     6,
     STANDARD_RULES},
    // Each queen covers a square the other king would cross castling either way.
    {"CastlingThroughCoveredSquares",
     "r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1",
     {44, 1494, 50509, 1720476},
     4,
     STANDARD_RULES},
    // White in check from the rook on f8, which the pawn can take promoting.
    {"PromotionOutOfCheck",
     "2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1",
     {11, 133, 1442, 19174, 266199, 3821001},
     6,
     STANDARD_RULES},
    // Any knight move uncovers the queen's check along the diagonal.
    {"DiscoveredCheck", "8/8/1P2K3/8/2n5/1q6/8/5k2 b - - 0 1", {29, 165, 5160, 31961, 1004658}, 5, STANDARD_RULES},
    // The knight can leave the queen's file to the white king with a check
    // of its own.
    {"DoubleCheck", "8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1", {37, 183, 6559, 23527}, 4, STANDARD_RULES},
};
