#include "standard_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "attack.h"
#include "make_move.h"
#include "movegen.h"
#include "standard_eval.h"
#include "tt.h"

namespace {

constexpr int INFINITE = MATE_SCORE;
// Scores beyond this are mates (see MATE_SCORE).
constexpr int MATE_BOUND = MATE_SCORE - MAX_PLIES;
// How deep a quiescence search may go below the root before it stands pat.
constexpr int QUIESCE_PLIES = 48;

// ---- What the search learns as it goes ---------------------------------------

// Two quiet moves per ply that cut a sibling node off, tried right after the
// captures that win material. Emptied by every search.
Move killers[MAX_PLIES][2];

// How often each quiet move, by side and squares, cut a node off, less how
// often it was tried in vain before one that did; kept within
// +-HISTORY_LIMIT by the update's gravity. Halved by every search.
constexpr int HISTORY_LIMIT = 16384;
int32_t history_table[2][64][64];

// The static evaluation of the nodes on the current line, by board ply: a
// side whose evaluation rose since its last move prunes less.
int32_t line_eval[MAX_PLIES];

// Late move reductions, by depth and by the number of the move: logarithmic
// in both, as the strong small engines reduce.
const auto reductions = [] {
    std::array<std::array<int8_t, 64>, 64> table{};
    for (int depth = 1; depth < 64; ++depth) {
        for (int count = 1; count < 64; ++count)
            table[depth][count] = static_cast<int8_t>(0.75 + std::log(depth) * std::log(count) / 2.25);
    }
    return table;
}();

// ---- Move ordering -------------------------------------------------------------

// The order of a node's moves, by band: the table's move, captures that
// lose nothing (and queen promotions) by victim and then attacker, the
// killers, the quiet moves by history, then the losing captures and the
// under-promotions.
constexpr int32_t TABLE_MOVE = 1 << 30;
constexpr int32_t GOOD_CAPTURE = 1 << 24;
constexpr int32_t KILLER = 1 << 22;
constexpr int32_t BAD_CAPTURE = -(1 << 22);
constexpr int32_t UNDER_PROMOTION = -(1 << 23);
static_assert(KILLER > HISTORY_LIMIT && BAD_CAPTURE + 10 * 1000 < -HISTORY_LIMIT);

constexpr int SEE_VALUE[7] = {100, 320, 330, 500, 900, 20000, 0};

uint64_t Bit(int square) { return uint64_t{1} << square; }

// The figure type a move takes: a pawn for en passant, NONE for no capture.
FigureType Victim(const Board& board, Move move)
{
    if (move.kind == EN_PASSANT)
        return PAWN;
    if (move.kind == CASTLE_KING_SIDE || move.kind == CASTLE_QUEEN_SIDE)
        return NONE;
    return board.squares[move.to]->type;
}

bool IsTactical(const Board& board, Move move) { return Victim(board, move) != NONE || move.kind == PROMOTE_QUEEN; }

int32_t CaptureOrder(const Board& board, Move move)
{
    const FigureType victim = Victim(board, move);
    const FigureType attacker = board.squares[move.from]->type;
    const int gain = SEE_VALUE[victim == NONE ? NONE : victim] + (move.kind == PROMOTE_QUEEN ? 800 : 0);
    const int32_t order = gain * 8 - attacker;
    // Taking a figure worth at least the taker loses nothing: no exchange
    // needs working out.
    const bool safe =
        SEE_VALUE[attacker] <= SEE_VALUE[victim == NONE ? PAWN : victim] || StaticExchange(board, move) >= 0;
    return (safe ? GOOD_CAPTURE : BAD_CAPTURE) + order;
}

void ScoreMoves(const Board& board, MoveList& list, Move table_move)
{
    const Move* killer = killers[board.ply];
    for (int i = 0; i < list.count; ++i) {
        const Move move = list.moves[i];
        int32_t& score = list.scores[i];
        if (SameMove(move, table_move))
            score = TABLE_MOVE;
        else if (IsPromotion(move.kind) && move.kind != PROMOTE_QUEEN)
            score = UNDER_PROMOTION;
        else if (IsTactical(board, move))
            score = CaptureOrder(board, move);
        else if (SameMove(move, killer[0]))
            score = KILLER;
        else if (SameMove(move, killer[1]))
            score = KILLER - 1;
        else
            score = history_table[board.side][move.from][move.to];
    }
}

// Brings the best-scored of moves index..count-1 to `index`.
void PickBest(MoveList& list, int index)
{
    int best = index;
    for (int i = index + 1; i < list.count; ++i) {
        if (list.scores[i] > list.scores[best])
            best = i;
    }
    std::swap(list.moves[index], list.moves[best]);
    std::swap(list.scores[index], list.scores[best]);
}

void UpdateHistory(Colour side, Move move, int bonus)
{
    int32_t& entry = history_table[side][move.from][move.to];
    entry += bonus - entry * std::abs(bonus) / HISTORY_LIMIT;
}

// A quiet move cut the node off: it becomes the ply's first killer and
// gains history, and the quiet moves tried before it in vain lose some.
void RewardCutoff(const Board& board, Move move, int depth, const Move* tried, int tried_count)
{
    Move* killer = killers[board.ply];
    if (!SameMove(killer[0], move)) {
        killer[1] = killer[0];
        killer[0] = move;
    }
    const int bonus = std::min(depth * depth, 400);
    UpdateHistory(board.side, move, bonus);
    for (int i = 0; i < tried_count; ++i)
        UpdateHistory(board.side, tried[i], -bonus);
}

bool HasFigures(const Board& board, Colour colour)
{
    const uint64_t figures = Pieces(board, colour) & ~Pawns(board, colour);
    return (figures & (figures - 1)) != 0;  // more than the king
}

// Counts the node and, now and then, asks the limits: true to stop.
bool Stopped()
{
    ++nodes;
    if (nodes >= next_poll)
        PollLimits();
    return search_stopped;
}

}  // namespace

// ---- Static exchange evaluation --------------------------------------------------

namespace {

// The square of the least valuable figure among `attackers`, or -1.
int LeastValuable(const Board& board, uint64_t attackers)
{
    int found = -1;
    int value = 1 << 30;
    for (; attackers; attackers &= attackers - 1) {
        const int square = __builtin_ctzll(attackers);
        const int worth = SEE_VALUE[board.squares[square]->type];
        if (worth < value) {
            value = worth;
            found = square;
        }
    }
    return found;
}

}  // namespace

int StaticExchange(const Board& board, Move move)
{
    // Step 1. The first capture, made on a copy of the occupied squares.
    const int target = move.to;
    const FigureType victim = Victim(board, move);
    uint64_t occupied = Occupied(board) ^ Bit(move.from);
    if (move.kind == EN_PASSANT)
        occupied ^= Bit(board.side == WHITE ? target - 8 : target + 8);
    int gain[40];
    gain[0] = victim == NONE ? 0 : SEE_VALUE[victim];
    int on_square = SEE_VALUE[board.squares[move.from]->type];
    if (IsPromotion(move.kind)) {
        gain[0] += SEE_VALUE[PromotedType(move.kind)] - SEE_VALUE[PAWN];
        on_square = SEE_VALUE[PromotedType(move.kind)];
    }
    uint64_t attackers = (AttackersOf(board, target, WHITE) | AttackersOf(board, target, BLACK)) & occupied;
    attackers |= SlidersAttackingWith(board, target, occupied, occupied);

    // Step 2. The sides take in turn with their least valuable figure, the
    // sliders behind each taker joining in; a king takes only the last.
    Colour side = Opponent(board.side);
    int depth = 0;
    while (depth < 38) {
        const int from = LeastValuable(board, attackers & occupied & Pieces(board, side));
        if (from < 0)
            break;
        if (board.squares[from]->type == KING &&
            (attackers & occupied & Pieces(board, Opponent(side)) & ~Bit(from)) != 0)
            break;
        ++depth;
        gain[depth] = on_square - gain[depth - 1];
        occupied ^= Bit(from);
        attackers |= SlidersAttackingWith(board, target, occupied, occupied);
        on_square = SEE_VALUE[board.squares[from]->type];
        side = Opponent(side);
    }

    // Step 3. Back from the end: each side stops taking where that is better.
    for (; depth > 0; --depth)
        gain[depth - 1] = -std::max(-gain[depth - 1], gain[depth]);
    return gain[0];
}

// ---- The search ----------------------------------------------------------------------

void ClearStandardSearch()
{
    for (auto& side : history_table) {
        for (auto& from : side)
            std::fill(std::begin(from), std::end(from), 0);
    }
    BeginStandardSearch();
}

void BeginStandardSearch()
{
    NewTableAge();
    for (auto& pair : killers)
        pair[0] = pair[1] = NO_MOVE;
    for (auto& side : history_table) {
        for (auto& from : side) {
            for (int32_t& entry : from)
                entry /= 2;
        }
    }
}

int StandardQuiesce(Board& board, int alpha, int beta)
{
    // Step 1. Count the node; at the limit, or with no room, stand pat.
    if (Stopped())
        return 0;
    deepest_ply = std::max(deepest_ply, board.ply);
    const bool in_check = InCheck(board);
    if (board.ply >= LAST_PLY || board.ply - root_ply >= QUIESCE_PLIES)
        return EvaluateStandard(board);

    // Step 2. The table: a null window takes the answer of any search of
    // this position, which sees at least as far as the captures here.
    int table_score;
    Move table_move = NO_MOVE;
    if (beta - alpha == 1 && ProbeTT(board, alpha, beta, 0, table_score, table_move))
        return table_score;

    // Step 3. Stand pat, unless in check: then every evasion is searched.
    int best = -INFINITE;
    int stand_pat = 0;
    if (!in_check) {
        stand_pat = EvaluateStandard(board);
        if (stand_pat >= beta)
            return stand_pat;
        alpha = std::max(alpha, stand_pat);
        best = stand_pat;
    }

    // Step 4. The captures that lose nothing, best first; in check, all moves.
    MoveList list = in_check ? GenerateMoves(board, NO_MOVE) : GenerateCaptures(board, NO_MOVE);
    ScoreMoves(board, list, NO_MOVE);
    int legal = 0;
    for (int i = 0; i < list.count; ++i) {
        PickBest(list, i);
        const Move move = list.moves[i];
        if (!in_check) {
            // Losing captures, and those that cannot lift the score to alpha
            // even with a pawn to spare, are left out.
            if (list.scores[i] < GOOD_CAPTURE)
                break;
            const FigureType victim = Victim(board, move);
            if (!IsPromotion(move.kind) && stand_pat + SEE_VALUE[victim] + 200 <= alpha)
                continue;
        }
        if (!MakeMove(board, move))
            continue;
        ++legal;
        const int score = -StandardQuiesce(board, -beta, -alpha);
        UnmakeMove(board);
        if (search_stopped)
            return 0;
        if (score > best) {
            best = score;
            if (score > alpha) {
                alpha = score;
                if (score >= beta)
                    break;
            }
        }
    }

    // Step 5. In check with no evasion: mated.
    if (in_check && legal == 0)
        return board.ply - MATE_SCORE;
    return best;
}

int StandardNode(Board& board, int alpha, int beta, int depth, bool null_allowed, Move& best)
{
    // Step 1. Count the node; a search with limits looks at them now and then.
    if (Stopped())
        return 0;
    const bool pv = beta - alpha > 1;
    const bool root = board.ply == root_ply;
    const bool in_check = InCheck(board);

    if (!root) {
        // Step 2. Draws by the fifty-move rule and by repetition: a position
        // met before on the line since the root is a draw at once, whatever
        // was best there being best here too.
        if (IsStandardRepetition(board, 2, root_ply) || IsFiftyMoveDraw(board))
            return 0;
        // Step 3. Mate distance pruning: no line from here can mate sooner
        // than a mate already found nearer the root.
        alpha = std::max(alpha, board.ply - MATE_SCORE);
        beta = std::min(beta, MATE_SCORE - board.ply - 1);
        if (alpha >= beta)
            return alpha;
    }
    if (board.ply >= LAST_PLY)
        return EvaluateStandard(board);

    // Step 4. Check extension: a node in check searches a ply deeper.
    if (in_check)
        ++depth;
    if (depth <= 0)
        return StandardQuiesce(board, alpha, beta);

    // Step 5. The table: an answer off the principal variation, else its move.
    Move table_move = NO_MOVE;
    ++tt_probes;
    int table_score;
    if ((root || ProbeTT(board, alpha, beta, depth, table_score, table_move)) && TableMove(board, table_move)) {
        // A hit answers only a node off the principal variation; there it
        // lends its move.
        ++tt_hits;
        if (!pv && !root)
            return table_score;
    }

    // Step 6. The static evaluation, and whether it rose since the side's
    // last move.
    const int eval = in_check ? -INFINITE : EvaluateStandard(board);
    line_eval[board.ply] = eval;
    const bool improving = !in_check && board.ply - root_ply >= 2 && eval > line_eval[board.ply - 2];

    if (!pv && !in_check && std::abs(beta) < MATE_BOUND) {
        // Step 7. Reverse futility pruning: so far above beta near the leaves
        // that no reply will bring the score back.
        if (depth <= 6 && eval - (improving ? 60 : 80) * depth >= beta)
            return eval;

        // Step 8. Null move: passing still holds beta, so a real move will.
        // The reduction grows with the depth and the margin over beta; a side
        // with nothing but pawns passes no move (zugzwang).
        if (null_allowed && depth >= 2 && eval >= beta && HasFigures(board, board.side)) {
            const int reduction = 3 + depth / 4 + std::min(3, (eval - beta) / 200);
            Move scratch = NO_MOVE;
            MakeNullMove(board);
            const int score = -StandardNode(board, -beta, -beta + 1, depth - 1 - reduction, false, scratch);
            UnmakeNullMove(board);
            if (search_stopped)
                return 0;
            if (score >= beta) {
                ++null_cutoffs;
                return score >= MATE_BOUND ? beta : score;
            }
        }
    }

    // Step 9. The moves, ordered; the root's as the limits restrict them.
    MoveList list = GenerateMoves(board, NO_MOVE);
    if (root && root_filter.active)
        FilterRootMoves(list);
    ScoreMoves(board, list, table_move);

    // Step 10. Futility: near the leaves, quiet moves cannot lift a score
    // this far below alpha.
    const bool futile = !pv && !in_check && depth <= 3 && eval + 120 * depth <= alpha;
    const int late_move_limit = 3 + depth * depth * (improving ? 2 : 1);

    // Step 11. The move loop: the first move with the whole window, the
    // others with a null window, reduced when late and quiet, and searched
    // again when they surprise.
    const int alpha_before = alpha;
    int best_score = -INFINITE;
    Move best_move = NO_MOVE;
    Move quiets_tried[64];
    int quiet_count = 0;
    int legal = 0;
    for (int i = 0; i < list.count; ++i) {
        PickBest(list, i);
        const Move move = list.moves[i];
        const bool quiet = !IsTactical(board, move);
        if (!MakeMove(board, move))
            continue;
        ++legal;
        const bool gives_check = InCheck(board);
        if (root && IsNoMove(best_move))
            best_move = move;

        // Late quiet moves of a node that holds its score are pruned.
        const bool prunable = !root && quiet && !gives_check && legal > 1 && best_score > -MATE_BOUND;
        if (prunable && (futile || (!pv && !in_check && depth <= 4 && legal > late_move_limit))) {
            UnmakeMove(board);
            continue;
        }

        Move child = NO_MOVE;
        int score;
        if (legal == 1) {
            score = -StandardNode(board, -beta, -alpha, depth - 1, true, child);
        } else {
            int reduction = 0;
            if (depth >= 3 && quiet && !in_check && !gives_check && legal > (pv ? 4 : 2) &&
                list.scores[i] < KILLER - 1) {
                reduction = reductions[std::min(depth, 63)][std::min(legal, 63)];
                reduction += !improving - pv - (list.scores[i] > HISTORY_LIMIT / 2);
                reduction = std::clamp(reduction, 0, depth - 2);
            }
            score = -StandardNode(board, -alpha - 1, -alpha, depth - 1 - reduction, true, child);
            if (score > alpha && reduction > 0)
                score = -StandardNode(board, -alpha - 1, -alpha, depth - 1, true, child);
            if (score > alpha && score < beta)
                score = -StandardNode(board, -beta, -alpha, depth - 1, true, child);
        }
        UnmakeMove(board);
        if (search_stopped)
            return 0;

        if (score > best_score) {
            best_score = score;
            if (score > alpha) {
                best_move = move;
                alpha = score;
                if (score >= beta) {
                    ++cutoffs;
                    if (quiet)
                        RewardCutoff(board, move, depth, quiets_tried, quiet_count);
                    break;
                }
            }
        }
        if (quiet && quiet_count < 64)
            quiets_tried[quiet_count++] = move;
    }

    // Step 12. No legal move: mate or stalemate.
    if (legal == 0)
        return in_check ? board.ply - MATE_SCORE : 0;

    // Step 13. Keep the result; a root whose moves the limits restrict
    // scores only those, so its result is not the position's.
    const Bound bound = best_score >= beta ? BOUND_LOWER : alpha > alpha_before ? BOUND_EXACT : BOUND_UPPER;
    if (!root || !root_filter.active)
        StoreTT(board, best_move, best_score, depth, bound);
    if (!IsNoMove(best_move))
        best = best_move;
    return best_score;
}

int SearchStandardDepth(Board& board, int depth, int previous, Move& best)
{
    // Step 1. A window around the last depth's score, once the scores settle.
    int delta = 20;
    int alpha = -INFINITE;
    int beta = INFINITE;
    if (depth >= ASPIRATION_DEPTH && std::abs(previous) < MATE_BOUND) {
        alpha = std::max(previous - delta, -INFINITE);
        beta = std::min(previous + delta, INFINITE);
    }

    // Step 2. Widened on the side the score fell out of, until it falls in.
    for (;;) {
        Move found = NO_MOVE;
        const int score = StandardNode(board, alpha, beta, depth, false, found);
        if (search_stopped)
            return 0;
        if (score <= alpha && alpha > -INFINITE) {
            beta = (alpha + beta) / 2;
            alpha = std::max(score - delta, -INFINITE);
        } else if (score >= beta && beta < INFINITE) {
            beta = std::min(score + delta, INFINITE);
        } else {
            best = found;
            return score;
        }
        delta += delta / 2 + 10;
    }
}
