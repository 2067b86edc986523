// Chess as the standard front-ends play it: which positions the keys tell
// apart, the fifty-move rule in the search, and mates that the table keeps
// from one move to the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "hash.h"
#include "search.h"
#include "session.h"
#include "test_support.h"
#include "tt.h"

namespace {

class RulesTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        InitHashTables(1);
        ClearTT();
    }
};

KeyLock StandardKeyOf(const char* fen) { return KeyLockOf(State(*Load(fen, STANDARD_RULES))); }

struct KeyCase {
    const char* name;
    const char* one;
    const char* other;
    bool same;
};

TEST_F(RulesTest, StandardKeysTellApartWhatChessTellsApart)
{
    const KeyCase cases[] = {
        {"castling rights count", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1", false},
        {"an en passant square a pawn can take on counts", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
         "4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", false},
        {"an en passant square no pawn can take on does not", "4k3/8/8/3p4/8/8/8/4K3 w - d6 0 1",
         "4k3/8/8/3p4/8/8/8/4K3 w - - 0 1", true},
        {"nor one whose capture would bare the king along the rank", "8/8/8/K2pP2r/8/8/8/7k w - d6 0 1",
         "8/8/8/K2pP2r/8/8/8/7k w - - 0 1", true},
        {"nor one whose taker would leave the diagonal it is pinned on", "4k2b/8/8/3pP3/8/8/8/K7 w - d6 0 1",
         "4k2b/8/8/3pP3/8/8/8/K7 w - - 0 1", true},
        {"but one whose taker stays on its pin line", "1b2k3/8/8/3pP3/8/8/7K/8 w - d6 0 1",
         "1b2k3/8/8/3pP3/8/8/7K/8 w - - 0 1", false},
        {"the halfmove clock does not", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", "4k3/8/8/8/8/8/8/4K2R w K - 37 60", true},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(StandardKeyOf(c.one) == StandardKeyOf(c.other), c.same) << c.name;
    // The classic rules hash the figures and the side alone.
    EXPECT_EQ(KeyLockOf(State(*Load(cases[0].one))), KeyLockOf(State(*Load(cases[0].other))));
}

struct ScoreCase {
    const char* name;
    const char* fen;
    int depth;
    int low;  // the score lies within [low, high]
    int high;
};

TEST_F(RulesTest, TheFiftyMoveRuleDrawsInTheSearchButAMateOnItsLastPlyStands)
{
    const ScoreCase cases[] = {
        {"every move reaches the hundredth ply", "8/8/8/4k3/8/8/8/R3K3 w - - 99 80", 5, 0, 0},
        {"ten moves left to win in", "8/8/8/4k3/8/8/8/R3K3 w - - 90 80", 5, 300, 1000},
        {"a mate on the hundredth ply", "7k/5Q2/6K1/8/8/8/8/8 w - - 99 80", 3, MATE_SCORE - 1, MATE_SCORE - 1},
        {"a capture on the hundredth ply starts the count again", "8/8/8/4k3/8/8/p7/R3K3 w - - 99 80", 5, 300, 1000},
    };
    for (const ScoreCase& c : cases) {
        BoardPtr board = Load(c.fen, STANDARD_RULES);
        SearchLimits limits;
        limits.depth = c.depth;
        const SearchResult result = Search(*board, limits);
        EXPECT_GE(result.score, c.low) << c.name;
        EXPECT_LE(result.score, c.high) << c.name;
    }
}

// ---- Mates that hold -----------------------------------------------------------

// A game of 258 plies that leaves white's king and queen against the black
// king near the corner, white to move and mate in four: the kings and the queen shuffle, and a
// white pawn steps on every 64 plies, so that the halfmove clock never
// reaches 100; then the pawns are taken.
const char* const LONG_GAME_START = "6k1/1p6/8/4K3/8/8/P7/5Q2 w - - 0 1";

std::string LongGameMoves()
{
    std::string moves;
    const auto shuffle = [&](const std::string& queen, const std::string& other) {
        for (int i = 0; i < 15; ++i)
            moves += " " + queen + other + " g8h8 " + other + queen + " h8g8";
    };
    shuffle("f1", "e1");
    moves += " a2a3 g8h8 f1e1 h8g8";
    shuffle("e1", "f1");
    moves += " a3a4 g8h8 e1f1 h8g8";
    shuffle("f1", "e1");
    moves += " a4a5 g8h8 f1e1 h8g8";
    shuffle("e1", "f1");
    return moves + " e1f1 g8h8 a5a6 b7a6 f1a6 h8g7";
}

// The engine plays both sides from the end of the long game, white to a
// depth that sees the mate and black to one that finds the longest defence.
// The mates white announces, move by move, as the last thinking line before
// each of its moves has them: UCI's "score mate N", xboard's 100000 + N.
std::vector<int> MatesAnnounced(FrontEnd front_end, std::string& output)
{
    const bool uci = front_end == FrontEnd::UCI;
    const std::string word = uci ? "bestmove " : "move ";
    const std::string answer = uci ? word : "\n" + word;  // not "move" in a thinking line
    std::string moves = LongGameMoves();
    int searches = 0;
    const NextLine next = [&](const std::string& so_far) -> std::optional<std::string> {
        if (searches > 0) {
            moves += " " + so_far.substr(so_far.rfind(answer) + answer.size(), 4);
            if (moves.ends_with("0000") || so_far.ends_with("mates}\n") || searches > 40)
                return std::nullopt;
        }
        const std::string depth = ++searches % 2 == 1 ? "9" : "7";
        if (uci)
            return "position fen " + std::string(LONG_GAME_START) + " moves" + moves + "\ngo depth " + depth;
        std::string setup = "new\nforce\npost\nsetboard " + std::string(LONG_GAME_START) + "\n";
        for (size_t at = 1; searches == 1 && at < moves.size(); at += 5)
            setup += "usermove " + moves.substr(at, 4) + "\n";
        return (searches == 1 ? setup : "") + "sd " + depth + "\ngo";
    };
    output = RunFrontEndInteractively(front_end, next).output;
    std::vector<int> mates;
    int mate = 0;
    bool white = true;  // the long game ends with black's move
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        int depth = 0, value = 0;
        const char* uci_form = "info depth %d seldepth %*d multipv %*d score mate %d ";
        if (uci && std::sscanf(line.c_str(), uci_form, &depth, &value) == 2)
            mate = value;
        else if (!uci && std::sscanf(line.c_str(), "%d %d ", &depth, &value) == 2)
            mate = value > 100000 && value < 100100 ? value - 100000 : 0;
        if (line.starts_with(word)) {
            if (white)
                mates.push_back(mate);
            white = !white;
            mate = 0;
        }
    }
    return mates;
}

TEST_F(RulesTest, AMateAnnouncedAfterALongGameIsDeliveredCountingDown)
{
    for (const FrontEnd front_end : {FrontEnd::UCI, FrontEnd::XBOARD}) {
        std::string output;
        // Once announced, the mate only comes nearer, and the last mate in
        // one is delivered: the game ends there.
        const std::vector<int> mates = MatesAnnounced(front_end, output);
        const auto first = std::find_if(mates.begin(), mates.end(), [](int mate) { return mate != 0; });
        ASSERT_GE(mates.end() - first, 4) << output;
        EXPECT_TRUE(std::is_sorted(first, mates.end(), std::greater<int>())) << output;
        EXPECT_EQ(std::vector<int>(mates.end() - 4, mates.end()), (std::vector<int>{4, 3, 2, 1})) << output;
    }
}

}  // namespace
