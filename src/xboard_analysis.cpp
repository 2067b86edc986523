#include "xboard_analysis.h"

#include <algorithm>
#include <ostream>
#include <string>

#include "movegen.h"
#include "notation.h"
#include "search.h"

namespace {

// The analysis under way, for "." to tell: the last depth it completed and
// the number of root moves it searches. Set by Analyze when it starts and by
// ReportDepth after each depth.
struct AnalysisState {
    SearchResult last;
    int root_moves = 0;
};

AnalysisState analysis;

void ReportDepth(const Session& session, const SearchResult& result, int root)
{
    analysis.last = result;
    PrintThinking(session, result, root);
}

// "stat01: TIME NODES PLY MVLEFT MVTOT MVNAME" (time in centiseconds) as of
// the last depth completed: every root move searched, the best one named.
void WriteStatus(const Session& session)
{
    const SearchResult& last = analysis.last;
    std::ostream& out = *session.out;
    out << "stat01: " << last.milliseconds / 10 << " " << last.nodes << " " << last.depth << " 0 "
        << analysis.root_moves;
    if (last.has_move)
        out << " " << MoveText(last.best);
    out << "\n";
}

// The lines the analysis answers itself; every other line ends it, to be
// carried out before it starts again.
LineEffect DuringAnalysis(Session& session, const std::string& line)
{
    const Command command = Split(line);
    if (command.name == ".")
        WriteStatus(session);
    else if (command.name == "ping")
        *session.out << "pong " << command.argument << "\n";
    else if (command.name == "bk")
        *session.out << " no book moves\n\n";
    else if (command.name != "hint")
        return LineEffect::ABANDON;
    return LineEffect::HANDLED;
}

bool IsExcluded(const Game& game, Move move)
{
    return std::any_of(game.excluded.begin(), game.excluded.end(),
                       [&](Move excluded) { return SameMove(excluded, move); });
}

}  // namespace

void Analyze(Session& session, Game& game)
{
    const MoveList legal = LegalMoves(*session.board);
    SearchRequest request;
    request.open_ended = true;
    for (int i = 0; i < legal.count; ++i) {
        if (!IsExcluded(game, legal.moves[i]))
            request.root_moves.push_back(legal.moves[i]);
    }
    analysis = {};
    analysis.root_moves = static_cast<int>(request.root_moves.size());
    if (request.root_moves.empty())
        return;
    if (game.excluded.empty())
        request.root_moves.clear();  // the search's own order of every move
    (void)SearchForMove(session, request, {DuringAnalysis, ReportDepth, true});
}

void ExcludeMoves(Session& session, Game& game, const Command& command, std::string_view line)
{
    const bool exclude = command.name == "exclude";
    if (command.argument == "all") {
        game.excluded.clear();
        const MoveList legal = exclude ? LegalMoves(*session.board) : MoveList();
        game.excluded.assign(legal.moves, legal.moves + legal.count);
        return;
    }
    const std::optional<Move> move = ParseLegalMove(command.argument, *session.board);
    if (!move) {
        Error(session, "illegal move", line);
        return;
    }
    std::erase_if(game.excluded, [&](Move excluded) { return SameMove(excluded, *move); });
    if (exclude)
        game.excluded.push_back(*move);
}
