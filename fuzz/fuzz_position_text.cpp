// Arbitrary bytes as the text of the classic "setboard" and as a whole
// position text under the standard rules: what is accepted must give a sound
// board on which generation, evaluation and a perft of depth 2 work, and
// which leave it as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

#include "board.h"
#include "classic.h"
#include "classic_eval.h"
#include "hash.h"
#include "movegen.h"
#include "perft.h"
#include "position_text.h"
#include "setup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool initialised = (InitHashTables(1), true);
    (void)initialised;

    const std::string text(reinterpret_cast<const char*>(data), size);
    std::ostream discard(nullptr);
    BoardPtr boards[] = {SetBoard(text.c_str(), discard), LoadFen(text.c_str(), STANDARD_RULES)};
    for (BoardPtr& board : boards) {
        if (!board)
            continue;
        if (!BoardOk(*board))
            std::abort();
        (void)Evaluate(*board);
        (void)GenerateCaptures(*board, NO_MOVE);
        (void)Perft(*board, 2);
        (void)PositionText(*board);
        if (!BoardOk(*board) || board->ply != 0)
            std::abort();
    }
    return 0;
}
