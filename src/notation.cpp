#include "notation.h"

#include <cctype>
#include <cstring>
#include <ostream>

#include "geometry.h"
#include "movegen.h"

namespace {

MoveKind PromotionKind(char letter)
{
    switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'r': return PROMOTE_ROOK;
    case 'n': return PROMOTE_KNIGHT;
    case 'b': return PROMOTE_BISHOP;
    default: return PROMOTE_QUEEN;
    }
}

char PromotionLetter(MoveKind kind)
{
    switch (kind) {
    case PROMOTE_QUEEN: return 'q';
    case PROMOTE_KNIGHT: return 'n';
    case PROMOTE_BISHOP: return 'b';
    case PROMOTE_ROOK: return 'r';
    default: return 0;
    }
}

void PrintSquare(int square, std::ostream& out) { out << SquareText(square); }

}  // namespace

std::optional<Move> ParseMove(const char* text, const Board& board, std::ostream& out)
{
    // Step 1. Four characters at least.
    const size_t length = std::strlen(text);
    if (length < 4) {
        out << "Extended algebraic needs 4 characters\n";  // exact on purpose, as every classic line
        return std::nullopt;
    }

    // Step 2. Two squares of the board.
    const int from = ParseSquare(text);
    const int to = ParseSquare(text + 2);
    if (from < 0 || to < 0)
        return std::nullopt;

    // Step 3. The origin holds a figure of the side to move, the destination none.
    const Figure* mover = board.squares[from];
    if (mover->colour != board.side || board.squares[to]->colour == board.side)
        return std::nullopt;

    // Step 4. Castling is the king's move from its home square two files aside.
    const int home = board.side == WHITE ? 4 : 60;
    if (mover->type == KING && from == home && (to == home - 2 || to == home + 2)) {
        const int wing = to == home + 2 ? 1 : 0;
        if (!CanCastle(board, wing))
            return std::nullopt;
        return Move{from, to, wing == 1 ? CASTLE_KING_SIDE : CASTLE_QUEEN_SIDE};
    }

    // Step 5. The opponent's en passant capture, which the engine never generates.
    if (IsEnPassant(board, from, to))
        return Move{from, to, EN_PASSANT};

    // Step 6. Otherwise a move some figure can make; a pawn reaching its last
    // rank always promotes, to a queen unless the fifth character names another.
    const MoveList list = GenerateMoves(board, NO_MOVE);
    for (int i = 0; i < list.count; ++i) {
        const Move candidate = list.moves[i];
        if (candidate.from != from || candidate.to != to || candidate.kind <= CASTLE_KING_SIDE)
            continue;
        if (IsPromotion(candidate.kind))
            return Move{from, to, PromotionKind(length > 4 ? text[4] : 'q')};
        return Move{from, to, NORMAL_MOVE};
    }
    return std::nullopt;
}

bool IsMoveText(std::string_view text)
{
    const bool letter = text.size() == 5 && text[4] != '\0' && std::strchr("qrbnQRBN", text[4]);
    return (text.size() == 4 || letter) && ParseSquare(text.data()) >= 0 && ParseSquare(text.data() + 2) >= 0;
}

std::optional<Move> ParseLegalMove(std::string_view text, Board& board)
{
    if (!IsMoveText(text))
        return std::nullopt;
    const int from = ParseSquare(text.data());
    const int to = ParseSquare(text.data() + 2);
    const MoveList legal = LegalMoves(board);
    for (int i = 0; i < legal.count; ++i) {
        const Move move = legal.moves[i];
        if (move.from != from || move.to != to)
            continue;
        if (!IsPromotion(move.kind) ? text.size() == 4 : move.kind == PromotionKind(text.size() == 5 ? text[4] : 'q'))
            return move;
    }
    return std::nullopt;
}

std::string MoveText(Move move)
{
    std::string text = SquareText(move.from) + SquareText(move.to);
    if (const char letter = PromotionLetter(move.kind))
        text += letter;
    return text;
}

void PrintExtendedMove(const Board& board, Move move, std::ostream& out)
{
    const Figure* mover = board.squares[move.from];
    const Figure* target = board.squares[move.to];
    out << FIGURE_LETTERS[mover->type];
    PrintSquare(move.from, out);
    if (target->colour != NO_COLOUR)
        out << 'x' << FIGURE_LETTERS[target->type];
    PrintSquare(move.to, out);
}
