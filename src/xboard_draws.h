// The draws by rule that xboard grants an engine's claim, counted as xboard
// counts them: with its claim testing on, xboard forfeits an engine for a
// false claim, so a claim must be one xboard's own count grants.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "board.h"
#include "move.h"

// A game as xboard knows it, for its count: the position text it was set up
// from, every move played since (the board may have dropped the oldest), and
// whether the board holds every castling right that text names
// (HoldsRightsAsGiven).
struct XboardGame {
    const std::string& start;
    const std::vector<Move>& moves;
    bool rights_as_given;
};

// Whether the board holds every castling right that the castling field of
// its set-up text names. xboard keeps a right whose king or rook stands away
// from home, and assumes rights when the text has no castling field, where
// this engine drops them: it may then tell positions apart that this engine
// takes for the same.
bool HoldsRightsAsGiven(const Board& board, const std::string& text);

// The draw the board's position allows by xboard's count, as a result line
// ("1/2-1/2 {50 move rule}", "1/2-1/2 {Insufficient material}" or
// "1/2-1/2 {3-fold repetition}", in that order of precedence), or none.
// Mate and stalemate are the caller's to tell first. A game whose set-up
// rights are not as given claims no repetition.
std::optional<std::string> DrawClaim(const Board& board, const XboardGame& game);
