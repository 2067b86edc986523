#include "search.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "clock.h"
#include "hash.h"
#include "make_move.h"
#include "move.h"
#include "movegen.h"

// ---- Driver ----------------------------------------------------------------

namespace {

// The first legal move of the position in generation order, if any.
std::optional<Move> FirstLegalMove(Board& board)
{
    const MoveList list = GenerateMoves(board, NO_MOVE);
    for (int i = 0; i < list.count; ++i) {
        if (MakeMove(board, list.moves[i])) {
            UnmakeMove(board);
            return list.moves[i];
        }
    }
    return std::nullopt;
}

// Whether the generator gives `move` in the board's position: a move read
// from the table may belong to another position.
bool IsGenerated(const Board& board, Move move)
{
    const MoveList list = GenerateMoves(board, NO_MOVE);
    for (int i = 0; i < list.count; ++i) {
        const Move candidate = list.moves[i];
        if (SameMove(candidate, move))
            return true;
    }
    return false;
}

// `best`, then the table's move in each position that follows while it is
// legal there, up to MAX_PV moves or a position the line has passed before.
int ReadPrincipalVariation(Board& board, Move best, Move* pv)
{
    uint32_t keys[MAX_PV + 1];
    keys[0] = State(board).hash_key;
    int length = 0;
    Move move = best;
    bool more = true;
    while (more && length < MAX_PV && IsGenerated(board, move) && MakeMove(board, move)) {
        pv[length++] = move;
        keys[length] = State(board).hash_key;
        for (int i = 0; i < length && more; ++i)
            more = keys[i] != keys[length];
        more = more && TableMove(board, move);
    }
    for (int i = 0; i < length; ++i)
        UnmakeMove(board);
    return length;
}

// What the depth just completed found.
void RecordDepth(Board& board, int depth, int score, Move root, SearchResult& result)
{
    std::optional<Move> best = root;
    if (IsNoMove(root))
        best = FirstLegalMove(board);
    result.has_move = best.has_value();
    result.best = best.value_or(NO_MOVE);
    result.score = score;
    result.depth = depth;
    result.seldepth = std::max(deepest_ply - root_ply, depth);
    result.hashfull = HashFull();
    result.nodes = nodes;
    result.tt_probes = tt_probes;
    result.tt_hits = tt_hits;
    result.cutoffs = cutoffs;
    result.null_cutoffs = null_cutoffs;
    result.milliseconds = ReadMilliseconds() - poll_state.start_ms;
    result.pv_length = best ? ReadPrincipalVariation(board, *best, result.pv) : 0;
}

// One depth: each line a whole search of the root moves the lines before it
// left. The lines are reported once the depth is done, best score first: a
// pruned search may score a later line above an earlier one. The best goes
// into `result`. False when a limit cut the first line short: then the
// depth tells nothing. A limit that cuts a later line short leaves
// `result.ranked` as the last depth whose lines all completed left it.
//
// A board under the classic rules is searched by the classic search, over
// the whole window; one under the standard rules by the standard search,
// each line first within a window around its score of the depth before.
bool SearchDepth(Board& board, int depth, int lines, const SearchLimits& limits, SearchResult& result)
{
    std::vector<SearchResult> found;
    found.reserve(static_cast<size_t>(lines));
    bool complete = true;
    for (int line = 1; line <= lines; ++line) {
        root_filter.excluded_count = line - 1;
        Move root = NO_MOVE;
        const int count = line - 1;
        const int previous = count < result.ranked_count ? result.ranked[count].score : result.score;
        const int score = board.rules == CLASSIC_RULES ? AlphaBeta(board, -MATE_SCORE, MATE_SCORE, depth, 0, root)
                                                       : SearchStandardDepth(board, depth, previous, root);
        if (search_stopped) {
            complete = false;
            break;
        }
        if (line > 1 && IsNoMove(root))
            break;  // every root move is ranked
        SearchResult& next = found.emplace_back();
        RecordDepth(board, depth, score, root, next);
        poll_state.may_stop = true;
        if (!next.has_move)
            break;
        root_filter.excluded[count] = next.best;
    }
    if (found.empty())
        return false;
    std::stable_sort(found.begin(), found.end(),
                     [](const SearchResult& a, const SearchResult& b) { return a.score > b.score; });
    for (size_t i = 0; i < found.size(); ++i) {
        found[i].line = static_cast<int>(i) + 1;
        if (limits.on_depth && found[i].has_move)
            limits.on_depth(found[i]);
    }
    RankedMove ranked[MAX_LINES];
    const int ranked_count = complete && found[0].has_move ? static_cast<int>(found.size()) : result.ranked_count;
    for (int i = 0; i < ranked_count; ++i)
        ranked[i] = complete && found[0].has_move ? RankedMove{found[i].best, found[i].score} : result.ranked[i];
    result = found[0];
    std::copy(ranked, ranked + ranked_count, result.ranked);
    result.ranked_count = ranked_count;
    return true;
}

// How settled the standard search's answer is, depth after depth.
struct Stability {
    Move best = NO_MOVE;
    int score = 0;
    int steady_depths = 0;  // depths in a row that kept the best move
    int percent = 100;      // of the soft time limit the search may spend
};

// A best move that has just changed, or a score that fell, earns the search
// more of its time; one that has stood for several depths, less: an easy
// move is played early, a hard one thought over.
void NoteDepth(Stability& stability, const SearchResult& result)
{
    const bool kept = SameMove(stability.best, result.best);
    stability.steady_depths = kept ? stability.steady_depths + 1 : 0;
    int percent = stability.steady_depths >= 6 ? 45 : stability.steady_depths >= 3 ? 70 : 100;
    if (!kept && result.depth > 4)
        percent = 160;
    if (result.depth > 4 && result.score < stability.score - 30)
        percent += 60;
    stability = {result.best, result.score, stability.steady_depths, percent};
}

// Whether the search goes on to the next depth once one is complete.
bool WorthAnotherDepth(const SearchResult& result, const SearchLimits& limits, int soft_percent)
{
    PollState& state = poll_state;
    if (state.pondering)
        NotePonderHit(state);
    const int mate = MateInMoves(result.score, root_ply);
    const bool mate_found = limits.mate_moves > 0 && mate > 0 && mate <= limits.mate_moves;
    const int64_t soft_ms = limits.soft_ms < 0 ? -1 : limits.soft_ms * soft_percent / 100;
    return result.has_move && !state.stop_asked && !mate_found && !PastTime(state, soft_ms);
}

}  // namespace

SearchResult Search(Board& board, const SearchLimits& limits)
{
    // Step 1. A new search: the root, the counters, the history counters and
    // the limits. Only an iterated search looks at its limits while it runs.
    const bool classic = board.rules == CLASSIC_RULES;
    root_ply = deepest_ply = board.ply;
    nodes = tt_hits = cutoffs = null_cutoffs = tt_probes = 0;
    if (classic)
        ClearHistory();
    else
        BeginStandardSearch();
    BeginPolling(limits, ReadMilliseconds());
    const int lines = std::clamp(limits.lines, 1, MAX_LINES);
    root_filter = {};
    root_filter.active = lines > 1 || !limits.root_moves.empty();
    root_filter.allowed = &limits.root_moves;

    // A standard search under a clock plays a forced move at once.
    const bool forced = !classic && limits.soft_ms >= 0 && !limits.pondering && LegalMoves(board).count == 1;

    SearchResult result;
    Stability stability;
    const int last = std::max(1, std::min(limits.depth, MAX_DEPTH));
    for (int depth = limits.iterate ? 1 : last; depth <= last; ++depth) {
        // Step 2. A whole search at this depth, line by line; one that a
        // limit cut short tells nothing. From the first depth on, a limit
        // may end the search.
        if (!SearchDepth(board, depth, lines, limits, result))
            break;

        // Step 3. A further depth only while the limits leave room for it,
        // the standard search's soft limit stretched or shrunk by how
        // settled its answer is.
        if (!classic)
            NoteDepth(stability, result);
        if (forced || !WorthAnotherDepth(result, limits, stability.percent))
            break;
    }

    EndPolling();
    root_filter = {};
    return result;
}

void SetClockLimits(SearchLimits& limits, int64_t remaining_ms, int64_t increment_ms, int moves_to_go)
{
    // Moves still to make with this time: a sudden-death game is taken to
    // last 30 more. A reserve covers the delays of the pipe and the process.
    const int64_t moves = moves_to_go > 0 ? moves_to_go : 30;
    const int64_t reserve = std::min<int64_t>(50, remaining_ms / 10);
    const int64_t usable = std::max<int64_t>(remaining_ms - reserve, 1);
    const int64_t share = usable / (moves + 1) + (moves > 1 ? increment_ms * 3 / 4 : 0);
    limits.soft_ms = std::max<int64_t>(share / 2, 1);
    limits.hard_ms = std::max<int64_t>(std::min(share * 5 / 2, usable / 3), 1);
}

void SetMoveTimeLimits(SearchLimits& limits, int64_t move_ms)
{
    // Depths go on until the time is up, but for a reserve for the reply.
    const int64_t reserve = std::min<int64_t>(5, move_ms / 10);
    limits.hard_ms = std::max<int64_t>(move_ms - reserve, 1);
    limits.soft_ms = -1;
}

void StartEngine(Rules rules)
{
    InitHashTables(static_cast<uint32_t>(ReadClock()));
    if (rules == CLASSIC_RULES) {
        AdviseHugePages();
        ClearTT();
    }
    ClearHistory();
    ClearStandardSearch();
}
