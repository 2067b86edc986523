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

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"
#include "clock.h"
#include "fen.h"
#include "line_source.h"
#include "main.h"
#include "move.h"
#include "perft.h"
#include "search.h"

namespace {

int64_t FixedClock() { return 1'700'000'000; }

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

bool IsCapture(const Board& board, Move move) { return !IsEmpty(board.squares[move.to]); }

// Whether the other side can take something after `move`.
bool GivesACapture(Board& board, Move move)
{
    MakeMove(board, move);
    const std::vector<Move> replies = MovesOf(LegalMoves(board));
    const bool capture = std::any_of(replies.begin(), replies.end(), [&](Move r) { return IsCapture(board, r); });
    UnmakeMove(board);
    return capture;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct Totals {
    int games = 0;
    int plies = 0;
    int engine_moves = 0;
    int promotions = 0;
    int undos = 0;
    int highest_ply = 0;       // the largest ply the mirror held
    int games_past_limit = 0;  // games longer than GAME_PLY_LIMIT plies
};

class Session {
  public:
    Session(int games, int plies_per_game) : games_(games), plies_per_game_(plies_per_game) {}

    // Plays every game and prints the report; false on any fault.
    bool Run()
    {
        LineSource source([this] { return NextLine(); });
        std::istream in(&source);
        const int status = RunCommandLoop(in, out_);
        const Memory end = ReadMemory();

        std::printf("games %d, plies %d, engine moves %d, promotions %d, undos %d, highest ply %d, "
                    "games past ply %d: %d\n",
                    totals_.games, totals_.plies, totals_.engine_moves, totals_.promotions, totals_.undos,
                    totals_.highest_ply, GAME_PLY_LIMIT, totals_.games_past_limit);
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
    enum class Sent { START, NEW_GAME, USERMOVE, UNDO };

    // The command loop's next line, once its answer to the previous one is checked.
    std::optional<std::string> NextLine()
    {
        const std::string output = out_.str();
        out_.str("");
        if (!CheckAnswer(output))
            return "quit\n";
        if (mirror_ && !end_ && plies_ >= cap_)
            end_ = "ply cap";
        if (mirror_ && !end_ && LegalMoves(*mirror_).count == 0)
            end_ = InCheck(*mirror_) ? "opponent mated" : "opponent stalemated";
        if (!mirror_ || end_) {
            if (mirror_)
                FinishGame();
            return game_ == games_ ? "quit\n" : StartGame();
        }
        return OpponentTurn();
    }

    // The games 0 .. games_ - 1 go round the openings; game games_ is the long one.
    std::string StartGame()
    {
        ++game_;
        fen_ = game_ == games_ ? LONG_GAME : OPENINGS[game_ % OPENING_COUNT];
        cap_ = game_ == games_ ? LONG_GAME_PLIES : plies_per_game_;
        mirror_ = fen_ ? LoadFen(fen_) : NewBoard();
        plies_ = turns_ = 0;
        end_ = nullptr;
        sent_ = Sent::NEW_GAME;
        return fen_ ? "setboard " + std::string(fen_) + "\n" : "new\n";
    }

    std::string OpponentTurn()
    {
        if (++turns_ % UNDO_EVERY == 0 && plies_ >= 2) {
            UnmakeMove(*mirror_);
            UnmakeMove(*mirror_);
            plies_ -= 2;
            ++totals_.undos;
            sent_ = Sent::UNDO;
            return "undo\n";
        }
        const Move move = Choose(MovesOf(LegalMoves(*mirror_)));
        const std::string text = MoveText(move);
        MakeGameMove(*mirror_, move);
        Played(move);
        sent_ = Sent::USERMOVE;
        return "usermove " + text + "\n";
    }

    // Promotes whenever it can. Otherwise half its moves are pawn moves and a
    // quarter captures, while it has such moves, the rest any move. In the
    // long game it avoids moves after which the engine can take something.
    Move Choose(std::vector<Move> legal)
    {
        if (game_ == games_) {
            std::vector<Move> safe;
            std::copy_if(legal.begin(), legal.end(), std::back_inserter(safe),
                         [&](Move m) { return !GivesACapture(*mirror_, m); });
            if (!safe.empty())
                legal = safe;
        }
        std::vector<Move> promotions, pawn_moves, captures;
        for (const Move move : legal) {
            if (IsPromotion(move.kind))
                promotions.push_back(move);
            else if (mirror_->squares[move.from]->type == PAWN)
                pawn_moves.push_back(move);
            if (IsCapture(*mirror_, move))
                captures.push_back(move);
        }
        const uint64_t roll = random_() % 4;
        const std::vector<Move>& pool = !promotions.empty()               ? promotions
                                        : roll < 2 && !pawn_moves.empty() ? pawn_moves
                                        : roll == 2 && !captures.empty()  ? captures
                                                                          : legal;
        return pool[random_() % pool.size()];
    }

    // Counts a move just made on the mirror, by either side.
    void Played(Move move)
    {
        ++plies_;
        ++totals_.plies;
        if (IsPromotion(move.kind))
            ++totals_.promotions;
        totals_.highest_ply = std::max(totals_.highest_ply, int{mirror_->ply});
        if (!BoardOk(*mirror_))
            Fail("the mirror breaks an invariant after " + MoveText(move));
    }

    // Checks what the engine wrote for the previous line. False once anything was wrong.
    bool CheckAnswer(const std::string& output)
    {
        if (failed_)
            return false;
        switch (sent_) {
        case Sent::START: return true;
        case Sent::NEW_GAME:
            if (fen_ ? output.find(DiagramOf(*mirror_)) == std::string::npos : output != "New board ok\n")
                return Fail("the game did not start:\n" + output);
            return true;
        case Sent::UNDO:
            if (output != "undoing move\n" + DiagramOf(*mirror_))
                return Fail("the take-back differs from the mirror:\n" + output);
            return true;
        case Sent::USERMOVE: break;
        }

        std::istringstream lines(output);
        std::optional<std::string> text;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("move ", 0) == 0)
                text = line.substr(5);
        }
        if (!text) {
            if (LegalMoves(*mirror_).count > 0)
                return Fail("no reply though the engine has a legal move:\n" + output);
            end_ = InCheck(*mirror_) ? "engine mated" : "engine stalemated";
            return true;
        }
        std::ostream discard(nullptr);
        const std::optional<Move> move = ParseMove(text->c_str(), *mirror_, discard);
        if (!move || MoveText(*move) != *text || !MakeGameMove(*mirror_, *move))
            return Fail("illegal engine move " + *text + " in\n" + DiagramOf(*mirror_));
        ++totals_.engine_moves;
        Played(*move);
        if (!EndsWith(output, DiagramOf(*mirror_)))
            return Fail("the engine's board differs from the mirror:\n" + output);
        return !failed_;
    }

    void FinishGame()
    {
        ++totals_.games;
        if (plies_ > GAME_PLY_LIMIT)
            ++totals_.games_past_limit;
        std::printf("game %d: %s, %d plies, %s\n", game_ + 1, fen_ ? fen_ : "initial position", plies_, end_);
        if (game_ == 0)
            first_ = ReadMemory();
    }

    bool Fail(const std::string& what)
    {
        std::fprintf(stderr, "game %d, ply %d: %s\n", game_ + 1, plies_, what.c_str());
        failed_ = true;
        return false;
    }

    const int games_;
    const int plies_per_game_;
    std::ostringstream out_;  // the engine's output since the last line
    std::mt19937_64 random_{1};
    Totals totals_;
    Memory first_{};
    bool failed_ = false;

    // The game under way.
    int game_ = -1;
    const char* fen_ = nullptr;  // none: the initial position
    int cap_ = 0;
    BoardPtr mirror_;
    int plies_ = 0;  // plies played, less those taken back
    int turns_ = 0;  // the opponent's turns
    const char* end_ = nullptr;
    Sent sent_ = Sent::START;
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
    SetClock(FixedClock);
    const bool ok = Session(games, plies_per_game).Run();
    SetClock(nullptr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f s\n", seconds);
    return ok ? 0 : 1;
}
