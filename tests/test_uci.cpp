// The UCI front-end, exchange by exchange: what the engine must answer ('*'
// matches any text; "info depth" lines may come between the answers listed)
// and where the position must stand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session.h"
#include "test_support.h"

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
     {"id name tavik *", "id author the tavik developers", "option name Clear Hash type button", "uciok", "readyok"},
     START_POSITION},
    {"go depth: one info line per depth, then the move", "position startpos\ngo depth 3\n",
     {"info depth 1 score cp * nodes * nps * time * pv *", "info depth 2 *", "info depth 3 *", "bestmove *"},
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
     {"bestmove 0000", "bestmove 0000"}, "k7/8/1Q6/8/8/8/8/4K3 b - - 0 1"},
    {"an en passant capture as the only move", "position fen k7/8/1Q6/8/3pP3/3P4/8/4K3 b - e3 0 1\ngo depth 3\n",
     {"bestmove d4e3"}, "k7/8/1Q6/8/3pP3/3P4/8/4K3 b - e3 0 1"},
    {"the only mate takes en passant, with a discovered check",
     "position fen 3K4/1B4R1/8/3Ppp2/8/8/3R4/7k w - e6 0 1\ngo depth 4\n", {"bestmove d5e6"}, "* w - e6 0 1"},
    {"en passant takes the pawn that forks two pieces",
     "position fen 4k3/8/8/3pP3/2N1R3/8/8/4K3 w - d6 0 1\ngo depth 4\n", {"bestmove e5d6"}, "* w - d6 0 1"},
    {"mate scores in moves", "position fen 7k/5Q2/6K1/8/8/8/8/8 w - - 0 1\ngo depth 2\n",
     {"info depth 2 score mate 1 * pv f7*", "bestmove f7*"}, "* w *"},
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

}  // namespace
