#include "search.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "clock.h"
#include "eval.h"
#include "hash.h"
#include "make_move.h"
#include "movegen.h"

// ---- Alpha-beta and quiescence search -------------------------------------

int32_t root_ply;
int64_t nodes;
int64_t tt_probes;
int64_t tt_hits;
int64_t cutoffs;
int64_t null_cutoffs;
int32_t deepest_ply;
int32_t history[HISTORY_PLIES][64][64];

namespace {

// How a search with limits is ended. AlphaBeta looks at `next_poll` at every
// node: once `nodes` reaches it, PollLimits asks the limits and sets
// `search_stopped` when one is reached; every node then returns at once,
// storing nothing. A search without limits never reaches `next_poll`.
constexpr int64_t NEVER = std::numeric_limits<int64_t>::max();
int64_t next_poll = NEVER;
bool search_stopped = false;

// The limits of the search under way, and what PollLimits has learnt of them.
struct PollState {
    const SearchLimits* limits = nullptr;
    int64_t start_ms = 0;
    int64_t clock_start_ms = 0;  // where the time limits count from
    bool pondering = false;      // the time limits wait
    bool stop_asked = false;     // a limit was reached or a stop asked for
    bool may_stop = false;       // false until the first depth is complete
};
PollState poll_state;

// A ponder search that is told the move it pondered on was played goes on
// as an ordinary one, its time limits counting from then.
void NotePonderHit(PollState& state)
{
    if (state.pondering && !state.limits->pondering()) {
        state.pondering = false;
        state.clock_start_ms = ReadMilliseconds();
    }
}

bool PastTime(const PollState& state, int64_t limit_ms)
{
    return !state.pondering && limit_ms >= 0 && ReadMilliseconds() - state.clock_start_ms >= limit_ms;
}

void PollLimits()
{
    next_poll = nodes + POLL_NODES;
    PollState& state = poll_state;
    const SearchLimits& limits = *state.limits;
    if (!state.stop_asked) {
        NotePonderHit(state);
        const bool out_of_time = PastTime(state, limits.hard_ms);
        const bool out_of_nodes = limits.max_nodes >= 0 && nodes >= limits.max_nodes;
        state.stop_asked = out_of_time || out_of_nodes || (limits.should_stop && limits.should_stop());
    }
    search_stopped = state.stop_asked && state.may_stop;
}

// The root moves of the search under way, when its limits restrict them:
// only the `allowed` ones (none: every move), and none of the first
// `excluded_count` of `excluded`, the moves of the lines already ranked at
// this depth. Set by Search, read by AlphaBeta at the root.
struct RootFilter {
    bool active = false;
    const std::vector<Move>* allowed = nullptr;
    Move excluded[MAX_LINES] = {};
    int excluded_count = 0;
};
RootFilter root_filter;

bool IsRootMoveKept(const RootFilter& filter, Move move)
{
    for (int i = 0; i < filter.excluded_count; ++i) {
        if (SameMove(filter.excluded[i], move))
            return false;
    }
    if (!filter.allowed || filter.allowed->empty())
        return true;
    return std::any_of(filter.allowed->begin(), filter.allowed->end(),
                       [&](Move allowed) { return SameMove(allowed, move); });
}

// Drops from the root's list the moves the filter leaves out, keeping the
// order and the scores of the others.
void FilterRootMoves(MoveList& list)
{
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        if (IsRootMoveKept(root_filter, list.moves[i])) {
            list.moves[kept] = list.moves[i];
            list.scores[kept++] = list.scores[i];
        }
    }
    list.count = kept;
}

}  // namespace

void ClearHistory()
{
    for (int ply = 0; ply < HISTORY_CLEARED_PLIES; ++ply) {
        for (auto& from : history[ply]) {
            for (int32_t& counter : from)
                counter = 0;
        }
    }
}

namespace {

int IsStandardRepetition(const Board& board)
{
    const KeyLock hash = KeyLockOf(State(board));
    const int first = std::max(0, board.ply - State(board).halfmove_clock);
    int count = 0;
    for (int i = board.ply - 2; i >= first; i -= 2) {
        if (IsNoMove(board.states[i].move) || IsNoMove(board.states[i + 1].move))
            break;
        if (KeyLockOf(board.states[i]) == hash)
            ++count;
    }
    return count > 1 ? 1 : 0;
}

}  // namespace

bool IsFiftyMoveDraw(Board& board)
{
    if (State(board).halfmove_clock < 100)
        return false;
    return !InCheck(board) || LegalMoves(board).count > 0;
}

int IsRepetition(const Board& board)
{
    if (board.rules == STANDARD_RULES)
        return IsStandardRepetition(board);
    const uint32_t key = State(board).hash_key;
    int count = 0;
    for (int i = board.ply - 1; i >= 0; --i) {
        if (board.states[i].hash_key == key)
            ++count;
        if (board.states[i].undo.moved->type == PAWN)
            break;
    }
    return count > 1 ? 1 : 0;
}

int AlphaBeta(Board& board, int alpha, int beta, int depth, int after_null, Move& best)
{
    // Step 1. A search with limits looks at them now and then.
    ++nodes;
    if (nodes >= next_poll) {
        PollLimits();
        if (search_stopped)
            return 0;
    }
    const bool in_check = InCheck(board);
    const int distance = board.ply - root_ply;

    // Step 2. A third occurrence is a draw, and so is the fifty-move rule
    // (whose clock stays 0 under the classic rules); the root always
    // searches, so that the engine has a move to play in a drawn position.
    if (distance > 0 && (IsRepetition(board) || IsFiftyMoveDraw(board)))
        return 0;

    // Step 3. The table: an answer, or at least a move to try first.
    Move table_move = NO_MOVE;
    if (distance > 0) {
        ++tt_probes;
        int score;
        if (ProbeTT(board, alpha, beta, depth, score, table_move)) {
            ++tt_hits;
            return score;
        }
    }

    // Step 4. A leaf: the depth is spent, or the board has no room for a move.
    if (depth <= 0 || board.ply >= LAST_PLY)
        return Quiesce(board, alpha, beta);

    // The slots that the null move and the table's move (most often the first
    // one searched) look up next start loading while this node gets ready,
    // and so does the node's own, for its store.
    PrefetchOwnSlot(board);
    const bool null_move = distance >= 2 && !after_null && !in_check;
    if (null_move)
        PrefetchTag(board.rules, KeyOf(KeyLockOf(State(board)) ^ SideKeyLock()));
    if (!IsNoMove(table_move))
        PrefetchTagAfter(board, table_move);

    // Step 5. Null move, with a reduction of two plies.
    Move scratch = NO_MOVE;
    if (null_move) {
        MakeNullMove(board);
        const int score = -AlphaBeta(board, -beta, 1 - beta, depth - 3, 1, scratch);
        UnmakeNullMove(board);
        if (search_stopped)
            return 0;
        if (score >= beta) {
            ++null_cutoffs;
            return score;
        }
    }

    // Step 6. Generate the moves, the table's first; the root's as the
    // search's limits restrict them.
    MoveList list = GenerateMoves(board, table_move, history[board.ply]);
    if (distance == 0 && root_filter.active)
        FilterRootMoves(list);

    // Step 7. Check extension.
    if (in_check)
        ++depth;

    // Step 8. Move loop.
    bool any_legal = false;
    Bound bound = BOUND_UPPER;
    for (int i = 0; i < list.count; ++i) {
        PickNextMove(list, i);
        const Move move = list.moves[i];
        PrefetchTagAfter(board, move);
        if (!MakeMove(board, move))
            continue;
        any_legal = true;
        const int score = -AlphaBeta(board, -beta, -alpha, depth - 1, 0, scratch);
        UnmakeMove(board);
        if (search_stopped)
            return 0;
        if (score > alpha) {
            bound = BOUND_EXACT;
            if (score >= beta) {
                StoreTT(board, best, beta, depth, BOUND_LOWER);
                ++cutoffs;
                // The root hands out a move even when the first move it tried
                // already reached the top of the window.
                if (distance == 0 && IsNoMove(best))
                    best = move;
                return beta;
            }
            best = move;
            alpha = score;
        }
    }

    // Step 9. Keep the result, and reward the best move's history counter. A
    // root whose moves the limits restrict scores only those: its result is
    // not the position's.
    if (any_legal) {
        if (distance > 0 || !root_filter.active)
            StoreTT(board, best, alpha, depth, bound);
        if (best.from >= 0 && best.from < 64 && best.to >= 0 && best.to < 64)
            history[board.ply][best.from][best.to] += depth;
        return alpha;
    }

    // Step 10. No legal move: checkmate or stalemate. The check flag is the
    // attack test on the king (a side set up without a king is never in check).
    if (in_check)
        return board.ply - MATE_SCORE;
    return 0;
}

namespace {

// Whether a quiescence node at `ply` stands at the limit: far enough from the
// root, or at the board's last ply.
bool AtQuiescenceLimit(int ply) { return ply - root_ply >= QUIESCE_LIMIT || ply >= LAST_PLY; }

}  // namespace

// Most nodes are quiescence nodes: everything they call is compiled into
// them, so that making, taking back and generating captures cost no calls.
[[gnu::flatten]] int Quiesce(Board& board, int alpha, int beta)
{
    // Step 1. Count the node.
    ++nodes;
    deepest_ply = std::max(deepest_ply, board.ply);

    // Step 2. A node at the limit is its evaluation.
    if (AtQuiescenceLimit(board.ply))
        return Evaluate(board);

    // Step 3. Stand pat.
    const int stand_pat = Evaluate(board);
    if (stand_pat >= beta)
        return beta;
    if (stand_pat > alpha)
        alpha = stand_pat;

    // Step 4. The captures, capturing promotions included.
    MoveList list = GenerateCaptures(board, NO_MOVE, history[board.ply]);

    // Step 5. Search each. Most replies go no further than their own step 2
    // or 3: they stand at the limit or stand pat. Such a reply, when its
    // legality can be foreseen (IsForeseeable: not a king's move), is scored
    // without being made: it counts as a node and gives what its search
    // would give, and it is skipped when MakeMove would refuse it.
    const bool replies_at_limit = AtQuiescenceLimit(board.ply + 1);
    for (int i = 0; i < list.count; ++i) {
        PickNextMove(list, i);
        const Move move = list.moves[i];
        int score;
        const int reply_eval = EvaluateAfter(board, move);
        if ((replies_at_limit || reply_eval >= -alpha) && IsForeseeable(board, move)) {
            const bool refused = WouldRefuse(board, move);
            CheckForesight(board, move, refused);
            if (refused)
                continue;
            ++nodes;
            // At the limit the reply returns its evaluation; otherwise it
            // stands pat on its beta, -alpha.
            score = replies_at_limit ? -reply_eval : alpha;
        } else {
            if (!MakeMove(board, move))
                continue;
            score = -Quiesce(board, -beta, -alpha);
            UnmakeMove(board);
        }
        if (score > alpha) {
            if (score >= beta)
                return beta;
            alpha = score;
        }
    }

    // Step 6. The best found, or the stand-pat score.
    return alpha;
}

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
// left, reported as it completes; the first goes into `result`. False when
// a limit cut the first line short: then the depth tells nothing. A limit
// that cuts a later line short leaves `result.ranked` as the last depth
// whose lines all completed left it.
bool SearchDepth(Board& board, int depth, int lines, const SearchLimits& limits, SearchResult& result)
{
    RankedMove ranked[MAX_LINES];
    int count = 0;
    for (int line = 1; line <= lines; ++line) {
        root_filter.excluded_count = count;
        Move root = NO_MOVE;
        const int score = AlphaBeta(board, -MATE_SCORE, MATE_SCORE, depth, 0, root);
        if (search_stopped)
            return line > 1;
        if (line > 1 && IsNoMove(root))
            break;  // every root move is ranked
        SearchResult other;
        SearchResult& found = line == 1 ? result : other;
        RecordDepth(board, depth, score, root, found);
        found.line = line;
        poll_state.may_stop = true;
        if (limits.on_depth && found.has_move)
            limits.on_depth(found);
        if (!found.has_move)
            return true;
        ranked[count] = {found.best, score};
        root_filter.excluded[count++] = found.best;
    }
    std::copy(ranked, ranked + count, result.ranked);
    result.ranked_count = count;
    return true;
}

// Whether the search goes on to the next depth once one is complete.
bool WorthAnotherDepth(const SearchResult& result, const SearchLimits& limits)
{
    PollState& state = poll_state;
    if (state.pondering)
        NotePonderHit(state);
    const int mate = MateInMoves(result.score, root_ply);
    const bool mate_found = limits.mate_moves > 0 && mate > 0 && mate <= limits.mate_moves;
    return result.has_move && !state.stop_asked && !mate_found && !PastTime(state, limits.soft_ms);
}

}  // namespace

SearchResult Search(Board& board, const SearchLimits& limits)
{
    // Step 1. A new search: the root, the counters, the history counters and
    // the limits. Only an iterated search looks at its limits while it runs.
    root_ply = deepest_ply = board.ply;
    nodes = tt_hits = cutoffs = null_cutoffs = tt_probes = 0;
    ClearHistory();
    const int64_t start_ms = ReadMilliseconds();
    poll_state = {&limits, start_ms, start_ms, static_cast<bool>(limits.pondering), false, false};
    const bool limited = limits.hard_ms >= 0 || limits.max_nodes >= 0 || limits.should_stop;
    next_poll = limits.iterate && limited ? POLL_NODES : NEVER;
    search_stopped = false;
    const int lines = std::clamp(limits.lines, 1, MAX_LINES);
    root_filter = {};
    root_filter.active = lines > 1 || !limits.root_moves.empty();
    root_filter.allowed = &limits.root_moves;

    SearchResult result;
    const int last = std::max(1, std::min(limits.depth, MAX_DEPTH));
    for (int depth = limits.iterate ? 1 : last; depth <= last; ++depth) {
        // Step 2. A whole search at this depth, line by line; one that a
        // limit cut short tells nothing. From the first depth on, a limit
        // may end the search.
        if (!SearchDepth(board, depth, lines, limits, result))
            break;

        // Step 3. A further depth only while the limits leave room for it.
        if (!WorthAnotherDepth(result, limits))
            break;
    }

    next_poll = NEVER;
    search_stopped = false;
    poll_state = {};
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

int MateInMoves(int score, int root)
{
    // The mated position's board ply lies above the root and below MAX_PLIES.
    const int mated_ply = score > 0 ? MATE_SCORE - score : MATE_SCORE + score;
    const int distance = mated_ply - root;
    if (std::abs(score) <= MATE_SCORE - MAX_PLIES || distance <= 0)
        return 0;
    return score > 0 ? (distance + 1) / 2 : -(distance / 2);
}

void StartEngine(Rules rules)
{
    InitHashTables(static_cast<uint32_t>(ReadClock()));
    if (rules == CLASSIC_RULES) {
        AdviseHugePages();
        ClearTT();
    }
    ClearHistory();
}
