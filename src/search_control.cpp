#include "search_control.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "clock.h"
#include "movegen.h"
#include "tt.h"

int32_t root_ply;
int64_t nodes;
int64_t tt_probes;
int64_t tt_hits;
int64_t cutoffs;
int64_t null_cutoffs;
int32_t deepest_ply;

namespace {

constexpr int64_t NEVER = std::numeric_limits<int64_t>::max();

}  // namespace

int64_t next_poll = NEVER;
bool search_stopped = false;
PollState poll_state;
RootFilter root_filter;

void BeginPolling(const SearchLimits& limits, int64_t start_ms)
{
    poll_state = {&limits, start_ms, start_ms, static_cast<bool>(limits.pondering), false, false};
    const bool limited = limits.hard_ms >= 0 || limits.max_nodes >= 0 || limits.should_stop;
    next_poll = limits.iterate && limited ? POLL_NODES : NEVER;
    search_stopped = false;
}

void EndPolling()
{
    next_poll = NEVER;
    search_stopped = false;
    poll_state = {};
}

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

namespace {

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

}  // namespace

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

bool IsStandardRepetition(const Board& board, int times, int since)
{
    const KeyLock hash = KeyLockOf(State(board));
    const int first = std::max(0, board.ply - State(board).halfmove_clock);
    int count = 0;
    for (int i = board.ply - 2; i >= first; i -= 2) {
        if (IsNoMove(board.states[i].move) || IsNoMove(board.states[i + 1].move))
            break;
        if (KeyLockOf(board.states[i]) == hash && (i > since || ++count == times))
            return true;
    }
    return false;
}

bool IsFiftyMoveDraw(Board& board)
{
    if (State(board).halfmove_clock < 100)
        return false;
    return !InCheck(board) || LegalMoves(board).count > 0;
}

int IsRepetition(const Board& board)
{
    if (board.rules == STANDARD_RULES)
        return IsStandardRepetition(board, 2, MAX_PLIES) ? 1 : 0;
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

int MateInMoves(int score, int root)
{
    // The mated position's board ply lies above the root and below MAX_PLIES.
    const int mated_ply = score > 0 ? MATE_SCORE - score : MATE_SCORE + score;
    const int distance = mated_ply - root;
    if (std::abs(score) <= MATE_SCORE - MAX_PLIES || distance <= 0)
        return 0;
    return score > 0 ? (distance + 1) / 2 : -(distance / 2);
}
