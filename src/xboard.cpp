#include "xboard.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "make_move.h"
#include "movegen.h"
#include "notation.h"
#include "position_text.h"
#include "search.h"
#include "setup.h"
#include "version.h"
#include "xboard_draws.h"

namespace {

// The features this front-end asks for: every command it needs, none of the
// obsolete ones, and no signals.
constexpr const char* FEATURES = "feature ping=1 setboard=1 usermove=1 playother=1 colors=0 sigint=0 sigterm=0 "
                                 "reuse=1 analyze=0 san=0 time=1 draw=0 nps=0 variants=\"normal\" "
                                 "myname=\"tavik " TAVIK_VERSION "\" done=1\n";

// Commands that end a search without its move: after them the move would
// belong to no game, or to another position.
constexpr const char* INTERRUPTING[] = {"quit",  "force", "new",   "result",    "setboard", "undo",
                                        "remove", "edit",  "white", "black", "playother"};

// Commands of the protocol that ask for nothing this engine does.
constexpr const char* IGNORED[] = {"xboard", "accepted", "rejected", "random", "computer", "name",
                                   "rating", "ics",      "draw",     "hint",   "easy",     "hard"};

// The clock as the interface has set it: "level" (a session of
// `moves_per_session` moves in `base_ms`, 0 moves for the whole game, plus
// `increment_ms` a move), or "st" (`move_ms` for every move); `engine_ms` is
// the engine's own clock as the last "time" gave it (-1: never given).
// `set` is false until "level" or "st" comes, and the engine then searches
// to a fixed depth instead.
struct XboardClock {
    bool set = false;
    int moves_per_session = 0;
    int64_t base_ms = 0;
    int64_t increment_ms = 0;
    int64_t move_ms = 0;
    int64_t engine_ms = -1;
};

// The game as the interface sees it and the engine's settings. The session's
// board is the game's position, reached from the position text `start` by
// `moves`; the game keeps both so that a take-back always finds the
// interface's position, whatever plies the board still keeps. Changed only
// by RunXboard and the commands it carries out.
struct Game {
    std::string start = START_POSITION;
    std::vector<Move> moves;
    bool rights_as_given = true;  // HoldsRightsAsGiven of the set-up position
    bool force = false;
    Colour engine_side = BLACK;
    int depth_limit = 0;  // "sd"; 0: none
    XboardClock clock;
    bool post = false;
};

bool IsOneOf(std::string_view word, const auto& words)
{
    for (const char* candidate : words) {
        if (word == candidate)
            return true;
    }
    return false;
}

// A command line taken apart: its first word and the rest, without the
// blanks around them.
struct Command {
    std::string_view name;
    std::string_view argument;
};

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

// A number of seconds such as 30 or 0.5, in milliseconds, or none.
std::optional<int64_t> ReadSeconds(std::string_view text)
{
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || seconds < 0 || seconds > 1e9)
        return std::nullopt;
    return static_cast<int64_t>(seconds * 1000);
}

// The base time of "level": minutes, or minutes:seconds; what follows the
// number is ignored, as the protocol asks.
std::optional<int64_t> ReadBaseTime(std::string_view text)
{
    int64_t minutes = 0, seconds = 0;
    const char* end = text.data() + text.size();
    auto [after, error] = std::from_chars(text.data(), end, minutes);
    if (error != std::errc() || minutes < 0 || minutes > 1'000'000)
        return std::nullopt;
    if (after != end && *after == ':') {
        const auto [rest, bad] = std::from_chars(after + 1, end, seconds);
        if (bad != std::errc() || seconds < 0 || seconds > 1'000'000)
            return std::nullopt;
        after = rest;
    }
    return (minutes * 60 + seconds) * 1000;
}

void Error(Session& session, const char* kind, std::string_view line)
{
    *session.out << "Error (" << kind << "): " << line << "\n";
}

// ---- The game ----------------------------------------------------------

void NewGame(Session& session, Game& game)
{
    session.board = NewBoard(STANDARD_RULES);
    const bool post = game.post;  // whether thinking is shown outlives the game
    game = Game();
    game.post = post;
}

void PlayMove(Session& session, Game& game, Move move)
{
    MakeGameMove(*session.board, move);
    game.moves.push_back(move);
}

// ---- The end of the game ----------------------------------------------------

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

// Writes the result when the game has just ended; whether it has.
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
    if (static_cast<size_t>(board.ply) >= plies) {
        for (size_t i = 0; i < plies; ++i)
            UnmakeMove(board);
        return;
    }
    session.board = LoadFen(game.start.c_str(), STANDARD_RULES);
    for (const Move move : game.moves)
        MakeGameMove(*session.board, move);
}

// A new game from a position text; false, with the game unchanged, for a
// text that is malformed or no position chess can be played from.
bool StartFrom(Session& session, Game& game, const std::string& text)
{
    BoardPtr board = LoadFen(text.c_str(), STANDARD_RULES);
    if (!board || !IsPlayablePosition(*board))
        return false;
    game.rights_as_given = HoldsRightsAsGiven(*board, text);
    session.board = std::move(board);
    game.start = text;
    game.moves.clear();
    return true;
}

// The obsolete "white" and "black": that side to move, the engine the other.
void SetSideToMove(Session& session, Game& game, Colour side)
{
    game.engine_side = Opponent(side);
    if (session.board->side == side)
        return;
    std::istringstream fields(PositionText(*session.board));
    std::string placement, old_side, castling;
    fields >> placement >> old_side >> castling;
    StartFrom(session, game, placement + (side == WHITE ? " w " : " b ") + castling + " - 0 1");
}

// ---- The engine's move -----------------------------------------------------

// How many moves the side to move has made in this game: every second one,
// counted back from the last but one.
int MovesMadeBySideToMove(const Game& game) { return static_cast<int>(game.moves.size() / 2); }

// What the engine's next search asks: "sd" caps its depth, "st" gives the
// time per move and "level" the clock.
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

// A thinking line: depth, score (mates as 100000 + N for mate in N moves,
// -100000 - N when mated), time in centiseconds, nodes, the moves.
void PrintThinking(const Session& session, const SearchResult& result, int root)
{
    std::ostream& out = *session.out;
    const int mate = MateInMoves(result.score, root);
    const int score = mate > 0 ? 100000 + mate : mate < 0 ? -100000 + mate : result.score;
    out << result.depth << " " << score << " " << result.milliseconds / 10 << " " << result.nodes;
    WritePvLine(out, result);
}

// A line that comes while the engine thinks: "?" ends the search with its
// move; a line that would make the move wrong ends it without; every other
// line waits.
LineEffect DuringSearch(Session&, const std::string& line)
{
    const std::string_view name = Split(line).name;
    if (name == "?")
        return LineEffect::MOVE_NOW;
    return IsOneOf(name, INTERRUPTING) ? LineEffect::ABANDON : LineEffect::WAITS;
}

// The engine plays the side to move, unless the game is over; a draw by rule
// is claimed before the move only when `claim_draws` (see GameResult). A
// result after the move goes out with it, in one write: read after the
// opponent's answer, xboard would judge the claim in the wrong position.
void EngineMove(Session& session, Game& game, bool claim_draws)
{
    if (ReportEnd(session, game, claim_draws))
        return;
    const SearchProtocol protocol = {DuringSearch, game.post ? PrintThinking : nullptr};
    const std::optional<SearchResult> found = SearchForMove(session, RequestFor(game), protocol);
    if (!found || !found->has_move)
        return;
    const Move move = found->best;
    PlayMove(session, game, move);
    std::string reply = "move " + MoveText(move) + "\n";
    if (const std::optional<std::string> result = GameResult(*session.board, game, true))
        reply += *result + "\n";
    *session.out << reply;
}

// The interface's move: played when legal, then answered when the engine
// plays the side now to move. In play, xboard has judged the position
// before it relays the move, so a draw it marked may be claimed at once.
void UserMove(Session& session, Game& game, std::string_view text)
{
    const std::optional<Move> move = ParseLegalMove(text, *session.board);
    if (!move) {
        *session.out << "Illegal move: " << text << "\n";
        return;
    }
    PlayMove(session, game, *move);
    if (game.force)
        return;
    if (session.board->side == game.engine_side)
        EngineMove(session, game, true);
    else
        ReportEnd(session, game, false);
}

// ---- Commands ----------------------------------------------------------------

// "level MOVES BASE INCREMENT". A level of no time at all, as some GUIs send
// for a game without a clock, leaves the engine at its fixed depth.
void SetLevel(Session& session, Game& game, std::string_view line, std::string_view argument)
{
    const std::vector<std::string_view> words = Words(argument);
    const std::optional<int64_t> moves = words.size() == 3 ? ReadInteger(words[0]) : std::nullopt;
    const std::optional<int64_t> base = words.size() == 3 ? ReadBaseTime(words[1]) : std::nullopt;
    const std::optional<int64_t> increment = words.size() == 3 ? ReadSeconds(words[2]) : std::nullopt;
    if (!moves || *moves < 0 || *moves > 10000 || !base || !increment) {
        Error(session, "bad argument", line);
        return;
    }
    const bool timed = *base > 0 || *increment > 0;
    game.clock = {timed, static_cast<int>(*moves), *base, *increment, 0, game.clock.engine_ms};
}

void SetTime(Session& session, Game& game, std::string_view line, std::string_view argument, bool engine)
{
    const std::optional<int64_t> centiseconds = ReadInteger(argument);
    if (!centiseconds || *centiseconds > 1'000'000'000 || *centiseconds < -1'000'000'000) {
        Error(session, "bad argument", line);
        return;
    }
    if (engine)
        game.clock.engine_ms = std::max<int64_t>(*centiseconds * 10, 0);
}

void SetDepth(Session& session, Game& game, std::string_view line, std::string_view argument)
{
    const std::optional<int64_t> depth = ReadInteger(argument);
    if (!depth || *depth < 1) {
        Error(session, "bad argument", line);
        return;
    }
    game.depth_limit = static_cast<int>(std::min<int64_t>(*depth, MAX_DEPTH));
}

// "st SECONDS"; st 0 takes the clock away.
void SetMoveTime(Session& session, Game& game, std::string_view line, std::string_view argument)
{
    const std::optional<int64_t> move_ms = ReadSeconds(argument);
    if (!move_ms) {
        Error(session, "bad argument", line);
        return;
    }
    game.clock.set = *move_ms > 0;
    game.clock.move_ms = *move_ms;
}

void Retract(Session& session, Game& game, std::string_view line, size_t plies)
{
    if (game.moves.size() < plies) {
        Error(session, "no move to take back", line);
        return;
    }
    TakeBack(session, game, plies);
}

// Commands that set something and write at most an error.
bool Setting(Session& session, Game& game, const Command& command, std::string_view line)
{
    const std::string_view name = command.name;
    const std::string_view argument = command.argument;
    if (name == "level")
        SetLevel(session, game, line, argument);
    else if (name == "st")
        SetMoveTime(session, game, line, argument);
    else if (name == "sd")
        SetDepth(session, game, line, argument);
    else if (name == "time" || name == "otim")
        SetTime(session, game, line, argument, name == "time");
    else if (name == "post" || name == "nopost")
        game.post = name == "post";
    else if (name == "variant") {
        if (argument != "normal")
            Error(session, "unsupported variant", line);
    } else
        return false;
    return true;
}

// Commands about the game and who plays it.
bool GameCommand(Session& session, Game& game, const Command& command, std::string_view line)
{
    const std::string_view name = command.name;
    if (name == "new")
        NewGame(session, game);
    else if (name == "force" || name == "result")
        game.force = true;
    else if (name == "go") {
        game.force = false;
        game.engine_side = session.board->side;
        EngineMove(session, game, false);
    } else if (name == "playother") {
        game.force = false;
        game.engine_side = Opponent(session.board->side);
    } else if (name == "white" || name == "black")
        SetSideToMove(session, game, name == "white" ? WHITE : BLACK);
    else if (name == "usermove")
        UserMove(session, game, command.argument);
    else if (name == "undo" || name == "remove")
        Retract(session, game, line, name == "undo" ? 1 : 2);
    else if (name == "setboard") {
        if (!StartFrom(session, game, std::string(command.argument)))
            *session.out << "tellusererror Illegal position\n";
    } else
        return false;
    return true;
}

void Execute(Session& session, Game& game, const std::string& line)
{
    const Command command = Split(line);
    const std::string_view name = command.name;
    if (name.empty() || name == "?" || IsOneOf(name, IGNORED))
        return;
    if (name == "quit")
        session.quit = true;
    else if (name == "protover")
        *session.out << FEATURES;
    else if (name == "ping")
        *session.out << "pong " << command.argument << "\n";
    else if (name == "bk")
        *session.out << " no book moves\n\n";
    else if (Setting(session, game, command, line) || GameCommand(session, game, command, line))
        return;
    else if (IsMoveText(name) && command.argument.empty())
        UserMove(session, game, name);
    else
        Error(session, "unknown command", line);
}

}  // namespace

int RunXboard(Session& session)
{
    Game game;
    return RunCommands(session, [&](const std::string& line) { Execute(session, game, line); });
}
