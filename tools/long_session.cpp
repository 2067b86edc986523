// tavik-long-session [GAMES] [PLIES_PER_GAME]
// One command-loop session of many games in a row ("new" or "setboard"
// between them), the engine playing black against a scripted opponent, then
// one game of 1,000 plies. Every engine move is checked on a mirror board kept
// beside the session. Prints one line per game, the totals and the process's
// memory after the first game and at the end. Exits 1 when an engine move is
// illegal, the mirror breaks an invariant, the engine's board and the mirror
// differ, or the peak memory grew by more than 1 MiB after the first game
// (in a build without the address sanitizer).
// The clock is fixed, so that every run plays the same games.
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board.h"
#include "scripted_game.h"

namespace {

// Where the games start, in turn: the initial position ("new"), then sparse
// set-ups that search fast. Those with pawns reach promotions; the bishops
// have no mating force and play on past the game's history limit.
const char* const OPENINGS[] = {
    nullptr,
    "4k3/pppp4/8/8/8/8/4PPPP/4K3",
    "r3k3/3p4/8/8/8/8/4P3/4K2R",
    "2b1k3/8/8/8/8/8/8/4KB2",
    "4k3/1p3n2/8/8/8/8/2N3P1/4K3",
};
constexpr int OPENING_COUNT = sizeof OPENINGS / sizeof OPENINGS[0];

// The last game: kings and rooks shuffling, the opponent giving nothing away.
constexpr const char* LONG_GAME = "r3k3/8/8/8/8/8/8/4K2R";
constexpr int LONG_GAME_PLIES = 1000;

constexpr int UNDO_EVERY = 31;  // opponent turns between take-backs
constexpr long MEMORY_MARGIN_KIB = 1024;

// The address sanitizer holds freed memory back and keeps books of its own, so
// that the resident size grows whatever the engine does: a build with it
// reports the memory without judging it.
#if defined(__SANITIZE_ADDRESS__)
#define TAVIK_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVIK_ADDRESS_SANITIZER
#endif
#endif
#ifdef TAVIK_ADDRESS_SANITIZER
constexpr bool MEMORY_JUDGED = false;
#else
constexpr bool MEMORY_JUDGED = true;
#endif

struct Memory {
    long peak_kib;     // the largest resident size so far (ru_maxrss)
    long current_kib;  // the resident size now (VmRSS)
};

Memory ReadMemory()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    Memory memory{usage.ru_maxrss, -1};
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            memory.current_kib = std::stol(line.substr(6));
    }
    return memory;
}

// Whether a move takes a figure (an en passant capture lands on an empty square).
bool IsCapture(const Board& board, Move move) { return !IsEmpty(board.squares[move.to]); }

class Session {
  public:
    Session(int games, int plies_per_game) : games_(games), plies_per_game_(plies_per_game)
    {
        game_.report = [this](const std::string& what) { Fail(what); };
    }

    // Plays every game and prints the report; false on any fault.
    bool Run()
    {
        const int status = RunScriptedSession([this](const std::string& answer) { return NextLine(answer); });
        const Memory end = ReadMemory();

        // The game's counts run over the whole session; taken-back plies count too.
        const GameCounts& counts = game_.counts;
        std::printf("games %d, plies %d, engine moves %d, promotions %d, undos %d, highest ply %d, "
                    "games past ply %d: %d\n",
                    games_finished_, counts.played, counts.engine_moves, counts.promotions, counts.undos,
                    counts.highest_ply, GAME_PLY_LIMIT, games_past_limit_);
        std::printf("memory after the first game: peak %ld KiB, resident %ld KiB\n", first_.peak_kib,
                    first_.current_kib);
        std::printf("memory at the end:           peak %ld KiB, resident %ld KiB\n", end.peak_kib, end.current_kib);
        if (!MEMORY_JUDGED)
            std::printf("memory not judged: built with the address sanitizer\n");
        else if (end.peak_kib - first_.peak_kib > MEMORY_MARGIN_KIB)
            Fail("the peak memory grew by " + std::to_string(end.peak_kib - first_.peak_kib) + " KiB");
        if (status != 0)
            Fail("the command loop ended with status " + std::to_string(status));
        return !failed_;
    }

  private:
    // The command loop's next line, once its answer to the previous one is checked.
    std::string NextLine(const std::string& answer)
    {
        if (failed_ || !FollowAnswer(game_, answer))
            return "quit\n";
        if (game_.mirror && game_.end.empty() && game_.plies >= cap_)
            game_.end = "ply cap";
        if (game_.mirror && game_.end.empty())
            game_.end = NoMoveEnd(*game_.mirror, "opponent");
        if (!game_.mirror || !game_.end.empty()) {
            if (game_.mirror)
                FinishGame();
            return game_number_ == games_ ? "quit\n" : NextGame();
        }
        // The opponent has a legal move: the game would have ended otherwise.
        return *OpponentLine(game_, UNDO_EVERY, [this](const std::vector<Move>& legal) { return Choose(legal); });
    }

    // The games 0 .. games_ - 1 go round the openings; game games_ is the long one.
    std::string NextGame()
    {
        ++game_number_;
        cap_ = game_number_ == games_ ? LONG_GAME_PLIES : plies_per_game_;
        return StartGame(game_, game_number_ == games_ ? LONG_GAME : OPENINGS[game_number_ % OPENING_COUNT]);
    }

    // Promotes whenever it can. Otherwise half its moves are pawn moves and a
    // quarter captures, while it has such moves, the rest any move. In the
    // long game it avoids moves after which the engine can take something.
    Move Choose(std::vector<Move> legal)
    {
        const Board& mirror = *game_.mirror;
        if (game_number_ == games_)
            legal = CautiousMoves(*game_.mirror, legal);
        std::vector<Move> promotions, pawn_moves, captures;
        for (const Move move : legal) {
            if (IsPromotion(move.kind))
                promotions.push_back(move);
            else if (mirror.squares[move.from]->type == PAWN)
                pawn_moves.push_back(move);
            if (IsCapture(mirror, move))
                captures.push_back(move);
        }
        const uint64_t roll = random_() % 4;
        const std::vector<Move>& pool = !promotions.empty()               ? promotions
                                        : roll < 2 && !pawn_moves.empty() ? pawn_moves
                                        : roll == 2 && !captures.empty()  ? captures
                                                                          : legal;
        return pool[random_() % pool.size()];
    }

    void FinishGame()
    {
        ++games_finished_;
        if (game_.plies > GAME_PLY_LIMIT)
            ++games_past_limit_;
        std::printf("game %d: %s, %d plies, %s\n", game_number_ + 1, game_.fen ? game_.fen : "initial position",
                    game_.plies, game_.end.c_str());
        if (game_number_ == 0)
            first_ = ReadMemory();
    }

    void Fail(const std::string& what)
    {
        std::fprintf(stderr, "game %d, ply %d: %s\n", game_number_ + 1, game_.plies, what.c_str());
        failed_ = true;
    }

    const int games_;
    const int plies_per_game_;
    std::mt19937_64 random_{1};
    int games_finished_ = 0;
    int games_past_limit_ = 0;  // games longer than GAME_PLY_LIMIT plies
    Memory first_{};
    bool failed_ = false;

    // The game under way; its counts run over the whole session.
    int game_number_ = -1;
    int cap_ = 0;
    ScriptedGame game_;
};

}  // namespace

int main(int argc, char** argv)
{
    const int games = argc > 1 ? std::atoi(argv[1]) : 100;
    const int plies_per_game = argc > 2 ? std::atoi(argv[2]) : 300;
    if (argc > 3 || games < 1 || plies_per_game < 1) {
        std::fprintf(stderr, "usage: tavik-long-session [GAMES] [PLIES_PER_GAME]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok = Session(games, plies_per_game).Run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f s\n", seconds);
    return ok ? 0 : 1;
}
