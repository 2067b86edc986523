// The classic command loop, session by session: start and end, commands,
// moves, set-ups and take-backs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "diagram.h"
#include "classic_eval.h"
#include "scripted_game.h"
#include "session.h"
#include "test_support.h"

namespace {

// Reads a session's output piece by piece.
class Output {
  public:
    explicit Output(std::string text) : text_(std::move(text)) {}

    std::string Line()
    {
        const size_t end = text_.find('\n', at_);
        if (end == std::string::npos) {
            std::string rest = text_.substr(at_);
            at_ = text_.size();
            return rest;
        }
        std::string line = text_.substr(at_, end + 1 - at_);
        at_ = end + 1;
        return line;
    }

    // Takes `expected` if the output goes on with it.
    bool Take(const std::string& expected)
    {
        if (text_.compare(at_, expected.size(), expected) != 0)
            return false;
        at_ += expected.size();
        return true;
    }

    std::string Rest() const { return text_.substr(at_); }
    bool AtEnd() const { return at_ == text_.size(); }

  private:
    std::string text_;
    size_t at_ = 0;
};

// Plays a move text on the mirror board; false when the board's side cannot
// play it or the board breaks an invariant.
bool Play(Board& board, const std::string& text) { return PlayText(board, text) && BoardOk(board); }

// Checks the answer to the opponent's accepted `move`: statistics line,
// evaluation, move line, diagram. Both moves are played on `mirror`, which
// must hold the position before the opponent's move.
void ExpectReply(Output& output, Board& mirror, const std::string& move, const std::string& expected_reply = "")
{
    ASSERT_TRUE(Play(mirror, move)) << move;
    const std::string statistics = output.Line();
    EXPECT_TRUE(IsStatisticsLine(statistics)) << statistics;
    const std::string evaluation = output.Line();
    int score = 0;
    EXPECT_EQ(std::sscanf(evaluation.c_str(), "Board raw eval is %d", &score), 1) << evaluation;
    const std::string reply = MoveLineText(output.Line());
    ASSERT_FALSE(reply.empty());
    const std::optional<Move> named = ReadMove(mirror, reply);
    ASSERT_TRUE(named) << reply;
    EXPECT_EQ(MoveText(*named), reply);  // exactly the move's text, nothing after it
    if (!expected_reply.empty()) {
        EXPECT_EQ(reply, expected_reply);
    }
    ASSERT_TRUE(Play(mirror, reply)) << reply;
    EXPECT_EQ(evaluation, "Board raw eval is " + std::to_string(Evaluate(mirror)) + "\n");
    EXPECT_TRUE(output.Take(DiagramOf(mirror))) << output.Rest();
}

std::string After(const std::string& input) { return AfterFeatures(RunSession(input).output); }

// The output of "setboard" with `fen`, with the trace lines.
std::string SetUpOutput(const std::string& fen)
{
    const std::string output = After("setboard " + fen + "\nquit\n");
    EXPECT_NE(output.rfind("tellusererror", 0), 0u) << fen;
    return output;
}

// The output of `commands` after setting up `fen`: the output of a session
// that gives both, read from the end of the set-up's own, which it must
// begin with.
Output AfterSetUp(const std::string& fen, const std::string& commands)
{
    Output output(After("setboard " + fen + "\n" + commands + "quit\n"));
    EXPECT_TRUE(output.Take(SetUpOutput(fen))) << fen << "\n" << output.Rest();
    return output;
}

// The trace of setting up the initial position, rank by rank from the eighth.
constexpr const char* INITIAL_TRACE =
    "7 = r; j = 0\n7 = n; j = 1\n7 = b; j = 2\n7 = q; j = 3\n7 = k; j = 4\nBLACK KING 5 7\n"
    "7 = b; j = 5\n7 = n; j = 6\n7 = r; j = 7\n"
    "6 = p; j = 0\n6 = p; j = 1\n6 = p; j = 2\n6 = p; j = 3\n6 = p; j = 4\n6 = p; j = 5\n6 = p; j = 6\n6 = p; j = 7\n"
    "5 = 8; j = 0\nUnknown figure 8\n8 - 8\n"
    "4 = 8; j = 0\nUnknown figure 8\n8 - 8\n"
    "3 = 8; j = 0\nUnknown figure 8\n8 - 8\n"
    "2 = 8; j = 0\nUnknown figure 8\n8 - 8\n"
    "1 = P; j = 0\n1 = P; j = 1\n1 = P; j = 2\n1 = P; j = 3\n1 = P; j = 4\n1 = P; j = 5\n1 = P; j = 6\n1 = P; j = 7\n"
    "0 = R; j = 0\n0 = N; j = 1\n0 = B; j = 2\n0 = Q; j = 3\n0 = K; j = 4\nWHITE KING 5 0\n"
    "0 = B; j = 5\n0 = N; j = 6\n0 = R; j = 7\n";

constexpr const char* REFUSED = "tellusererror Illegal position\n";
constexpr const char* TOO_SHORT = "Extended algebraic needs 4 characters\nIllegal move !!\n";

}  // namespace

// ---- Whole sessions ----------------------------------------------------------

// Sessions whose whole output is the feature line, then `output`, then the
// output of the session `same_as` (when given) after its feature line.
TEST(Session, WholeOutputsAndStatus)
{
    const std::string new_board = "New board ok\n";
    const std::string protocol = "xboard\nprotover 2\naccepted setboard\naccepted usermove\nlevel 40 5 0\n"
                                 "time 30000\notim 30000\nforce\npost\nnopost\nhard\neasy\nrandom\ncomputer\n"
                                 "ping 1\nresult 1-0 {White mates}\n";
    const std::string initial = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
    const std::string set_up = INITIAL_TRACE + DiagramOf(*NewBoard(CLASSIC_RULES)) + "Board evaluation -25\n";
    const std::string stale_position = "xxxxxxxxx4k3/8/8/8/8/8/8/4K3 w - - 0 1\nsetboard";
    const struct {
        const char* label;
        std::string input;
        std::string output;
        std::string same_as = "";
        int status = 0;
    } cases[] = {
        {"quit alone: the feature line only", "quit\n", ""},
        {"end of input at a line start: farewell, status 1", "", FAREWELL, "", 1},
        {"end of input after a command", "new\n", new_board + FAREWELL, "", 1},
        {"end of input after blank lines", "\n\n", FAREWELL, "", 1},
        {"end of input inside a line: the line is handled, status 0", "new", new_board},
        {"end of input inside a later line", "xboard\nnew", new_board},
        {"quit ignores the lines after it", "quit\nnew\nusermove e2e4\n", ""},
        {"quit at the end of input", "quit", ""},
        {"quit as a prefix", "quitting\nnew\n", ""},
        {"quit with an argument", "quit now\ngo\n", ""},
        {"keywords are exact in case and leading blanks",
         "Quit\n quit\nQUIT\n new\nNew\nGo\n go\nUNDO\n Usermove e2e4\n", FAREWELL, "", 1},
        {"newgame is new", "newgame\nquit\n", new_board},
        {"gone is go", "gone\nquit\n", "", "go\nquit\n"},
        {"undone is undo", "undone\nquit\n", "", "undo\nquit\n"},
        {"protocol commands write nothing", protocol + "quit\n", ""},
        {"go after protocol commands is still the first move", protocol + "go\nquit\n", "", "go\nquit\n"},
        {"usermove after protocol commands", protocol + "usermove e2e4\nquit\n", "", "usermove e2e4\nquit\n"},
        {"usermove naming no move", "usermove e2e5\nquit\n", "Illegal move !!\n"},
        {"usermove with a move of the side not to move", "usermove e7e5\nquit\n", "Illegal move !!\n"},
        {"usermove too short", "usermove e2\nquit\n", TOO_SHORT},
        {"carriage returns ending the lines are ignored", "usermove e2e4\r\nquit\r\n", "", "usermove e2e4\nquit\n"},
        {"a legal move after a refused one plays as if alone", "usermove e2e5\nusermove e2e4\nquit\n",
         "Illegal move !!\n", "usermove e2e4\nquit\n"},
        {"only the first go counts", "go\ngo\nquit\n", "", "go\nquit\n"},
        {"only the first go counts, input ending inside a line", "go\ngo\ngo\ngo", "", "go\nquit\n"},
        {"go after usermove is ignored", "usermove e2e4\ngo\nquit\n", "", "usermove e2e4\nquit\n"},
        {"go after usermove and new is ignored", "usermove e2e4\nnew\ngo\nquit\n", "", "usermove e2e4\nnew\nquit\n"},
        {"a refused usermove counts as the first move command", "usermove e2e5\ngo\nquit\n", "Illegal move !!\n"},
        {"a refused usermove counts across new", "usermove e2e5\nnew\ngo\nquit\n", "Illegal move !!\n" + new_board},
        {"new before any move leaves go allowed", "new\ngo\nquit\n", new_board, "go\nquit\n"},
        {"setboard of the initial position", "setboard " + initial + " w KQkq - 0 1\nquit\n", set_up},
        {"setboard: the placement may end the text", "setboard " + initial + "\nquit\n", set_up},
        {"setboard: the placement may end the input", "setboard " + initial, set_up},
        // A longer line before leaves a text where a short line's argument
        // would start; it is not read.
        {"usermove alone at the end of input", "xxxxxxxxxd2d4\nusermove", TOO_SHORT},
        {"usermove alone after a longer line", "xxxxxxxxxd2d4\nusermove\nquit\n", TOO_SHORT},
        {"usermove and a blank after a longer line", "xxxxxxxxxd2d4\nusermove \nquit\n", TOO_SHORT},
        {"setboard alone at the end of input", stale_position, REFUSED},
        {"setboard and a blank keep the board", stale_position + " \nundo\nquit\n",
         REFUSED + ("undoing move\n" + DiagramOf(*NewBoard(CLASSIC_RULES)))},
    };
    for (const auto& c : cases) {
        const SessionResult result = RunSession(c.input);
        const std::string same = c.same_as.empty() ? "" : After(c.same_as);
        EXPECT_EQ(result.output, FEATURE_LINE + c.output + same) << c.label;
        EXPECT_EQ(result.status, c.status) << c.label;
    }
}

// Sessions that set up `fen` and then give `commands`: what comes after the
// set-up's own output, after one statistics line when `searched`.
TEST(Session, OutputsAfterSetUp)
{
    const char* mate = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    const char* kings = "4k3/8/8/8/8/8/8/4K3 w - - 0 1";
    const struct {
        const char* label;
        const char* fen;
        const char* commands;
        std::string rest;
        bool searched = false;
    } cases[] = {
        {"the engine's mating move is marked as check", mate, "go\n", "exmove Ra1a8+\nmove a1a8\n", true},
        // The set-up gives white the move whatever the text says.
        {"the engine's capture names the figure taken", "4k3/8/8/3q4/8/2N5/8/4K3 b - - 0 1", "go\n",
         "exmove Nc3xQd5\nmove c3d5\n", true},
        {"mated at ply 1: the statistics line and nothing more", mate, "usermove a1a8\ngo\n", NoMoveStatistics(-4999)},
        {"stalemated: the statistics line and nothing more", "7k/8/6K1/5Q2/8/8/8/8 w - - 0 1", "usermove f5f7\n",
         NoMoveStatistics(0)},
        {"go without moves counts as go and keeps the board", "8/8/8/8/8/6k1/5q2/7K w - - 0 1", "go\nusermove h1g1\n",
         NoMoveStatistics(0) + "Errro ilegal move h1g1\n"},
        {"setboard gives white the move and no castling", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
         "usermove e8g8\nusermove e1g1\n", "Illegal move !!\nIllegal move !!\n"},
        {"undo after a mate takes back one ply", mate, "usermove a1a8\nundo\n",
         "undoing move\n" + DiagramOf(*Load(mate)), true},
        {"undo after a set-up has nothing to take back", kings, "undo\n", "undoing move\n" + DiagramOf(*Load(kings))},
    };
    for (const auto& c : cases) {
        Output output = AfterSetUp(c.fen, c.commands);
        if (c.searched) {
            EXPECT_TRUE(IsStatisticsLine(output.Line())) << c.label;
        }
        EXPECT_EQ(output.Rest(), c.rest) << c.label;
    }
}

// ---- Moves -------------------------------------------------------------------

TEST(Session, UsermoveIsAnswered)
{
    const SessionResult result = RunSession("usermove e2e4\nquit\n");
    EXPECT_EQ(result.status, 0);
    Output output(AfterFeatures(result.output));
    ExpectReply(output, *NewBoard(CLASSIC_RULES), "e2e4");
    EXPECT_TRUE(output.AtEnd()) << output.Rest();

    // After a reply, "usermove" alone is not the previous move again.
    Output again(After("usermove e2e4\nusermove\nquit\n"));
    ExpectReply(again, *NewBoard(CLASSIC_RULES), "e2e4");
    EXPECT_EQ(again.Rest(), TOO_SHORT);
}

// A move that leaves the mover's king attacked: the error line, no reply, and
// the same side still to move.
TEST(Session, MoveIntoCheckKeepsTheSideToMove)
{
    const char* fen = "4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1";
    Output output = AfterSetUp(fen, "usermove e2d3\nusermove e1d1\n");
    EXPECT_TRUE(output.Take("Errro ilegal move e2d3\n")) << output.Rest();
    ExpectReply(output, *Load(fen), "e1d1");
    EXPECT_TRUE(output.AtEnd());
}

TEST(Session, GoMakesTheFirstMove)
{
    const std::string once = After("go\nquit\n");
    EXPECT_EQ(once.find('+'), std::string::npos);  // a quiet first move gives no check
    Output output(once);
    EXPECT_TRUE(IsStatisticsLine(output.Line()));
    const std::string exmove = output.Line();
    const std::string move = MoveLineText(output.Line());
    EXPECT_TRUE(output.AtEnd()) << output.Rest();  // no diagram, no evaluation

    ASSERT_EQ(move.size(), 4u);
    BoardPtr mirror = NewBoard(CLASSIC_RULES);
    const char letter = FIGURE_LETTERS[mirror->squares[Sq(move.c_str())]->type];
    EXPECT_EQ(exmove, "exmove " + std::string(1, letter) + move.substr(0, 2) + move.substr(2, 2) + "\n");
    EXPECT_TRUE(Play(*mirror, move));
}

TEST(Session, ThreefoldRepetitionStillGetsAReply)
{
    // Black's king has one move in each position: a8-b8 and back, while
    // white's king walks h1-h2 and back. The fifth reply comes in the third
    // occurrence of its position.
    const char* fen = "k7/p7/P7/8/8/8/8/2R4K w - - 0 1";
    const char* mine[] = {"h1h2", "h2h1", "h1h2", "h2h1", "h1h2"};
    const char* replies[] = {"a8b8", "b8a8", "a8b8", "b8a8", "a8b8"};
    std::string commands;
    for (const char* move : mine)
        commands += std::string("usermove ") + move + "\n";
    Output output = AfterSetUp(fen, commands);
    BoardPtr mirror = Load(fen);
    for (int i = 0; i < 5; ++i)
        ExpectReply(output, *mirror, mine[i], replies[i]);
    EXPECT_TRUE(output.AtEnd()) << output.Rest();
}

// ---- Set-up ------------------------------------------------------------------

TEST(Session, MalformedSetboardKeepsTheBoard)
{
    const char* good = "4k3/8/8/8/8/8/8/4K2R w - - 0 1";
    BoardPtr kept = Load(good);
    const std::string bad[] = {
        "rnbqkbnr/pppppppp/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",      // seven ranks
        "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",   // nine squares in a rank
        "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",     // seven squares in a rank
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",    // digit 9
        "rnbqkbnr/pppppppp/08/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",   // digit 0
        "rnbqkbnr/pppppppp/44/8/8/8/PPPPPPPP/RNBQKBN1x w - - 0 1",  // letter x
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w - - 0 1",    // letter X
        "rnbqkbnr/pppppppp//8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",     // empty rank
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/ w - - 0 1",            // missing last rank
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w - - 0 1",  // nine ranks
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/ w - - 0 1",   // a slash too many
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNRR w - - 0 1",   // overlong last rank
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR- w - - 0 1",   // junk after the field
        "rnbqkbnr pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1",    // blank inside
        "8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8/8",  // far too long
        "",                                                         // nothing
    };
    for (const std::string& text : bad) {
        EXPECT_EQ(AfterSetUp(good, "setboard " + text + "\nundo\n").Rest(),
                  REFUSED + ("undoing move\n" + DiagramOf(*kept)))
            << text;
    }
    // A refused set-up leaves the game going on: the engine still answers.
    Output output = AfterSetUp(good, "setboard " + bad[0] + "\nusermove e1f1\n");
    ASSERT_TRUE(output.Take(REFUSED));
    ExpectReply(output, *kept, "e1f1");
}

// ---- Taking back -------------------------------------------------------------

TEST(Session, UndoTakesBackTheReplyAndTheMove)
{
    Output output(After("usermove e2e4\nundo\nusermove d2d4\nquit\n"));
    ExpectReply(output, *NewBoard(CLASSIC_RULES), "e2e4");
    EXPECT_TRUE(output.Take("undoing move\n" + DiagramOf(*NewBoard(CLASSIC_RULES)))) << output.Rest();
    // White is to move again in the initial position.
    ExpectReply(output, *NewBoard(CLASSIC_RULES), "d2d4");
    EXPECT_TRUE(output.AtEnd());
}

TEST(Session, UndoTakesBackOnlyWhatExists)
{
    // A fresh board: nothing to take back.
    const std::string initial = "undoing move\n" + DiagramOf(*NewBoard(CLASSIC_RULES));
    Output fresh(After("undo\nundo\nusermove e2e4\nquit\n"));
    EXPECT_TRUE(fresh.Take(initial + initial)) << fresh.Rest();
    ExpectReply(fresh, *NewBoard(CLASSIC_RULES), "e2e4");

    // After "go": the one move is taken back and white is to move again.
    const std::string go = After("go\nquit\n");
    Output after_go(After("go\nundo\nusermove e2e4\nquit\n"));
    EXPECT_TRUE(after_go.Take(go + initial)) << after_go.Rest();
    ExpectReply(after_go, *NewBoard(CLASSIC_RULES), "e2e4");
}
