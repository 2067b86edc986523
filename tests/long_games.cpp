// Whole games through the command loop: the engine against a scripted
// opponent. The opponent's moves are computed on a mirror board, kept in step
// with the engine's by reading its "move" lines; every reply must be a legal
// move of the mirror position, and after every reply the engine's diagram and
// evaluation must match the mirror.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <istream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"
#include "clock.h"
#include "eval.h"
#include "fen.h"
#include "line_source.h"
#include "main.h"
#include "move.h"
#include "perft.h"
#include "search.h"
#include "session.h"

namespace {

int64_t FixedClock() { return 1'700'000'000; }

// The extended form of a move, as the engine writes it before making it.
std::string ExtendedForm(const Board& board, Move move)
{
    std::ostringstream out;
    PrintExtendedMove(board, move, out);
    return out.str();
}

// How the scripted opponent chooses among its legal moves.
enum class Opponent {
    RANDOM,    // any legal move, by a fixed pseudo-random sequence
    CAUTIOUS,  // like RANDOM, but never a move after which the engine can capture
};

struct GameSetup {
    std::string fen;  // empty: the initial position, no "setboard"
    bool engine_white;
    uint64_t seed;
    int max_plies;  // plies of the game (taken-back plies not counted)
    Opponent opponent;
    int undo_every = 0;  // every so many opponent turns, take back two plies first
};

struct GameRecord {
    int plies = 0;  // plies of the game on the mirror
    int engine_moves = 0;
    int undos = 0;
    int checks = 0;  // plies that gave check
    bool engine_had_no_move = false;
    bool opponent_had_no_move = false;
    int max_ply_seen = 0;  // the largest ply the mirror board held
    int status = -1;
};

class Game {
  public:
    explicit Game(GameSetup setup) : setup_(std::move(setup)), random_(setup_.seed) {}

    GameRecord Play()
    {
        LineSource source([this] { return NextLine(); });
        std::istream in(&source);
        SetClock(FixedClock);
        record_.status = RunCommandLoop(in, out_);
        SetClock(nullptr);
        return record_;
    }

  private:
    enum class Last { START, SETBOARD, GO, USERMOVE, UNDO };

    // Called by the command loop for its next line.
    std::optional<std::string> NextLine()
    {
        const std::string output = out_.str();
        out_.str("");
        if (!CheckAnswer(output) || finished_)
            return "quit\n";

        // The mirror is made once the engine has filled its hashing tables,
        // so that both boards hash alike.
        if (last_ == Last::START) {
            std::ostringstream trace;
            mirror_ = setup_.fen.empty() ? NewBoard() : SetBoard(setup_.fen.c_str(), trace);
            EXPECT_TRUE(mirror_) << setup_.fen;
            if (!mirror_)
                return "quit\n";
        }

        if (last_ == Last::START && !setup_.fen.empty()) {
            last_ = Last::SETBOARD;
            return "setboard " + setup_.fen + "\n";
        }
        if (mirror_->side == (setup_.engine_white ? WHITE : BLACK)) {
            // Only the first move command of a run can be "go".
            EXPECT_EQ(record_.plies, 0);
            last_ = Last::GO;
            return "go\n";
        }
        if (record_.plies >= setup_.max_plies)
            return "quit\n";

        ++turns_;
        if (setup_.undo_every > 0 && turns_ % setup_.undo_every == 0 && mirror_->ply >= 2) {
            UnmakeMove(*mirror_);
            UnmakeMove(*mirror_);
            EXPECT_TRUE(BoardOk(*mirror_));
            record_.plies -= 2;
            ++record_.undos;
            last_ = Last::UNDO;
            return "undo\n";
        }

        const std::vector<Move> legal = MovesOf(LegalMoves(*mirror_));
        if (legal.empty()) {
            record_.opponent_had_no_move = true;
            return "quit\n";
        }
        const Move move = Choose(legal);
        const std::string text = MoveText(move);
        EXPECT_EQ(MakeGameMove(*mirror_, move), 1);
        Played();
        last_ = Last::USERMOVE;
        return "usermove " + text + "\n";
    }

    Move Choose(const std::vector<Move>& legal)
    {
        std::vector<Move> candidates;
        if (setup_.opponent == Opponent::CAUTIOUS) {
            for (const Move move : legal) {
                MakeMove(*mirror_, move);
                bool capture = false;
                const MoveList captures = GenerateCaptures(*mirror_, NO_MOVE);
                for (int i = 0; i < captures.count && !capture; ++i) {
                    if (MakeMove(*mirror_, captures.moves[i])) {
                        UnmakeMove(*mirror_);
                        capture = true;
                    }
                }
                UnmakeMove(*mirror_);
                if (!capture)
                    candidates.push_back(move);
            }
        }
        if (candidates.empty())
            candidates = legal;
        random_ = random_ * 6364136223846793005u + 1442695040888963407u;
        return candidates[(random_ >> 33) % candidates.size()];
    }

    void Played()
    {
        ++record_.plies;
        EXPECT_TRUE(BoardOk(*mirror_)) << "ply " << record_.plies;
        if (InCheck(*mirror_))
            ++record_.checks;
        if (mirror_->ply > record_.max_ply_seen)
            record_.max_ply_seen = mirror_->ply;
    }

    // Checks what the engine wrote for the previous command and plays its
    // move on the mirror. False once something is wrong.
    bool CheckAnswer(const std::string& output)
    {
        switch (last_) {
        case Last::START: EXPECT_EQ(output, FEATURE_LINE); return output == FEATURE_LINE;
        case Last::SETBOARD: {
            const std::string tail =
                DiagramOf(*mirror_) + "Board evaluation " + std::to_string(Evaluate(*mirror_)) + "\n";
            const bool ok =
                output.size() >= tail.size() && output.compare(output.size() - tail.size(), tail.size(), tail) == 0;
            EXPECT_TRUE(ok) << output;
            return ok;
        }
        case Last::UNDO: {
            const std::string expected = "undoing move\n" + DiagramOf(*mirror_);
            EXPECT_EQ(output, expected) << "ply " << record_.plies;
            return output == expected;
        }
        case Last::GO:
        case Last::USERMOVE: break;
        }

        std::istringstream lines(output);
        std::string statistics;
        std::getline(lines, statistics);
        statistics += '\n';
        EXPECT_TRUE(IsStatisticsLine(statistics)) << "ply " << record_.plies << ": " << output;
        if (!IsStatisticsLine(statistics))
            return false;
        if (output.size() == statistics.size()) {
            // No reply: the engine must have no legal move.
            record_.engine_had_no_move = true;
            finished_ = true;
            EXPECT_TRUE(LegalMoves(*mirror_).count == 0) << "ply " << record_.plies;
            return LegalMoves(*mirror_).count == 0;
        }

        // "go": exmove line, move line. "usermove": evaluation line, move
        // line, diagram.
        std::string first, move_line;
        std::getline(lines, first);
        std::getline(lines, move_line);
        if (move_line.rfind("move ", 0) != 0) {
            ADD_FAILURE() << "ply " << record_.plies << ": no move line in\n" << output;
            return false;
        }
        const std::string text = move_line.substr(5);

        // The reply must be one of the legal moves of the mirror position.
        const std::optional<Move> reply = ParseLegalMove(text, *mirror_);
        if (!reply || MoveText(*reply) != text) {
            ADD_FAILURE() << "ply " << record_.plies << ": illegal reply " << text << " in\n" << DiagramOf(*mirror_);
            return false;
        }
        const std::string extended = ExtendedForm(*mirror_, *reply);
        EXPECT_EQ(MakeGameMove(*mirror_, *reply), 1);
        ++record_.engine_moves;
        Played();

        std::string rest;
        std::getline(lines, rest, '\0');
        if (last_ == Last::GO) {
            EXPECT_EQ(first, "exmove " + extended + (InCheck(*mirror_) ? "+" : ""));
            EXPECT_EQ(rest, "");
        } else {
            EXPECT_EQ(first, "Board raw eval is " + std::to_string(Evaluate(*mirror_)));
            EXPECT_EQ(rest, DiagramOf(*mirror_)) << "ply " << record_.plies;
            if (rest != DiagramOf(*mirror_))
                return false;
        }
        return true;
    }

    GameSetup setup_;
    uint64_t random_;
    BoardPtr mirror_;
    std::ostringstream out_;
    GameRecord record_;
    Last last_ = Last::START;
    bool finished_ = false;
    int turns_ = 0;
};

// A game ends on the board (a side without a move) or at its length.
void ExpectFinishedOrLong(const GameRecord& record, int max_plies)
{
    EXPECT_EQ(record.status, 0);
    EXPECT_TRUE(record.engine_had_no_move || record.opponent_had_no_move || record.plies >= max_plies) << record.plies;
}

}  // namespace

TEST(LongGames, EngineAsBlackAgainstRandomMoves)
{
    const GameRecord record = Game({"", false, 1, 160, Opponent::RANDOM}).Play();
    ExpectFinishedOrLong(record, 160);
    EXPECT_GE(record.engine_moves, 10);
}

TEST(LongGames, EngineAsWhiteAgainstRandomMoves)
{
    const GameRecord record = Game({"", true, 2, 160, Opponent::RANDOM}).Play();
    ExpectFinishedOrLong(record, 160);
    EXPECT_GE(record.engine_moves, 10);
}

TEST(LongGames, EngineAgainstACautiousOpponent)
{
    const GameRecord record = Game({"", false, 3, 100, Opponent::CAUTIOUS}).Play();
    ExpectFinishedOrLong(record, 100);
    EXPECT_GE(record.engine_moves, 10);
}

TEST(LongGames, FromASetUpMiddlegame)
{
    // Set up with black to move in the text: the engine's board gives white
    // the move, and the opponent (white) begins.
    const GameRecord record =
        Game({"r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 2 3", false, 4, 160, Opponent::RANDOM})
            .Play();
    ExpectFinishedOrLong(record, 160);
    EXPECT_GE(record.engine_moves, 5);
}

TEST(LongGames, PromotionsOnBothSides)
{
    const GameRecord record = Game({"8/PPPk4/8/8/8/8/4Kppp/8 w - - 0 1", true, 5, 30, Opponent::RANDOM}).Play();
    ExpectFinishedOrLong(record, 30);
    EXPECT_GE(record.engine_moves, 3);
}

// Kings and rooks, the opponent leaving nothing to take where it can help it:
// a long shuffle, with checks, far past the end of the board's histories, and
// take-backs on the way.
TEST(LongGames, ThousandPlies)
{
    const GameRecord record = Game({"r3k3/8/8/8/8/8/8/4K2R w - - 0 1", false, 7, 1000, Opponent::CAUTIOUS, 23}).Play();
    EXPECT_EQ(record.status, 0);
    EXPECT_EQ(record.plies, 1000);
    EXPECT_GE(record.engine_moves, 500);
    EXPECT_GE(record.undos, 15);
    EXPECT_FALSE(record.engine_had_no_move);
    EXPECT_LE(record.max_ply_seen, GAME_PLY_LIMIT);
    EXPECT_GT(record.checks, 0);
}
