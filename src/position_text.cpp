#include "position_text.h"

#include <cctype>
#include <cstring>
#include <ostream>
#include <sstream>
#include <utility>

#include "geometry.h"
#include "setup.h"

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

BoardPtr PlaceFigures(const char* text, std::ostream& trace)
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
            trace << rank << " = " << *p << "; j = " << file << "\n";
            if (Figure* figure = FigureFromLetter(board.store, *p, trace)) {
                board.squares[rank * 8 + file] = figure;
                ++file;
                if (figure->type == KING) {
                    SetKingSquare(board, figure->colour, rank * 8 + file - 1);
                    trace << (figure->colour == WHITE ? "WHITE KING " : "BLACK KING ") << file << " " << rank << "\n";
                }
            } else {
                const int count = *p - '0';
                trace << *p << " - " << count << "\n";
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
        const Colour colour = right >= WHITE_QUEEN_SIDE ? WHITE : BLACK;
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

BoardPtr LoadFen(const char* text, Rules rules)
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

    // Step 3. The rules, what the position implies, and whether play can go
    // on from it.
    b.rules = rules;
    if (rules == STANDARD_RULES && !halfmove.empty())
        State(b).halfmove_clock = std::stoi(halfmove);
    CompleteSetUp(b);
    return IsLegalPosition(b) ? std::move(board) : nullptr;
}

std::string PositionText(const Board& board)
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
    const int8_t en_passant = UsableEnPassant(board);
    text += ' ';
    text += en_passant == NO_EN_PASSANT ? std::string("-") : SquareText(en_passant);
    text += ' ' + std::to_string(State(board).halfmove_clock) + " 1";
    return text;
}
