// The UCI front-end, exchange by exchange: what the engine must answer ('*'
// matches any text; "info depth" lines may come between the answers listed)
// and where the position must stand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "session.h"
#include "test_support.h"
#include "tt.h"

namespace {

// 600 plies of knights going out and home again.
std::string KnightShuffle()
{
    std::string moves;
    for (int ply = 0; ply < 600; ++ply)
        moves += " " + MoveText(KNIGHT_SHUFFLE[ply % 4]);
    return "position startpos moves" + moves + "\n";
}

const std::vector<Exchange> EXCHANGES = {
    {"handshake", "uci\nisready\ndebug on\nsetoption name Clear Hash\nsetoption name Foo value 3\nfoo\n",
     {"id name tavik *", "id author the tavik developers", "option name Hash type spin default 16 min 1 max 4096",
      "option name Threads type spin default 1 min 1 max 1", "option name Clear Hash type button",
      "option name Move Overhead type spin default 10 min 0 max 5000",
      "option name MultiPV type spin default 1 min 1 max 64", "option name Ponder type check default false",
      "option name UCI_LimitStrength type check default false",
      "option name UCI_Elo type spin default 2000 min 1000 max 2000",
      "option name Skill Level type spin default 20 min 0 max 20", "uciok", "readyok",
      "info string no option named 'Foo'"},
     START_POSITION},
    {"setoption: any case, values clamped or refused",
     "setoption name threads value 1\nsetoption name HASH value x\nsetoption name Hash value 0\n"
     "setoption name ponder value maybe\nsetoption name Ponder VALUE TRUE\nsetoption value 3\n",
     {"info string option Hash takes a number from 1 to 4096, not 'x'",
      "info string option Hash goes from 1 to 4096: set to 1",
      "info string option Ponder takes true or false, not 'maybe'",
      "info string setoption needs: setoption name NAME [value VALUE]"},
     START_POSITION},
    {"searchmoves: only the legal moves given, or every move when none is legal",
     "position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\ngo searchmoves e2e5 g1f1 depth 3\n"
     "go depth 2 searchmoves zz\n",
     {"info string searchmoves: e2e5 is not a legal move here", "bestmove g1f1*", "info string searchmoves: zz *",
      "info string searchmoves: no legal move given, every move is searched", "bestmove d1d8"}, "* w - - 0 1"},
    {"go mate 2 ends at the mate it finds", "position fen k7/8/2K5/8/8/8/8/6R1 w - - 0 1\ngo mate 2\n",
     {"info depth * score mate 2 * pv c6*", "bestmove c6* ponder a8*"}, "* w - - 0 1"},
    {"go mate with no number above 0 is a plain search", "go mate 0 depth 1\ngo mate -3 depth 1\ngo mate x depth 1\n",
     {"info depth 1 *", "bestmove *", "info depth 1 *", "bestmove *", "info depth 1 *", "bestmove *"}, START_POSITION},
    {"ponderhit outside a ponder search is passed over", "go depth 2\nponderhit\nponderhit\n", {"bestmove *"},
     START_POSITION, Arrival::ALL_AT_ONCE},
    // A ponder search that has completed its depth still reads lines, and
    // answers only the ponderhit or stop that ends it.
    {"go ponder, then ponderhit", "go ponder depth 2\nisready\nponderhit\n", {"readyok", "bestmove * ponder *"},
     START_POSITION},
    {"go ponder, then stop", "go ponder depth 2\nisready\nstop\n", {"readyok", "bestmove * ponder *"},
     START_POSITION},
    {"go depth: one info line per depth, then the move", "position startpos\ngo depth 3\n",
     {"info depth 1 seldepth * multipv 1 score cp * nodes * nps * hashfull * time * pv *", "info depth 2 *",
      "info depth 3 *", "bestmove *"},
     START_POSITION},
    {"isready during a search, then stop", "position startpos\ngo depth 60\nisready\nstop\n",
     {"readyok", "bestmove *"}, START_POSITION, Arrival::ALL_AT_ONCE},
    {"go infinite answers only after stop", "position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo infinite\nisready\nstop\n",
     {"readyok", "bestmove 0000"}, "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"},
    {"go movetime ends by the clock", "position startpos moves e2e4\ngo movetime 200\n", {"bestmove *"}, "* b *"},
    {"go wtime and btime", "position startpos\ngo wtime 60000 btime 60000 winc 0 binc 0 movestogo 40\n",
     {"bestmove *"}, START_POSITION},
    {"a game of 600 plies", KnightShuffle() + "go depth 2\n", {"bestmove *"},
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 600 1"},
    {"mated and stalemated sides to move", "position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1\ngo depth 3\n"
                                           "position fen k7/8/1Q6/8/8/8/8/4K3 b - - 0 1\ngo depth 3\n",
     {"info depth 0 score mate 0", "bestmove 0000", "info depth 0 score cp 0", "bestmove 0000"},
     "k7/8/1Q6/8/8/8/8/4K3 b - - 0 1"},
    {"an en passant capture as the only move", "position fen k7/8/1Q6/8/3pP3/3P4/8/4K3 b - e3 0 1\ngo depth 3\n",
     {"bestmove d4e3*"}, "k7/8/1Q6/8/3pP3/3P4/8/4K3 b - e3 0 1"},
    {"the only mate takes en passant, with a discovered check",
     "position fen 3K4/1B4R1/8/3Ppp2/8/8/3R4/7k w - e6 0 1\ngo depth 4\n", {"bestmove d5e6*"}, "* w - e6 0 1"},
    {"en passant takes the pawn that forks two pieces",
     "position fen 4k3/8/8/3pP3/2N1R3/8/8/4K3 w - d6 0 1\ngo depth 4\n", {"bestmove e5d6*"}, "* w - d6 0 1"},
    {"mate scores in moves", "position fen 7k/5Q2/6K1/8/8/8/8/8 w - - 0 1\ngo depth 2\n",
     {"info depth 2 * score mate 1 * pv f7*", "bestmove f7*"}, "* w *"},
    {"go perft: each root move's count on the game's board, en passant included, then the total and no move",
     "position fen 4k3/3p1p2/8/4P3/4K3/8/8/8 b - - 0 1 moves d7d5\ngo perft 2\n",
     {"e4d3: 7", "e4e3: 7", "e4f3: 7", "e4d4: 6", "e4f4: 7", "e4d5: 6", "e4f5: 6", "e5d6: 5", "",
      "Nodes searched: 51", ""},
     "4k3/5p2/8/3pP3/4K3/8/8/8 w - d6 *"},
    {"go perft with a missing, unreadable or out-of-range depth",
     "go perft\ngo perft x\ngo perft -1\ngo perft 0\ngo perft 11\ngo perft 99999999999999999999\nisready\n",
     {"info string perft needs a depth from 1 to 10", "info string perft needs a depth from 1 to 10",
      "info string perft needs a depth from 1 to 10", "info string perft needs a depth from 1 to 10",
      "info string perft needs a depth from 1 to 10", "info string perft needs a depth from 1 to 10", "readyok"},
     START_POSITION},
    {"malformed position lines", "position startpos moves e2e4 e7e5 e1e3 d2d4\nposition fen garbage\nposition\n",
     {"info string illegal move e1e3: the position stops before it", "info string not a position: garbage",
      "info string not a position: "},
     "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 1"},
};

TEST(UciTest, EachExchangeGetsItsAnswers) { ExpectExchanges(FrontEnd::UCI, EXCHANGES, "info depth"); }

// The number after `word` in a line ("time", "multipv", "cp"), or -1.
int64_t Field(const std::string& line, const std::string& word)
{
    const size_t at = line.find(" " + word + " ");
    return at == std::string::npos ? -1 : std::atoll(line.c_str() + at + word.size() + 2);
}

// The lines of a session's output that begin with `start`.
std::vector<std::string> LinesOf(const std::string& output, const std::string& start)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(start))
            lines.push_back(line);
    return lines;
}

// The time of the last depth a "go movetime 400" completes under the clock
// that steps a millisecond per reading, with the given Move Overhead.
int64_t MovetimeSpent(const std::string& overhead)
{
    const std::string input = "setoption name Move Overhead value " + overhead + "\ngo movetime 400\n";
    return Field(LinesOf(RunFrontEnd(FrontEnd::UCI, input).output, "info depth").back(), "time");
}

// How many of ten searches take the pawn that the king must take (else it
// queens), at the strength the options set.
int TimesTheKingTakes(const std::string& options)
{
    std::string input = options;
    for (int i = 0; i < 10; ++i)
        input += "position fen 4k3/8/8/8/8/8/3p4/4K3 w - - 0 1\ngo depth 4\n";
    const std::vector<std::string> moves = LinesOf(RunFrontEnd(FrontEnd::UCI, input).output, "bestmove");
    return static_cast<int>(
        std::count_if(moves.begin(), moves.end(), [](const std::string& m) { return m.starts_with("bestmove e1d2"); }));
}

TEST(UciTest, EachOptionTakesEffect)
{
    for (const uint32_t megabytes : {1, 3}) {
        RunFrontEnd(FrontEnd::UCI, "setoption name Hash value " + std::to_string(megabytes) + "\n");
        EXPECT_EQ(TableSlots(STANDARD_RULES), (megabytes << 20) / (sizeof(TTEntry) + sizeof(uint16_t)) / BUCKET_SLOTS * BUCKET_SLOTS);
    }
    // 400 ms less 390 of overhead leave 10 for the search.
    const int64_t full = MovetimeSpent("0"), shortened = MovetimeSpent("390");
    EXPECT_TRUE(full > 10 && shortened <= 10) << full << " " << shortened;

    // MultiPV 3: each depth's lines 1, 2, 3 in order, their scores falling.
    const std::vector<std::string> infos =
        LinesOf(RunFrontEnd(FrontEnd::UCI, "setoption name MultiPV value 3\ngo depth 4\n").output, "info depth");
    ASSERT_EQ(infos.size(), 4 * 3 + 1u);
    for (size_t i = 0; i + 1 < infos.size(); ++i) {
        EXPECT_EQ(Field(infos[i], "depth"), int64_t(i / 3 + 1)) << infos[i];
        EXPECT_EQ(Field(infos[i], "multipv"), int64_t(i % 3 + 1)) << infos[i];
        EXPECT_TRUE(i % 3 == 0 || Field(infos[i], "cp") <= Field(infos[i - 1], "cp")) << infos[i];
    }
    EXPECT_EQ(infos.back(), infos[9]);

    // The weakest level, by Skill Level or by Elo, sometimes leaves the pawn.
    EXPECT_EQ(TimesTheKingTakes(""), 10);
    for (const char* weakest : {"setoption name Skill Level value 0\n",
                                "setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value 1000\n"}) {
        const int takes = TimesTheKingTakes(weakest);
        EXPECT_TRUE(takes > 0 && takes < 10) << weakest << takes;
    }
}

}  // namespace
