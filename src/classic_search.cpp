#include "classic_search.h"

#include <algorithm>

#include "classic_eval.h"
#include "hash.h"
#include "make_move.h"
#include "movegen.h"
#include "tt.h"

int32_t history[HISTORY_PLIES][64][64];

void ClearHistory()
{
    for (int ply = 0; ply < HISTORY_CLEARED_PLIES; ++ply) {
        for (auto& from : history[ply]) {
            for (int32_t& counter : from)
                counter = 0;
        }
    }
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
