// The transposition table: what a lookup answers, and which results a store
// keeps, with the clock under the test's control.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

#include "board.h"
#include "clock.h"
#include "fen.h"
#include "hash.h"
#include "search.h"
#include "test_support.h"

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
        board = NewBoard();
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
    void Store(int score, int depth, int bound, Move move = STORED)
    {
        EXPECT_EQ(StoreTT(*board, move, score, depth, bound), 1);
    }
    // A lookup that must answer `score`.
    void ExpectHit(int alpha, int beta, int depth, int score) const
    {
        const Probe probe = Ask(alpha, beta, depth);
        EXPECT_EQ(probe.hit, 1) << "window " << alpha << ", " << beta << ", depth " << depth;
        EXPECT_EQ(probe.score, score) << "window " << alpha << ", " << beta << ", depth " << depth;
    }
    // A lookup that must miss and hand out `move`.
    void ExpectMiss(int alpha, int beta, int depth, Move move) const
    {
        const Probe probe = Ask(alpha, beta, depth);
        EXPECT_EQ(probe.hit, 0) << "window " << alpha << ", " << beta << ", depth " << depth;
        EXPECT_TRUE(SameMove(probe.move, move)) << "window " << alpha << ", " << beta << ", depth " << depth;
    }

    BoardPtr board;
};

// ---- Lookup ----------------------------------------------------------------

TEST_F(TTTest, EmptyOrForeignSlotIsAMissThatLeavesTheMoveAlone)
{
    ExpectMiss(-100, 100, 1, UNTOUCHED);

    // Same slot, other lock: the slot belongs to another position.
    Store(40, 5, BOUND_EXACT);
    board->states[board->ply].hash_lock ^= 1;
    ExpectMiss(-100, 100, 1, UNTOUCHED);
    board->states[board->ply].hash_lock ^= 1;
    ExpectHit(-100, 100, 1, 40);

    // Another position: the same placement with black to move.
    BoardPtr black = Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    Probe other{0, 0, UNTOUCHED};
    EXPECT_EQ(ProbeTT(*black, -100, 100, 1, other.score, other.move), 0);
    EXPECT_TRUE(SameMove(other.move, UNTOUCHED));
}

TEST_F(TTTest, ShallowerSlotIsAMissThatHandsOutItsMove)
{
    Store(40, 3, BOUND_EXACT);
    ExpectMiss(-100, 100, 4, STORED);
    ExpectHit(-100, 100, 3, 40);
    ExpectHit(-100, 100, 0, 40);
}

TEST_F(TTTest, UpperBoundAnswersAlphaAtOrBelowIt)
{
    Store(10, 3, BOUND_UPPER);
    ExpectHit(10, 50, 3, 10);      // score equal to alpha
    ExpectHit(30, 50, 3, 30);      // score below alpha: the answer is alpha, not the score
    ExpectMiss(9, 50, 3, STORED);  // score above alpha
}

TEST_F(TTTest, LowerBoundAnswersBetaAtOrAboveIt)
{
    Store(50, 3, BOUND_LOWER);
    ExpectHit(-20, 50, 2, 50);       // score equal to beta
    ExpectHit(-20, 40, 3, 40);       // score above beta: the answer is beta
    ExpectMiss(-20, 51, 3, STORED);  // score below beta
}

TEST_F(TTTest, ExactAnswersItsScoreEvenOutsideTheWindow)
{
    Store(3000, 4, BOUND_EXACT);
    for (const auto& [alpha, beta] : {std::pair{-100, 100}, std::pair{3500, 4000}, std::pair{-4000, -3500}})
        ExpectHit(alpha, beta, 4, 3000);
    Store(-4990, 4, BOUND_EXACT);
    now_seconds += 1;
    Store(-4990, 4, BOUND_EXACT);
    ExpectHit(-100, 100, 2, -4990);
}

// ---- Store and replacement -------------------------------------------------

TEST_F(TTTest, ReplacementWithinOneSecondKeepsTheDeepest)
{
    Store(10, 3, BOUND_EXACT, Move{1, 2, NORMAL_MOVE});
    Store(20, 3, BOUND_EXACT, Move{3, 4, NORMAL_MOVE});  // same depth, same second
    ExpectHit(-100, 100, 3, 10);
    Store(30, 2, BOUND_EXACT);  // shallower, same second
    ExpectHit(-100, 100, 3, 10);
    Store(40, 4, BOUND_EXACT);  // deeper
    ExpectHit(-100, 100, 4, 40);
    ExpectMiss(-100, 100, 5, STORED);
}

TEST_F(TTTest, AnyResultReplacesOnceTheSecondHasPassed)
{
    Store(10, 6, BOUND_EXACT);
    now_seconds += 1;
    Store(-20, 1, BOUND_UPPER, Move{5, 6, NORMAL_MOVE});
    ExpectMiss(-100, 100, 2, Move{5, 6, NORMAL_MOVE});  // the slot is now the shallow one
    ExpectHit(-10, 100, 1, -10);

    // Within the new second the shallow result is itself kept against an equal depth.
    Store(70, 1, BOUND_EXACT);
    ExpectHit(-10, 100, 1, -10);
}

TEST_F(TTTest, NeverWrittenSlotIsAlwaysWritten)
{
    now_seconds = 0;
    Store(15, 0, BOUND_EXACT);  // neither deeper than the empty slot's 0 nor in a later second than 0
    ExpectHit(-100, 100, 0, 15);
}

TEST_F(TTTest, StoreWithAnUnreadableClockLooksEmpty)
{
    now_seconds = -1;
    Store(15, 3, BOUND_EXACT);
    ExpectMiss(-100, 100, 1, UNTOUCHED);
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
    ExpectMiss(-100, 100, 1, UNTOUCHED);

    // A lock that differs only in the bits the tag drops still has to match
    // the slot's own lock.
    now_seconds = 1001;
    Store(40, 5, BOUND_EXACT);
    board->states[board->ply].hash_lock ^= 0x18000;
    ExpectMiss(-100, 100, 1, UNTOUCHED);
    board->states[board->ply].hash_lock ^= 0x18000;
    ExpectHit(-100, 100, 1, 40);

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
    board = NewBoard();  // a new game of the same run
    ExpectHit(-100, 100, 4, 25);

    ClearTT();
    ExpectMiss(-100, 100, 0, UNTOUCHED);
    for (const TTEntry& entry : trans_table) {
        ASSERT_EQ(entry.stamp, -1);
        ASSERT_EQ(entry.bound, BOUND_EMPTY);
    }
}

}  // namespace
