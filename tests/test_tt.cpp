// The transposition table: what a lookup answers, and which results a store
// keeps, with the clock under the test's control.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "classic.h"
#include "clock.h"
#include "hash.h"
#include "test_support.h"
#include "tt.h"

namespace {

int64_t now_seconds = 1000;
int64_t TestClock() { return now_seconds; }

constexpr Move STORED = {12, 28, PROMOTE_ROOK};  // all three fields must come back
constexpr Move UNTOUCHED = {9, 17, NORMAL_MOVE};

class TTTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        InitHashTables(1);
        ClearTT();
        now_seconds = 1000;
        SetClock(TestClock);
        board = NewBoard(CLASSIC_RULES);
    }
    void TearDown() override
    {
        SetClock(nullptr);
        ClearTT();
    }

    struct Probe {
        int hit;
        int score;
        Move move;
    };
    Probe Ask(int alpha, int beta, int depth) const
    {
        Probe probe{0, -12345, UNTOUCHED};
        probe.hit = ProbeTT(*board, alpha, beta, depth, probe.score, probe.move);
        return probe;
    }
    void Store(int score, int depth, Bound bound, Move move = STORED)
    {
        EXPECT_EQ(StoreTT(*board, move, score, depth, bound), 1);
    }
    // A lookup that must answer `score`, or miss and hand out `move` when
    // there is no score.
    void Expect(int alpha, int beta, int depth, std::optional<int> score, Move move = STORED) const
    {
        SCOPED_TRACE("window " + std::to_string(alpha) + ", " + std::to_string(beta) + ", depth " +
                     std::to_string(depth));
        const Probe probe = Ask(alpha, beta, depth);
        EXPECT_EQ(probe.hit, score ? 1 : 0);
        if (score) {
            EXPECT_EQ(probe.score, *score);
        } else {
            EXPECT_TRUE(SameMove(probe.move, move));
        }
    }
    // The lock changed in `bits` misses the slot (leaving the move alone);
    // the lock itself finds `score` again.
    void ExpectOnlyTheOwnLockHits(uint32_t bits, int score)
    {
        board->states[board->ply].hash_lock ^= bits;
        Expect(-100, 100, 1, {}, UNTOUCHED);
        board->states[board->ply].hash_lock ^= bits;
        Expect(-100, 100, 1, score);
    }

    BoardPtr board;
};

// ---- Lookup ----------------------------------------------------------------

TEST_F(TTTest, EmptyOrForeignSlotIsAMissThatLeavesTheMoveAlone)
{
    Expect(-100, 100, 1, {}, UNTOUCHED);

    // Same slot, other lock: the slot belongs to another position.
    Store(40, 5, BOUND_EXACT);
    ExpectOnlyTheOwnLockHits(1, 40);

    // Another position: the same placement with black to move.
    board = Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    Expect(-100, 100, 1, {}, UNTOUCHED);
}

// One result stored, then one lookup: the answer of a hit, or a miss that
// hands out the stored move.
TEST_F(TTTest, WhatALookupAnswers)
{
    const struct {
        const char* label;
        int score, depth;  // stored
        Bound bound;
        int alpha, beta, probe_depth;
        std::optional<int> answer;  // none for a miss
    } cases[] = {
        {"a shallower slot misses", 40, 3, BOUND_EXACT, -100, 100, 4, {}},
        {"a slot as deep as asked answers", 40, 3, BOUND_EXACT, -100, 100, 3, 40},
        {"a deeper slot answers", 40, 3, BOUND_EXACT, -100, 100, 0, 40},
        {"an upper bound equal to alpha answers it", 10, 3, BOUND_UPPER, 10, 50, 3, 10},
        {"an upper bound below alpha answers alpha, not the bound", 10, 3, BOUND_UPPER, 30, 50, 3, 30},
        {"an upper bound above alpha misses", 10, 3, BOUND_UPPER, 9, 50, 3, {}},
        {"a lower bound equal to beta answers it", 50, 3, BOUND_LOWER, -20, 50, 2, 50},
        {"a lower bound above beta answers beta, not the bound", 50, 3, BOUND_LOWER, -20, 40, 3, 40},
        {"a lower bound below beta misses", 50, 3, BOUND_LOWER, -20, 51, 3, {}},
        {"an exact score inside the window", 3000, 4, BOUND_EXACT, -100, 100, 4, 3000},
        {"an exact score below the window", 3000, 4, BOUND_EXACT, 3500, 4000, 4, 3000},
        {"an exact score above the window", 3000, 4, BOUND_EXACT, -4000, -3500, 4, 3000},
        {"a mated score, exact, far outside the window", -4990, 4, BOUND_EXACT, -100, 100, 2, -4990},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ClearTT();
        Store(c.score, c.depth, c.bound);
        Expect(c.alpha, c.beta, c.probe_depth, c.answer);
    }
}

// ---- Store and replacement -------------------------------------------------

TEST_F(TTTest, ReplacementWithinOneSecondKeepsTheDeepest)
{
    Store(10, 3, BOUND_EXACT, Move{1, 2, NORMAL_MOVE});
    Store(20, 3, BOUND_EXACT, Move{3, 4, NORMAL_MOVE});  // same depth, same second
    Expect(-100, 100, 3, 10);
    Store(30, 2, BOUND_EXACT);  // shallower, same second
    Expect(-100, 100, 3, 10);
    Store(40, 4, BOUND_EXACT);  // deeper
    Expect(-100, 100, 4, 40);
    Expect(-100, 100, 5, {}, STORED);
}

TEST_F(TTTest, AnyResultReplacesOnceTheSecondHasPassed)
{
    Store(10, 6, BOUND_EXACT);
    now_seconds += 1;
    Store(-20, 1, BOUND_UPPER, Move{5, 6, NORMAL_MOVE});
    Expect(-100, 100, 2, {}, Move{5, 6, NORMAL_MOVE});  // the slot is now the shallow one
    Expect(-10, 100, 1, -10);

    // Within the new second the shallow result is itself kept against an equal depth.
    Store(70, 1, BOUND_EXACT);
    Expect(-10, 100, 1, -10);
}

TEST_F(TTTest, NeverWrittenSlotIsAlwaysWritten)
{
    now_seconds = 0;
    Store(15, 0, BOUND_EXACT);  // neither deeper than the empty slot's 0 nor in a later second than 0
    Expect(-100, 100, 0, 15);
}

TEST_F(TTTest, StoreWithAnUnreadableClockLooksEmpty)
{
    now_seconds = -1;
    Store(15, 3, BOUND_EXACT);
    Expect(-100, 100, 1, {}, UNTOUCHED);
}

TEST_F(TTTest, SlotTagsFollowEveryStoreAndOnlyScreenLookups)
{
    EXPECT_TRUE(SlotTagsOk());
    Store(40, 5, BOUND_EXACT);
    EXPECT_TRUE(SlotTagsOk());

    // Overwritten with an unreadable clock, the slot reads as empty again.
    now_seconds = -1;
    Store(10, 9, BOUND_LOWER);
    EXPECT_TRUE(SlotTagsOk());
    Expect(-100, 100, 1, {}, UNTOUCHED);

    // A lock that differs only in the bits the tag drops still has to match
    // the slot's own lock.
    now_seconds = 1001;
    Store(40, 5, BOUND_EXACT);
    ExpectOnlyTheOwnLockHits(0x18000, 40);

    // A whole search, and emptying the table, keep them in step.
    std::ostringstream out;
    ASSERT_TRUE(Think(*board, out));
    EXPECT_TRUE(SlotTagsOk());
    ClearTT();
    EXPECT_TRUE(SlotTagsOk());
}

// ---- Lifetime --------------------------------------------------------------

TEST_F(TTTest, ResultsOutliveTheBoardAndClearTTEmptiesEverySlot)
{
    Store(25, 4, BOUND_EXACT);
    board = NewBoard(CLASSIC_RULES);  // a new game of the same run
    Expect(-100, 100, 4, 25);

    ClearTT();
    Expect(-100, 100, 0, {}, UNTOUCHED);
    for (const TTEntry& entry : trans_table) {
        ASSERT_EQ(entry.stamp, -1);
        ASSERT_EQ(entry.bound, BOUND_EMPTY);
    }
}

}  // namespace
