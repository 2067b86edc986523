#include "uci.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <ostream>
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
// of the move tree (see GoPerft), to the depth that follows it.
struct GoRequest {
    bool perft = false;
    std::optional<int64_t> perft_depth;
    std::optional<int64_t> depth;
    std::optional<int64_t> movetime;
    std::optional<int64_t> nodes;
    std::optional<int64_t> moves_to_go;
    std::optional<int64_t> time[2];       // by colour: btime, wtime
    std::optional<int64_t> increment[2];  // binc, winc
    bool infinite = false;
};

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
// per move or clock, and node count. "infinite" only leaves the search open:
// it ends at "stop".
SearchRequest RequestFor(const GoRequest& go, Colour side)
{
    SearchRequest request;
    request.depth = go.depth;
    request.open_ended = go.infinite || go.movetime || go.time[side] || go.nodes;
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

// One "info" line for a completed depth.
void PrintInfo(const Session& session, const SearchResult& result, int root)
{
    std::ostream& out = *session.out;
    const int mate = MateInMoves(result.score, root);
    out << "info depth " << result.depth << " score ";
    if (mate != 0)
        out << "mate " << mate;
    else
        out << "cp " << result.score;
    const int64_t milliseconds = std::max<int64_t>(result.milliseconds, 1);
    out << " nodes " << result.nodes << " nps " << result.nodes * 1000 / milliseconds << " time "
        << result.milliseconds << " pv";
    WritePvLine(out, result);
}

// A line that comes while a search runs: "isready" is answered at once,
// "stop" and "quit" end the search, "ponderhit" and blank lines are passed
// over, every other command waits for its end.
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

void Go(Session& session, const WordList& words)
{
    const GoRequest request = ReadGo(words);
    if (request.perft) {
        GoPerft(session, request.perft_depth);
        return;
    }
    // An infinite search answers only once it is told to stop.
    const std::optional<SearchResult> result =
        SearchForMove(session, RequestFor(request, session.board->side), {DuringSearch, PrintInfo, request.infinite});
    const bool has_move = result && result->has_move;
    *session.out << "bestmove " << (has_move ? MoveText(result->best) : "0000") << "\n";
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

// "setoption name NAME [value VALUE]": the table can be emptied; other
// options are passed over.
void SetOption(const WordList& words)
{
    std::string name;
    for (size_t i = 2; i < words.size() && words[i] != "value"; ++i)
        name.append(name.empty() ? "" : " ").append(words[i]);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (words.size() > 1 && words[1] == "name" && name == "clear hash")
        ClearTT();
}

void Execute(Session& session, const std::string& line)
{
    const WordList words = Words(line);
    if (words.empty())
        return;
    const std::string_view name = words[0];
    std::ostream& out = *session.out;
    if (name == "uci") {
        out << "id name tavik " << VERSION << "\nid author the tavik developers\n"
            << "option name Clear Hash type button\nuciok\n";
    } else if (name == "isready") {
        out << "readyok\n";
    } else if (name == "setoption") {
        SetOption(words);
    } else if (name == "ucinewgame") {
        ClearTT();
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
