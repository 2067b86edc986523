#include "scripted_game.h"

#include <algorithm>
#include <iterator>
#include <ostream>
#include <sstream>

#include "board.h"
#include "classic.h"
#include "clock.h"
#include "diagram.h"
#include "line_source.h"
#include "make_move.h"
#include "movegen.h"
#include "notation.h"
#include "perft.h"
#include "setup.h"

namespace {

int64_t FixedClock() { return 1'700'000'000; }

void Fault(ScriptedGame& game, const std::string& what)
{
    ++game.faults;
    game.report(what);
}

// Counts a move just made on the mirror, by either side.
void Played(ScriptedGame& game, Move move)
{
    const Board& mirror = *game.mirror;
    ++game.plies;
    ++game.counts.played;
    if (IsPromotion(move.kind))
        ++game.counts.promotions;
    if (InCheck(mirror))
        ++game.counts.checks;
    game.counts.highest_ply = std::max(game.counts.highest_ply, int{mirror.ply});
    if (!BoardOk(mirror))
        Fault(game, "the mirror breaks an invariant after " + MoveText(move));
}

// Follows the engine's answer to "go" or to the opponent's move: its move
// line, or none when it has no legal move; after "usermove", its diagram.
void FollowReply(ScriptedGame& game, const std::string& answer)
{
    Board& mirror = *game.mirror;
    const std::string text = MoveLineText(answer);
    if (text.empty()) {
        game.end = NoMoveEnd(mirror, "engine");
        if (game.end.empty())
            Fault(game, "no reply though the engine has a legal move:\n" + answer);
        return;
    }
    const std::optional<Move> move = ParseLegalMove(text, mirror);
    const std::string extended = move ? ExtendedText(mirror, *move) : "";
    if (!move || MoveText(*move) != text || !MakeGameMove(mirror, *move)) {
        Fault(game, "illegal engine move " + text + " in\n" + DiagramOf(mirror));
        return;
    }
    game.engine_extended = extended;
    ++game.counts.engine_moves;
    Played(game, *move);
    if (game.sent == Sent::USERMOVE && !answer.ends_with(DiagramOf(mirror)))
        Fault(game, "the engine's board differs from the mirror:\n" + answer);
}

// Whether the other side can take something after `move`.
bool AllowsACapture(Board& board, Move move)
{
    MakeMove(board, move);
    const MoveList captures = GenerateCaptures(board, NO_MOVE);
    bool capture = false;
    for (int i = 0; i < captures.count && !capture; ++i) {
        capture = MakeMove(board, captures.moves[i]);
        if (capture)
            UnmakeMove(board);
    }
    UnmakeMove(board);
    return capture;
}

}  // namespace

int RunScriptedSession(const std::function<std::string(const std::string& answer)>& next)
{
    std::ostringstream out;  // the engine's output since the last line
    LineSource source([&]() -> std::optional<std::string> {
        const std::string answer = out.str();
        out.str("");
        return next(answer);
    });
    std::istream in(&source);
    SetClock(FixedClock);
    const int status = RunCommandLoop(in, out);
    SetClock(nullptr);
    return status;
}

std::string StartGame(ScriptedGame& game, const char* fen)
{
    std::ostream discard(nullptr);
    game.fen = fen;
    game.mirror = fen ? SetBoard(fen, discard) : NewBoard(CLASSIC_RULES);
    game.plies = game.turns = 0;
    game.end.clear();
    game.sent = Sent::SET_UP;
    if (!game.mirror)
        Fault(game, "the set-up is refused: " + std::string(fen));
    return fen ? "setboard " + std::string(fen) + "\n" : "new\n";
}

std::optional<std::string> OpponentLine(ScriptedGame& game, int undo_every, const Chooser& choose)
{
    Board& mirror = *game.mirror;
    ++game.turns;
    if (undo_every > 0 && game.turns % undo_every == 0 && game.plies >= 2) {
        UnmakeMove(mirror);
        UnmakeMove(mirror);
        game.plies -= 2;
        ++game.counts.undos;
        if (!BoardOk(mirror))
            Fault(game, "the mirror breaks an invariant after a take-back");
        game.sent = Sent::UNDO;
        return "undo\n";
    }
    const std::vector<Move> legal = MovesOf(LegalMoves(mirror));
    if (legal.empty())
        return std::nullopt;
    const Move move = choose(legal);
    if (!MakeGameMove(mirror, move))
        Fault(game, "the mirror refuses the opponent's move " + MoveText(move));
    Played(game, move);
    game.sent = Sent::USERMOVE;
    return "usermove " + MoveText(move) + "\n";
}

bool FollowAnswer(ScriptedGame& game, const std::string& answer)
{
    const int faults = game.faults;
    switch (game.sent) {
    case Sent::START: break;
    case Sent::SET_UP:
        if (game.fen ? answer.find(DiagramOf(*game.mirror)) == std::string::npos : answer != "New board ok\n")
            Fault(game, "the game did not start:\n" + answer);
        break;
    case Sent::UNDO:
        if (answer != "undoing move\n" + DiagramOf(*game.mirror))
            Fault(game, "the take-back differs from the mirror:\n" + answer);
        break;
    case Sent::GO:
    case Sent::USERMOVE: FollowReply(game, answer); break;
    }
    return game.faults == faults;
}

std::string NoMoveEnd(Board& board, const std::string& who)
{
    if (LegalMoves(board).count > 0)
        return "";
    return who + (InCheck(board) ? " mated" : " stalemated");
}

std::vector<Move> CautiousMoves(Board& board, const std::vector<Move>& moves)
{
    std::vector<Move> cautious;
    std::copy_if(moves.begin(), moves.end(), std::back_inserter(cautious),
                 [&](Move move) { return !AllowsACapture(board, move); });
    return cautious.empty() ? moves : cautious;
}

std::string MoveLineText(const std::string& answer)
{
    // With a newline before it, every line of the answer follows one.
    const size_t at = ("\n" + answer).find("\nmove ");
    if (at == std::string::npos)
        return "";
    const size_t begin = at + 5;
    const size_t end = answer.find('\n', begin);
    return end == std::string::npos ? "" : answer.substr(begin, end - begin);
}

std::string ExtendedText(const Board& board, Move move)
{
    std::ostringstream out;
    PrintExtendedMove(board, move, out);
    return out.str();
}
