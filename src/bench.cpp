#include "bench.h"

#include <chrono>
#include <ostream>

#include "board.h"
#include "clock.h"
#include "hash.h"
#include "notation.h"
#include "position_text.h"
#include "search.h"
#include "tt.h"

namespace {

constexpr uint32_t BENCH_SEED = 1;
constexpr int64_t BENCH_SECOND = 1'000'000'000;

int64_t BenchClock() { return BENCH_SECOND; }

}  // namespace

// Openings, middlegames and endgames; checks, promotions, mates in one to
// three, a stalemate trap and a position already mated.
const std::vector<const char*> bench_positions = {
    START_POSITION,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkb1r/pp1p1ppp/4pn2/2p5/2PP4/2N5/PP2PPPP/R1BQKBNR w KQkq - 0 4",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7",
    "r1b2rk1/2q1bppp/p2p1n2/np2p3/3PP3/2P2N1P/PPB2PP1/RNBQR1K1 w - - 0 12",
    "2rq1rk1/pp1bppbp/2np1np1/8/3NP3/1BN1BP2/PPPQ2PP/2KR3R b - - 0 11",
    "r1bqk2r/pp2bppp/2nppn2/8/3NP3/2N1B3/PPPQ1PPP/R3KB1R w KQkq - 0 8",
    "2r2rk1/1bqnbppp/pp1ppn2/8/2PNP3/1PN1BP2/P2QB1PP/2RR2K1 w - - 0 14",
    "r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 10",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1",
    "2kr3r/ppp2ppp/8/8/1b6/2q5/P4PPP/3QKB1R w K - 0 15",
    "k7/8/1Q6/8/8/8/8/7K w - - 0 1",
    "7k/5Q2/6K1/8/8/8/8/8 w - - 0 1",
    "rnbqkbnr/ppppp2p/5p2/6pQ/4P3/8/PPPP1PPP/RNB1KBNR b KQkq - 1 3",
    "4k3/8/8/8/8/8/4q3/4K3 w - - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
    "8/P7/8/8/8/8/8/k6K w - - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1",
    "8/8/8/3k4/8/8/3PK3/8 w - - 0 1",
    "6k1/5p2/6p1/8/7p/8/6PP/6K1 b - - 0 1",
    "8/5k2/8/8/8/8/1R6/4K3 w - - 0 1",
    "4r1k1/1p3ppp/p7/3Q4/8/1B6/PPP2qPP/3R1K2 w - - 0 25",
    "8/8/4kpp1/3p4/p6P/2B4b/6P1/6K1 w - - 0 40",
};

std::vector<BenchResult> RunBench(std::ostream& log, Rules rules)
{
    SetClock(BenchClock);
    AdviseHugePages();
    if (rules == STANDARD_RULES)
        ResizeTT(DEFAULT_HASH_MB);
    SearchLimits limits;
    if (rules == STANDARD_RULES) {
        limits.depth = STANDARD_BENCH_DEPTH;
        limits.iterate = true;
    }
    std::vector<BenchResult> results;
    for (const char* fen : bench_positions) {
        InitHashTables(BENCH_SEED);
        ClearTT(rules);
        if (rules == STANDARD_RULES)
            ClearStandardSearch();
        BoardPtr board = LoadFen(fen, rules);
        const auto start = std::chrono::steady_clock::now();
        const SearchResult found = Search(*board, limits);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        BenchResult result{fen, found.nodes, found.has_move ? MoveText(found.best) : "none", elapsed.count()};
        log << result.nodes << " " << result.move << " " << static_cast<int>(result.seconds * 1000 + 0.5) << " ms "
            << fen << "\n";
        results.push_back(result);
    }
    SetClock(nullptr);
    return results;
}

BenchTotal SumBench(const std::vector<BenchResult>& results)
{
    BenchTotal total{0, 0};
    for (const BenchResult& result : results) {
        total.nodes += result.nodes;
        total.seconds += result.seconds;
    }
    return total;
}

int64_t NodesPerSecond(const BenchTotal& total)
{
    return static_cast<int64_t>(total.seconds > 0 ? total.nodes / total.seconds : 0);
}
