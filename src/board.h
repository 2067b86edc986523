// The board: the whole game state with its per-ply histories, its creation
// and diagram, and the routines that make and take back moves.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>

#include "figure.h"
#include "move.h"

// Entries in each per-ply history. Moves are made only while `ply` is below
// HISTORY_SIZE - 1, so that the new position's entries still fit:
//  - MakeMove refuses a move at ply HISTORY_SIZE - 1 (result 0, board unchanged);
//  - the search treats a node at that ply as a leaf;
//  - the game makes room with MakeRoom before each of its moves, dropping its
//    oldest plies, so that a game of any length goes on with correct undo and
//    repetition behaviour for its recent plies.
inline constexpr int HISTORY_SIZE = 300;
inline constexpr int LAST_PLY = HISTORY_SIZE - 1;

// A game move made at GAME_PLY_LIMIT or later first drops the oldest plies,
// keeping the last GAME_PLY_KEEP; the search above a game move then always
// has more than HISTORY_SIZE - GAME_PLY_LIMIT plies of room.
inline constexpr int GAME_PLY_LIMIT = 200;
inline constexpr int GAME_PLY_KEEP = 100;
static_assert(GAME_PLY_KEEP < GAME_PLY_LIMIT && GAME_PLY_LIMIT < LAST_PLY);

// What taking back the move of one ply needs beyond the move itself: the
// figure that moved (for a promotion, the pawn), what it took (the board's
// empty figure for a move to an empty square), and whether the side to move
// was in check before it.
struct UndoRecord {
    Figure* moved;
    Figure* captured;
    int32_t in_check;
};

// Castling rights, by index into Board::castle.
enum CastleRight : int32_t {
    BLACK_QUEEN_SIDE = 0,  // rook a8
    BLACK_KING_SIDE = 1,   // rook h8
    WHITE_QUEEN_SIDE = 2,  // rook a1
    WHITE_KING_SIDE = 3,   // rook h1
};

// The whole game state. Made by NewBoard or SetBoard and from then on changed
// only by the move routines below. Squares are rank * 8 + file (a1 = 0,
// h8 = 63).
//
// Invariants whenever no move routine is running (checked by BoardOk):
//  - every square refers to a figure of `store`; empty squares to `empty`;
//  - `white_king` and `black_king` are the squares the kings stand on (0 when
//    a set-up position has no king of that colour);
//  - hash_key[ply], hash_lock[ply] are the key and lock of the position,
//    castle_history[ply] equals `castle`, balance[ply] is the sum of the
//    figures' scores (ComputeBalance), occupancy[ply][c] has the bit of
//    every square that holds a figure of colour c, pawns[ply][c] the bit of
//    every square that holds a pawn of colour c, and checkers[ply] the bit
//    of every figure attacking the king of the side to move;
//  - for p < ply, moves[p] and undo[p] describe the move from ply p to p + 1;
//  - `in_check` tells whether the side to move is in check (checkers[ply] is
//    not empty);
//  - 0 <= ply <= LAST_PLY.
// A board is never copied: its squares point into its own figure store.
struct Board {
    Figure* squares[64];
    Figure* empty;
    int32_t side;
    Move moves[HISTORY_SIZE];
    uint32_t hash_key[HISTORY_SIZE];
    uint32_t hash_lock[HISTORY_SIZE];
    UndoRecord undo[HISTORY_SIZE];
    int32_t castle_history[HISTORY_SIZE][4];
    int32_t balance[HISTORY_SIZE];
    uint64_t occupancy[HISTORY_SIZE][2];
    uint64_t pawns[HISTORY_SIZE][2];
    uint64_t checkers[HISTORY_SIZE];
    int32_t ply;
    int32_t white_king;
    int32_t black_king;
    int32_t castle[4];
    int32_t in_check;
    // The square an en passant capture may go to in the position at ply 0
    // (a set-up position's en passant field), or -1. At later plies it
    // follows from the move before.
    int32_t start_en_passant;
    FigureStore store;

    Board() = default;
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;
};

using BoardPtr = std::unique_ptr<Board>;

inline int32_t Opponent(int32_t colour) { return colour == WHITE ? BLACK : WHITE; }
inline int32_t KingSquare(const Board& board, int32_t colour)
{
    return colour == WHITE ? board.white_king : board.black_king;
}

// The squares that hold a figure of `colour`, or of either colour, and those
// that hold a pawn of `colour`.
inline uint64_t Pieces(const Board& board, int32_t colour) { return board.occupancy[board.ply][colour]; }
inline uint64_t Occupied(const Board& board) { return Pieces(board, WHITE) | Pieces(board, BLACK); }
inline uint64_t Pawns(const Board& board, int32_t colour) { return board.pawns[board.ply][colour]; }

// A zero-filled board with its empty figure made, `side` WHITE and `ply` 0.
// The caller fills the squares, the king squares, the side and the castling
// rights, then calls CompleteSetUp.
BoardPtr AllocBoard();

// Works out what the position at ply 0 implies: its key and lock, balance,
// occupancy, castling history entry and check flag.
void CompleteSetUp(Board& board);

// A board in the initial position, all castling rights held, white to move.
BoardPtr NewBoard();

// Writes the ASCII diagram of the board, rank 8 first.
void PrintBoard(const Board& board, std::ostream& out);

// Plays a move: 1 if made, 0 if refused because the mover's king would stand
// attacked (or the history is full), the board then being as before.
int MakeMove(Board& board, Move move);

// Whether MakeMove would refuse `move`, an ordinary move or a promotion of a
// figure other than the king, worked out without making it.
bool WouldRefuse(const Board& board, Move move);

// The balance (see ComputeBalance) after an ordinary move or a promotion of
// `moving` onto the square that holds `taken`, from the balance before it.
int32_t BalanceAfter(int32_t balance, const Figure& moving, const Figure& taken, Move move);

// Takes back the last move made with MakeMove. Requires ply >= 1.
void UnmakeMove(Board& board);

// Passes the turn; only when the side to move is not in check and ply < LAST_PLY.
void MakeNullMove(Board& board);
void UnmakeNullMove(Board& board);

// Drops the oldest plies of a game that has reached GAME_PLY_LIMIT.
void MakeRoom(Board& board);

// A move of the game itself (not of the search): makes room, then MakeMove.
int MakeGameMove(Board& board, Move move);

// Whether the position is one that play can go on from without a king being
// taken: at most one king of each colour, and the side not to move not in
// check. (A side may lack its king.)
bool IsLegalPosition(const Board& board);

// Whether a game can be played from the position as chess is played: one
// king of each colour, no pawn on the first or last rank, and the side not
// to move not in check. The front-ends refuse any other set-up position.
bool IsPlayablePosition(const Board& board);

// Whether every invariant of the board holds (see Board). For tests, fuzzing
// and the assertions of debug builds.
bool BoardOk(const Board& board);
