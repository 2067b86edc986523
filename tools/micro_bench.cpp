// tavik-micro-bench: the cost of each hot routine on a fixed set of
// positions, with Google Benchmark. Run it before and after a change to see
// where the change helped.
#include <benchmark/benchmark.h>

#include <vector>

#include "attack.h"
#include "board.h"
#include "classic_eval.h"
#include "hash.h"
#include "make_move.h"
#include "movegen.h"
#include "position_text.h"
#include "setup.h"

namespace {

constexpr const char* POSITIONS[] = {
    START_POSITION,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
};

std::vector<BoardPtr> LoadPositions()
{
    InitHashTables(1);
    std::vector<BoardPtr> boards;
    for (const char* fen : POSITIONS)
        boards.push_back(LoadFen(fen, CLASSIC_RULES));
    return boards;
}

// Calls `visit(board, move)` for each move of each position's list from
// `generate` for as long as the benchmark runs; `visit` gives 1 for a move
// that counts as an item, 0 for one it passed over.
using Generator = MoveList (*)(const Board&, Move, const HistoryRow&);

template <typename Visit>
void ForEachMove(benchmark::State& state, Generator generate, Visit visit)
{
    std::vector<BoardPtr> boards = LoadPositions();
    std::vector<MoveList> lists;
    for (const BoardPtr& board : boards)
        lists.push_back(generate(*board, NO_MOVE, NO_HISTORY));
    int64_t moves = 0;
    for (auto _ : state) {
        for (size_t b = 0; b < boards.size(); ++b) {
            for (int i = 0; i < lists[b].count; ++i)
                moves += visit(*boards[b], lists[b].moves[i]);
        }
    }
    state.SetItemsProcessed(moves);
}

void MakeAndUnmake(benchmark::State& state)
{
    ForEachMove(state, GenerateMoves, [](Board& board, Move move) {
        if (MakeMove(board, move))
            UnmakeMove(board);
        return 1;
    });
}
BENCHMARK(MakeAndUnmake);

// What quiescence asks of a capture instead of making it when the reply
// would only stand pat: its refusal and the evaluation it leaves.
void ForeseeCaptures(benchmark::State& state)
{
    ForEachMove(state, GenerateCaptures, [](Board& board, Move move) {
        if (board.squares[move.from]->type == KING)
            return 0;
        benchmark::DoNotOptimize(WouldRefuse(board, move));
        benchmark::DoNotOptimize(EvaluateAfter(board, move));
        return 1;
    });
}
BENCHMARK(ForeseeCaptures)->Name("WouldRefuse+EvaluateAfter");

template <Generator Generate> void Generation(benchmark::State& state)
{
    std::vector<BoardPtr> boards = LoadPositions();
    for (auto _ : state) {
        for (const BoardPtr& board : boards) {
            MoveList list = Generate(*board, NO_MOVE, NO_HISTORY);
            benchmark::DoNotOptimize(list.count);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(boards.size()));
}
BENCHMARK(Generation<GenerateMoves>)->Name("GenerateMoves");
BENCHMARK(Generation<GenerateCaptures>)->Name("GenerateCaptures");

void AttackTest(benchmark::State& state)
{
    std::vector<BoardPtr> boards = LoadPositions();
    for (auto _ : state) {
        for (const BoardPtr& board : boards) {
            for (int square = 0; square < 64; ++square)
                benchmark::DoNotOptimize(IsAttacked(*board, square, static_cast<Colour>(square & 1)));
        }
    }
    state.SetItemsProcessed(state.iterations() * 64 * static_cast<int64_t>(boards.size()));
}
BENCHMARK(AttackTest)->Name("IsAttacked");

void Evaluation(benchmark::State& state)
{
    std::vector<BoardPtr> boards = LoadPositions();
    for (auto _ : state) {
        for (const BoardPtr& board : boards)
            benchmark::DoNotOptimize(Evaluate(*board));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(boards.size()));
}
BENCHMARK(Evaluation)->Name("Evaluate");

// The full recomputation that the board's kept balance replaces.
void Recomputation(benchmark::State& state)
{
    std::vector<BoardPtr> boards = LoadPositions();
    for (auto _ : state) {
        for (const BoardPtr& board : boards)
            benchmark::DoNotOptimize(ComputeBalance(*board));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(boards.size()));
}
BENCHMARK(Recomputation)->Name("ComputeBalance");

}  // namespace

BENCHMARK_MAIN();
