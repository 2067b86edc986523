#include "front_end.h"

#include <algorithm>

int RunCommands(Session& session, const std::function<void(const std::string&)>& execute)
{
    StartEngine();
    session.board = NewBoard();
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
