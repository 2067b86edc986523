// The search: mates, stalemates and repetitions, the null move, quiescence,
// the driver and its statistics line, and searches near the end of the
// board's histories.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "classic.h"
#include "clock.h"
#include "classic_eval.h"
#include "hash.h"
#include "movegen.h"
#include "perft.h"
#include "search.h"
#include "session.h"
#include "test_support.h"
#include "tt.h"

namespace {

constexpr int64_t FIXED_SECOND = 1000;
int64_t FixedClock() { return FIXED_SECOND; }

// A clock that moves three seconds after its first reading.
int clock_readings = 0;
int64_t SteppingClock() { return FIXED_SECOND + (clock_readings++ == 0 ? 0 : 3); }

bool IsLegal(Board& board, Move move) { return Lists(LegalMoves(board), move); }

bool MatesWithin(Board& board, int moves);

// Whether `move` mates, or, with `moves` above one, leaves every reply one
// that the mover answers with a mate within `moves` - 1 moves.
bool ForcesMate(Board& board, Move move, int moves)
{
    if (!MakeMove(board, move))
        return false;
    const std::vector<Move> replies = MovesOf(LegalMoves(board));
    bool forced = replies.empty() ? InCheck(board) : moves > 1;
    for (const Move reply : replies) {
        MakeMove(board, reply);
        forced = forced && MatesWithin(board, moves - 1);
        UnmakeMove(board);
    }
    UnmakeMove(board);
    return forced;
}

// Whether the side to move has a move that forces mate within `moves` moves.
bool MatesWithin(Board& board, int moves)
{
    return std::ranges::any_of(MovesOf(LegalMoves(board)), [&](Move move) { return ForcesMate(board, move, moves); });
}

// What one call of Think gives and writes.
struct ThinkRun {
    std::optional<Move> move;
    std::string output;
    Statistics statistics;
};

class SearchTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        SetClock(FixedClock);
        InitHashTables(1);
        ClearTT();
        ClearHistory();
    }

    void TearDown() override { SetClock(nullptr); }

    static ThinkRun RunThink(Board& board)
    {
        std::ostringstream out;
        ThinkRun result;
        result.move = Think(board, out);
        result.output = out.str();
        const std::optional<Statistics> statistics = ParseStatistics(result.output);
        EXPECT_TRUE(statistics) << result.output;
        if (statistics)
            result.statistics = *statistics;
        return result;
    }

    // Prepares the search-wide state as Think does, with the root `distance`
    // plies above the board's position.
    static void StartSearch(const Board& board, int distance)
    {
        root_ply = board.ply - distance;
        nodes = tt_probes = tt_hits = cutoffs = null_cutoffs = 0;
        ClearHistory();
    }

    struct Searched {
        int score;
        Move best;
    };

    // AlphaBeta on the board from a fresh start, the root `distance` plies above.
    static Searched Search(Board& board, int distance, int alpha, int beta, int depth, int after_null = 0)
    {
        StartSearch(board, distance);
        Searched result{0, NO_MOVE};
        result.score = AlphaBeta(board, alpha, beta, depth, after_null, result.best);
        return result;
    }

    static bool TableIsEmpty()
    {
        for (const TTEntry& entry : trans_table) {
            if (entry.bound != BOUND_EMPTY || entry.stamp != -1)
                return false;
        }
        return true;
    }
};

// White a queen up, and knight moves that bring the position back every four plies.
constexpr const char* QUEEN_UP = "1n2k3/8/8/8/8/8/8/1NQ1K3 w - - 0 1";
const std::vector<Move> QUEEN_UP_KNIGHTS = {Mv("b1c3"), Mv("b8c6"), Mv("c3b1"), Mv("c6b8")};

// The position of QUEEN_UP after `plies` of those knight moves.
BoardPtr QueenUp(int plies)
{
    BoardPtr board = Load(QUEEN_UP);
    PlayCycle(*board, QUEEN_UP_KNIGHTS, plies);
    return board;
}

// Black mated by the rook on a8, and black stalemated by the queen on f7.
constexpr const char* MATED = "R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1";
constexpr const char* STALEMATED = "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1";

// A side that a set-up position left without a king.
constexpr const char* NO_WHITE_KING = "8/8/8/8/8/8/1k5P/8 w - - 0 1";

}  // namespace

// ---- Think on a position ----------------------------------------------------

// Positions, some reached by a few plies played first, on which Think leaves
// the board as it was and plays a legal move: the one named, when a row names
// one, with a score within the bounds.
TEST_F(SearchTest, ThinkPlaysALegalMoveWithItsScoreAndLeavesTheBoard)
{
    struct Case {
        const char* label;
        const char* fen;
        std::vector<Move> cycle;  // played round first, for `plies` plies
        int plies;
        const char* move = nullptr;
        int least = -MATE_SCORE, most = MATE_SCORE;
    };
    const std::vector<Move> shuffle(std::begin(KNIGHT_SHUFFLE), std::end(KNIGHT_SHUFFLE));
    const char* mate = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    const Case cases[] = {
        // Mates score from the mated ply, counted from the board's absolute ply.
        {"white mates in one", mate, {}, 0, "a1a8", MATE_SCORE - 1, MATE_SCORE - 1},
        {"black mates in one", "r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", {}, 0, "a8a1", MATE_SCORE - 1, MATE_SCORE - 1},
        {"mate in one four plies into the game", mate, {Mv("g1f1"), Mv("g8h8"), Mv("f1g1"), Mv("h8g8")}, 4, "a1a8",
         MATE_SCORE - 5, MATE_SCORE - 5},
        {"white takes a hanging queen", "4k3/8/8/3q4/8/2N5/8/4K3 w - - 0 1", {}, 0, "c3d5", 201, MATE_SCORE},
        {"black takes a hanging queen", "4k3/8/2n5/8/3Q4/8/8/4K3 b - - 0 1", {}, 0, "c6d4"},
        {"root of a third occurrence, the queen still counted", QUEEN_UP, QUEEN_UP_KNIGHTS, 8, nullptr, 501},
        // Material far beyond a game's: the root's first move already reaches the top of the window and cuts
        // off before any move was recorded. Far below: every root move scores at the bottom, none raises alpha.
        {"root at the top of the window", "7k/6pp/8/8/8/8/QQQQQQ2/QQQQQQ1K w - - 0 1", {}, 0, nullptr, MATE_SCORE},
        {"root at the bottom of the window", "qqqqqq1k/qqqqqq2/8/8/8/8/6PP/7K w - - 0 1", {}, 0, nullptr,
         -MATE_SCORE, -MATE_SCORE},
        // None of its moves can expose a king, whatever attacks a1 (the square its king would be recorded on).
        {"a side without a king", NO_WHITE_KING, {}, 0},
        {"initial position a ply in", START_POSITION, {Mv("b1a3")}, 1},
        {"castling rights a ply in", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", {Mv("a8a7")}, 1},
        {"promotions a ply in", "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1", {Mv("e1d1")}, 1},
        {"pawns and rooks a ply in", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", {Mv("e2e3")}, 1},
        {"a check answered a ply in", "4k3/8/8/8/8/8/4q3/4K3 w - - 0 1", {Mv("e1e2")}, 1},
        // Boards played by MakeMove alone (no room made), the root a few plies or a ply before the last.
        {"290 plies into the history", START_POSITION, shuffle, 290},
        {"295 plies into the history", START_POSITION, shuffle, 295},
        {"a ply before the last", START_POSITION, shuffle, LAST_PLY - 1},
        // Queens and rooks give long lines of checks, which extend the search.
        {"checks at ply 288", "3qk3/3r4/8/8/8/8/3R4/3QK3 w - - 0 1",
         {Mv("e1f1"), Mv("e8f8"), Mv("f1e1"), Mv("f8e8")}, 288},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BoardPtr board = Load(c.fen);
        PlayCycle(*board, c.cycle, c.plies);
        ASSERT_EQ(board->ply, c.plies);
        ASSERT_TRUE(BoardOk(*board));
        const Snapshot before = Take(*board);
        const ThinkRun result = RunThink(*board);
        ExpectSame(before, Take(*board));
        EXPECT_TRUE(BoardOk(*board));
        ASSERT_TRUE(result.move);
        EXPECT_TRUE(IsLegal(*board, *result.move)) << MoveText(*result.move);
        if (c.move) {
            EXPECT_EQ(MoveText(*result.move), c.move);
        }
        EXPECT_GE(result.statistics.score, c.least);
        EXPECT_LE(result.statistics.score, c.most);
        EXPECT_GT(result.statistics.nodes, 1);
        EXPECT_GT(result.statistics.probes, 0);
    }
    BoardPtr kingless = Load(NO_WHITE_KING);
    EXPECT_FALSE(InCheck(*kingless));
    EXPECT_EQ(LegalMoves(*kingless).count, 2);
}

// The root's result goes to the table as an exact entry of the search's depth.
TEST_F(SearchTest, RootResultIsStoredExact)
{
    BoardPtr board = Load("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    RunThink(*board);
    const TTEntry& entry = trans_table[board->states[0].hash_key % TT_SIZE];
    EXPECT_EQ(entry.lock, board->states[0].hash_lock);
    EXPECT_EQ(entry.depth, SEARCH_DEPTH);
    EXPECT_EQ(entry.bound, BOUND_EXACT);
    EXPECT_EQ(entry.score, MATE_SCORE - 1);
    EXPECT_EQ(MoveText(entry.best_move), "a1a8");
}

TEST_F(SearchTest, MateInTwo)
{
    BoardPtr board = Load("k7/8/2K5/8/8/8/8/1R6 w - - 0 1");
    ASSERT_FALSE(MatesWithin(*board, 1));
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_EQ(result.statistics.score, MATE_SCORE - 3);
    EXPECT_TRUE(ForcesMate(*board, *result.move, 2)) << MoveText(*result.move);
}

// ---- Mated, stalemated and repeated positions --------------------------------

// Nodes that end without a search: a mated side (scored from the board's ply),
// a stalemate, at the root and below it (where the table is consulted first),
// and a third occurrence below the root (tested before the table is), though
// white is a queen up there. Each is one node that plays no move, cuts nothing
// off and stores nothing, whatever the window.
TEST_F(SearchTest, NodesThatEndWithoutASearch)
{
    struct Case {
        const char* label;
        BoardPtr (*make)();
        int distance, alpha, beta, depth, score, probes;
    };
    constexpr int M = MATE_SCORE;
    BoardPtr (*const mated)() = [] { return Load(MATED); };
    BoardPtr (*const stalemate)() = [] { return Load(STALEMATED); };
    BoardPtr (*const third)() = [] { return QueenUp(8); };
    const Case cases[] = {
        {"mated at the root", mated, 0, -M, M, 3, -M, 0},
        {"stalemate at the root", stalemate, 0, -M, M, 4, 0, 0},
        {"stalemate at the root, window above zero", stalemate, 0, 100, 200, 4, 0, 0},
        {"stalemate below the root", stalemate, 1, -M, M, 4, 0, 1},
        {"stalemate below the root, window above zero", stalemate, 1, 100, 200, 4, 0, 1},
        {"third occurrence below the root", third, 1, -M, M, 3, 0, 0},
        {"third occurrence below the root, window above zero", third, 1, 300, 400, 3, 0, 0},
    };
    ASSERT_EQ(IsRepetition(*third()), 1);
    ASSERT_EQ(LegalMoves(*stalemate()).count, 0);
    ASSERT_FALSE(InCheck(*stalemate()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ClearTT();
        BoardPtr board = c.make();
        const Snapshot before = Take(*board);
        const Searched result = Search(*board, c.distance, c.alpha, c.beta, c.depth);
        EXPECT_EQ(result.score, c.score);
        EXPECT_TRUE(IsNoMove(result.best));
        EXPECT_EQ(nodes, 1);
        EXPECT_EQ(tt_probes, c.probes);
        EXPECT_EQ(tt_hits, 0);
        EXPECT_EQ(cutoffs, 0);
        EXPECT_EQ(null_cutoffs, 0);
        EXPECT_TRUE(TableIsEmpty());
        ExpectSame(before, Take(*board));
    }
}

// The second occurrence is searched as usual.
TEST_F(SearchTest, SecondOccurrenceBelowTheRootIsSearched)
{
    BoardPtr board = QueenUp(4);
    EXPECT_GT(Search(*board, 1, -MATE_SCORE, MATE_SCORE, 2).score, 500);
    EXPECT_GT(nodes, 1);
}

TEST_F(SearchTest, ThirdOccurrenceIsDetected)
{
    BoardPtr board = NewBoard(CLASSIC_RULES);
    PlayCycle(*board, KNIGHT_SHUFFLE, 4);
    EXPECT_EQ(IsRepetition(*board), 0);  // second occurrence
    PlayCycle(*board, KNIGHT_SHUFFLE, 4);
    EXPECT_EQ(IsRepetition(*board), 1);  // third

    // Positions before a pawn move are not looked at, and cannot recur.
    BoardPtr pawns = NewBoard(CLASSIC_RULES);
    PlayCycle(*pawns, KNIGHT_SHUFFLE, 8);
    ASSERT_EQ(MakeMove(*pawns, Mv("e2e4")), 1);
    ASSERT_EQ(MakeMove(*pawns, Mv("e7e5")), 1);
    EXPECT_EQ(IsRepetition(*pawns), 0);
    PlayCycle(*pawns, KNIGHT_SHUFFLE, 4);
    EXPECT_EQ(IsRepetition(*pawns), 0);
    PlayCycle(*pawns, KNIGHT_SHUFFLE, 4);
    EXPECT_EQ(IsRepetition(*pawns), 1);
}

// ---- Null move ---------------------------------------------------------------

// White is far ahead and not in check: a null move anywhere it is allowed
// cuts off at once.
constexpr const char* WHITE_FAR_AHEAD = "r6k/8/8/8/8/8/2QQ4/6K1 w - - 0 1";

// The position of WHITE_FAR_AHEAD reached by four king moves, so that the
// board has a history below its nodes as in a real search.
BoardPtr WhiteFarAhead()
{
    BoardPtr board = Load(WHITE_FAR_AHEAD);
    const Move kings[4] = {Mv("g1h1"), Mv("h8g8"), Mv("h1g1"), Mv("g8h8")};
    PlayCycle(*board, kings, 4);
    EXPECT_EQ(IsRepetition(*board), 0);
    return board;
}

TEST_F(SearchTest, NullMoveCutsOffTwoPliesBelowTheRoot)
{
    BoardPtr board = WhiteFarAhead();
    const Searched result = Search(*board, 2, -100, 100, 2);
    EXPECT_EQ(result.score, 100);
    EXPECT_EQ(null_cutoffs, 1);
    EXPECT_EQ(cutoffs, 0);
    EXPECT_TRUE(IsNoMove(result.best));

    // The cut-off returns the null move's own value, which may lie above
    // beta: here the table holds an exact score for the position after the pass.
    ClearTT();
    BoardPtr passed = Load("r6k/8/8/8/8/8/2QQ4/6K1 b - - 0 1");
    StoreTT(*passed, NO_MOVE, -900, SEARCH_DEPTH, BOUND_EXACT);
    EXPECT_EQ(Search(*board, 2, -100, 100, 2).score, 900);
    EXPECT_EQ(null_cutoffs, 1);
    EXPECT_EQ(tt_hits, 1);

    // Even with depth 1 left; then the child is a quiescence search.
    ClearTT();
    Search(*board, 2, -100, 100, 1);
    EXPECT_EQ(null_cutoffs, 1);
    EXPECT_EQ(nodes, 3);  // the node, the null child, its quiescence search
}

// White is far ahead but in check from the rook that came to d8.
BoardPtr WhiteInCheck()
{
    BoardPtr board = Load("4r2k/8/8/8/8/QQ6/8/3K4 b - - 0 1");
    EXPECT_EQ(MakeMove(*board, Mv("e8d8")), 1);
    EXPECT_TRUE(InCheck(*board));
    return board;
}

// No null move at the root nor at its children (whatever the depth: with 2, the
// grandchildren are frontier nodes, which try no null move either), nor right
// after a null move, nor in check: the one cut-off is a move-loop cut-off.
TEST_F(SearchTest, NoNullMoveNearTheRootAfterANullMoveOrInCheck)
{
    struct Case {
        const char* label;
        BoardPtr (*make)();
        int distance, depth, after_null;
    };
    const Case cases[] = {
        {"at the root", WhiteFarAhead, 0, 2, 0},
        {"at a child of the root", WhiteFarAhead, 1, 2, 0},
        {"right after a null move", WhiteFarAhead, 2, 2, 1},
        {"in check", WhiteInCheck, 2, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ClearTT();
        BoardPtr board = c.make();
        const Snapshot before = Take(*board);
        EXPECT_EQ(Search(*board, c.distance, -100, 100, c.depth, c.after_null).score, 100);
        EXPECT_EQ(null_cutoffs, 0);
        EXPECT_EQ(cutoffs, 1);
        ExpectSame(before, Take(*board));
    }
}

// ---- Quiescence search -----------------------------------------------------

TEST_F(SearchTest, QuiescenceLimitReturnsTheRawEvaluation)
{
    // White's knight could take the queen; at the limit nothing is searched.
    BoardPtr board = Load("4k3/8/8/3q4/8/2N5/8/4K3 w - - 0 1");
    const int raw = Evaluate(*board);
    ASSERT_LT(raw, -100);

    StartSearch(*board, QUIESCE_LIMIT);
    EXPECT_EQ(Quiesce(*board, 0, 10), raw);         // below the window
    EXPECT_EQ(Quiesce(*board, -2000, -1000), raw);  // above it
    EXPECT_EQ(Quiesce(*board, -MATE_SCORE, MATE_SCORE), raw);
    EXPECT_EQ(nodes, 3);

    StartSearch(*board, QUIESCE_LIMIT + 5);
    EXPECT_EQ(Quiesce(*board, 0, 10), raw);

    // One ply nearer the root the capture is searched.
    StartSearch(*board, QUIESCE_LIMIT - 1);
    const int searched = Quiesce(*board, -MATE_SCORE, MATE_SCORE);
    EXPECT_GT(searched, 100);
    EXPECT_GT(nodes, 1);
}

TEST_F(SearchTest, QuiescenceStandPat)
{
    BoardPtr board = Load("4k3/8/8/3q4/8/2N5/8/4K3 w - - 0 1");
    const int raw = Evaluate(*board);

    // A stand-pat value equal to beta returns beta without trying a capture.
    StartSearch(*board, 1);
    EXPECT_EQ(Quiesce(*board, raw - 50, raw), raw);
    EXPECT_EQ(nodes, 1);

    // Below alpha, with no capture raising it: the old alpha comes back.
    BoardPtr quiet = Load("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    StartSearch(*quiet, 1);
    EXPECT_EQ(Quiesce(*quiet, 1000, 1100), 1000);
    EXPECT_EQ(Quiesce(*quiet, -MATE_SCORE, MATE_SCORE), Evaluate(*quiet));
    // Above beta: beta, fail-hard.
    EXPECT_EQ(Quiesce(*quiet, -100, -50), -50);

    // A side in check gets its stand-pat value, not a mate score.
    BoardPtr mated = Load(MATED);
    StartSearch(*mated, 1);
    EXPECT_EQ(Quiesce(*mated, -MATE_SCORE, MATE_SCORE), Evaluate(*mated));
}

// ---- Driver and statistics line ----------------------------------------------

TEST_F(SearchTest, NoMoveForAMatedOrAStalematedSide)
{
    for (const auto& [fen, score] : {std::pair{MATED, -MATE_SCORE}, std::pair{STALEMATED, 0}}) {
        std::ostringstream out;
        EXPECT_FALSE(Think(*Load(fen), out)) << fen;
        EXPECT_EQ(out.str(), NoMoveStatistics(score));
    }
    EXPECT_TRUE(TableIsEmpty());
}

TEST_F(SearchTest, StatisticsLineMatchesTheCounters)
{
    BoardPtr board = NewBoard(CLASSIC_RULES);
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    const Statistics& line = result.statistics;
    EXPECT_EQ(line.nodes, nodes);
    EXPECT_EQ(line.hits, tt_hits);
    EXPECT_EQ(line.probes, tt_probes);
    EXPECT_EQ(line.cutoffs, cutoffs);
    EXPECT_EQ(line.null_cutoffs, null_cutoffs);
    EXPECT_GT(line.probes, 0);
    EXPECT_LE(line.hits, line.probes);

    char reuse[32];
    const float ratio = static_cast<float>(tt_hits) / static_cast<float>(tt_probes);
    std::snprintf(reuse, sizeof reuse, "%.2f", static_cast<double>(ratio * 100.0f));
    EXPECT_EQ(line.reuse, reuse);

    // The fixed clock does not move: the search counts as one second.
    EXPECT_EQ(line.per_second, line.nodes);
}

TEST_F(SearchTest, SpeedDividesByTheElapsedSeconds)
{
    clock_readings = 0;
    SetClock(SteppingClock);
    BoardPtr board = NewBoard(CLASSIC_RULES);
    const ThinkRun result = RunThink(*board);
    EXPECT_EQ(result.statistics.per_second, result.statistics.nodes / 3);
}

TEST_F(SearchTest, RepeatedSearchGivesTheSameLine)
{
    BoardPtr first = NewBoard(CLASSIC_RULES);
    const ThinkRun a = RunThink(*first);
    ClearTT();
    BoardPtr second = NewBoard(CLASSIC_RULES);
    const ThinkRun b = RunThink(*second);
    EXPECT_EQ(a.output, b.output);
    ASSERT_TRUE(a.move && b.move);
    EXPECT_EQ(MoveText(*a.move), MoveText(*b.move));
}

// ---- The end of the history --------------------------------------------------

TEST_F(SearchTest, ThinkAtTheLastPlyLeavesTheBoardAlone)
{
    // The game never gets here (it makes room first); the search must still
    // stay inside the histories.
    BoardPtr board = NewBoard(CLASSIC_RULES);
    PlayCycle(*board, KNIGHT_SHUFFLE, LAST_PLY);
    const Snapshot before = Take(*board);
    std::ostringstream out;
    Think(*board, out);
    EXPECT_TRUE(ParseStatistics(out.str())) << out.str();
    ExpectSame(before, Take(*board));
    EXPECT_TRUE(BoardOk(*board));
}
