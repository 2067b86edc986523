// xboard's analysis mode: the engine thinks on the game's position with its
// thinking lines and without end, never playing a move, and starts again
// when a line changes the position; "." asks how the search stands, and
// "exclude" and "include" choose the root moves it searches.
#pragma once

#include <string_view>

#include "front_end.h"
#include "xboard_game.h"

// Thinks on the board's position, every root move but the game's excluded
// ones, until a line comes that the analysis does not answer itself ("."
// with a "stat01:" line, "ping", "bk" and "hint"): that line then waits as
// the session's next command. Searches nothing where no move is left to
// search (mate, stalemate, every move excluded).
void Analyze(Session& session, Game& game);

// "exclude MOVE", "include MOVE", "exclude all" and "include all": the
// moves the analysis of the board's position leaves out. A move that is not
// legal there gets an error line.
void ExcludeMoves(Session& session, Game& game, const Command& command, std::string_view line);
