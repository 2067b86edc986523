#include "search.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ostream>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "clock.h"
#include "eval.h"
#include "hash.h"

// ---- Transposition table -------------------------------------------------

// Aligned to a 2 MB page, so that the table starts on one (see AdviseHugePages).
alignas(1 << 21) TTEntry trans_table[TT_SIZE];

namespace {

// Beside each slot, what position it holds: a tag of the slot's lock (see
// LockTag) while the slot holds one, 0 while it is empty (bound BOUND_EMPTY
// or stamp -1). At 2 bytes a slot this table stays in the caches, while the
// slots themselves mostly do not: a lookup of a slot that holds another
// position or none, most lookups, is decided here without loading the
// slot. Written together with the slot, by StoreTT and ClearTT.
uint16_t slot_tags[TT_SIZE];

// Equal locks give equal tags, and no tag is 0.
uint16_t LockTag(uint32_t lock) { return static_cast<uint16_t>((lock & 0x7FFF) | 0x8000); }

// The tag that belongs beside `entry`.
uint16_t TagOf(const TTEntry& entry)
{
    const bool holds = entry.bound != BOUND_EMPTY && entry.stamp != -1;
    return holds ? LockTag(entry.lock) : 0;
}

uint32_t SlotIndex(const Board& board) { return State(board).hash_key % TT_SIZE; }

// Starts loading the tag of the position with key `key`, which a child node
// looks up first.
void PrefetchTag(uint32_t key) { __builtin_prefetch(&slot_tags[key % TT_SIZE]); }

// The same for the position an ordinary move leads to, before the move is
// made, so that the load overlaps making it. Other kinds load on the lookup.
// The move may come from the table: it names two squares of the board, and
// whatever stands on them only picks the tag to load.
void PrefetchTagAfter(const Board& board, Move move)
{
    if (move.kind != NORMAL_MOVE)
        return;
    PrefetchTag(KeyOf(KeyLockAfter(board, move)));
}

// Starts loading the board's own slot, which a node that searches its moves
// reads when it stores its result; the table is far larger than the caches.
void PrefetchOwnSlot(const Board& board) { __builtin_prefetch(&trans_table[SlotIndex(board)]); }

}  // namespace

void AdviseHugePages()
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Every node looks up a slot at random in a table far larger than the
    // caches; on 2 MB pages those lookups also stop missing the TLB. The last
    // page runs on into the variables after the table, which only gain. The
    // advice takes effect for pages not touched yet, so it comes before the
    // table is first written.
    constexpr size_t HUGE_PAGE = size_t{1} << 21;
    const size_t length = (sizeof trans_table + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    madvise(trans_table, length, MADV_HUGEPAGE);
#endif
}

void ClearTT()
{
    for (TTEntry& entry : trans_table)
        entry = {0, 0, -1, BOUND_EMPTY, 0, NO_MOVE};
    for (uint16_t& tag : slot_tags)
        tag = 0;
}

bool SlotTagsOk()
{
    for (int index = 0; index < TT_SIZE; ++index) {
        if (slot_tags[index] != TagOf(trans_table[index]))
            return false;
    }
    return true;
}

namespace {

// The slot that holds the board's position, or none.
const TTEntry* FindSlot(const Board& board)
{
    // Empty or another position's: mostly told by the tag alone.
    const uint32_t index = SlotIndex(board);
    if (slot_tags[index] != LockTag(State(board).hash_lock))
        return nullptr;
    const TTEntry& entry = trans_table[index];
    if (entry.bound == BOUND_EMPTY || entry.stamp == -1 || entry.lock != State(board).hash_lock)
        return nullptr;
    return &entry;
}

}  // namespace

int ProbeTT(const Board& board, int alpha, int beta, int depth, int& score, Move& move)
{
    // Step 1. The slot that holds the position.
    const TTEntry* slot = FindSlot(board);
    if (!slot)
        return 0;
    const TTEntry& entry = *slot;

    // Step 2. Deep enough, and the bound decides the window.
    if (entry.depth >= depth) {
        if (entry.bound == BOUND_EXACT) {
            score = entry.score;
            return 1;
        }
        if (entry.bound == BOUND_UPPER && entry.score <= alpha) {
            score = alpha;
            return 1;
        }
        if (entry.bound == BOUND_LOWER && entry.score >= beta) {
            score = beta;
            return 1;
        }
    }

    // Step 3. Otherwise the slot's move still helps the ordering.
    move = entry.best_move;
    return 0;
}

bool TableMove(const Board& board, Move& move)
{
    const TTEntry* slot = FindSlot(board);
    if (slot)
        move = slot->best_move;
    return slot != nullptr;
}

int StoreTT(const Board& board, Move move, int score, int depth, int bound)
{
    // Step 1. The clock is read on every store.
    const int32_t now = static_cast<int32_t>(ReadClock());

    // Step 2. A shallower or older result gives way: within one second the
    // deepest result stays.
    const uint32_t index = SlotIndex(board);
    TTEntry& entry = trans_table[index];
    if (entry.depth < depth || entry.stamp < now) {
        entry = {depth, score, now, bound, State(board).hash_lock, move};
        slot_tags[index] = TagOf(entry);
    }
    return 1;
}

// ---- Alpha-beta and quiescence search -------------------------------------

int32_t root_ply;
int64_t nodes;
int64_t tt_probes;
int64_t tt_hits;
int64_t cutoffs;
int64_t null_cutoffs;
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
    bool stop_asked = false;  // a limit was reached or a stop asked for
    bool may_stop = false;    // false until the first depth is complete
};
PollState poll_state;

void PollLimits()
{
    next_poll = nodes + POLL_NODES;
    PollState& state = poll_state;
    const SearchLimits& limits = *state.limits;
    if (!state.stop_asked) {
        const bool out_of_time = limits.hard_ms >= 0 && ReadMilliseconds() - state.start_ms >= limits.hard_ms;
        const bool out_of_nodes = limits.max_nodes >= 0 && nodes >= limits.max_nodes;
        state.stop_asked = out_of_time || out_of_nodes || (limits.should_stop && limits.should_stop());
    }
    search_stopped = state.stop_asked && state.may_stop;
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

int IsRepetition(const Board& board)
{
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

    // Step 2. A third occurrence is a draw; the root always searches, so
    // that the engine has a move to play in a repeated position.
    if (distance > 0 && IsRepetition(board))
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
        PrefetchTag(KeyOf(KeyLockOf(State(board)) ^ SideKeyLock()));
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

    // Step 6. Generate the moves, the table's first.
    MoveList list = GenerateMoves(board, table_move);

    // Step 7. Check extension.
    if (in_check)
        ++depth;

    // Step 8. Move loop.
    bool any_legal = false;
    int bound = BOUND_UPPER;
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

    // Step 9. Keep the result, and reward the best move's history counter.
    if (any_legal) {
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
    MoveList list = GenerateCaptures(board, NO_MOVE);

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
        if (SameSquares(candidate, move) && candidate.kind == move.kind)
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
    result.nodes = nodes;
    result.tt_probes = tt_probes;
    result.tt_hits = tt_hits;
    result.cutoffs = cutoffs;
    result.null_cutoffs = null_cutoffs;
    result.milliseconds = ReadMilliseconds() - poll_state.start_ms;
    result.pv_length = best ? ReadPrincipalVariation(board, *best, result.pv) : 0;
}

}  // namespace

SearchResult Search(Board& board, const SearchLimits& limits)
{
    // Step 1. A new search: the root, the counters, the history counters and
    // the limits. Only an iterated search looks at its limits while it runs.
    root_ply = board.ply;
    nodes = tt_hits = cutoffs = null_cutoffs = tt_probes = 0;
    ClearHistory();
    poll_state = {&limits, ReadMilliseconds(), false, false};
    const bool limited = limits.hard_ms >= 0 || limits.max_nodes >= 0 || limits.should_stop;
    next_poll = limits.iterate && limited ? POLL_NODES : NEVER;
    search_stopped = false;

    SearchResult result;
    const int last = std::max(1, std::min(limits.depth, MAX_DEPTH));
    for (int depth = limits.iterate ? 1 : last; depth <= last; ++depth) {
        // Step 2. A whole search at this depth; one that a limit cut short
        // tells nothing.
        Move root = NO_MOVE;
        const int score = AlphaBeta(board, -MATE_SCORE, MATE_SCORE, depth, 0, root);
        if (search_stopped)
            break;

        // Step 3. Its answer, which from now on a limit may end the search with.
        RecordDepth(board, depth, score, root, result);
        poll_state.may_stop = true;
        if (limits.on_depth)
            limits.on_depth(result);

        // Step 4. A further depth only while the limits leave room for it.
        const bool past_soft = limits.soft_ms >= 0 && result.milliseconds >= limits.soft_ms;
        if (!result.has_move || poll_state.stop_asked || past_soft)
            break;
    }

    next_poll = NEVER;
    search_stopped = false;
    poll_state = {};
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

std::optional<Move> MoveToPlay(Board& board, const SearchResult& result)
{
    if (result.has_move)
        return result.best;
    const MoveList legal = LegalMoves(board);
    if (legal.count > 0)
        return legal.moves[0];
    return std::nullopt;
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

void StartEngine()
{
    InitHashTables(static_cast<uint32_t>(ReadClock()));
    AdviseHugePages();
    ClearTT();
    ClearHistory();
}

std::optional<Move> Think(Board& board, std::ostream& out)
{
    // Step 1. The search, timed by the calendar clock.
    const int64_t start = ReadClock();
    const SearchResult result = Search(board, SearchLimits{});
    int64_t elapsed = ReadClock() - start;
    if (elapsed == 0)
        elapsed = 1;
    const long per_second = static_cast<long>(result.nodes / elapsed);

    // Step 2. The share of lookups answered; none at all reads as 0 %.
    const float ratio = result.tt_probes > 0
                            ? static_cast<float>(result.tt_hits) / static_cast<float>(result.tt_probes)
                            : 0.0f;
    const double reuse = ratio * 100.0f;

    // Step 3. The statistics line.
    char line[256];
    std::snprintf(line, sizeof line,
                  "Searched %i nodes, reused %.2f%%[%i] of %i nodes from table, we got %i cutoffs, %i nullcutoffs, "
                  "eval is %i, %li NPS\n",
                  static_cast<int>(result.nodes), reuse, static_cast<int>(result.tt_hits),
                  static_cast<int>(result.tt_probes), static_cast<int>(result.cutoffs),
                  static_cast<int>(result.null_cutoffs), result.score, per_second);
    out << line;

    // Step 4. The move: Search has replaced a root that wrote none (all its
    // moves scored at the bottom of the window) with the first legal one.
    if (!result.has_move)
        return std::nullopt;
    return result.best;
}
