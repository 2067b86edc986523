// Whole games through the command loop: the engine against a scripted
// opponent whose mirror board follows the game (scripted_game.h). Beyond
// what the harness checks, every answer must be exactly what the engine
// writes: its statistics line, then after "go" the extended move and the
// move, after a move of the opponent the evaluation, the move and the
// diagram.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board.h"
#include "diagram.h"
#include "classic_eval.h"
#include "scripted_game.h"
#include "session.h"

namespace {

// How the scripted opponent chooses among its legal moves.
enum class Opponent {
    RANDOM,    // any legal move, by a fixed pseudo-random sequence
    CAUTIOUS,  // like RANDOM, but never a move after which the engine can capture
};

struct GameSetup {
    const char* fen;  // none: the initial position, no "setboard"
    bool engine_white;
    uint64_t seed;
    int max_plies;  // plies of the game (taken-back plies not counted)
    Opponent opponent;
    int undo_every = 0;  // every so many opponent turns, take back two plies first
};

struct GameRecord {
    int status;
    int plies;        // plies of the game on the mirror
    std::string end;  // "engine mated", "opponent stalemated", ...; empty at the game's length
    GameCounts counts;
};

class Game {
  public:
    explicit Game(GameSetup setup) : setup_(setup), random_(setup.seed)
    {
        game_.report = [this](const std::string& what) { ADD_FAILURE() << "ply " << game_.plies << ": " << what; };
    }

    GameRecord Play()
    {
        const int status = RunScriptedSession([this](const std::string& answer) { return NextLine(answer); });
        return {status, game_.plies, game_.end, game_.counts};
    }

  private:
    // The command loop's next line, once its answer to the previous one is checked.
    std::string NextLine(const std::string& answer)
    {
        if (!CheckAnswer(answer) || !game_.end.empty())
            return "quit\n";
        if (game_.sent == Sent::START) {
            // The mirror is made once the engine has filled its hashing
            // tables, so that both boards hash alike. A fresh session is at
            // the initial position already.
            const std::string set_up = StartGame(game_, setup_.fen);
            if (!game_.mirror)
                return "quit\n";
            if (setup_.fen)
                return set_up;
        }
        if (game_.mirror->side == (setup_.engine_white ? WHITE : BLACK)) {
            // Only the first move command of a run can be "go".
            EXPECT_EQ(game_.plies, 0);
            game_.sent = Sent::GO;
            return "go\n";
        }
        if (game_.plies >= setup_.max_plies)
            return "quit\n";
        const std::optional<std::string> line =
            OpponentLine(game_, setup_.undo_every, [this](const std::vector<Move>& legal) { return Choose(legal); });
        if (!line)
            game_.end = NoMoveEnd(*game_.mirror, "opponent");
        return line.value_or("quit\n");
    }

    Move Choose(const std::vector<Move>& legal)
    {
        const std::vector<Move> candidates =
            setup_.opponent == Opponent::CAUTIOUS ? CautiousMoves(*game_.mirror, legal) : legal;
        random_ = random_ * 6364136223846793005u + 1442695040888963407u;
        return candidates[(random_ >> 33) % candidates.size()];
    }

    // Checks what the engine wrote for the previous line; false once something is wrong.
    bool CheckAnswer(const std::string& answer)
    {
        switch (game_.sent) {
        case Sent::START: EXPECT_EQ(answer, FEATURE_LINE); return answer == FEATURE_LINE;
        case Sent::SET_UP: {
            // The trace lines, then the diagram and the evaluation.
            const Board& mirror = *game_.mirror;
            const std::string tail = DiagramOf(mirror) + "Board evaluation " + std::to_string(Evaluate(mirror)) + "\n";
            EXPECT_TRUE(answer.ends_with(tail)) << answer;
            return answer.ends_with(tail) && FollowAnswer(game_, answer);
        }
        case Sent::UNDO: return FollowAnswer(game_, answer);
        case Sent::GO:
        case Sent::USERMOVE: break;
        }

        // The statistics line, then nothing when the engine has no move.
        const std::string statistics = answer.substr(0, answer.find('\n') + 1);
        EXPECT_TRUE(IsStatisticsLine(statistics)) << "ply " << game_.plies << ": " << answer;
        if (!IsStatisticsLine(statistics) || !FollowAnswer(game_, answer))
            return false;
        const Board& mirror = *game_.mirror;
        const std::string move_line = "move " + MoveLineText(answer) + "\n";
        const std::string expected =
            !game_.end.empty() ? statistics
            : game_.sent == Sent::GO
                ? statistics + "exmove " + game_.engine_extended + (InCheck(mirror) ? "+" : "") + "\n" + move_line
                : statistics + "Board raw eval is " + std::to_string(Evaluate(mirror)) + "\n" + move_line +
                      DiagramOf(mirror);
        EXPECT_EQ(answer, expected) << "ply " << game_.plies;
        return answer == expected;
    }

    const GameSetup setup_;
    uint64_t random_;
    ScriptedGame game_;
};

struct GameCase {
    const char* name;
    GameSetup setup;
    int least_engine_moves;
};

std::ostream& operator<<(std::ostream& out, const GameCase& c) { return out << c.name; }

const GameCase GAME_CASES[] = {
    {"EngineAsBlackAgainstRandomMoves", {nullptr, false, 1, 160, Opponent::RANDOM}, 10},
    {"EngineAsWhiteAgainstRandomMoves", {nullptr, true, 2, 160, Opponent::RANDOM}, 10},
    {"EngineAgainstACautiousOpponent", {nullptr, false, 3, 100, Opponent::CAUTIOUS}, 10},
    // Set up with black to move in the text: the engine's board gives white
    // the move, and the opponent (white) begins.
    {"FromASetUpMiddlegame",
     {"r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 2 3", false, 4, 160, Opponent::RANDOM},
     5},
    {"PromotionsOnBothSides", {"8/PPPk4/8/8/8/8/4Kppp/8 w - - 0 1", true, 5, 30, Opponent::RANDOM}, 3},
};

class LongGames : public ::testing::TestWithParam<GameCase> {};

// A game ends on the board (a side without a move) or at its length.
TEST_P(LongGames, EndOnTheBoardOrAtTheirLength)
{
    const GameCase& c = GetParam();
    const GameRecord record = Game(c.setup).Play();
    EXPECT_EQ(record.status, 0);
    EXPECT_TRUE(!record.end.empty() || record.plies >= c.setup.max_plies) << record.plies;
    EXPECT_GE(record.counts.engine_moves, c.least_engine_moves);
}

INSTANTIATE_TEST_SUITE_P(Games, LongGames, ::testing::ValuesIn(GAME_CASES),
                         [](const ::testing::TestParamInfo<GameCase>& param) { return std::string(param.param.name); });

// Kings and rooks, the opponent leaving nothing to take where it can help it:
// a long shuffle, with checks, far past the end of the board's histories, and
// take-backs on the way.
TEST(LongGames, ThousandPlies)
{
    const GameRecord record = Game({"r3k3/8/8/8/8/8/8/4K2R w - - 0 1", false, 7, 1000, Opponent::CAUTIOUS, 23}).Play();
    EXPECT_EQ(record.status, 0);
    EXPECT_EQ(record.plies, 1000);
    EXPECT_GE(record.counts.engine_moves, 500);
    EXPECT_GE(record.counts.undos, 15);
    EXPECT_FALSE(record.end.starts_with("engine"));
    EXPECT_LE(record.counts.highest_ply, GAME_PLY_LIMIT);
    EXPECT_GT(record.counts.checks, 0);
}

}  // namespace
