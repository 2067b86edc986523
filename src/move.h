// Moves and move lists: attack detection, move generation, move ordering and
// the move notation read from and written to the interface.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

struct Board;
struct Figure;

enum MoveKind : int32_t {
    CASTLE_QUEEN_SIDE = 0,  // king e1-c1 / e8-c8, rook a-file to d-file
    CASTLE_KING_SIDE = 1,   // king e1-g1 / e8-g8, rook h-file to f-file
    EN_PASSANT = 2,         // only ever the opponent's: the engine generates none
    PROMOTE_QUEEN = 3,
    PROMOTE_KNIGHT = 4,
    PROMOTE_BISHOP = 5,
    PROMOTE_ROOK = 6,
    NORMAL_MOVE = 7,  // every other move, captures included
};
static_assert(CASTLE_QUEEN_SIDE == 0 && CASTLE_KING_SIDE == 1 && EN_PASSANT == 2);
static_assert(PROMOTE_QUEEN == 3 && PROMOTE_KNIGHT == 4 && PROMOTE_BISHOP == 5 && PROMOTE_ROOK == 6);
static_assert(NORMAL_MOVE == 7);

// A move as a value: the square the figure leaves, the square it goes to
// (for castling, the king's) and its kind. A capture is not marked: it is a
// move whose destination holds a figure of the other colour.
struct Move {
    int32_t from;
    int32_t to;
    int32_t kind;
};
static_assert(sizeof(Move) == 12);

// The form that stands for "no move" (a null move's history entry, no
// preferred move, a best-move record nothing was written to).
inline constexpr Move NO_MOVE = {0, 0, 0};

inline bool SameSquares(Move a, Move b) { return a.from == b.from && a.to == b.to; }
inline bool IsNoMove(Move m) { return m.from == 0 && m.to == 0; }
inline bool IsPromotion(int32_t kind) { return kind >= PROMOTE_QUEEN && kind <= PROMOTE_ROOK; }

inline constexpr int MAX_MOVES = 200;

// The moves of one position with their ordering scores. A generator fills
// one from `count` 0 and hands it back whole; the search keeps it in the
// frame of its node and permutes it with PickNextMove. Entries at `count`
// and above mean nothing. `count` never exceeds MAX_MOVES: a move offered to
// a full list is dropped.
struct MoveList {
    Move moves[MAX_MOVES];
    int32_t scores[MAX_MOVES];
    int32_t count = 0;
};
static_assert(sizeof(MoveList) == MAX_MOVES * (sizeof(Move) + sizeof(int32_t)) + sizeof(int32_t));

// Ordering value of a captured figure, by type (KING and NONE included).
inline constexpr int32_t capture_value[7] = {100, 300, 325, 500, 900, 2000, 0};

// Board geometry: a 10x12 mailbox with off-board cells holding -1, and the
// steps of each figure type.
extern const int32_t mailbox[120];
extern const int32_t mailbox64[64];
extern const int32_t directions[6][8];
extern const int32_t direction_count[7];
extern const int32_t slides[6];

// Steps from `square` by mailbox step `step`; -1 when the step leaves the board.
inline int32_t Step(int32_t square, int32_t step) { return mailbox[mailbox64[square] + step]; }

// 1 if a figure of `colour` attacks `square`, else 0.
int IsAttacked(const Board& board, int square, int colour);

// The squares of the figures of `colour` that attack `square`.
uint64_t AttackersOf(const Board& board, int square, int colour);

// The squares strictly between two squares on a rank, file or diagonal;
// none when they share no line or are neighbours.
uint64_t Between(int a, int b);

// The mailbox step that leads from square `from` toward square `to` along a
// rank, a file or a diagonal; 0 when the two share no such line.
int LineStep(int from, int to);

// Whether the first figure met from `square` along mailbox step `step` is a
// figure of `colour` that slides along that line (a queen, or a bishop on a
// diagonal, a rook on a rank or file).
bool IsSliderAlong(const Board& board, int square, int step, int colour);

// The square of that slider as a bit, or 0.
uint64_t SliderAlong(const Board& board, int square, int step, int colour);

// The same on the board's figures with other sets of squares: `pieces`, those
// of the slider's side, and `occupied`, every occupied one. For a board as a
// move would leave it; a square of `pieces` must hold that side's figure.
uint64_t SliderAlongWith(const Board& board, int square, int step, uint64_t pieces, uint64_t occupied);

// Whether `figure`, standing on `from`, attacks `target` on the board as it
// stands.
bool FigureAttacks(const Board& board, const Figure& figure, int from, int target);

// Every pseudo-legal move of the side to move, castling included, in the
// engine's order (origin a1 to h8, castling last).
MoveList GenerateMoves(const Board& board, Move preferred);

// The captures of the side to move, capturing promotions included.
MoveList GenerateCaptures(const Board& board, Move preferred);

// Appends one move with its ordering score.
void AddMove(MoveList& list, const Board& board, Move move, Move preferred);

// Appends one pawn move, or its four promotions on the last rank.
void AddPawnMove(MoveList& list, const Board& board, int from, int to, Move preferred);

// 1 if the side to move may castle on `wing` (0 queen-side, 1 king-side).
int CanCastle(const Board& board, int wing);

// Brings the best-scored move of positions index..count-1 to `index`.
void PickNextMove(MoveList& list, int index);

// The opponent's move in coordinate notation as a move of the board's side
// to move, or none when the text names no move that side can make.
std::optional<Move> ParseMove(const char* text, const Board& board, std::ostream& out);

// The coordinate form of a move: e2e4, e1g1, a7a8q (no newline).
std::string MoveText(Move move);

// Writes the extended form of a move (Pe2e4, Pe4xBd5); call it before the
// move is made.
void PrintExtendedMove(const Board& board, Move move, std::ostream& out);
