#include "tt.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

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

// A table: `slots` entries and as many tags. The standard rules' table is
// the classic one until ResizeTT gives them their own, which it allocates
// and frees; nothing else changes it.
struct TableStore {
    TTEntry* entries;
    uint16_t* tags;
    uint32_t slots;
};
TableStore standard_table = {trans_table, slot_tags, TT_SIZE};

bool OwnsStandardTable() { return standard_table.entries != trans_table; }

// Equal locks give equal tags, and no tag is 0.
uint16_t LockTag(uint32_t lock) { return static_cast<uint16_t>((lock & 0x7FFF) | 0x8000); }

// The tag that belongs beside `entry`.
uint16_t TagOf(const TTEntry& entry)
{
    const bool holds = entry.bound != BOUND_EMPTY && entry.stamp != -1;
    return holds ? LockTag(entry.lock) : 0;
}

// The classic table keeps its prime modulus, on which the classic node
// counts depend; a standard table of any size spreads the keys over its
// slots by a multiplication, which costs less than a division.
//
// The standard table is cut into buckets of BUCKET_SLOTS slots on one cache
// line, and a key picks the first slot of its bucket: a position may stand
// in any slot of it, so that a deep result and a recent one can both stay.
uint32_t SlotOf(Rules rules, uint32_t key)
{
    if (rules == CLASSIC_RULES)
        return key % TT_SIZE;
    const uint32_t buckets = standard_table.slots / BUCKET_SLOTS;
    return static_cast<uint32_t>((uint64_t{key} * buckets) >> 32) * BUCKET_SLOTS;
}

// The age of the standard table's results: raised by every search, kept in
// their `stamp`, so that a store prefers to replace what older searches left.
int32_t table_age = 0;

TTEntry* EntriesOf(Rules rules) { return rules == CLASSIC_RULES ? trans_table : standard_table.entries; }
uint16_t* TagsOf(Rules rules) { return rules == CLASSIC_RULES ? slot_tags : standard_table.tags; }

uint32_t SlotIndex(const Board& board) { return SlotOf(board.rules, State(board).hash_key); }

void Empty(TTEntry* entries, uint16_t* tags, uint32_t slots)
{
    for (uint32_t i = 0; i < slots; ++i) {
        entries[i] = {0, 0, -1, BOUND_EMPTY, 0, NO_MOVE};
        tags[i] = 0;
    }
}

constexpr size_t HUGE_PAGE = size_t{1} << 21;

// Asks the system to back `length` bytes from `start`, a 2 MB boundary, with
// huge pages: every node looks up a slot at random in a table far larger
// than the caches, and on 2 MB pages those lookups stop missing the TLB.
// The advice takes effect for pages not touched yet.
void AdviseHuge([[maybe_unused]] void* start, [[maybe_unused]] size_t length)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    madvise(start, (length + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1), MADV_HUGEPAGE);
#endif
}

}  // namespace

void PrefetchTag(Rules rules, uint32_t key) { __builtin_prefetch(&TagsOf(rules)[SlotOf(rules, key)]); }

void PrefetchTagAfter(const Board& board, Move move)
{
    if (move.kind == NORMAL_MOVE)
        PrefetchTag(board.rules, KeyOf(KeyLockAfter(board, move)));
}

void PrefetchOwnSlot(const Board& board) { __builtin_prefetch(&EntriesOf(board.rules)[SlotIndex(board)]); }

void AdviseHugePages()
{
    // The last page runs on into the variables after the table, which only gain.
    AdviseHuge(trans_table, sizeof trans_table);
}

bool ResizeTT(int megabytes)
{
    const size_t bytes = size_t(std::clamp(megabytes, 1, MAX_HASH_MB)) << 20;
    const auto slots =
        static_cast<uint32_t>(bytes / (sizeof(TTEntry) + sizeof(uint16_t))) / BUCKET_SLOTS * BUCKET_SLOTS;
    const size_t entry_bytes = (size_t{slots} * sizeof(TTEntry) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    auto* entries = static_cast<TTEntry*>(std::aligned_alloc(HUGE_PAGE, entry_bytes));
    auto* tags = static_cast<uint16_t*>(std::malloc(size_t{slots} * sizeof(uint16_t)));
    if (!entries || !tags) {
        std::free(entries);
        std::free(tags);
        return false;
    }
    AdviseHuge(entries, entry_bytes);
    if (OwnsStandardTable()) {
        std::free(standard_table.entries);
        std::free(standard_table.tags);
    }
    standard_table = {entries, tags, slots};
    ClearTT(STANDARD_RULES);
    return true;
}

uint32_t TableSlots(Rules rules) { return rules == CLASSIC_RULES ? TT_SIZE : standard_table.slots; }

void ClearTT()
{
    ClearTT(CLASSIC_RULES);
    if (OwnsStandardTable())
        ClearTT(STANDARD_RULES);
}

void ClearTT(Rules rules) { Empty(EntriesOf(rules), TagsOf(rules), TableSlots(rules)); }

void NewTableAge() { ++table_age; }

int HashFull()
{
    const uint32_t sample = std::min<uint32_t>(1000, standard_table.slots);
    int used = 0;
    for (uint32_t i = 0; i < sample; ++i)
        used += standard_table.tags[i] != 0 && standard_table.entries[i].stamp == table_age;
    return static_cast<int>(used * 1000 / sample);
}

bool SlotTagsOk()
{
    for (const Rules rules : {CLASSIC_RULES, STANDARD_RULES}) {
        for (uint32_t index = 0; index < TableSlots(rules); ++index) {
            if (TagsOf(rules)[index] != TagOf(EntriesOf(rules)[index]))
                return false;
        }
    }
    return true;
}

namespace {

int SlotsPerKey(Rules rules) { return rules == CLASSIC_RULES ? 1 : BUCKET_SLOTS; }

// The slot that holds the board's position, or none.
const TTEntry* FindSlot(const Board& board)
{
    // Empty or another position's: mostly told by the tag alone.
    const uint32_t first = SlotIndex(board);
    const uint16_t tag = LockTag(State(board).hash_lock);
    for (int i = 0; i < SlotsPerKey(board.rules); ++i) {
        if (TagsOf(board.rules)[first + i] != tag)
            continue;
        const TTEntry& entry = EntriesOf(board.rules)[first + i];
        if (entry.bound != BOUND_EMPTY && entry.stamp != -1 && entry.lock == State(board).hash_lock)
            return &entry;
    }
    return nullptr;
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

namespace {

// Step 1. The slot of the bucket that holds the position already, else an
// empty one, else the one whose result is worth least: shallow, and from an
// older search.
uint32_t StandardVictim(const Board& board)
{
    const uint32_t first = SlotIndex(board);
    uint32_t victim = first;
    int least = std::numeric_limits<int>::max();
    for (uint32_t index = first; index < first + BUCKET_SLOTS; ++index) {
        const TTEntry& entry = standard_table.entries[index];
        if (standard_table.tags[index] == 0 || entry.lock == State(board).hash_lock)
            return index;
        const int worth = entry.depth - 8 * (table_age - entry.stamp);
        if (worth < least) {
            least = worth;
            victim = index;
        }
    }
    return victim;
}

// Step 2. A result of the same position gives way unless it is deeper and
// of this search; the move of a result that has none is kept.
void StoreStandard(const Board& board, Move move, int score, int depth, Bound bound)
{
    const uint32_t index = StandardVictim(board);
    TTEntry& entry = standard_table.entries[index];
    const bool same = standard_table.tags[index] != 0 && entry.lock == State(board).hash_lock;
    if (same && entry.stamp == table_age && entry.depth > depth + 2 && bound != BOUND_EXACT)
        return;
    const Move kept = same && IsNoMove(move) ? entry.best_move : move;
    entry = {depth, ScoreToTable(board, score), table_age, bound, State(board).hash_lock, kept};
    standard_table.tags[index] = TagOf(entry);
}

}  // namespace

int StoreTT(const Board& board, Move move, int score, int depth, Bound bound)
{
    if (board.rules == STANDARD_RULES && OwnsStandardTable()) {
        StoreStandard(board, move, score, depth, bound);
        return 1;
    }

    // Step 1. The clock is read on every store.
    const int32_t now = static_cast<int32_t>(ReadClock());

    // Step 2. A shallower or older result gives way: within one second the
    // deepest result stays.
    const uint32_t index = SlotIndex(board);
    TTEntry& entry = EntriesOf(board.rules)[index];
    if (entry.depth < depth || entry.stamp < now) {
        entry = {depth, ScoreToTable(board, score), now, bound, State(board).hash_lock, move};
        TagsOf(board.rules)[index] = TagOf(entry);
    }
    return 1;
}
