#include "xboard_draws.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <sstream>

// xboard marks a position as drawn after each move it relays (Adjudicate in
// its backend): the fifty-move rule at a hundred plies since the last
// capture or pawn move (the set-up position's counter included); bare kings,
// or a king and one minor piece against a bare king; and a third occurrence
// counted over the positions since the last capture or pawn move with the
// same side to move, the same figures and castling rights, but never one
// that xboard gave an en passant status. It grants a draw claim only in a
// position it has marked, and forfeits a false claim.

namespace {

// Letters in the order of PlyState::castle.
constexpr const char CASTLING_LETTERS[] = "qkQK";

// The field at `index` of a position text, or an empty one.
std::string TextField(const std::string& text, int index)
{
    std::istringstream fields(text);
    std::string field;
    for (int i = 0; i <= index; ++i) {
        field.clear();
        fields >> field;
    }
    return field;
}

// The move that led to the position at board ply `ply`, or NO_MOVE for the
// set-up position. The board may have dropped the plies before its ply 0;
// the game still has their moves.
Move MoveInto(const Board& board, const XboardGame& game, int ply)
{
    if (ply > 0)
        return board.states[ply - 1].move;
    const size_t dropped = game.moves.size() - static_cast<size_t>(board.ply);
    return dropped > 0 ? game.moves[dropped - 1] : NO_MOVE;
}

// Whether xboard gives the position at board ply `ply` an en passant status,
// which keeps it out of its count of repetitions: a set-up position whose
// text has any en passant field but "-", and a position right after a double
// step beside a pawn of the side to move, whether or not the capture is
// legal (this engine's key holds only a square a legal capture can use).
bool HasXboardEnPassant(const Board& board, const XboardGame& game, int ply)
{
    const Move move = MoveInto(board, game, ply);
    if (IsNoMove(move))
        return TextField(game.start, 3) != "-";
    const PlyState& state = board.states[ply];
    const uint64_t to = uint64_t{1} << move.to;
    const Colour mover = (state.pawns[WHITE] & to) ? WHITE : BLACK;
    if (!(state.pawns[mover] & to) || std::abs(move.to - move.from) != 16)
        return false;
    const uint64_t beside = (move.to % 8 > 0 ? to >> 1 : 0) | (move.to % 8 < 7 ? to << 1 : 0);
    return (state.pawns[Opponent(mover)] & beside) != 0;
}

// Whether the board's position occurred twice before by xboard's count.
// Under a hundred plies since the last capture or pawn move, the board keeps
// every position the count looks at: it keeps at least a hundred plies.
bool IsXboardRepetition(const Board& board, const XboardGame& game)
{
    if (!game.rights_as_given)
        return false;
    const KeyLock hash = KeyLockOf(State(board));
    const int first = std::max(0, board.ply - State(board).halfmove_clock);
    int count = 0;
    for (int ply = board.ply - 2; ply >= first; ply -= 2) {
        if (KeyLockOf(board.states[ply]) == hash && !HasXboardEnPassant(board, game, ply))
            ++count;
    }
    return count >= 2;
}

// Whether only the kings are left, or a king and one knight or bishop.
bool IsBareMaterial(const Board& board)
{
    const uint64_t occupied = Occupied(board);
    if (std::popcount(occupied) == 2)
        return true;
    if (std::popcount(occupied) != 3)
        return false;
    for (uint64_t rest = occupied; rest != 0; rest &= rest - 1) {
        const FigureType type = board.squares[std::countr_zero(rest)]->type;
        if (type != KING && type != KNIGHT && type != BISHOP)
            return false;
    }
    return true;
}

}  // namespace

bool HoldsRightsAsGiven(const Board& board, const std::string& text)
{
    const std::string field = TextField(text, 2);
    if (field.empty())
        return false;
    int held = 0;
    for (const int8_t right : board.states[0].castle)
        held += right;
    const auto named = std::count_if(field.begin(), field.end(),
                                     [](char letter) { return std::strchr(CASTLING_LETTERS, letter) != nullptr; });
    return named == held;
}

std::optional<std::string> DrawClaim(const Board& board, const XboardGame& game)
{
    if (State(board).halfmove_clock >= 100)
        return "1/2-1/2 {50 move rule}";
    if (IsBareMaterial(board))
        return "1/2-1/2 {Insufficient material}";
    if (IsXboardRepetition(board, game))
        return "1/2-1/2 {3-fold repetition}";
    return std::nullopt;
}
