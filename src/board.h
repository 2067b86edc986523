// The board: the whole game state in one record with its state per ply, its
// allocation and diagram, and what can be read off it without a search of the
// squares (en passant chances, key and lock, king squares).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "figure.h"
#include "hash.h"
#include "move.h"

// The plies a board keeps a state for. Moves are made only while `ply` is
// below MAX_PLIES - 1, so that the new position's state still fits:
//  - MakeMove refuses a move at ply LAST_PLY (result 0, board unchanged);
//  - the search treats a node at that ply as a leaf;
//  - the game makes room with MakeRoom before each of its moves, dropping its
//    oldest plies, so that a game of any length goes on with correct undo and
//    repetition behaviour for its recent plies.
inline constexpr int MAX_PLIES = 300;
inline constexpr int LAST_PLY = MAX_PLIES - 1;

// A game move made at GAME_PLY_LIMIT or later first drops the oldest plies,
// keeping the last GAME_PLY_KEEP; the search above a game move then always
// has more than MAX_PLIES - GAME_PLY_LIMIT plies of room.
inline constexpr int GAME_PLY_LIMIT = 200;
inline constexpr int GAME_PLY_KEEP = 100;
static_assert(GAME_PLY_KEEP < GAME_PLY_LIMIT && GAME_PLY_LIMIT < LAST_PLY);

// What taking back the move of one ply needs beyond the move itself: the
// figure that moved (for a promotion, the pawn) and what it took (the
// board's empty figure for a move to an empty square).
struct UndoRecord {
    Figure* moved;
    Figure* captured;
};

// Castling rights, by index into PlyState::castle.
enum CastleRight : int32_t {
    BLACK_QUEEN_SIDE = 0,  // rook a8
    BLACK_KING_SIDE = 1,   // rook h8
    WHITE_QUEEN_SIDE = 2,  // rook a1
    WHITE_KING_SIDE = 3,   // rook h1
};
static_assert(BLACK_QUEEN_SIDE == 0 && BLACK_KING_SIDE == 1 && WHITE_QUEEN_SIDE == 2 && WHITE_KING_SIDE == 3);

// The rules a game is played by, chosen when its board is set up and never
// changed afterwards.
//  - CLASSIC_RULES: the classic engine's game. Its generator lists no en
//    passant capture (a move read from the opponent may still be one); keys
//    hash the figures and the side to move alone; a position repeats when
//    its key does since the last pawn move; there is no fifty-move rule.
//  - STANDARD_RULES: chess as it is played. En passant captures are
//    generated; keys also hash the castling rights and an en passant square
//    that a capture can use; the halfmove clock is kept, and the search
//    scores the fifty-move rule and repetitions since the last capture or
//    pawn move as draws and keeps mates in its table relative to the node.
enum Rules : int32_t {
    CLASSIC_RULES = 0,
    STANDARD_RULES = 1,
};

// The en_passant of a position without one: a1 can never be an en passant
// square, and a zero-filled state holds it.
inline constexpr int8_t NO_EN_PASSANT = 0;

// What the board keeps for one ply: what the position there implies, and the
// move made from it. states[p + 1] is written whole by the move made at ply
// p (MakeMove, MakeNullMove; under the classic rules all but the two fields
// that stay 0) and by nothing else; taking the move back only
// lowers `ply`, so the state of the position returned to is there as it was.
struct PlyState {
    uint64_t occupancy[2];  // [colour]: the squares of that colour's figures
    uint64_t pawns[2];      // [colour]: the squares of that colour's pawns
    uint64_t checkers;      // the figures attacking the king of the side to move
    // For p < ply, what taking back move p needs. At `ply` itself, filled in
    // advance with the last move's mover, for the repetition scan to read
    // when a null move is made there (see MakeMove).
    UndoRecord undo;
    uint32_t hash_key;
    uint32_t hash_lock;
    int8_t castle[4];  // 1 while the right is held, by CastleRight
    // Standard rules only; under the classic rules both stay 0. The square
    // an en passant capture of the side to move can legally go to
    // (UsableEnPassant), or NO_EN_PASSANT; and the plies since the last
    // capture or pawn move, counted on from the set-up position's.
    int8_t en_passant;
    int32_t halfmove_clock;
    int32_t balance;  // ComputeBalance of the position
    Move move;        // for p < ply, the move made from the position (NO_MOVE: a null move)
};
static_assert(sizeof(PlyState) == 96, "one state is a cache line and a half; keep it so when adding a field");

// The whole game state. Made by NewBoard, LoadFen or the classic set-up, under
// the rules they are given, and
// from then on changed only by the move routines (make_move.h). Squares are
// rank * 8 + file (a1 = 0, h8 = 63).
//
// Invariants whenever no move routine is running (checked by
// BrokenInvariant, which names the first that fails):
//  - every square refers to a figure of `store`; empty squares to `empty`;
//  - `white_king` and `black_king` are the squares the kings stand on (0 when
//    a set-up position has no king of that colour);
//  - states[ply] holds the position's key and lock, its balance (the sum of
//    the figures' scores, ComputeBalance), the squares of each colour's
//    figures and pawns, the figures checking the side to move, and its en
//    passant square as the rules have it;
//  - for p < ply, states[p].move and states[p].undo describe the move from
//    ply p to p + 1;
//  - 0 <= ply <= LAST_PLY.
// A board is never copied: its squares point into its own figure store.
struct Board {
    Figure* squares[64];
    Figure* empty;
    Rules rules;
    Colour side;
    int32_t ply;
    int32_t white_king;
    int32_t black_king;
    // The square an en passant capture may go to in the position at ply 0
    // (a set-up position's en passant field), or -1. At later plies it
    // follows from the move before.
    int32_t start_en_passant;
    PlyState states[MAX_PLIES];
    FigureStore store;

    Board() = default;
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;
};

using BoardPtr = std::unique_ptr<Board>;

inline int32_t KingSquare(const Board& board, Colour colour)
{
    return colour == WHITE ? board.white_king : board.black_king;
}

inline void SetKingSquare(Board& board, Colour colour, int square)
{
    (colour == WHITE ? board.white_king : board.black_king) = square;
}

inline bool HasKingOn(const Board& board, int square, Colour colour)
{
    const Figure* figure = board.squares[square];
    return figure->type == KING && figure->colour == colour;
}

// The state of the position on the board.
inline PlyState& State(Board& board) { return board.states[board.ply]; }
inline const PlyState& State(const Board& board) { return board.states[board.ply]; }

// Whether the side to move is in check.
inline bool InCheck(const Board& board) { return State(board).checkers != 0; }

// The squares that hold a figure of `colour`, or of either colour, and those
// that hold a pawn of `colour`.
inline uint64_t Pieces(const Board& board, Colour colour) { return State(board).occupancy[colour]; }
inline uint64_t Occupied(const Board& board) { return Pieces(board, WHITE) | Pieces(board, BLACK); }
inline uint64_t Pawns(const Board& board, Colour colour) { return State(board).pawns[colour]; }

// The key and lock kept in a ply's state, read and written as one value.
inline KeyLock KeyLockOf(const PlyState& state) { return state.hash_key | KeyLock{state.hash_lock} << 32; }
inline void SetKeyLock(PlyState& state, KeyLock hash)
{
    state.hash_key = KeyOf(hash);
    state.hash_lock = LockOf(hash);
}

// The castling rights and en passant square of a position as they add to its
// key and lock under the standard rules (see Rules).
KeyLock RightsKeyLock(const PlyState& state);

// A zero-filled board with its empty figure made, the classic rules, `side`
// WHITE and `ply` 0. The caller fills the squares, the king squares, the
// side, the rules, and the castling rights and halfmove clock of states[0],
// then calls CompleteSetUp (setup.h).
BoardPtr AllocBoard();

// Writes the ASCII diagram of the board, rank 8 first.
void PrintBoard(const Board& board, std::ostream& out);

// The square an en passant capture may go to in the board's position, or -1.
int EnPassantTarget(const Board& board);

// Whether the side to move's pawn on `from` may take en passant on `to`: an
// enemy pawn has just passed `to` with a double step. Whether the king is
// safe afterwards is MakeMove's test.
bool IsEnPassant(const Board& board, int from, int to);

// The squares of the pawns of the side to move that may take en passant, as
// IsEnPassant says.
uint64_t EnPassantTakers(const Board& board);
