// The perft reference counts of test_perft (to each case's `depth`) and
// long_perft (the one count beyond it, where a case has one).
//
// The engine knows no en passant of its own, so its counts differ from the
// published tables wherever an en passant capture arises in the tree. The
// reference counts below were derived with an independent generator, the
// chess.js package 1.4.0 from the npm registry, with the moves it flags as en
// passant removed at every node of the tree (not only at the root); see
// tests/perft/derive_counts.mjs, which prints them ("node derive_counts.mjs
// 5" for the deeper ones). Castling and promotions follow the ordinary rules,
// each promotion figure counting as its own move.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "hash.h"
#include "position_text.h"

struct PerftCase {
    const char* name;
    const char* fen;
    std::vector<uint64_t> counts;  // depth 1, 2, ...
    int depth;                     // the deepest count test_perft checks
};

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
