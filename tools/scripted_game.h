// Whole games through the command loop against a scripted opponent. The
// opponent's moves are chosen on a mirror board, which follows the engine's
// answers line by line: every reply must be a legal move of the mirror
// position, and the engine's board must stay that of the mirror.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "board.h"

// Runs one session of the command loop, each of its lines written by `next`
// once the engine has answered the line before; `next` is given that answer
// (first the start-up lines). The clock is fixed for the session, so that
// every run plays the same games. Returns the loop's exit status.
int RunScriptedSession(const std::function<std::string(const std::string& answer)>& next);

// The last line sent to the engine, which says what its answer must be.
enum class Sent { START, SET_UP, GO, USERMOVE, UNDO };

// What happened on the mirror since its record was made, over all the games
// it followed.
struct GameCounts {
    int played = 0;  // plies played, those taken back too
    int engine_moves = 0;
    int undos = 0;
    int checks = 0;       // plies that gave check
    int promotions = 0;   // promotions played
    int highest_ply = 0;  // the largest ply the mirror held
};

// The game under way, as the scripted opponent follows it.
struct ScriptedGame {
    const char* fen = nullptr;  // the position text it started from; none: the initial position
    BoardPtr mirror;
    Sent sent = Sent::START;
    int plies = 0;                // plies played, less those taken back
    int turns = 0;                // the opponent's turns
    std::string end;              // why the game is over ("engine mated", ...); empty while it goes on
    std::string engine_extended;  // the engine's last move in its extended form
    GameCounts counts;
    int faults = 0;                                        // reported so far
    std::function<void(const std::string& fault)> report;  // told of every fault found
};

// Starts following a game from `fen`, of which the engine's "setboard" reads
// the placement (white to move, no castling), or from the initial position
// when it is null; the counts go on from the games before. Gives the line
// that sets the game up in the engine.
std::string StartGame(ScriptedGame& game, const char* fen);

// Picks the opponent's move among the legal ones (never none).
using Chooser = std::function<Move(const std::vector<Move>& legal)>;

// The opponent's next line: on every `undo_every`-th turn (never when 0), once
// two plies are on the board, "undo", taking them back on the mirror too;
// otherwise the move `choose` picks, played on the mirror. None when the
// opponent has no legal move.
std::optional<std::string> OpponentLine(ScriptedGame& game, int undo_every, const Chooser& choose);

// Checks the engine's answer to the last line sent and follows it on the
// mirror: its move is played there, or the game's end is noted when it has
// no move. Reports every fault; false once there was one.
bool FollowAnswer(ScriptedGame& game, const std::string& answer);

// Why the side to move can play no more, "<who> mated" or "<who> stalemated";
// empty when it has a legal move.
std::string NoMoveEnd(Board& board, const std::string& who);

// The moves after which the other side can take nothing, or all of them
// when each one leaves a capture.
std::vector<Move> CautiousMoves(Board& board, const std::vector<Move>& moves);

// The text of the first "move" line of an engine's answer, without its
// newline; empty when no whole line gives one.
std::string MoveLineText(const std::string& answer);

// The extended form of a move (Pe2e4, Pe4xBd5), as the engine writes it
// before making the move.
std::string ExtendedText(const Board& board, Move move);
