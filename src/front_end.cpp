#include "front_end.h"

#include <algorithm>
#include <ostream>

#include "notation.h"
#include "setup.h"

namespace {

// What the lines read during a search have done to it.
struct SearchEnd {
    bool ended = false;
    bool abandoned = false;
};

// Hands the lines that come in to the protocol until one ends the search:
// those already there, or with `wait` every line until then, the end of the
// input as "quit". Keeps each line for after the search where the protocol
// says so. Whether the search has ended.
bool HandOver(Session& session, const SearchProtocol& protocol, SearchEnd& end, bool wait)
{
    std::string line;
    while (!end.ended && (wait || InputPending(*session.input))) {
        if (!ReadInputLine(*session.input, line))
            line = "quit";
        const LineEffect effect = protocol.during_search(session, line);
        if (effect == LineEffect::WAITS || effect == LineEffect::ABANDON)
            session.waiting.push_back(line);
        end.ended = effect == LineEffect::MOVE_NOW || effect == LineEffect::ABANDON;
        end.abandoned = effect == LineEffect::ABANDON;
    }
    return end.ended;
}

}  // namespace

int RunCommands(Session& session, const std::function<void(const std::string&)>& execute)
{
    StartEngine();
    session.board = NewBoard(STANDARD_RULES);
    std::string line;
    while (!session.quit && NextCommand(*session.input, session.waiting, line))
        execute(line);
    return 0;
}

SearchLimits LimitsFor(const SearchRequest& request)
{
    SearchLimits limits;
    limits.iterate = true;
    limits.depth = request.depth        ? static_cast<int>(std::clamp<int64_t>(*request.depth, 1, MAX_DEPTH))
                   : request.open_ended ? MAX_DEPTH
                                        : SEARCH_DEPTH;
    if (request.move_ms > 0)
        SetMoveTimeLimits(limits, request.move_ms);
    else if (request.on_clock)
        SetClockLimits(limits, request.remaining_ms, request.increment_ms, request.moves_to_go);
    limits.max_nodes = request.max_nodes;
    return limits;
}

std::optional<Move> SearchForMove(Session& session, SearchLimits limits, const SearchProtocol& protocol)
{
    Board& board = *session.board;
    SearchEnd end;
    limits.should_stop = [&] { return HandOver(session, protocol, end, false); };
    const int root = board.ply;
    if (protocol.report) {
        limits.on_depth = [&](const SearchResult& result) {
            if (result.has_move)
                protocol.report(*session.out, result, root);
        };
    }
    const SearchResult result = Search(board, limits);
    if (protocol.until_stopped)
        HandOver(session, protocol, end, true);
    if (end.abandoned)
        return std::nullopt;
    return result.has_move ? std::optional<Move>(result.best) : std::nullopt;
}

void WritePvLine(std::ostream& out, const SearchResult& result)
{
    for (int i = 0; i < result.pv_length; ++i)
        out << " " << MoveText(result.pv[i]);
    out << "\n";
}
