// The transposition table: what a lookup answers, and which results a store
// keeps, with the clock under the test's control.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

#include "board.h"
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

    BoardPtr board;
};

// ---- Lookup ----------------------------------------------------------------

TEST_F(TTTest, EmptyOrForeignSlotIsAMissThatLeavesTheMoveAlone)
{
    Probe probe = Ask(-100, 100, 1);
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, UNTOUCHED));

    // Same slot, other lock: the slot belongs to another position.
    Store(40, 5, BOUND_EXACT);
    board->hash_lock[board->ply] ^= 1;
    probe = Ask(-100, 100, 1);
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, UNTOUCHED));
    board->hash_lock[board->ply] ^= 1;
    EXPECT_EQ(Ask(-100, 100, 1).hit, 1);

    // Another position: the same placement with black to move.
    BoardPtr black = Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    Probe other{0, 0, UNTOUCHED};
    EXPECT_EQ(ProbeTT(*black, -100, 100, 1, other.score, other.move), 0);
    EXPECT_TRUE(SameMove(other.move, UNTOUCHED));
}

TEST_F(TTTest, ShallowerSlotIsAMissThatHandsOutItsMove)
{
    Store(40, 3, BOUND_EXACT);
    const Probe probe = Ask(-100, 100, 4);
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, STORED));
    EXPECT_EQ(Ask(-100, 100, 3).hit, 1);
    EXPECT_EQ(Ask(-100, 100, 0).hit, 1);
}

TEST_F(TTTest, UpperBoundAnswersAlphaAtOrBelowIt)
{
    Store(10, 3, BOUND_UPPER);
    Probe probe = Ask(10, 50, 3);  // score equal to alpha
    EXPECT_EQ(probe.hit, 1);
    EXPECT_EQ(probe.score, 10);
    probe = Ask(30, 50, 3);  // score below alpha: the answer is alpha, not the score
    EXPECT_EQ(probe.hit, 1);
    EXPECT_EQ(probe.score, 30);
    probe = Ask(9, 50, 3);  // score above alpha
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, STORED));
}

TEST_F(TTTest, LowerBoundAnswersBetaAtOrAboveIt)
{
    Store(50, 3, BOUND_LOWER);
    Probe probe = Ask(-20, 50, 2);  // score equal to beta
    EXPECT_EQ(probe.hit, 1);
    EXPECT_EQ(probe.score, 50);
    probe = Ask(-20, 40, 3);  // score above beta: the answer is beta
    EXPECT_EQ(probe.hit, 1);
    EXPECT_EQ(probe.score, 40);
    probe = Ask(-20, 51, 3);  // score below beta
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, STORED));
}

TEST_F(TTTest, ExactAnswersItsScoreEvenOutsideTheWindow)
{
    Store(3000, 4, BOUND_EXACT);
    for (const auto& [alpha, beta] : {std::pair{-100, 100}, std::pair{3500, 4000}, std::pair{-4000, -3500}}) {
        const Probe probe = Ask(alpha, beta, 4);
        EXPECT_EQ(probe.hit, 1);
        EXPECT_EQ(probe.score, 3000);
    }
    Store(-4990, 4, BOUND_EXACT);
    now_seconds += 1;
    Store(-4990, 4, BOUND_EXACT);
    EXPECT_EQ(Ask(-100, 100, 2).score, -4990);
}

// ---- Store and replacement -------------------------------------------------

TEST_F(TTTest, ReplacementWithinOneSecondKeepsTheDeepest)
{
    Store(10, 3, BOUND_EXACT, Move{1, 2, NORMAL_MOVE});
    Store(20, 3, BOUND_EXACT, Move{3, 4, NORMAL_MOVE});  // same depth, same second
    EXPECT_EQ(Ask(-100, 100, 3).score, 10);
    Store(30, 2, BOUND_EXACT);  // shallower, same second
    EXPECT_EQ(Ask(-100, 100, 3).score, 10);
    Store(40, 4, BOUND_EXACT);  // deeper
    EXPECT_EQ(Ask(-100, 100, 4).score, 40);
    EXPECT_TRUE(SameMove(Ask(-100, 100, 5).move, STORED));
}

TEST_F(TTTest, AnyResultReplacesOnceTheSecondHasPassed)
{
    Store(10, 6, BOUND_EXACT);
    now_seconds += 1;
    Store(-20, 1, BOUND_UPPER, Move{5, 6, NORMAL_MOVE});
    const Probe probe = Ask(-100, 100, 2);  // the slot is now the shallow one
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, Move{5, 6, NORMAL_MOVE}));
    EXPECT_EQ(Ask(-10, 100, 1).score, -10);

    // Within the new second the shallow result is itself kept against an equal depth.
    Store(70, 1, BOUND_EXACT);
    EXPECT_EQ(Ask(-10, 100, 1).score, -10);
}

TEST_F(TTTest, NeverWrittenSlotIsAlwaysWritten)
{
    now_seconds = 0;
    Store(15, 0, BOUND_EXACT);  // neither deeper than the empty slot's 0 nor in a later second than 0
    const Probe probe = Ask(-100, 100, 0);
    EXPECT_EQ(probe.hit, 1);
    EXPECT_EQ(probe.score, 15);
}

TEST_F(TTTest, StoreWithAnUnreadableClockLooksEmpty)
{
    now_seconds = -1;
    Store(15, 3, BOUND_EXACT);
    const Probe probe = Ask(-100, 100, 1);
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, UNTOUCHED));
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
    EXPECT_EQ(Ask(-100, 100, 1).hit, 0);

    // A lock that differs only in the bits the tag drops still has to match
    // the slot's own lock.
    now_seconds = 1001;
    Store(40, 5, BOUND_EXACT);
    board->hash_lock[board->ply] ^= 0x18000;
    const Probe probe = Ask(-100, 100, 1);
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, UNTOUCHED));
    board->hash_lock[board->ply] ^= 0x18000;
    EXPECT_EQ(Ask(-100, 100, 1).hit, 1);

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
    EXPECT_EQ(Ask(-100, 100, 4).score, 25);

    ClearTT();
    const Probe probe = Ask(-100, 100, 0);
    EXPECT_EQ(probe.hit, 0);
    EXPECT_TRUE(SameMove(probe.move, UNTOUCHED));
    for (const TTEntry& entry : trans_table) {
        ASSERT_EQ(entry.stamp, -1);
        ASSERT_EQ(entry.bound, BOUND_EMPTY);
    }
}

}  // namespace
