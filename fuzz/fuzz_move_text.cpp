// Arbitrary bytes as the opponent's move text on one of a set of positions:
// parse it, make it, generate every reply, make and take back each of them,
// then take the move back, checking the board's invariants after each step.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include "board.h"
#include "hash.h"
#include "make_move.h"
#include "movegen.h"
#include "notation.h"
#include "position_text.h"
#include "setup.h"

namespace {

// Positions with castling, promotions, checks and an en passant chance.
constexpr const char* POSITIONS[] = {
    START_POSITION,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "4k3/8/8/8/8/8/8/4K2R w K - 0 1",
    "8/8/8/8/8/8/8/8 w - - 0 1",
};
constexpr size_t POSITION_COUNT = sizeof POSITIONS / sizeof POSITIONS[0];

void Check(const Board& board)
{
    if (!BoardOk(board))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const bool initialised = (InitHashTables(1), true);
    (void)initialised;

    // The first byte picks the position; its top bit first plays a few moves
    // from the initial position that leave an en passant capture open.
    const size_t position = (data[0] & 0x7f) % POSITION_COUNT;
    BoardPtr board = LoadFen(POSITIONS[position], CLASSIC_RULES);
    Board& b = *board;
    if ((data[0] & 0x80) && position == 0) {
        std::ostream discard(nullptr);
        for (const char* text : {"e2e4", "a7a6", "e4e5", "d7d5"}) {
            if (const std::optional<Move> move = ParseMove(text, b, discard))
                MakeMove(b, *move);
        }
    }
    Check(b);

    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::ostream discard(nullptr);
    const std::optional<Move> move = ParseMove(text.c_str(), b, discard);
    if (!move)
        return 0;
    const int ply = b.ply;
    if (!MakeMove(b, *move)) {
        Check(b);
        return 0;
    }
    Check(b);
    const MoveList replies = GenerateMoves(b, NO_MOVE);
    for (int i = 0; i < replies.count; ++i) {
        if (MakeMove(b, replies.moves[i])) {
            Check(b);
            UnmakeMove(b);
        }
        Check(b);
    }
    UnmakeMove(b);
    Check(b);
    if (b.ply != ply)
        std::abort();
    return 0;
}
