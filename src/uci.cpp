#include "uci.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "make_move.h"
#include "notation.h"
#include "perft.h"
#include "position_text.h"
#include "search.h"
#include "setup.h"
#include "version.h"

namespace {

using WordList = std::vector<std::string_view>;

// What a "go" asks for. Unknown words and numbers that do not read are
// passed over, as the protocol asks. "perft" asks for no search but a count
// of the move tree (see GoPerft), to the depth that follows it. The words
// after "searchmoves", up to the next word of a "go", are the root moves
// asked for, still unread. With "ponder" the clock fields are the limits
// that apply once "ponderhit" comes.
struct GoRequest {
    bool perft = false;
    std::optional<int64_t> perft_depth;
    std::optional<int64_t> depth;
    std::optional<int64_t> movetime;
    std::optional<int64_t> nodes;
    std::optional<int64_t> moves_to_go;
    std::optional<int64_t> mate;
    std::optional<int64_t> time[2];       // by colour: btime, wtime
    std::optional<int64_t> increment[2];  // binc, winc
    bool infinite = false;
    bool ponder = false;
    bool has_searchmoves = false;
    WordList searchmoves;
};

// The words of a "go" that are not moves, which end a "searchmoves" list.
bool IsGoWord(std::string_view word)
{
    for (const char* name : {"searchmoves", "ponder", "wtime", "btime", "winc", "binc", "movestogo", "depth", "nodes",
                             "mate", "movetime", "infinite", "perft"}) {
        if (word == name)
            return true;
    }
    return false;
}

// The field of a request that a "go" word names, or none.
std::optional<int64_t>* FieldOf(GoRequest& request, std::string_view word)
{
    if (word == "depth")
        return &request.depth;
    if (word == "perft")
        return &request.perft_depth;
    if (word == "movetime")
        return &request.movetime;
    if (word == "nodes")
        return &request.nodes;
    if (word == "movestogo")
        return &request.moves_to_go;
    if (word == "mate")
        return &request.mate;
    if (word == "wtime" || word == "btime")
        return &request.time[word[0] == 'w' ? WHITE : BLACK];
    if (word == "winc" || word == "binc")
        return &request.increment[word[0] == 'w' ? WHITE : BLACK];
    return nullptr;
}

GoRequest ReadGo(const WordList& words)
{
    GoRequest request;
    for (size_t i = 1; i < words.size(); ++i) {
        request.perft = request.perft || words[i] == "perft";
        if (words[i] == "infinite") {
            request.infinite = true;
        } else if (words[i] == "ponder") {
            request.ponder = true;
        } else if (words[i] == "searchmoves") {
            request.has_searchmoves = true;
            for (; i + 1 < words.size() && !IsGoWord(words[i + 1]); ++i)
                request.searchmoves.push_back(words[i + 1]);
        } else if (std::optional<int64_t>* field = FieldOf(request, words[i]); field && i + 1 < words.size()) {
            if (const std::optional<int64_t> value = ReadInteger(words[i + 1])) {
                *field = value;
                ++i;
            }
        }
    }
    return request;
}

// What a "go" asks of the search for the side to move: its own depth, time
// per move or clock, and node count, a mate in at most N moves (a mate of no
// more than MAX_DEPTH moves: a longer one is past the search's reach), and
// pondering. "infinite" only leaves the search open: it ends at "stop".
SearchRequest RequestFor(const GoRequest& go, Colour side)
{
    SearchRequest request;
    request.depth = go.depth;
    const bool mate = go.mate && *go.mate > 0;
    request.mate_moves = mate ? static_cast<int>(std::min<int64_t>(*go.mate, MAX_DEPTH)) : 0;
    request.open_ended = go.infinite || go.movetime || go.time[side] || go.nodes || mate;
    request.ponder = go.ponder;
    if (go.infinite)
        return request;
    request.move_ms = go.movetime ? std::max<int64_t>(*go.movetime, 1) : 0;
    request.on_clock = go.time[side].has_value();
    request.remaining_ms = std::max<int64_t>(go.time[side].value_or(0), 0);
    request.increment_ms = go.increment[side].value_or(0);
    request.moves_to_go = static_cast<int>(std::clamp<int64_t>(go.moves_to_go.value_or(0), 0, 10000));
    request.max_nodes = go.nodes ? std::max<int64_t>(*go.nodes, 1) : -1;
    return request;
}

// One "info" line for a completed depth, or for one of its lines: the
// line's number always comes (multipv 1 for a single line), as most engines
// write it.
void PrintInfo(const Session& session, const SearchResult& result, int root)
{
    std::ostream& out = *session.out;
    const int mate = MateInMoves(result.score, root);
    out << "info depth " << result.depth << " seldepth " << result.seldepth << " multipv " << result.line
        << " score ";
    if (mate != 0)
        out << "mate " << mate;
    else
        out << "cp " << result.score;
    const int64_t milliseconds = std::max<int64_t>(result.milliseconds, 1);
    out << " nodes " << result.nodes << " nps " << result.nodes * 1000 / milliseconds << " hashfull "
        << result.hashfull << " time " << result.milliseconds << " pv";
    WritePvLine(out, result);
}

// A line that comes while a search runs: "isready" is answered at once,
// "stop" and "quit" end the search, "ponderhit" (of use only to a ponder
// search, see DuringPonder) and blank lines are passed over, every other
// command waits for its end.
LineEffect DuringSearch(Session& session, const std::string& line)
{
    const WordList words = Words(line);
    const std::string_view name = words.empty() ? std::string_view() : words[0];
    if (name == "isready") {
        *session.out << "readyok\n";
        return LineEffect::HANDLED;
    }
    if (name == "stop" || name == "quit") {
        session.quit = session.quit || name == "quit";
        return LineEffect::MOVE_NOW;
    }
    return name.empty() || name == "ponderhit" ? LineEffect::HANDLED : LineEffect::WAITS;
}

// The same for a "go ponder": "ponderhit" says the expected reply was played.
LineEffect DuringPonder(Session& session, const std::string& line)
{
    const WordList words = Words(line);
    if (!words.empty() && words[0] == "ponderhit")
        return LineEffect::PONDER_HIT;
    return DuringSearch(session, line);
}

// "go perft N": the count below each legal move of the position, then their
// sum, in the form move generator testers read ("e2e4: 20", a blank line,
// "Nodes searched: 8902", a blank line), and no bestmove. The walk holds the
// input until it ends, so its depth is kept within MAX_PERFT_DEPTH.
void GoPerft(Session& session, std::optional<int64_t> depth)
{
    std::ostream& out = *session.out;
    if (!depth || *depth < 1 || *depth > MAX_PERFT_DEPTH) {
        out << "info string perft needs a depth from 1 to " << MAX_PERFT_DEPTH << "\n";
        return;
    }
    uint64_t total = 0;
    for (const DivideEntry& entry : Divide(*session.board, static_cast<int>(*depth))) {
        out << entry.move << ": " << entry.count << "\n";
        total += entry.count;
    }
    out << "\nNodes searched: " << total << "\n\n";
}

// The legal moves among those of a "searchmoves"; the others are passed
// over. None legal: every move is searched, as if none were given.
std::vector<Move> RootMoves(Session& session, const GoRequest& go)
{
    std::vector<Move> moves;
    for (const std::string_view text : go.searchmoves) {
        if (const std::optional<Move> move = ParseLegalMove(text, *session.board))
            moves.push_back(*move);
        else
            *session.out << "info string searchmoves: " << text << " is not a legal move here\n";
    }
    if (go.has_searchmoves && moves.empty())
        *session.out << "info string searchmoves: no legal move given, every move is searched\n";
    return moves;
}

// The line that comes last before the move: the result's own line (at a
// skill level, that of the move it chose); for a side with no move, mated or
// stalemated at depth 0.
void PrintFinalInfo(const Session& session, SearchResult result)
{
    const Board& board = *session.board;
    if (!result.has_move) {
        *session.out << "info depth 0 score " << (InCheck(board) ? "mate 0" : "cp 0") << "\n";
        return;
    }
    result.line = 1;
    PrintInfo(session, result, board.ply);
}

void Go(Session& session, const WordList& words)
{
    const GoRequest go = ReadGo(words);
    if (go.perft) {
        GoPerft(session, go.perft_depth);
        return;
    }
    SearchRequest request = RequestFor(go, session.board->side);
    request.root_moves = RootMoves(session, go);
    // An infinite search answers only once it is told to stop, and a ponder
    // search once the reply it waits for is played or it is told to stop.
    const SearchProtocol protocol{go.ponder ? DuringPonder : DuringSearch, PrintInfo, go.infinite};
    const std::optional<SearchResult> result = SearchForMove(session, request, protocol);
    std::ostream& out = *session.out;
    if (!result) {
        out << "bestmove 0000\n";
        return;
    }
    PrintFinalInfo(session, *result);
    out << "bestmove " << (result->has_move ? MoveText(result->best) : "0000");
    if (result->has_move && result->pv_length > 1)
        out << " ponder " << MoveText(result->pv[1]);
    out << "\n";
}

// "position startpos|fen TEXT [moves ...]": the moves are played up to the
// first that is not legal; a position text that cannot be played from
// leaves the position as it was.
void SetPosition(Session& session, const WordList& words)
{
    size_t i = 1;
    BoardPtr board;
    std::string text;
    if (i < words.size() && words[i] == "startpos") {
        board = NewBoard(STANDARD_RULES);
        ++i;
    } else if (i < words.size() && words[i] == "fen") {
        for (++i; i < words.size() && words[i] != "moves"; ++i)
            text.append(text.empty() ? "" : " ").append(words[i]);
        board = LoadFen(text.c_str(), STANDARD_RULES);
    }
    if (!board || !IsPlayablePosition(*board)) {
        *session.out << "info string not a position: " << text << "\n";
        return;
    }
    if (i < words.size() && words[i] == "moves") {
        for (++i; i < words.size(); ++i) {
            const std::optional<Move> move = ParseLegalMove(words[i], *board);
            if (!move) {
                *session.out << "info string illegal move " << words[i] << ": the position stops before it\n";
                break;
            }
            MakeGameMove(*board, *move);
        }
    }
    session.board = std::move(board);
}

// One option the engine announces after "uci", and what "setoption" does
// with it: its name as announced (a "setoption" may write it in any case),
// its type and default, and for a spin the range of whole numbers it takes.
// A check's value is "true" or "false" (1 or 0); a button takes none. `set`
// applies a value read to the session. The options are the fixed table
// OPTIONS, in the order announced.
enum class OptionType { SPIN, CHECK, BUTTON };
struct UciOption {
    const char* name;
    OptionType type;
    int64_t initial;  // the default: a spin's number, a check's 1 or 0
    int64_t min;
    int64_t max;
    void (*set)(Session& session, int64_t value);
};

// The table keeps its size when a larger one cannot be had.
void SetHash(Session& session, int64_t megabytes)
{
    if (!SetTableSize(session, static_cast<int>(megabytes)))
        *session.out << "info string no memory for a hash table of " << megabytes << " MB: it stays at "
                     << session.options.hash_mb << " MB\n";
}

// The options a session starts with, which the announced defaults repeat.
const EngineOptions DEFAULTS;

const UciOption OPTIONS[] = {
    {"Hash", OptionType::SPIN, DEFAULTS.hash_mb, 1, MAX_HASH_MB, SetHash},
    {"Threads", OptionType::SPIN, 1, 1, 1, [](Session&, int64_t) {}},  // the search runs on one
    {"Clear Hash", OptionType::BUTTON, 0, 0, 0, [](Session&, int64_t) { ClearTT(STANDARD_RULES); }},
    {"Move Overhead", OptionType::SPIN, DEFAULTS.move_overhead_ms, 0, 5000,
     [](Session& session, int64_t value) { session.options.move_overhead_ms = value; }},
    {"MultiPV", OptionType::SPIN, DEFAULTS.lines, 1, MAX_LINES,
     [](Session& session, int64_t value) { session.options.lines = static_cast<int>(value); }},
    {"Ponder", OptionType::CHECK, DEFAULTS.ponder, 0, 1,
     [](Session& session, int64_t value) { session.options.ponder = value != 0; }},
    {"UCI_LimitStrength", OptionType::CHECK, DEFAULTS.limit_strength, 0, 1,
     [](Session& session, int64_t value) { session.options.limit_strength = value != 0; }},
    {"UCI_Elo", OptionType::SPIN, DEFAULTS.elo, MIN_ELO, MAX_ELO,
     [](Session& session, int64_t value) { session.options.elo = static_cast<int>(value); }},
    {"Skill Level", OptionType::SPIN, DEFAULTS.skill_level, 0, MAX_SKILL_LEVEL,
     [](Session& session, int64_t value) { session.options.skill_level = static_cast<int>(value); }},
};

void AnnounceOptions(std::ostream& out)
{
    for (const UciOption& option : OPTIONS) {
        out << "option name " << option.name << " type ";
        if (option.type == OptionType::SPIN)
            out << "spin default " << option.initial << " min " << option.min << " max " << option.max;
        else if (option.type == OptionType::CHECK)
            out << "check default " << (option.initial ? "true" : "false");
        else
            out << "button";
        out << "\n";
    }
}

std::string Lowered(std::string_view text)
{
    std::string lowered(text);
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

// The value "setoption" gives an option, or none (after an "info string"
// that says why). Spin values out of range are taken to the nearest end, as
// GUIs expect of a spin, and the line says so.
std::optional<int64_t> ReadOptionValue(Session& session, const UciOption& option, std::string_view text)
{
    std::ostream& out = *session.out;
    if (option.type == OptionType::BUTTON)
        return 0;
    if (option.type == OptionType::CHECK) {
        const std::string value = Lowered(text);
        if (value == "true" || value == "false")
            return value == "true";
        out << "info string option " << option.name << " takes true or false, not '" << text << "'\n";
        return std::nullopt;
    }
    const std::optional<int64_t> value = ReadInteger(text);
    if (!value) {
        out << "info string option " << option.name << " takes a number from " << option.min << " to "
            << option.max << ", not '" << text << "'\n";
        return std::nullopt;
    }
    const int64_t clamped = std::clamp(*value, option.min, option.max);
    if (clamped != *value)
        out << "info string option " << option.name << " goes from " << option.min << " to " << option.max
            << ": set to " << clamped << "\n";
    return clamped;
}

// "setoption name NAME [value VALUE]": the name in any case, the value the
// rest of the line. An unknown name or a value that does not read changes
// nothing and gets an "info string".
void SetOption(Session& session, const WordList& words)
{
    size_t i = 2;
    std::string name;
    for (; i < words.size() && Lowered(words[i]) != "value"; ++i)
        name.append(name.empty() ? "" : " ").append(words[i]);
    std::string value;
    for (++i; i < words.size(); ++i)
        value.append(value.empty() ? "" : " ").append(words[i]);
    if (words.size() < 2 || Lowered(words[1]) != "name") {
        *session.out << "info string setoption needs: setoption name NAME [value VALUE]\n";
        return;
    }
    for (const UciOption& option : OPTIONS) {
        if (Lowered(option.name) == Lowered(name)) {
            if (const std::optional<int64_t> read = ReadOptionValue(session, option, value))
                option.set(session, *read);
            return;
        }
    }
    *session.out << "info string no option named '" << name << "'\n";
}

void Execute(Session& session, const std::string& line)
{
    const WordList words = Words(line);
    if (words.empty())
        return;
    const std::string_view name = words[0];
    std::ostream& out = *session.out;
    if (name == "uci") {
        out << "id name tavik " << VERSION << "\nid author the tavik developers\n";
        AnnounceOptions(out);
        out << "uciok\n";
    } else if (name == "isready") {
        out << "readyok\n";
    } else if (name == "setoption") {
        SetOption(session, words);
    } else if (name == "ucinewgame") {
        ClearTT(STANDARD_RULES);
        session.board = NewBoard(STANDARD_RULES);
    } else if (name == "position") {
        SetPosition(session, words);
    } else if (name == "go") {
        Go(session, words);
    } else if (name == "quit") {
        session.quit = true;
    }
}

}  // namespace

int RunUci(Session& session)
{
    return RunCommands(session, [&](const std::string& line) { Execute(session, line); });
}
