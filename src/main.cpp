#include "main.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>
#include <utility>

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

    // Step 1. An empty board.
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

    // Step 3. White to move at ply 0 with no castling rights, and what the
    // position implies: its checkers too, so that a side set up in check
    // cannot castle.
    board.side = WHITE;
    board.ply = 0;
    CompleteSetUp(board);
    return result;
}

namespace {

// The castling rights of a position text, or false for a malformed field.
bool ReadCastling(const std::string& field, Board& board)
{
    if (field.empty() || field == "-")
        return true;
    for (const char letter : field) {
        const char* const letters = "qkQK";  // in the order of PlyState::castle
        const char* found = letter != '\0' ? std::strchr(letters, letter) : nullptr;
        if (!found || State(board).castle[found - letters])
            return false;
        State(board).castle[found - letters] = 1;
    }
    return true;
}

// Keeps only the rights whose king and rook still stand at home.
void DropHomelessRights(Board& board)
{
    for (int right = BLACK_QUEEN_SIDE; right <= WHITE_KING_SIDE; ++right) {
        const int32_t colour = right >= WHITE_QUEEN_SIDE ? WHITE : BLACK;
        const int home = colour == WHITE ? 0 : 56;
        const Figure* king = board.squares[home + 4];
        const Figure* rook = board.squares[home + (right % 2 == 0 ? 0 : 7)];
        if (king->type != KING || king->colour != colour || rook->type != ROOK || rook->colour != colour)
            State(board).castle[right] = 0;
    }
}

// Whether the side not to move can just have made a double step over `square`.
bool IsPassedSquare(const Board& board, int square)
{
    const int rank = board.side == WHITE ? 5 : 2;
    if (square / 8 != rank)
        return false;
    const int toward_mover = board.side == WHITE ? 8 : -8;
    const Figure* pawn = board.squares[square - toward_mover];
    return pawn->type == PAWN && pawn->colour != board.side && IsEmpty(board.squares[square]) &&
           IsEmpty(board.squares[square + toward_mover]);
}

bool IsCounter(const std::string& field)
{
    return field.empty() || (field.size() <= 6 && field.find_first_not_of("0123456789") == std::string::npos);
}

}  // namespace

BoardPtr LoadFen(const char* text)
{
    // Step 1. The placement, its trace thrown away.
    std::ostream discard(nullptr);
    BoardPtr board = PlaceFigures(text, discard);
    if (!board)
        return nullptr;
    Board& b = *board;

    // Step 2. The other fields, no more than six in all.
    std::istringstream fields(text);
    std::string placement, side, castling, en_passant, halfmove, fullmove, extra;
    fields >> placement >> side >> castling >> en_passant >> halfmove >> fullmove >> extra;
    if (!extra.empty() || !IsCounter(halfmove) || !IsCounter(fullmove))
        return nullptr;
    if (side == "b")
        b.side = BLACK;
    else if (!side.empty() && side != "w")
        return nullptr;
    if (!ReadCastling(castling, b))
        return nullptr;
    DropHomelessRights(b);
    if (!en_passant.empty() && en_passant != "-") {
        const int square = en_passant.size() == 2 ? ParseSquare(en_passant.c_str()) : -1;
        if (square < 0)
            return nullptr;
        b.start_en_passant = IsPassedSquare(b, square) ? square : -1;
    }

    // Step 3. What the position implies, and whether play can go on from it.
    CompleteSetUp(b);
    return IsLegalPosition(b) ? std::move(board) : nullptr;
}

std::string PositionText(Board& board)
{
    std::string text;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const Figure* figure = board.squares[rank * 8 + file];
            if (IsEmpty(figure)) {
                ++empty;
                continue;
            }
            if (empty > 0)
                text += static_cast<char>('0' + empty);
            empty = 0;
            const char letter = FIGURE_LETTERS[figure->type];
            text += figure->colour == WHITE ? letter : static_cast<char>(std::tolower(letter));
        }
        if (empty > 0)
            text += static_cast<char>('0' + empty);
        if (rank > 0)
            text += '/';
    }
    text += board.side == WHITE ? " w " : " b ";
    const size_t rights = text.size();
    constexpr std::pair<int, char> LETTERS[] = {
        {WHITE_KING_SIDE, 'K'}, {WHITE_QUEEN_SIDE, 'Q'}, {BLACK_KING_SIDE, 'k'}, {BLACK_QUEEN_SIDE, 'q'}};
    for (const auto& [right, letter] : LETTERS) {
        if (State(board).castle[right])
            text += letter;
    }
    if (text.size() == rights)
        text += '-';
    // Only a square that some pawn can take on, as the notation asks.
    int en_passant = -1;
    const MoveList legal = LegalMoves(board);
    for (int i = 0; i < legal.count; ++i) {
        if (legal.moves[i].kind == EN_PASSANT)
            en_passant = legal.moves[i].to;
    }
    text += ' ';
    text += en_passant < 0 ? std::string("-") : SquareText(en_passant);
    text += " 0 1";
    return text;
}

int RunCommandLoop(std::istream& in, std::ostream& out)
{
    // Start-up: tables, the game board, the feature line.
    StartEngine();
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
