#include "classic.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>
#include <utility>

#include "clock.h"
#include "classic_eval.h"
#include "make_move.h"
#include "notation.h"
#include "position_text.h"
#include "search.h"
#include "setup.h"

namespace {

// Longest text one read takes; a longer line is handled in pieces.
constexpr int LINE_SIZE = 65535;

// The line buffer, reused for every line.
char input_line[LINE_SIZE];

// Reads one line, newline included, of at most LINE_SIZE - 1 characters.
// Returns how many characters were stored; `at_end` is set once the input
// has run out.
size_t ReadLine(std::istream& in, bool& at_end)
{
    std::streambuf* source = in.rdbuf();
    size_t length = 0;
    while (length < LINE_SIZE - 1) {
        const int c = source ? source->sbumpc() : std::char_traits<char>::eof();
        if (c == std::char_traits<char>::eof()) {
            at_end = true;
            break;
        }
        input_line[length++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    input_line[length] = '\0';
    return length;
}

// What the loop keeps between commands.
struct Session {
    BoardPtr board;
    bool go_allowed;  // "go" is honoured only as the first move-related command
    std::ostream& out;
};

bool StartsWith(const char* line, const char* keyword)
{
    return std::strncmp(line, keyword, std::strlen(keyword)) == 0;
}

// The argument of "usermove" and "setboard": the line from its tenth
// character, or an empty text for a shorter line.
const char* Argument(const char* line) { return std::strlen(line) > 9 ? line + 9 : ""; }

void UserMove(Session& session, const char* text)
{
    Board& board = *session.board;
    std::ostream& out = session.out;
    session.go_allowed = false;
    const std::optional<Move> move = ParseMove(text, board, out);
    if (!move) {
        out << "Illegal move !!\n";
        return;
    }
    if (!MakeGameMove(board, *move)) {
        // Exact on purpose, its misspellings included: the classic lines never change.
        out << "Errro ilegal move " << text << "\n";
        return;
    }
    const std::optional<Move> reply = Think(board, out);
    if (!reply)
        return;
    MakeGameMove(board, *reply);
    out << "Board raw eval is " << Evaluate(board) << "\n";
    out << "move " << MoveText(*reply) << "\n";
    PrintBoard(board, out);
}

void Go(Session& session)
{
    Board& board = *session.board;
    std::ostream& out = session.out;
    const std::optional<Move> move = Think(board, out);
    session.go_allowed = false;
    if (!move)
        return;
    out << "exmove ";
    PrintExtendedMove(board, *move, out);
    MakeGameMove(board, *move);
    out << (InCheck(board) ? "+\n" : "\n");
    out << "move " << MoveText(*move) << "\n";
}

void Undo(Session& session)
{
    Board& board = *session.board;
    session.out << "undoing move\n";
    for (int taken = 0; taken < 2 && board.ply > 0; ++taken)
        UnmakeMove(board);
    PrintBoard(board, session.out);
}

void SetUp(Session& session, const char* text)
{
    BoardPtr board = SetBoard(text, session.out);
    if (!board) {
        session.out << "tellusererror Illegal position\n";
        return;
    }
    session.board = std::move(board);
    PrintBoard(*session.board, session.out);
    session.out << "Board evaluation " << Evaluate(*session.board) << "\n";
}

}  // namespace

BoardPtr SetBoard(const char* text, std::ostream& out)
{
    // The trace is held back until the position has proved playable, so that
    // a refused text writes nothing.
    std::ostringstream trace;
    BoardPtr board = PlaceFigures(text, trace);
    if (!board || !IsLegalPosition(*board))
        return nullptr;
    out << trace.str();
    return board;
}

std::optional<Move> Think(Board& board, std::ostream& out)
{
    // Step 1. The search, timed by the calendar clock.
    const int64_t start = ReadClock();
    const SearchResult result = Search(board, SearchLimits{});
    int64_t elapsed = ReadClock() - start;
    if (elapsed == 0)
        elapsed = 1;
    const long per_second = static_cast<long>(result.nodes / elapsed);

    // Step 2. The share of lookups answered; none at all reads as 0 %.
    const float ratio =
        result.tt_probes > 0 ? static_cast<float>(result.tt_hits) / static_cast<float>(result.tt_probes) : 0.0f;
    const double reuse = ratio * 100.0f;

    // Step 3. The statistics line.
    char line[256];
    // Exact on purpose, to the wording: the classic lines never change.
    std::snprintf(line, sizeof line,
                  "Searched %i nodes, reused %.2f%%[%i] of %i nodes from table, we got %i cutoffs, %i nullcutoffs, "
                  "eval is %i, %li NPS\n",
                  static_cast<int>(result.nodes), reuse, static_cast<int>(result.tt_hits),
                  static_cast<int>(result.tt_probes), static_cast<int>(result.cutoffs),
                  static_cast<int>(result.null_cutoffs), result.score, per_second);
    out << line;

    // Step 4. The move: Search has replaced a root that wrote none (all its
    // moves scored at the bottom of the window) with the first legal one.
    if (!result.has_move)
        return std::nullopt;
    return result.best;
}

int RunCommandLoop(std::istream& in, std::ostream& out)
{
    // Start-up: tables, the game board, the feature line.
    StartEngine(CLASSIC_RULES);
    Session session{NewBoard(CLASSIC_RULES), true, out};
    out << "feature setboard=1 san=0 sigint=0 sigterm=0 myname=\"tavik\" usermove=1 reuse=0 done=1\n";

    bool at_end = false;
    while (!at_end) {
        if (ReadLine(in, at_end) == 0) {
            // The farewell at an empty read, exact on purpose, the double blank included.
            out << "Somebody is leaning on the keyboard.  Stop it.\n";
            out << "See you later.\n";
            return 1;
        }
        if (char* newline = std::strchr(input_line, '\n'))
            *newline = '\0';
        const char* line = input_line;

        if (StartsWith(line, "usermove"))
            UserMove(session, Argument(line));
        else if (StartsWith(line, "go") && session.go_allowed)
            Go(session);
        else if (StartsWith(line, "new")) {
            out << "New board ok\n";
            session.board = NewBoard(CLASSIC_RULES);
        } else if (StartsWith(line, "undo"))
            Undo(session);
        else if (StartsWith(line, "setboard"))
            SetUp(session, Argument(line));
        else if (StartsWith(line, "quit"))
            return 0;
    }
    return 0;
}
