// The game as xboard sees it: the record of its moves, clock and modes, the
// command lines taken apart, and what the game's position asks of a search
// and answers at its end. The xboard front-end and its analysis mode both
// work on it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front_end.h"
#include "move.h"
#include "position_text.h"

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

// The game as the interface sees it and the engine's settings. The session's
// board is the game's position, reached from the position text `start` by
// `moves`; the game keeps both so that a take-back always finds the
// interface's position, whatever plies the board still keeps. `excluded`
// holds the root moves the analysis leaves out, for the board's position
// only. Changed only by RunXboard, the commands it carries out and the
// functions below.
struct Game {
    std::string start = START_POSITION;
    std::vector<Move> moves;
    bool rights_as_given = true;  // HoldsRightsAsGiven of the set-up position
    bool force = false;
    Colour engine_side = BLACK;
    int depth_limit = 0;  // "sd"; 0: none
    XboardClock clock;
    bool post = false;
    bool analyzing = false;  // between "analyze" and "exit"
    std::vector<Move> excluded;
};

// A command line taken apart: its first word and the rest, without the
// blanks around them.
struct Command {
    std::string_view name;
    std::string_view argument;
};

Command Split(std::string_view line);

bool IsOneOf(std::string_view word, const auto& words)
{
    for (const char* candidate : words) {
        if (word == candidate)
            return true;
    }
    return false;
}

// Writes "Error (KIND): LINE", the protocol's answer to a line it refuses.
void Error(Session& session, const char* kind, std::string_view line);

// A new game from the initial position; whether thinking is shown and
// whether the engine analyses outlive the game.
void NewGame(Session& session, Game& game);

// Plays a legal move in the game and on the board.
void PlayMove(Session& session, Game& game, Move move);

// Takes back the last `plies` moves of the game, which has them.
void TakeBack(Session& session, Game& game, size_t plies);

// A new game from a position text; false, with the game unchanged, for a
// text that is malformed or no position chess can be played from.
bool StartFrom(Session& session, Game& game, const std::string& text);

// The result line when the game is over in the board's position, or none:
// mate or stalemate, else a draw by rule when `claim_draws`.
std::optional<std::string> GameResult(Board& board, const Game& game, bool claim_draws);

// Writes the result when the game has just ended; whether it has.
bool ReportEnd(Session& session, const Game& game, bool claim_draws);

// What the engine's next search asks: "sd" caps its depth, "st" gives the
// time per move and "level" the clock.
SearchRequest RequestFor(const Game& game);

// A thinking line: depth, score (mates as 100000 + N for mate in N moves,
// -100000 - N when mated), time in centiseconds, nodes, the moves.
void PrintThinking(const Session& session, const SearchResult& result, int root);
