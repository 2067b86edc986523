// The --xboard front-end, flow by flow as GUIs drive it: what the engine must
// answer, line by line ('*' matches any text), and where the game must stand.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "clock.h"
#include "position_text.h"
#include "search.h"
#include "session.h"
#include "tt.h"

namespace {

const std::vector<Exchange> FLOWS = {
    {"handshake", "xboard\nprotover 2\naccepted ping\n",
     {"feature ping=1 setboard=1 usermove=1 playother=1 colors=0 sigint=0 sigterm=0 reuse=1 analyze=1 san=0 time=1 "
      "draw=0 nps=0 memory=1 exclude=1 variants=\"normal\" myname=\"tavik " TAVIK_VERSION "\" "
      "option=\"Skill Level -spin 20 0 20\" done=1"},
     START_POSITION},
    {"xboard takes back a move pair", "new\nusermove e2e4\nremove\nforce\nusermove d2d4\n", {"move *"},
     "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1"},
    {"edit position: black to move, castling rights kept",
     "new\nforce\nsetboard r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1\nusermove e8c8\n", {},
     "2kr3r/8/8/8/8/8/8/R3K2R w KQ - 1 1"},
    {"edit position, then the engine plays black", "new\nforce\nsetboard r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1\ngo\n",
     {"move *"}, "* w *"},
    {"switching sides in mid-game", "new\nusermove e2e4\nforce\ngo\n", {"move *", "move *"}, "* b *"},
    {"gnome-chess: force, bare moves, go, one-ply undo", "xboard\nnew\nforce\ne2e4\ngo\nforce\nundo\nundo\n",
     {"move *"}, START_POSITION},
    {"pychess: book replay from a set-up position",
     "new\nforce\nsetboard rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1\nusermove e7e5\ngo\n",
     {"move *"}, "* b *"},
    {"ping waits for the move", "new\nusermove e2e4\nping 3\n", {"move *", "pong 3"}, "* w *",
     Arrival::ALL_AT_ONCE},
    {"? ends a long search with its move", "new\nsd 60\ngo\n?\nping 4\n", {"move *", "pong 4"}, "* b *",
     Arrival::ALL_AT_ONCE},
    {"force ends a search without its move", "new\nsd 60\ngo\nforce\nping 5\n", {"pong 5"}, START_POSITION,
     Arrival::ALL_AT_ONCE},
    {"en passant and under-promotion keep the boards together",
     "new\nforce\ne2e4\na7a6\ne4e5\nd7d5\ne5d6\nsetboard 4k3/P7/8/8/8/8/8/4K3 w - - 0 1\na7a8n\n", {},
     "N3k3/8/8/8/8/8/8/4K3 b - - 0 1"},
    {"an en passant capture as the only move", "setboard k7/8/1Q6/8/3pP3/3P4/8/4K3 b - e3 0 1\ngo\n",
     {"move d4e3"}, "k7/8/1Q6/8/8/3Pp3/8/4K3 w - - 0 1"},
    {"the only mate takes en passant, with a discovered check",
     "setboard 3K4/1B4R1/8/3Ppp2/8/8/3R4/7k w - e6 0 1\nsd 4\ngo\n", {"move d5e6", "1-0 {White mates}"}, "* b *"},
    {"en passant takes the pawn that forks two pieces",
     "setboard 4k3/8/8/3pP3/2N1R3/8/8/4K3 w - d6 0 1\nsd 4\ngo\n", {"move e5d6"}, "* b *"},
    {"mate and stalemate end the game", "setboard 7k/5Q2/6K1/8/8/8/8/8 w - - 0 1\ngo\n"
                                        "setboard k7/8/8/2Q5/8/8/8/4K3 w - - 0 1\nplayother\nusermove c5b6\n",
     {"move f7*", "1-0 {White mates}", "1/2-1/2 {Stalemate}"}, "k7/8/1Q6/8/8/8/8/4K3 b - - 1 1"},
    // Draws by rule, claimed only where xboard's own count grants them: it
    // forfeits an engine for a false claim.
    {"the fifty-move rule is claimed after the hundredth ply, mate on it first",
     "setboard 7k/5Q2/6K1/8/8/8/8/8 w - - 99 1\ngo\nsetboard k7/8/8/8/8/8/8/6RK w - - 99 80\ngo\n",
     {"move f7*", "1-0 {White mates}", "move *", "1/2-1/2 {50 move rule}"}, "k7/8/8/8/8/8/8/* b - - 100 *"},
    {"a third repetition by the opponent's move is claimed instead of a move",
     "new\nforce\ng1f3\ng8f6\nf3g1\nf6g8\ng1f3\ng8f6\nf3g1\nplayother\nf6g8\n", {"1/2-1/2 {3-fold repetition}"},
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 8 *"},
    {"insufficient material is claimed after a move of the game, not in a set-up position",
     "setboard 4k3/8/8/8/8/8/8/4K3 w - - 0 1\ngo\nsetboard 4k3/8/8/3q4/8/4N3/8/4K3 w - - 0 1\ngo\n",
     {"move e1*", "1/2-1/2 {Insufficient material}", "move e3d5", "1/2-1/2 {Insufficient material}"},
     "4k3/8/8/3N4/8/8/8/4K3 b - - 0 1"},
    // Three times the same position by the rules, but xboard counts the first
    // one apart: after a double step beside a pawn (the en passant capture
    // exposes the king), set up with an en passant square, and set up with a
    // castling right this engine drops (the king is not at home) until the
    // king's move takes it away. No claim before the engine's move; the first
    // two then repeat a position thrice by its own move.
    {"no claim where xboard counts a repetition differently",
     "setboard 6n1/8/8/8/k2p3R/8/4P3/1N4K1 w - - 0 1\nforce\ne2e4\ng8f6\nb1a3\nf6g8\na3b1\ng8f6\nb1a3\nf6g8\n"
     "playother\na3b1\n"
     "setboard 6n1/8/8/8/k2pP2R/8/8/1N4K1 b - e3 0 1\nforce\ng8f6\nb1a3\nf6g8\na3b1\ng8f6\nb1a3\nf6g8\n"
     "playother\na3b1\n"
     "setboard 6n1/8/8/8/k7/8/8/1N4KR b K - 0 1\nforce\ng8f6\ng1f1\nf6g8\nf1g1\ng8f6\ng1f1\nf6g8\n"
     "playother\nf1g1\n",
     {"move g8f6", "1/2-1/2 {3-fold repetition}", "move g8f6", "1/2-1/2 {3-fold repetition}", "move *"},
     "* w - - * *"},
    {"thinking lines, mate scores in moves", "post\nsd 2\nsetboard 7k/5Q2/6K1/8/8/8/8/8 w - - 0 1\ngo\n",
     {"1 * * * *", "2 100001 * * f7*", "move f7*", "1-0 {White mates}"}, "* b *"},
    {"a clock of 50 ms a move", "st 0.05\ngo\n", {"move *"}, "* b *"},
    {"the weakest skill level still plays a legal move", "option Skill Level=-3\nusermove e2e4\n", {"move *"},
     "* w *"},
    {"malformed lines change nothing",
     "usermove e2e5\nusermove\ne7e5\nfoo bar\nsetboard 8/8/8/8/8/8/8/8 w - - 0 1\n"
     "setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1\n"
     "setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkx - 0 1\n"
     "setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e9 0 1\n"
     "setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - x 1 2\nsd x\nlevel 40\ntime 1e3\nundo\n"
     "memory 0\noption Foo=1\noption Skill Level=x\nexclude e2e5\n",
     {"Illegal move: e2e5", "Illegal move: ", "Illegal move: e7e5", "Error (unknown command): foo bar",
      "tellusererror Illegal position", "tellusererror Illegal position", "tellusererror Illegal position",
      "tellusererror Illegal position", "tellusererror Illegal position", "Error (bad argument): sd x",
      "Error (bad argument): level 40", "Error (bad argument): time 1e3", "Error (no move to take back): undo",
      "Error (bad argument): memory 0", "Error (unknown option): option Foo=1",
      "Error (bad argument): option Skill Level=x", "Error (illegal move): exclude e2e5"},
     START_POSITION},
};

TEST(XboardTest, EachFlowGetsItsRepliesAndKeepsTheGamesTogether) { ExpectExchanges(FrontEnd::XBOARD, FLOWS); }

// Analysis, all lines there at once: every command that is not answered
// during the search starts it again, so each position analysed shows one
// thinking line of depth 1 (the deeper ones are left out here); no move is
// ever played.
TEST(XboardTest, AnalysisFollowsThePositionAndTheMovesLeftToIt)
{
    const Exchange ANALYSES[] = {
        {"moves, take-backs and set-ups", "analyze\nusermove e2e4\nundo\nsetboard 7k/5Q2/6K1/8/8/8/8/8 w - - 0 1\n"
                                          ".\nexit\nping 1\n",
         {"1 * * * *", "1 * * * *", "1 * * * *", "1 * * * *", "stat01: * * * 0 * *", "pong 1"},
         "7k/5Q2/6K1/8/8/8/8/8 w - - 0 1"},
        {"excluded moves, and no search without a move",
         "analyze\nexclude all\ninclude d2d4\n.\nexclude d2d4\ninclude all\nexclude x\n"
         "setboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\nexit\n",
         {"1 * * * *", "1 * * * d2d4*", "stat01: * * * 0 1 d2d4", "1 * * * *", "Error (illegal move): exclude x",
          "1 * * * *"},
         "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"},
    };
    for (const Exchange& analysis : ANALYSES) {
        const FrontEndRun run = RunFrontEnd(FrontEnd::XBOARD, analysis.input, Arrival::ALL_AT_ONCE);
        std::istringstream lines(run.output);
        std::string shallow;
        for (std::string line; std::getline(lines, line);) {
            if (!std::isdigit(static_cast<unsigned char>(line[0])) || line.rfind("1 ", 0) == 0)
                shallow += line + "\n";
        }
        ExpectReplies(analysis.name, shallow, analysis.replies);
        EXPECT_EQ(run.position, analysis.position) << analysis.name;
    }
}

// The engine ponders on the reply its last thinking line expects: that reply
// gets the move the ponder search found at once, with no search of its own;
// another move is searched afresh.
TEST(XboardTest, PonderingAnswersTheExpectedReplyAtOnceAndAnyOtherAfresh)
{
    for (const bool expected : {true, false}) {
        const std::vector<std::string> opening = {"new", "hard", "post", "sd 3", "usermove e2e4"};
        size_t sent = 0, mark = 0;
        std::string reply;
        const FrontEndRun run = RunFrontEndInteractively(FrontEnd::XBOARD, [&](const std::string& output) {
            if (sent < opening.size())
                return std::optional<std::string>(opening[sent++]);
            if (!reply.empty())
                return std::optional<std::string>();
            const size_t move = output.find("move ");
            const size_t last = output.rfind("\n3 ", move);
            char predicted[8] = {};
            EXPECT_EQ(std::sscanf(output.c_str() + last, "%*d %*d %*d %*d %*s %7s", predicted), 1) << output;
            reply = expected ? predicted : std::string(predicted) == "a2a3" ? "h2h3" : "a2a3";
            mark = output.size() - 1;  // from the newline on
            return std::optional<std::string>("usermove " + reply);
        });
        const std::string after = run.output.substr(mark);
        EXPECT_EQ(after.find("\n1 ") < after.find("move "), !expected) << reply << " in:\n" << run.output;
        EXPECT_EQ(after.find("move ", after.find("move ") + 1), std::string::npos) << run.output;  // one move a turn
        EXPECT_TRUE(Matches(run.position, "* w *")) << run.position;
    }
}

TEST(XboardTest, MemorySizesTheTable)
{
    RunFrontEnd(FrontEnd::XBOARD, "memory 1\n");
    const uint32_t one = TableSlots(STANDARD_RULES);
    RunFrontEnd(FrontEnd::XBOARD, "memory 64\n");
    EXPECT_NEAR(static_cast<double>(TableSlots(STANDARD_RULES)) / one, 64, 0.01);
}

TEST(XboardTest, ClockLimitsShareTheTimeAndNeverRiskTheFlag)
{
    struct Clock {
        int64_t remaining, increment;
        int to_go;
        int64_t least_soft, most_hard;
    };
    const Clock CLOCKS[] = {
        {60'000, 0, 40, 500, 4'000},   // 40 moves in a minute, at the start
        {30'000, 0, 1, 2'000, 10'000}, // the last move of a session
        {120'000, 12'000, 0, 5'000, 40'000},
        {100, 0, 40, 1, 33},           // almost out of time
        {0, 0, 0, 1, 1},
    };
    for (const Clock& clock : CLOCKS) {
        SearchLimits limits;
        SetClockLimits(limits, clock.remaining, clock.increment, clock.to_go);
        EXPECT_GE(limits.soft_ms, clock.least_soft) << clock.remaining;
        EXPECT_LE(limits.soft_ms, limits.hard_ms) << clock.remaining;
        EXPECT_LE(limits.hard_ms, clock.most_hard) << clock.remaining;
    }
}

}  // namespace
