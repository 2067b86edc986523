#include "xboard.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "notation.h"
#include "position_text.h"
#include "search.h"
#include "version.h"
#include "xboard_analysis.h"
#include "xboard_game.h"

namespace {

// The features this front-end asks for: every command it needs, none of the
// obsolete ones, and no signals; its one option is the skill level.
constexpr const char* FEATURES = "feature ping=1 setboard=1 usermove=1 playother=1 colors=0 sigint=0 sigterm=0 "
                                 "reuse=1 analyze=1 san=0 time=1 draw=0 nps=0 memory=1 exclude=1 "
                                 "variants=\"normal\" myname=\"tavik " TAVIK_VERSION "\" "
                                 "option=\"Skill Level -spin 20 0 20\" done=1\n";

// Commands that end a search without its move: after them the move would
// belong to no game, or to another position.
constexpr const char* INTERRUPTING[] = {"quit",  "force", "new",   "result",    "setboard", "undo",
                                        "remove", "edit",  "white", "black", "playother"};

// Commands of the protocol that ask for nothing this engine does.
constexpr const char* IGNORED[] = {"xboard", "accepted", "rejected", "random", "computer", "name",
                                   "rating", "ics",      "draw",     "hint",   "."};

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

// Plays the engine's move and writes it; whether the game goes on. A
// result after the move goes out with it, in one write: read after the
// opponent's answer, xboard would judge the claim in the wrong position.
bool PlayEngineMove(Session& session, Game& game, Move move)
{
    PlayMove(session, game, move);
    std::string reply = "move " + MoveText(move) + "\n";
    const std::optional<std::string> result = GameResult(*session.board, game, true);
    if (result)
        reply += *result + "\n";
    *session.out << reply;
    return !result;
}

// ---- Pondering -----------------------------------------------------------------

// The ponder search under way, for the lines that come in during it: the
// reply it thinks on, and whether the interface has played it, which makes
// the search the engine's own. Set by Ponder, changed by DuringPonder.
struct PonderState {
    Move expected = NO_MOVE;
    bool hit = false;
};

PonderState pondering;

// A line that comes while the engine ponders. The expected reply makes the
// search the engine's own, and the lines after it do what they do in a
// search. Before it, "time" and "otim" wait for the move, "ping" is answered
// and "?" has no move to hurry; any other line, another move among them,
// ends the search, and the expected reply is taken back before it is
// carried out.
LineEffect DuringPonder(Session& session, const std::string& line)
{
    if (pondering.hit)
        return DuringSearch(session, line);
    const Command command = Split(line);
    const std::string_view name = command.name;
    const std::string_view move = name == "usermove" ? command.argument : command.argument.empty() ? name : "";
    if (move == MoveText(pondering.expected)) {
        pondering.hit = true;
        return LineEffect::PONDER_HIT;
    }
    if (name == "time" || name == "otim")
        return LineEffect::WAITS;
    if (name == "ping")
        *session.out << "pong " << command.argument << "\n";
    return name == "ping" || name == "?" ? LineEffect::HANDLED : LineEffect::ABANDON;
}

// Plays the reply `played` expects and thinks on it in the opponent's time,
// with the limits of the engine's next move on the clock as it will then
// stand. What the search found once the interface played that reply; none
// when a line ended the search, the expected reply then taken back unless
// it came. Nothing is searched where the reply ends the game.
std::optional<SearchResult> Ponder(Session& session, Game& game, const SearchResult& played)
{
    PlayMove(session, game, played.pv[1]);
    if (GameResult(*session.board, game, true)) {
        TakeBack(session, game, 1);
        return std::nullopt;
    }
    SearchRequest request = RequestFor(game);
    request.remaining_ms = std::max<int64_t>(request.remaining_ms - played.milliseconds, 0) + request.increment_ms;
    request.ponder = true;
    pondering = {played.pv[1], false};
    const SearchProtocol protocol = {DuringPonder, game.post ? PrintThinking : nullptr};
    const std::optional<SearchResult> found = SearchForMove(session, request, protocol);
    if (!found && !pondering.hit)
        TakeBack(session, game, 1);
    return found;
}

// The engine plays the side to move, unless the game is over; a draw by rule
// is claimed before the move only when `claim_draws` (see GameResult). With
// pondering on, it then thinks on the reply it expects, and plays again as
// soon as that reply comes.
void EngineMove(Session& session, Game& game, bool claim_draws)
{
    if (ReportEnd(session, game, claim_draws))
        return;
    const SearchProtocol protocol = {DuringSearch, game.post ? PrintThinking : nullptr};
    std::optional<SearchResult> found = SearchForMove(session, RequestFor(game), protocol);
    while (found && found->has_move) {
        if (!PlayEngineMove(session, game, found->best) || !session.options.ponder || found->pv_length < 2)
            return;
        found = Ponder(session, game, *found);
    }
}

// The interface's move: played when legal, then answered when the engine
// plays the side now to move (never in analysis). In play, xboard has judged the position
// before it relays the move, so a draw it marked may be claimed at once.
void UserMove(Session& session, Game& game, std::string_view text)
{
    const std::optional<Move> move = ParseLegalMove(text, *session.board);
    if (!move) {
        *session.out << "Illegal move: " << text << "\n";
        return;
    }
    PlayMove(session, game, *move);
    if (game.force || game.analyzing)
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

// "memory MEGABYTES": the table takes it all, up to MAX_HASH_MB. The table
// of the same size is kept with what it holds; when a new one cannot be
// had, the old one stays.
void SetMemory(Session& session, std::string_view line, std::string_view argument)
{
    const std::optional<int64_t> megabytes = ReadInteger(argument);
    if (!megabytes || *megabytes < 1) {
        Error(session, "bad argument", line);
        return;
    }
    const int size = static_cast<int>(std::min<int64_t>(*megabytes, MAX_HASH_MB));
    if (size == session.options.hash_mb)
        return;
    if (!SetTableSize(session, size))
        Error(session, "out of memory", line);
}

// "option NAME=VALUE" for the one option the features offer, the skill
// level; a value past its range is taken to the nearest end.
void SetOption(Session& session, std::string_view line, std::string_view argument)
{
    const size_t equals = argument.find('=');
    if (equals == std::string_view::npos || argument.substr(0, equals) != "Skill Level") {
        Error(session, "unknown option", line);
        return;
    }
    const std::optional<int64_t> level = ReadInteger(argument.substr(equals + 1));
    if (!level) {
        Error(session, "bad argument", line);
        return;
    }
    session.options.skill_level = static_cast<int>(std::clamp<int64_t>(*level, 0, MAX_SKILL_LEVEL));
}

// Commands that set the engine's options, which outlive the game.
bool EngineSetting(Session& session, const Command& command, std::string_view line)
{
    const std::string_view name = command.name;
    if (name == "memory")
        SetMemory(session, line, command.argument);
    else if (name == "option")
        SetOption(session, line, command.argument);
    else if (name == "hard" || name == "easy")
        session.options.ponder = name == "hard";
    else
        return false;
    return true;
}

// Commands of analysis mode; "go" has no place in it, where no move is played.
bool AnalysisCommand(Session& session, Game& game, const Command& command, std::string_view line)
{
    const std::string_view name = command.name;
    if (name == "analyze" || name == "exit")
        game.analyzing = name == "analyze";
    else if (name == "exclude" || name == "include")
        ExcludeMoves(session, game, command, line);
    else if (name == "go" && game.analyzing)
        Error(session, "analyze mode", line);
    else
        return false;
    return true;
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
    else if (Setting(session, game, command, line) || EngineSetting(session, command, line) ||
             AnalysisCommand(session, game, command, line) || GameCommand(session, game, command, line))
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
    return RunCommands(session, [&](const std::string& line) {
        Execute(session, game, line);
        // The analysis goes on after each command, once the lines that ended
        // it have all been carried out.
        if (game.analyzing && !session.quit && session.waiting.empty())
            Analyze(session, game);
    });
}
