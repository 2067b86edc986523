#include "tt.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "clock.h"
#include "make_move.h"

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

}  // namespace

void PrefetchTag(uint32_t key) { __builtin_prefetch(&slot_tags[key % TT_SIZE]); }

void PrefetchTagAfter(const Board& board, Move move)
{
    if (move.kind == NORMAL_MOVE)
        PrefetchTag(KeyOf(KeyLockAfter(board, move)));
}

void PrefetchOwnSlot(const Board& board) { __builtin_prefetch(&trans_table[SlotIndex(board)]); }

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

// Under the standard rules a mate is kept relative to the node that stores it
// and read back relative to the node that asks, which may stand at another
// board ply: in the next search, or after the game made room for its moves.
// The classic rules keep every score as it is.
bool IsMateScore(int score) { return score > MATE_SCORE - MAX_PLIES || score < MAX_PLIES - MATE_SCORE; }

int ScoreToTable(const Board& board, int score)
{
    if (board.rules != STANDARD_RULES || !IsMateScore(score))
        return score;
    return score > 0 ? score + board.ply : score - board.ply;
}

int ScoreFromTable(const Board& board, int score)
{
    if (board.rules != STANDARD_RULES || !IsMateScore(score))
        return score;
    return score > 0 ? score - board.ply : score + board.ply;
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
        const int stored = ScoreFromTable(board, entry.score);
        if (entry.bound == BOUND_EXACT) {
            score = stored;
            return 1;
        }
        if (entry.bound == BOUND_UPPER && stored <= alpha) {
            score = alpha;
            return 1;
        }
        if (entry.bound == BOUND_LOWER && stored >= beta) {
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

int StoreTT(const Board& board, Move move, int score, int depth, Bound bound)
{
    // Step 1. The clock is read on every store.
    const int32_t now = static_cast<int32_t>(ReadClock());

    // Step 2. A shallower or older result gives way: within one second the
    // deepest result stays.
    const uint32_t index = SlotIndex(board);
    TTEntry& entry = trans_table[index];
    if (entry.depth < depth || entry.stamp < now) {
        entry = {depth, ScoreToTable(board, score), now, bound, State(board).hash_lock, move};
        slot_tags[index] = TagOf(entry);
    }
    return 1;
}
