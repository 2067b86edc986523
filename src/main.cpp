#include "main.h"

#include <cstdint>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>

#include "eval.h"
#include "hash.h"
#include "search.h"

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
    out << (board.in_check ? "+\n" : "\n");
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

bool IsPlacementValid(const char* text)
{
    const char* p = text;
    for (int rank = 0; rank < 8; ++rank) {
        int squares = 0;
        for (; *p != '/' && *p != ' ' && *p != '\0'; ++p) {
            if (*p >= '1' && *p <= '8')
                squares += *p - '0';
            else if (std::strchr("PNBRQKpnbrqk", *p))
                squares += 1;
            else
                return false;
            if (squares > 8)
                return false;
        }
        if (squares != 8)
            return false;
        if (rank < 7) {
            if (*p != '/')
                return false;
            ++p;
        }
    }
    return *p == ' ' || *p == '\0';
}

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

BoardPtr PlaceFigures(const char* text, std::ostream& out)
{
    if (!IsPlacementValid(text))
        return nullptr;

    // Step 1.
    BoardPtr result = AllocBoard();
    Board& board = *result;
    const char* p = text;

    // Step 2. Rank 8 down to rank 1, each from file a; every character read
    // leaves a trace line.
    for (int rank = 7; rank >= 0; --rank) {
        int file = 0;
        for (; *p != '/' && *p != ' ' && *p != '\0'; ++p) {
            out << rank << " = " << *p << "; j = " << file << "\n";
            if (Figure* figure = FigureFromLetter(board.store, *p, out)) {
                board.squares[rank * 8 + file] = figure;
                ++file;
                if (figure->type == KING) {
                    if (figure->colour == WHITE)
                        board.white_king = rank * 8 + file - 1;
                    else
                        board.black_king = rank * 8 + file - 1;
                    out << (figure->colour == WHITE ? "WHITE KING " : "BLACK KING ") << file << " " << rank << "\n";
                }
            } else {
                const int count = *p - '0';
                out << *p << " - " << count << "\n";
                for (int i = 0; i < count; ++i)
                    board.squares[rank * 8 + file++] = board.empty;
            }
        }
        if (*p != '\0')
            ++p;
    }

    // Steps 3 and 4. White to move, no castling rights, no history. The
    // check flag is computed too, so that a side set up in check cannot castle.
    board.side = WHITE;
    board.ply = 0;
    CompleteSetUp(board);
    return result;
}

int RunCommandLoop(std::istream& in, std::ostream& out)
{
    // Start-up: tables, the game board, the feature line.
    InitHashTables(static_cast<uint32_t>(ReadClock()));
    ClearTT();
    ClearHistory();
    Session session{NewBoard(), true, out};
    out << "feature setboard=1 san=0 sigint=0 sigterm=0 myname=\"tavik\" usermove=1 reuse=0 done=1\n";

    bool at_end = false;
    while (!at_end) {
        if (ReadLine(in, at_end) == 0) {
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
            session.board = NewBoard();
        } else if (StartsWith(line, "undo"))
            Undo(session);
        else if (StartsWith(line, "setboard"))
            SetUp(session, Argument(line));
        else if (StartsWith(line, "quit"))
            return 0;
    }
    return 0;
}
