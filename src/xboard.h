// The xboard front-end (tavik --xboard): protocol version 2 as GUIs and match
// managers drive it, over the same board, moves, search and evaluation as the
// classic command loop. It writes protocol lines only.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "board.h"
#include "input.h"

// The clock as the interface has set it: "level" (a session of
// `moves_per_session` moves in `base_ms`, 0 moves for the whole game, plus
// `increment_ms` a move), or "st" (`move_ms` for every move); `engine_ms` is
// the engine's own clock as the last "time" gave it (-1: never given).
// `set` is false until "level" or "st" comes, and the engine then searches
// to a fixed depth instead.
struct XboardClock {
    bool set = false;
    int moves_per_session = 0;
    int64_t base_ms = 0;
    int64_t increment_ms = 0;
    int64_t move_ms = 0;
    int64_t engine_ms = -1;
};

// One session: the game as the interface sees it and the engine's settings.
// `board` is the game's position, reached from the position text `start`
// by `moves`; the session keeps both so that a take-back always finds the
// interface's position, whatever plies the board still keeps. `waiting`
// holds the lines read while a search ran, to be handled in order after it.
// Changed only by RunXboard and the commands it carries out.
struct XboardSession {
    LineInput* input = nullptr;
    std::ostream* out = nullptr;
    BoardPtr board;
    std::string start;
    std::vector<Move> moves;
    bool force = false;
    Colour engine_side = BLACK;
    int depth_limit = 0;  // "sd"; 0: none
    XboardClock clock;
    bool post = false;
    bool quit = false;
    std::deque<std::string> waiting;
};

// Runs a whole session on the session's input and output: nothing is written
// until "protover", and it ends at "quit" or the end of the input. The
// hashing tables are seeded from the calendar clock. Returns the exit status.
int RunXboard(XboardSession& session);
