#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"
#include "clock.h"
#include "eval.h"
#include "fen.h"
#include "hash.h"
#include "move.h"
#include "perft.h"
#include "search.h"

namespace {

constexpr int64_t FIXED_SECOND = 1000;
int64_t FixedClock() { return FIXED_SECOND; }

// A clock that moves three seconds after its first reading.
int clock_readings = 0;
int64_t SteppingClock() { return FIXED_SECOND + (clock_readings++ == 0 ? 0 : 3); }

constexpr int Square(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

Move Normal(const char* from, const char* to) { return {Square(from), Square(to), NORMAL_MOVE}; }

bool IsLegal(Board& board, Move move)
{
    for (const Move candidate : MovesOf(LegalMoves(board))) {
        if (candidate.from == move.from && candidate.to == move.to && candidate.kind == move.kind)
            return true;
    }
    return false;
}

bool IsMated(Board& board) { return InCheck(board) && LegalMoves(board).count == 0; }

bool Mates(Board& board, Move move)
{
    if (!MakeMove(board, move))
        return false;
    const bool mated = IsMated(board);
    UnmakeMove(board);
    return mated;
}

bool HasMateInOne(Board& board)
{
    for (const Move move : MovesOf(LegalMoves(board))) {
        if (Mates(board, move))
            return true;
    }
    return false;
}

// Whether `move` forces mate on the next move: every reply allows a mate in one.
bool ForcesMateInTwo(Board& board, Move move)
{
    if (!MakeMove(board, move))
        return false;
    const std::vector<Move> replies = MovesOf(LegalMoves(board));
    bool forced = !replies.empty();
    for (const Move reply : replies) {
        MakeMove(board, reply);
        forced = forced && HasMateInOne(board);
        UnmakeMove(board);
    }
    UnmakeMove(board);
    return forced;
}

// Everything a reader of the board can see.
struct Snapshot {
    std::vector<const Figure*> squares;
    std::vector<int32_t> figures;  // type * 4 + colour per square
    std::vector<uint32_t> keys;
    std::vector<uint32_t> locks;
    std::vector<int32_t> moves;   // from, to, kind per ply
    std::vector<int32_t> fields;  // side, ply, kings, rights, in_check

    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const Board& board)
{
    Snapshot snapshot;
    for (const Figure* figure : board.squares) {
        snapshot.squares.push_back(figure);
        snapshot.figures.push_back(figure->type * 4 + figure->colour);
    }
    for (int ply = 0; ply <= board.ply; ++ply) {
        snapshot.keys.push_back(board.states[ply].hash_key);
        snapshot.locks.push_back(board.states[ply].hash_lock);
        for (int right = 0; right < 4; ++right)
            snapshot.fields.push_back(board.states[ply].castle[right]);
    }
    for (int ply = 0; ply < board.ply; ++ply) {
        const PlyState& state = board.states[ply];
        snapshot.moves.insert(snapshot.moves.end(), {state.move.from, state.move.to, state.move.kind});
        snapshot.squares.push_back(state.undo.moved);
        snapshot.squares.push_back(state.undo.captured);
    }
    snapshot.fields.insert(snapshot.fields.end(),
                           {board.side, board.ply, board.white_king, board.black_king, InCheck(board)});
    return snapshot;
}

// The statistics line of one search, taken apart.
struct Statistics {
    int nodes;
    std::string reuse;
    int hits;
    int probes;
    int cutoffs;
    int null_cutoffs;
    int score;
    long per_second;
};

constexpr const char* STATISTICS_FORMAT =
    "Searched %i nodes, reused %s%%[%i] of %i nodes from table, we got %i cutoffs, "
    "%i nullcutoffs, eval is %i, %li NPS\n";

// The values of a statistics line, or none when the text is not exactly one
// such line (the percentage with two decimals).
std::optional<Statistics> ParseStatistics(const std::string& text)
{
    Statistics values{};
    char reuse[32] = {};
    const int read = std::sscanf(text.c_str(),
                                 "Searched %d nodes, reused %31[0-9.]%%[%d] of %d nodes from table, we got %d cutoffs, "
                                 "%d nullcutoffs, eval is %d, %ld NPS",
                                 &values.nodes, reuse, &values.hits, &values.probes, &values.cutoffs,
                                 &values.null_cutoffs, &values.score, &values.per_second);
    if (read != 8)
        return std::nullopt;
    values.reuse = reuse;
    char line[256];
    std::snprintf(line, sizeof line, STATISTICS_FORMAT, values.nodes, reuse, values.hits, values.probes, values.cutoffs,
                  values.null_cutoffs, values.score, values.per_second);
    const std::string& shown = values.reuse;
    const size_t point = shown.find('.');
    if (text != line || point == std::string::npos || shown.size() - point != 3)
        return std::nullopt;
    return values;
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

    static BoardPtr Load(const char* fen)
    {
        BoardPtr board = LoadFen(fen);
        EXPECT_TRUE(board) << fen;
        return board;
    }

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

    // Searches the board and expects it back as it was, with a legal move to
    // play; `label` names the case in a failure.
    static void ExpectSearchPlaysALegalMove(Board& board, const std::string& label)
    {
        const Snapshot before = Take(board);
        const ThinkRun result = RunThink(board);
        EXPECT_TRUE(Take(board) == before) << label;
        EXPECT_TRUE(BoardOk(board)) << label;
        ASSERT_TRUE(result.move) << label;
        EXPECT_TRUE(IsLegal(board, *result.move)) << label << " " << MoveText(*result.move);
    }

    // Prepares the search-wide state as Think does, with the root `distance`
    // plies above the board's position.
    static void StartSearch(const Board& board, int distance)
    {
        root_ply = board.ply - distance;
        nodes = tt_probes = tt_hits = cutoffs = null_cutoffs = 0;
        ClearHistory();
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

// Knight moves of both sides that bring the initial position back every four plies.
void ShuffleKnights(Board& board, int plies)
{
    const Move cycle[4] = {Normal("g1", "f3"), Normal("g8", "f6"), Normal("f3", "g1"), Normal("f6", "g8")};
    for (int i = 0; i < plies; ++i)
        ASSERT_EQ(MakeMove(board, cycle[i % 4]), 1) << "ply " << board.ply;
}

}  // namespace

// ---- Mates -------------------------------------------------------------------

TEST_F(SearchTest, MateInOneScoresFromTheMatedPly)
{
    BoardPtr board = Load("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_EQ(MoveText(*result.move), "a1a8");
    EXPECT_EQ(result.statistics.score, MATE_SCORE - 1);

    // The root's result goes to the table as an exact entry of depth 5.
    const TTEntry& entry = trans_table[board->states[0].hash_key % TT_SIZE];
    EXPECT_EQ(entry.lock, board->states[0].hash_lock);
    EXPECT_EQ(entry.depth, SEARCH_DEPTH);
    EXPECT_EQ(entry.bound, BOUND_EXACT);
    EXPECT_EQ(entry.score, MATE_SCORE - 1);
    EXPECT_EQ(MoveText(entry.best_move), "a1a8");
}

TEST_F(SearchTest, MateInOneForBlack)
{
    BoardPtr board = Load("r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1");
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_EQ(MoveText(*result.move), "a8a1");
    EXPECT_EQ(result.statistics.score, MATE_SCORE - 1);
}

TEST_F(SearchTest, MateScoreCountsTheBoardsAbsolutePly)
{
    BoardPtr board = Load("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1");
    for (const Move move : {Normal("g1", "f1"), Normal("g8", "h8"), Normal("f1", "g1"), Normal("h8", "g8")})
        ASSERT_EQ(MakeMove(*board, move), 1);
    ASSERT_EQ(board->ply, 4);
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_EQ(MoveText(*result.move), "a1a8");
    EXPECT_EQ(result.statistics.score, MATE_SCORE - 5);
}

TEST_F(SearchTest, MateInTwo)
{
    BoardPtr board = Load("k7/8/2K5/8/8/8/8/1R6 w - - 0 1");
    ASSERT_FALSE(HasMateInOne(*board));
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_EQ(result.statistics.score, MATE_SCORE - 3);
    EXPECT_TRUE(ForcesMateInTwo(*board, *result.move)) << MoveText(*result.move);
}

TEST_F(SearchTest, MatedRootScoresTheBoardPly)
{
    BoardPtr board = Load("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
    StartSearch(*board, 0);
    Move best = NO_MOVE;
    EXPECT_EQ(AlphaBeta(*board, -MATE_SCORE, MATE_SCORE, 3, 0, best), -MATE_SCORE);
    EXPECT_TRUE(IsNoMove(best));
    EXPECT_EQ(nodes, 1);
}

// ---- Stalemate and repetition ------------------------------------------------

TEST_F(SearchTest, StalemateScoresZeroAndStoresNothing)
{
    BoardPtr board = Load("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    ASSERT_TRUE(LegalMoves(*board).count == 0);
    ASSERT_FALSE(InCheck(*board));
    const Snapshot before = Take(*board);

    // As the root, and as a node below it (where the table is consulted first).
    for (const int distance : {0, 1}) {
        StartSearch(*board, distance);
        Move best = NO_MOVE;
        EXPECT_EQ(AlphaBeta(*board, -MATE_SCORE, MATE_SCORE, 4, 0, best), 0) << distance;
        EXPECT_EQ(AlphaBeta(*board, 100, 200, 4, 0, best), 0) << distance;
        EXPECT_EQ(cutoffs, 0);
        EXPECT_EQ(null_cutoffs, 0);
        EXPECT_EQ(tt_hits, 0);
        EXPECT_TRUE(IsNoMove(best));
    }
    EXPECT_TRUE(TableIsEmpty());
    EXPECT_TRUE(Take(*board) == before);
}

TEST_F(SearchTest, ThirdOccurrenceIsDetected)
{
    BoardPtr board = NewBoard();
    ShuffleKnights(*board, 4);
    EXPECT_EQ(IsRepetition(*board), 0);  // second occurrence
    ShuffleKnights(*board, 4);
    EXPECT_EQ(IsRepetition(*board), 1);  // third

    // Positions before a pawn move are not looked at, and cannot recur.
    BoardPtr pawns = NewBoard();
    ShuffleKnights(*pawns, 8);
    ASSERT_EQ(MakeMove(*pawns, Normal("e2", "e4")), 1);
    ASSERT_EQ(MakeMove(*pawns, Normal("e7", "e5")), 1);
    EXPECT_EQ(IsRepetition(*pawns), 0);
    ShuffleKnights(*pawns, 4);
    EXPECT_EQ(IsRepetition(*pawns), 0);
    ShuffleKnights(*pawns, 4);
    EXPECT_EQ(IsRepetition(*pawns), 1);
}

TEST_F(SearchTest, RepetitionBelowTheRootScoresZero)
{
    // White is a queen up, so any real search would score far from zero.
    BoardPtr board = Load("1n2k3/8/8/8/8/8/8/1NQ1K3 w - - 0 1");
    const Move cycle[4] = {Normal("b1", "c3"), Normal("b8", "c6"), Normal("c3", "b1"), Normal("c6", "b8")};
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(MakeMove(*board, cycle[i % 4]), 1);
    ASSERT_EQ(IsRepetition(*board), 1);

    StartSearch(*board, 1);
    Move best = NO_MOVE;
    EXPECT_EQ(AlphaBeta(*board, -MATE_SCORE, MATE_SCORE, 3, 0, best), 0);
    EXPECT_EQ(AlphaBeta(*board, 300, 400, 3, 0, best), 0);
    EXPECT_EQ(nodes, 2);
    EXPECT_EQ(tt_probes, 0);  // the test comes before the table lookup
    EXPECT_TRUE(IsNoMove(best));
    EXPECT_TRUE(TableIsEmpty());

    // The second occurrence is searched as usual.
    BoardPtr second = Load("1n2k3/8/8/8/8/8/8/1NQ1K3 w - - 0 1");
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(MakeMove(*second, cycle[i % 4]), 1);
    StartSearch(*second, 1);
    EXPECT_GT(AlphaBeta(*second, -MATE_SCORE, MATE_SCORE, 2, 0, best), 500);
    EXPECT_GT(nodes, 1);
}

TEST_F(SearchTest, RootOfAThirdOccurrenceStillSearches)
{
    BoardPtr board = Load("1n2k3/8/8/8/8/8/8/1NQ1K3 w - - 0 1");
    const Move cycle[4] = {Normal("b1", "c3"), Normal("b8", "c6"), Normal("c3", "b1"), Normal("c6", "b8")};
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(MakeMove(*board, cycle[i % 4]), 1);
    ASSERT_EQ(IsRepetition(*board), 1);
    const Snapshot before = Take(*board);

    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_TRUE(IsLegal(*board, *result.move)) << MoveText(*result.move);
    EXPECT_GT(result.statistics.nodes, 1);
    EXPECT_GT(result.statistics.probes, 0);
    EXPECT_GT(result.statistics.score, 500);  // the queen is still counted
    EXPECT_TRUE(Take(*board) == before);
}

// ---- Null move ---------------------------------------------------------------

// White is far ahead and not in check: a null move anywhere it is allowed
// cuts off at once.
constexpr const char* WHITE_FAR_AHEAD = "r6k/8/8/8/8/8/2QQ4/6K1 w - - 0 1";

// The position of WHITE_FAR_AHEAD reached by four king moves, so that the
// board has a history below its nodes as in a real search.
BoardPtr WhiteFarAhead()
{
    BoardPtr board = LoadFen(WHITE_FAR_AHEAD);
    for (const Move move : {Normal("g1", "h1"), Normal("h8", "g8"), Normal("h1", "g1"), Normal("g8", "h8")})
        EXPECT_EQ(MakeMove(*board, move), 1);
    EXPECT_EQ(IsRepetition(*board), 0);
    return board;
}

TEST_F(SearchTest, NullMoveCutsOffTwoPliesBelowTheRoot)
{
    BoardPtr board = WhiteFarAhead();
    StartSearch(*board, 2);
    Move best = NO_MOVE;
    EXPECT_EQ(AlphaBeta(*board, -100, 100, 2, 0, best), 100);
    EXPECT_EQ(null_cutoffs, 1);
    EXPECT_EQ(cutoffs, 0);
    EXPECT_TRUE(IsNoMove(best));

    // The cut-off returns the null move's own value, which may lie above
    // beta: here the table holds an exact score for the position after the pass.
    ClearTT();
    BoardPtr passed = Load("r6k/8/8/8/8/8/2QQ4/6K1 b - - 0 1");
    StoreTT(*passed, NO_MOVE, -900, SEARCH_DEPTH, BOUND_EXACT);
    StartSearch(*board, 2);
    EXPECT_EQ(AlphaBeta(*board, -100, 100, 2, 0, best), 900);
    EXPECT_EQ(null_cutoffs, 1);
    EXPECT_EQ(tt_hits, 1);

    // Even with depth 1 left; then the child is a quiescence search.
    ClearTT();
    StartSearch(*board, 2);
    AlphaBeta(*board, -100, 100, 1, 0, best);
    EXPECT_EQ(null_cutoffs, 1);
    EXPECT_EQ(nodes, 3);  // the node, the null child, its quiescence search
}

TEST_F(SearchTest, NoNullMoveAtTheRootOrItsChildren)
{
    BoardPtr board = WhiteFarAhead();
    for (const int distance : {0, 1}) {
        ClearTT();
        StartSearch(*board, distance);
        Move best = NO_MOVE;
        // Depth 2: the grandchildren are frontier nodes, which try no null
        // move either, so every cut-off here is a move-loop cut-off.
        EXPECT_EQ(AlphaBeta(*board, -100, 100, 2, 0, best), 100) << distance;
        EXPECT_EQ(null_cutoffs, 0) << distance;
        EXPECT_GE(cutoffs, 1) << distance;
    }
}

TEST_F(SearchTest, NoNullMoveAfterANullMove)
{
    BoardPtr board = WhiteFarAhead();
    StartSearch(*board, 2);
    Move best = NO_MOVE;
    EXPECT_EQ(AlphaBeta(*board, -100, 100, 2, 1, best), 100);
    EXPECT_EQ(null_cutoffs, 0);
}

TEST_F(SearchTest, NoNullMoveInCheck)
{
    // White is far ahead but in check from the rook that came to d8.
    BoardPtr board = Load("4r2k/8/8/8/8/QQ6/8/3K4 b - - 0 1");
    ASSERT_EQ(MakeMove(*board, Normal("e8", "d8")), 1);
    ASSERT_TRUE(InCheck(*board));
    const Snapshot before = Take(*board);
    StartSearch(*board, 2);
    Move best = NO_MOVE;
    EXPECT_EQ(AlphaBeta(*board, -100, 100, 1, 0, best), 100);
    EXPECT_EQ(null_cutoffs, 0);
    EXPECT_EQ(cutoffs, 1);
    EXPECT_TRUE(Take(*board) == before);
}

// ---- Material ----------------------------------------------------------------

TEST_F(SearchTest, TakesAHangingQueen)
{
    BoardPtr board = Load("4k3/8/8/3q4/8/2N5/8/4K3 w - - 0 1");
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_EQ(MoveText(*result.move), "c3d5");
    EXPECT_GT(result.statistics.score, 200);
}

TEST_F(SearchTest, BlackTakesAHangingQueenToo)
{
    BoardPtr board = Load("4k3/8/2n5/8/3Q4/8/8/4K3 b - - 0 1");
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_EQ(MoveText(*result.move), "c6d4");
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
    BoardPtr mated = Load("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
    StartSearch(*mated, 1);
    EXPECT_EQ(Quiesce(*mated, -MATE_SCORE, MATE_SCORE), Evaluate(*mated));
}

// ---- Driver and statistics line ----------------------------------------------

TEST_F(SearchTest, NoMoveForAMatedSide)
{
    BoardPtr board = Load("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1");
    std::ostringstream out;
    EXPECT_FALSE(Think(*board, out));
    EXPECT_EQ(out.str(), "Searched 1 nodes, reused 0.00%[0] of 0 nodes from table, we got 0 cutoffs, 0 nullcutoffs, "
                         "eval is -5000, 1 NPS\n");
}

TEST_F(SearchTest, NoMoveForAStalematedSide)
{
    BoardPtr board = Load("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    std::ostringstream out;
    EXPECT_FALSE(Think(*board, out));
    EXPECT_EQ(out.str(), "Searched 1 nodes, reused 0.00%[0] of 0 nodes from table, we got 0 cutoffs, 0 nullcutoffs, "
                         "eval is 0, 1 NPS\n");
    EXPECT_TRUE(TableIsEmpty());
}

// Material far beyond a game's: the root's first move already reaches the top
// of the window and cuts off before any move was recorded. The engine still
// plays that move.
TEST_F(SearchTest, RootCutOffAtTheTopOfTheWindowStillGivesAMove)
{
    BoardPtr board = Load("7k/6pp/8/8/8/8/QQQQQQ2/QQQQQQ1K w - - 0 1");
    const ThinkRun result = RunThink(*board);
    EXPECT_EQ(result.statistics.score, MATE_SCORE);
    ASSERT_TRUE(result.move);
    EXPECT_TRUE(IsLegal(*board, *result.move)) << MoveText(*result.move);
}

// Material far below: every root move scores at the bottom of the window, so
// none raises alpha; the engine still plays a legal move.
TEST_F(SearchTest, RootWithEveryMoveAtTheBottomStillGivesAMove)
{
    BoardPtr board = Load("qqqqqq1k/qqqqqq2/8/8/8/8/6PP/7K w - - 0 1");
    const ThinkRun result = RunThink(*board);
    EXPECT_EQ(result.statistics.score, -MATE_SCORE);
    ASSERT_TRUE(result.move);
    EXPECT_TRUE(IsLegal(*board, *result.move)) << MoveText(*result.move);
}

// A side that a set-up position left without a king still has its moves:
// none of them can expose a king, whatever attacks a1 (the square its king
// would be recorded on).
TEST_F(SearchTest, SideWithoutAKingStillMoves)
{
    BoardPtr board = Load("8/8/8/8/8/8/1k5P/8 w - - 0 1");
    EXPECT_FALSE(InCheck(*board));
    EXPECT_EQ(LegalMoves(*board).count, 2);
    const ThinkRun result = RunThink(*board);
    ASSERT_TRUE(result.move);
    EXPECT_TRUE(IsLegal(*board, *result.move));
}

TEST_F(SearchTest, StatisticsLineMatchesTheCounters)
{
    BoardPtr board = NewBoard();
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
    BoardPtr board = NewBoard();
    const ThinkRun result = RunThink(*board);
    EXPECT_EQ(result.statistics.per_second, result.statistics.nodes / 3);
}

TEST_F(SearchTest, RepeatedSearchGivesTheSameLine)
{
    BoardPtr first = NewBoard();
    const ThinkRun a = RunThink(*first);
    ClearTT();
    BoardPtr second = NewBoard();
    const ThinkRun b = RunThink(*second);
    EXPECT_EQ(a.output, b.output);
    ASSERT_TRUE(a.move && b.move);
    EXPECT_EQ(MoveText(*a.move), MoveText(*b.move));
}

TEST_F(SearchTest, ThinkLeavesTheBoardAsItWas)
{
    const char* positions[] = {
        START_FEN,
        "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
        "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "4k3/8/8/8/8/8/4q3/4K3 w - - 0 1",
    };
    for (const char* fen : positions) {
        BoardPtr board = Load(fen);
        ASSERT_EQ(MakeMove(*board, MovesOf(LegalMoves(*board)).front()), 1);
        ExpectSearchPlaysALegalMove(*board, fen);
    }
}

// ---- The end of the history --------------------------------------------------

TEST_F(SearchTest, SearchesNearTheEndOfTheHistory)
{
    // Boards played by MakeMove alone (no room made), the root a few plies
    // or a single ply before the last.
    for (const int plies : {290, 295, LAST_PLY - 1}) {
        BoardPtr board = NewBoard();
        ShuffleKnights(*board, plies);
        ASSERT_EQ(board->ply, plies);
        ExpectSearchPlaysALegalMove(*board, std::to_string(plies) + " plies");
    }
}

TEST_F(SearchTest, SearchesWithChecksNearTheEndOfTheHistory)
{
    // Queens and rooks give long lines of checks, which extend the search.
    BoardPtr board = Load("3qk3/3r4/8/8/8/8/3R4/3QK3 w - - 0 1");
    const Move cycle[4] = {Normal("e1", "f1"), Normal("e8", "f8"), Normal("f1", "e1"), Normal("f8", "e8")};
    for (int i = 0; i < 288; ++i)
        ASSERT_EQ(MakeMove(*board, cycle[i % 4]), 1);
    ASSERT_TRUE(BoardOk(*board));
    ExpectSearchPlaysALegalMove(*board, "checks at ply 288");
}

TEST_F(SearchTest, ThinkAtTheLastPlyLeavesTheBoardAlone)
{
    // The game never gets here (it makes room first); the search must still
    // stay inside the histories.
    BoardPtr board = NewBoard();
    ShuffleKnights(*board, LAST_PLY);
    const Snapshot before = Take(*board);
    std::ostringstream out;
    Think(*board, out);
    EXPECT_TRUE(ParseStatistics(out.str())) << out.str();
    EXPECT_TRUE(Take(*board) == before);
    EXPECT_TRUE(BoardOk(*board));
}
