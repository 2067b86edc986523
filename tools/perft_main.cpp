// tavik-perft [--classic] [--divide] DEPTH [FEN]
// Prints the perft count of the position (the initial one when no FEN is
// given) alone on its last line; with --divide, first each legal root move
// and the count below it. The moves are those of chess, en passant included;
// with --classic, those of the classic engine, which generates no en passant
// capture. The FEN is one argument.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board.h"
#include "hash.h"
#include "perft.h"
#include "position_text.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: tavik-perft [--classic] [--divide] DEPTH [FEN]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    bool divide = false;
    Rules rules = STANDARD_RULES;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (std::strcmp(argv[arg], "--divide") == 0)
            divide = true;
        else if (std::strcmp(argv[arg], "--classic") == 0)
            rules = CLASSIC_RULES;
        else
            return Usage();
    }
    if (arg >= argc)
        return Usage();
    char* end = nullptr;
    const long depth = std::strtol(argv[arg], &end, 10);
    if (*end != '\0' || depth < 0 || depth > 20)
        return Usage();
    const char* fen = arg + 1 < argc ? argv[arg + 1] : START_POSITION;

    InitHashTables(1);
    BoardPtr board = LoadFen(fen, rules);
    if (!board) {
        std::fprintf(stderr, "tavik-perft: not a position: %s\n", fen);
        return 2;
    }

    const auto start = std::chrono::steady_clock::now();
    uint64_t total = 0;
    if (divide) {
        for (const DivideEntry& entry : Divide(*board, static_cast<int>(depth))) {
            std::printf("%s %llu\n", entry.move.c_str(), static_cast<unsigned long long>(entry.count));
            total += entry.count;
        }
    } else {
        total = Perft(*board, static_cast<int>(depth));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr, "%.3f s, %.0f leaves/s\n", seconds, seconds > 0 ? total / seconds : 0.0);
    std::printf("%llu\n", static_cast<unsigned long long>(total));
    return 0;
}
