#include "xboard_game.h"

#include <algorithm>
#include <ostream>

#include "make_move.h"
#include "movegen.h"
#include "notation.h"
#include "search.h"
#include "setup.h"
#include "xboard_draws.h"

namespace {

// How many moves the side to move has made in this game: every second one,
// counted back from the last but one.
int MovesMadeBySideToMove(const Game& game) { return static_cast<int>(game.moves.size() / 2); }

}  // namespace

Command Split(std::string_view line)
{
    constexpr const char* BLANKS = " \t\r";
    const size_t first = line.find_first_not_of(BLANKS);
    if (first == std::string_view::npos)
        return {};
    line = line.substr(first, line.find_last_not_of(BLANKS) - first + 1);
    const size_t end = line.find_first_of(BLANKS);
    if (end == std::string_view::npos)
        return {line, {}};
    return {line.substr(0, end), line.substr(line.find_first_not_of(BLANKS, end))};
}

void Error(Session& session, const char* kind, std::string_view line)
{
    *session.out << "Error (" << kind << "): " << line << "\n";
}

void NewGame(Session& session, Game& game)
{
    session.board = NewBoard(STANDARD_RULES);
    const Game old = std::move(game);
    game = Game();
    game.post = old.post;
    game.analyzing = old.analyzing;
}

void PlayMove(Session& session, Game& game, Move move)
{
    MakeGameMove(*session.board, move);
    game.moves.push_back(move);
    game.excluded.clear();
}

// The result line when the game is over in the board's position, or none:
// mate or stalemate, else a draw by rule when `claim_draws`. xboard marks
// the draws of a position only when a move reaches it in play, so a draw is
// claimed only after the engine's move or its opponent's: never in a
// set-up position, nor after moves played in force mode.
std::optional<std::string> GameResult(Board& board, const Game& game, bool claim_draws)
{
    if (LegalMoves(board).count == 0) {
        if (!InCheck(board))
            return "1/2-1/2 {Stalemate}";
        return board.side == BLACK ? "1-0 {White mates}" : "0-1 {Black mates}";
    }
    return claim_draws ? DrawClaim(board, {game.start, game.moves, game.rights_as_given}) : std::nullopt;
}

bool ReportEnd(Session& session, const Game& game, bool claim_draws)
{
    const std::optional<std::string> result = GameResult(*session.board, game, claim_draws);
    if (result)
        *session.out << *result << "\n";
    return result.has_value();
}

// Takes back the last `plies` moves of the game: on the board while it
// still keeps them, else by playing the game again from its start.
void TakeBack(Session& session, Game& game, size_t plies)
{
    Board& board = *session.board;
    game.moves.resize(game.moves.size() - plies);
    game.excluded.clear();
    if (static_cast<size_t>(board.ply) >= plies) {
        for (size_t i = 0; i < plies; ++i)
            UnmakeMove(board);
        return;
    }
    session.board = LoadFen(game.start.c_str(), STANDARD_RULES);
    for (const Move move : game.moves)
        MakeGameMove(*session.board, move);
}

bool StartFrom(Session& session, Game& game, const std::string& text)
{
    BoardPtr board = LoadFen(text.c_str(), STANDARD_RULES);
    if (!board || !IsPlayablePosition(*board))
        return false;
    game.rights_as_given = HoldsRightsAsGiven(*board, text);
    session.board = std::move(board);
    game.start = text;
    game.moves.clear();
    game.excluded.clear();
    return true;
}

SearchRequest RequestFor(const Game& game)
{
    const XboardClock& clock = game.clock;
    SearchRequest request;
    if (game.depth_limit > 0)
        request.depth = game.depth_limit;
    request.open_ended = request.on_clock = clock.set;
    // "st" is a most: a reserve covers the pipe and xboard's own clock.
    request.move_ms = clock.move_ms - std::min<int64_t>(100, clock.move_ms / 10);
    request.remaining_ms = clock.engine_ms >= 0 ? clock.engine_ms : clock.base_ms;
    request.increment_ms = clock.increment_ms;
    const int session_moves = clock.moves_per_session;
    request.moves_to_go = session_moves > 0 ? session_moves - MovesMadeBySideToMove(game) % session_moves : 0;
    return request;
}

void PrintThinking(const Session& session, const SearchResult& result, int root)
{
    std::ostream& out = *session.out;
    const int mate = MateInMoves(result.score, root);
    const int score = mate > 0 ? 100000 + mate : mate < 0 ? -100000 + mate : result.score;
    out << result.depth << " " << score << " " << result.milliseconds / 10 << " " << result.nodes;
    WritePvLine(out, result);
}

