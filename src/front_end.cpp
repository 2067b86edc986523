#include "front_end.h"

#include <algorithm>
#include <ostream>

#include "clock.h"
#include "notation.h"
#include "setup.h"

namespace {

// What the lines read during a search have done to it.
struct SearchEnd {
    bool ended = false;
    bool abandoned = false;
    bool ponder_hit = false;
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
        end.ponder_hit = end.ponder_hit || effect == LineEffect::PONDER_HIT;
        end.ended = effect == LineEffect::MOVE_NOW || effect == LineEffect::ABANDON ||
                    (wait && effect == LineEffect::PONDER_HIT);
        end.abandoned = effect == LineEffect::ABANDON;
    }
    return end.ended;
}

}  // namespace

int SkillLevelOf(const EngineOptions& options)
{
    return options.limit_strength ? SkillLevelForElo(options.elo) : options.skill_level;
}

bool SetTableSize(Session& session, int megabytes)
{
    if (!ResizeTT(megabytes))
        return false;
    session.options.hash_mb = megabytes;
    return true;
}

int RunCommands(Session& session, const std::function<void(const std::string&)>& execute)
{
    StartEngine(STANDARD_RULES);
    if (!ResizeTT(session.options.hash_mb))
        ClearTT(STANDARD_RULES);
    session.random = static_cast<uint64_t>(ReadClock());
    session.board = NewBoard(STANDARD_RULES);
    std::string line;
    while (!session.quit && NextCommand(*session.input, session.waiting, line))
        execute(line);
    return 0;
}

SearchLimits LimitsFor(const SearchRequest& request, const EngineOptions& options)
{
    SearchLimits limits;
    limits.iterate = true;
    limits.depth = request.depth        ? static_cast<int>(std::clamp<int64_t>(*request.depth, 1, MAX_DEPTH))
                   : request.open_ended ? MAX_DEPTH
                                        : SEARCH_DEPTH;
    const int64_t overhead = std::max<int64_t>(options.move_overhead_ms, 0);
    if (request.move_ms > 0)
        SetMoveTimeLimits(limits, std::max<int64_t>(request.move_ms - overhead, 1));
    else if (request.on_clock)
        SetClockLimits(limits, std::max<int64_t>(request.remaining_ms - overhead, 1), request.increment_ms,
                       request.moves_to_go);
    limits.max_nodes = request.max_nodes;
    limits.root_moves = request.root_moves;
    limits.lines = std::clamp(options.lines, 1, MAX_LINES);
    limits.mate_moves = request.mate_moves;
    LimitToSkill(limits, SkillLevelOf(options));
    return limits;
}

std::optional<SearchResult> SearchForMove(Session& session, const SearchRequest& request,
                                          const SearchProtocol& protocol)
{
    Board& board = *session.board;
    SearchLimits limits = LimitsFor(request, session.options);
    SearchEnd end;
    limits.should_stop = [&] { return HandOver(session, protocol, end, false); };
    if (request.ponder)
        limits.pondering = [&] { return !end.ponder_hit; };
    const int root = board.ply;
    if (protocol.report) {
        limits.on_depth = [&](const SearchResult& result) {
            if (result.line <= session.options.lines)
                protocol.report(session, result, root);
        };
    }
    SearchResult result = Search(board, limits);
    if (!end.ended && (protocol.until_stopped || (request.ponder && !end.ponder_hit)))
        HandOver(session, protocol, end, true);
    if (end.abandoned)
        return std::nullopt;
    const int level = SkillLevelOf(session.options);
    const Move chosen = ChooseSkillMove(result, level, NextRandom(session.random));
    if (result.has_move && !SameMove(chosen, result.best)) {
        result.best = result.pv[0] = chosen;
        result.pv_length = 1;
        for (int i = 0; i < result.ranked_count; ++i) {
            if (SameMove(result.ranked[i].move, chosen))
                result.score = result.ranked[i].score;
        }
    }
    return result;
}

void WritePvLine(std::ostream& out, const SearchResult& result)
{
    for (int i = 0; i < result.pv_length; ++i)
        out << " " << MoveText(result.pv[i]);
    out << "\n";
}
