// The search driver: iterative deepening within limits of depth, time and
// nodes, ranking one or more lines of root moves (all or those given) and
// pondering. A board under the classic rules is searched by the classic
// search (classic_search.h), one under the standard rules by the standard
// search (standard_search.h). It writes nothing: what it found goes back in
// a SearchResult.
#pragma once

#include "board.h"
#include "classic_search.h"
#include "search_control.h"
#include "standard_search.h"
#include "tt.h"

// The time limits of one move under a clock: `remaining_ms` on the side to
// move's clock, `increment_ms` added after each of its moves, `moves_to_go`
// before the clock gains time again (0: the rest of the game). Aims at an
// even share of what is left, begins no depth past half of it, and never
// runs so long that the clock could fall.
void SetClockLimits(SearchLimits& limits, int64_t remaining_ms, int64_t increment_ms, int moves_to_go);

// The same for an exact time per move, used to within a few milliseconds.
void SetMoveTimeLimits(SearchLimits& limits, int64_t move_ms);

// Searches the board's position within `limits`. The board is as before on
// return.
SearchResult Search(Board& board, const SearchLimits& limits);

// What every front-end does first: seeds the hashing tables from the
// calendar clock and empties the history counters. Under the classic rules
// it also puts the classic table on huge pages and empties it; a standard
// front-end gives itself a table of its own size (ResizeTT).
void StartEngine(Rules rules);
