// The classic command loop, session by session: start and end, commands,
// moves, set-ups and take-backs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "board.h"
#include "eval.h"
#include "fen.h"
#include "move.h"
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

constexpr const char* INITIAL_TRACE = "7 = r; j = 0\n"
                                      "7 = n; j = 1\n"
                                      "7 = b; j = 2\n"
                                      "7 = q; j = 3\n"
                                      "7 = k; j = 4\n"
                                      "BLACK KING 5 7\n"
                                      "7 = b; j = 5\n"
                                      "7 = n; j = 6\n"
                                      "7 = r; j = 7\n"
                                      "6 = p; j = 0\n"
                                      "6 = p; j = 1\n"
                                      "6 = p; j = 2\n"
                                      "6 = p; j = 3\n"
                                      "6 = p; j = 4\n"
                                      "6 = p; j = 5\n"
                                      "6 = p; j = 6\n"
                                      "6 = p; j = 7\n"
                                      "5 = 8; j = 0\n"
                                      "Unknown figure 8\n"
                                      "8 - 8\n"
                                      "4 = 8; j = 0\n"
                                      "Unknown figure 8\n"
                                      "8 - 8\n"
                                      "3 = 8; j = 0\n"
                                      "Unknown figure 8\n"
                                      "8 - 8\n"
                                      "2 = 8; j = 0\n"
                                      "Unknown figure 8\n"
                                      "8 - 8\n"
                                      "1 = P; j = 0\n"
                                      "1 = P; j = 1\n"
                                      "1 = P; j = 2\n"
                                      "1 = P; j = 3\n"
                                      "1 = P; j = 4\n"
                                      "1 = P; j = 5\n"
                                      "1 = P; j = 6\n"
                                      "1 = P; j = 7\n"
                                      "0 = R; j = 0\n"
                                      "0 = N; j = 1\n"
                                      "0 = B; j = 2\n"
                                      "0 = Q; j = 3\n"
                                      "0 = K; j = 4\n"
                                      "WHITE KING 5 0\n"
                                      "0 = B; j = 5\n"
                                      "0 = N; j = 6\n"
                                      "0 = R; j = 7\n";

constexpr const char* REFUSED = "tellusererror Illegal position\n";
constexpr const char* TOO_SHORT = "Extended algebraic needs 4 characters\nIllegal move !!\n";

}  // namespace

// ---- Start, end and commands ---------------------------------------------------

TEST(Session, StartsWithFeatureLineAndQuits)
{
    const SessionResult result = RunSession("quit\n");
    EXPECT_EQ(result.output, FEATURE_LINE);
    EXPECT_EQ(result.status, 0);
}

TEST(Session, EndOfInput)
{
    const std::string new_board = "New board ok\n";
    const struct {
        const char* input;
        std::string output;  // after the feature line
        int status;
    } cases[] = {
        // At the start of a line: the farewell and status 1.
        {"", FAREWELL, 1},
        {"new\n", new_board + FAREWELL, 1},
        {"\n\n", FAREWELL, 1},
        // In the middle of a line: that line is handled, then status 0.
        {"new", new_board, 0},
        {"xboard\nnew", new_board, 0},
    };
    for (const auto& c : cases) {
        const SessionResult result = RunSession(c.input);
        EXPECT_EQ(result.output, FEATURE_LINE + c.output) << c.input;
        EXPECT_EQ(result.status, c.status) << c.input;
    }
}

TEST(Session, QuitEndsAtOnce)
{
    for (const char* input : {"quit\nnew\nusermove e2e4\n", "quit", "quitting\nnew\n", "quit now\ngo\n"}) {
        const SessionResult result = RunSession(input);
        EXPECT_EQ(result.output, FEATURE_LINE) << input;
        EXPECT_EQ(result.status, 0) << input;
    }
}

TEST(Session, KeywordsArePrefixes)
{
    EXPECT_EQ(After("newgame\nquit\n"), "New board ok\n");
    EXPECT_EQ(After("gone\nquit\n"), After("go\nquit\n"));
    EXPECT_EQ(After("undone\nquit\n"), After("undo\nquit\n"));
}

TEST(Session, KeywordsAreExact)
{
    const SessionResult result = RunSession("Quit\n quit\nQUIT\n new\nNew\nGo\n go\nUNDO\n Usermove e2e4\n");
    EXPECT_EQ(AfterFeatures(result.output), FAREWELL);
    EXPECT_EQ(result.status, 1);
}

TEST(Session, ProtocolCommandsWriteNothingAndChangeNothing)
{
    const std::string protocol = "xboard\nprotover 2\naccepted setboard\naccepted usermove\nlevel 40 5 0\n"
                                 "time 30000\notim 30000\nforce\npost\nnopost\nhard\neasy\nrandom\ncomputer\n"
                                 "ping 1\nresult 1-0 {White mates}\n";
    EXPECT_EQ(RunSession(protocol + "quit\n").output, FEATURE_LINE);
    // "go" is still the engine's first move afterwards.
    EXPECT_EQ(After(protocol + "go\nquit\n"), After("go\nquit\n"));
    EXPECT_EQ(After(protocol + "usermove e2e4\nquit\n"), After("usermove e2e4\nquit\n"));
}

// ---- Moves -------------------------------------------------------------------

TEST(Session, UsermoveIsAnswered)
{
    Output output(After("usermove e2e4\nquit\n"));
    ExpectReply(output, *NewBoard(), "e2e4");
    EXPECT_TRUE(output.AtEnd()) << output.Rest();
}

TEST(Session, RefusedUsermoves)
{
    // Text that names no move of the side to move.
    EXPECT_EQ(After("usermove e2e5\nquit\n"), "Illegal move !!\n");
    EXPECT_EQ(After("usermove e7e5\nquit\n"), "Illegal move !!\n");
    EXPECT_EQ(After("usermove e2\nquit\n"), TOO_SHORT);

    // A move that leaves the mover's king attacked: the error line, no reply,
    // and the same side still to move.
    const char* fen = "4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1";
    Output output = AfterSetUp(fen, "usermove e2d3\nusermove e1d1\n");
    EXPECT_TRUE(output.Take("Errro ilegal move e2d3\n")) << output.Rest();
    ExpectReply(output, *Load(fen), "e1d1");
    EXPECT_TRUE(output.AtEnd());
}

TEST(Session, GoMakesTheFirstMove)
{
    const std::string once = After("go\nquit\n");
    Output output(once);
    EXPECT_TRUE(IsStatisticsLine(output.Line()));
    const std::string exmove = output.Line();
    const std::string move = MoveLineText(output.Line());
    EXPECT_TRUE(output.AtEnd()) << output.Rest();  // no diagram, no evaluation

    ASSERT_EQ(move.size(), 4u);
    BoardPtr mirror = NewBoard();
    const char letter = FIGURE_LETTERS[mirror->squares[Sq(move.c_str())]->type];
    EXPECT_EQ(exmove, "exmove " + std::string(1, letter) + move.substr(0, 2) + move.substr(2, 2) + "\n");
    EXPECT_TRUE(Play(*mirror, move));

    // Only the first "go" counts.
    EXPECT_EQ(After("go\ngo\nquit\n"), once);
    EXPECT_EQ(After("go\ngo\ngo\ngo"), once);
}

TEST(Session, GoOnlyAsTheFirstMoveCommand)
{
    EXPECT_EQ(After("usermove e2e4\ngo\nquit\n"), After("usermove e2e4\nquit\n"));
    EXPECT_EQ(After("usermove e2e4\nnew\ngo\nquit\n"), After("usermove e2e4\nnew\nquit\n"));
    // A refused move counts as the first move command too.
    EXPECT_EQ(After("usermove e2e5\ngo\nquit\n"), "Illegal move !!\n");
    EXPECT_EQ(After("usermove e2e5\nnew\ngo\nquit\n"), "Illegal move !!\nNew board ok\n");
    // "new" before any move leaves "go" allowed.
    EXPECT_EQ(After("new\ngo\nquit\n"), "New board ok\n" + After("go\nquit\n"));
}

TEST(Session, ExtendedMoveMarksChecksAndCaptures)
{
    const struct {
        const char* fen;
        const char* rest;  // after the statistics line
    } cases[] = {
        // Mate in one for white: the engine's move gives check.
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "exmove Ra1a8+\nmove a1a8\n"},
        // A capture names the figure taken. The set-up gives white the move
        // whatever the text says.
        {"4k3/8/8/3q4/8/2N5/8/4K3 b - - 0 1", "exmove Nc3xQd5\nmove c3d5\n"},
    };
    for (const auto& c : cases) {
        Output output = AfterSetUp(c.fen, "go\n");
        EXPECT_TRUE(IsStatisticsLine(output.Line())) << c.fen;
        EXPECT_EQ(output.Rest(), c.rest);
    }

    // A quiet first move from the initial position gives no check.
    const std::string initial = After("go\nquit\n");
    EXPECT_EQ(initial.find('+'), std::string::npos);
}

TEST(Session, NoLegalMoveForTheEngine)
{
    const struct {
        const char* fen;
        const char* commands;
        std::string rest;
    } cases[] = {
        // White mates: the engine (black) has no move, writes its statistics
        // line and nothing more. Mated at ply 1.
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "usermove a1a8\ngo\n", NoMoveStatistics(-4999)},
        // Stalemate.
        {"7k/8/6K1/5Q2/8/8/8/8 w - - 0 1", "usermove f5f7\n", NoMoveStatistics(0)},
        // "go" for a side without moves; "go" counts all the same, and the
        // board stays as it was.
        {"8/8/8/8/8/6k1/5q2/7K w - - 0 1", "go\nusermove h1g1\n", NoMoveStatistics(0) + "Errro ilegal move h1g1\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AfterSetUp(c.fen, c.commands).Rest(), c.rest) << c.fen;
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

TEST(Session, SetboardInitialPosition)
{
    const std::string expected = INITIAL_TRACE + DiagramOf(*NewBoard()) + "Board evaluation -25\n";
    EXPECT_EQ(After("setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\nquit\n"), expected);
    // The placement may end the text.
    EXPECT_EQ(After("setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR\nquit\n"), expected);
    EXPECT_EQ(After("setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"), expected);
}

TEST(Session, SetboardGivesWhiteTheMoveAndNoCastling)
{
    Output output = AfterSetUp("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "usermove e8g8\nusermove e1g1\n");
    // Black's castling is not white's move; white may not castle either.
    EXPECT_TRUE(output.Take("Illegal move !!\nIllegal move !!\n")) << output.Rest();
    EXPECT_TRUE(output.AtEnd());
}

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

TEST(Session, ShortLinesHaveAnEmptyArgument)
{
    // A longer line before leaves a move text where a short line's argument
    // would start.
    SessionResult result = RunSession("xxxxxxxxxd2d4\nusermove");
    EXPECT_EQ(AfterFeatures(result.output), TOO_SHORT);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(After("xxxxxxxxxd2d4\nusermove\nquit\n"), TOO_SHORT);
    EXPECT_EQ(After("xxxxxxxxxd2d4\nusermove \nquit\n"), TOO_SHORT);

    // After a reply, "usermove" alone is not the previous move again.
    Output output(After("usermove e2e4\nusermove\nquit\n"));
    ExpectReply(output, *NewBoard(), "e2e4");
    EXPECT_EQ(output.Rest(), TOO_SHORT);

    // The same for "setboard": the position left in the buffer is not read.
    result = RunSession("xxxxxxxxx4k3/8/8/8/8/8/8/4K3 w - - 0 1\nsetboard");
    EXPECT_EQ(AfterFeatures(result.output), REFUSED);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(After("xxxxxxxxx4k3/8/8/8/8/8/8/4K3 w - - 0 1\nsetboard \nundo\nquit\n"),
              std::string(REFUSED) + "undoing move\n" + DiagramOf(*NewBoard()));
}

// ---- Taking back -------------------------------------------------------------

TEST(Session, UndoTakesBackTheReplyAndTheMove)
{
    Output output(After("usermove e2e4\nundo\nusermove d2d4\nquit\n"));
    ExpectReply(output, *NewBoard(), "e2e4");
    EXPECT_TRUE(output.Take("undoing move\n" + DiagramOf(*NewBoard()))) << output.Rest();
    // White is to move again in the initial position.
    ExpectReply(output, *NewBoard(), "d2d4");
    EXPECT_TRUE(output.AtEnd());
}

TEST(Session, UndoTakesBackOnlyWhatExists)
{
    // A fresh board: nothing to take back.
    const std::string initial = "undoing move\n" + DiagramOf(*NewBoard());
    Output fresh(After("undo\nundo\nusermove e2e4\nquit\n"));
    EXPECT_TRUE(fresh.Take(initial + initial)) << fresh.Rest();
    ExpectReply(fresh, *NewBoard(), "e2e4");

    // After "go": the one move is taken back and white is to move again.
    const std::string go = After("go\nquit\n");
    Output after_go(After("go\nundo\nusermove e2e4\nquit\n"));
    EXPECT_TRUE(after_go.Take(go + initial)) << after_go.Rest();
    ExpectReply(after_go, *NewBoard(), "e2e4");

    // After a mate the engine made no reply: one ply back to the set-up.
    const char* mate = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    Output mated = AfterSetUp(mate, "usermove a1a8\nundo\n");
    EXPECT_TRUE(IsStatisticsLine(mated.Line()));
    EXPECT_EQ(mated.Rest(), "undoing move\n" + DiagramOf(*Load(mate)));

    // After a set-up: nothing to take back.
    const char* kings = "4k3/8/8/8/8/8/8/4K3 w - - 0 1";
    EXPECT_EQ(AfterSetUp(kings, "undo\n").Rest(), "undoing move\n" + DiagramOf(*Load(kings)));
}
