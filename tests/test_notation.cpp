// Move notation: reading the opponent's coordinate moves (ParseMove), writing
// the engine's own (MoveText, PrintExtendedMove), and the "usermove" command
// of the command loop built on them.
#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "diagram.h"
#include "hash.h"
#include "movegen.h"
#include "scripted_game.h"
#include "session.h"
#include "test_support.h"

namespace {

constexpr const char* SHORT_TEXT = "Extended algebraic needs 4 characters\n";

// ParseMove with its output kept; `written` receives what it wrote.
std::optional<Move> Parse(const char* text, const Board& board, std::string* written = nullptr)
{
    std::ostringstream out;
    const std::optional<Move> move = ParseMove(text, board, out);
    if (written) {
        *written = out.str();
    } else {
        EXPECT_EQ(out.str(), "") << "text " << text;
    }
    return move;
}

// Parses and plays a move of the game; fails the test when either refuses.
void Play(Board& board, const char* text)
{
    const std::optional<Move> move = Parse(text, board);
    ASSERT_TRUE(move) << text;
    ASSERT_EQ(MakeMove(board, *move), 1) << text;
}

// The position of `fen` after the moves `before` (texts separated by blanks).
BoardPtr LoadAfter(const char* fen, const char* before)
{
    BoardPtr board = Load(fen);
    std::istringstream in(before);
    for (std::string text; in >> text;)
        Play(*board, text.c_str());
    return board;
}

void ExpectMove(const std::optional<Move>& move, Move expected, const char* text)
{
    ASSERT_TRUE(move.has_value()) << text;
    EXPECT_TRUE(SameMove(*move, expected)) << text << " read as " << MoveText(*move) << " kind " << move->kind;
}

constexpr Move REFUSED = NO_MOVE;

constexpr const char* BLACK_TO_START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -";

// A text read in a position, after the moves `before` (as LoadAfter takes
// them), and the move it must name or REFUSED.
struct Reading {
    const char* label;
    const char* fen;
    const char* text;
    Move move;
    const char* before = "";
};

class Notation : public ::testing::Test {
  protected:
    void SetUp() override { InitHashTables(1); }
};

// ---- ParseMove ---------------------------------------------------------------

TEST_F(Notation, Readings)
{
    const char* castling = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
    const char* black_castling = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -";
    const char* no_rights = "r3k2r/8/8/8/8/8/8/R3K2R w - -";
    const char* crossed = "r3kr2/8/8/8/8/8/8/R3K2R w KQ -";  // f1 covered
    const char* in_check = "4r1k1/8/8/8/8/8/8/R3K2R w KQ -";
    const char* rook = "7k/8/8/8/8/8/K7/4R3 w - -";
    const char* black_rook = "4r3/k7/8/8/8/8/8/7K b - -";
    const char* blocked = "4k3/8/8/8/4p3/4n3/4P3/4K3 w - -";
    const char* forward = "4k3/8/8/4p3/4P3/8/8/4K3 w - -";
    const char* king = "4k3/8/8/8/8/8/8/4K3 w - -";
    const char* white = "3r3k/4P3/8/8/8/8/8/4K3 w - -";
    const char* black = "4k3/8/8/8/8/8/1p6/R3K3 b - -";
    const char* wide = "4k3/3p4/8/5P2/8/8/8/4K3 b - -";
    const Reading readings[] = {
        {"a pawn move", START_POSITION, "e2e4", Mv("e2e4")},
        {"a knight move", START_POSITION, "g1f3", Mv("g1f3")},
        {"a letter after a pawn move is no promotion", START_POSITION, "e2e4q", Mv("e2e4")},
        {"a letter after a knight move is no promotion", START_POSITION, "g1f3n", Mv("g1f3")},
        {"words after the move are ignored", START_POSITION, "e2e4 and more", Mv("e2e4")},
        {"a trailing carriage return is ignored", START_POSITION, "e2e4\r", Mv("e2e4")},
        {"black's pawn move", BLACK_TO_START, "e7e5", Mv("e7e5")},
        {"black's knight move", BLACK_TO_START, "b8c6", Mv("b8c6")},

        {"white castles king side", castling, "e1g1", Mv("e1g1", CASTLE_KING_SIDE)},
        {"white castles queen side", castling, "e1c1", Mv("e1c1", CASTLE_QUEEN_SIDE)},
        {"a letter after castling is no promotion", castling, "e1g1q", Mv("e1g1", CASTLE_KING_SIDE)},
        {"a carriage return after castling", castling, "e1g1\r", Mv("e1g1", CASTLE_KING_SIDE)},
        {"black's castling with white to move", castling, "e8c8", REFUSED},
        {"black castles queen side", black_castling, "e8c8", Mv("e8c8", CASTLE_QUEEN_SIDE)},
        {"black castles king side", black_castling, "e8g8", Mv("e8g8", CASTLE_KING_SIDE)},
        {"white's castling with black to move", black_castling, "e1g1", REFUSED},
        {"no king side castling without the right", no_rights, "e1g1", REFUSED},
        {"no queen side castling without the right", no_rights, "e1c1", REFUSED},
        {"no king side castling through figures", START_POSITION, "e1g1", REFUSED},
        {"no queen side castling through figures", START_POSITION, "e1c1", REFUSED},
        {"no castling across an attacked square", crossed, "e1g1", REFUSED},
        {"castling on the other side stays allowed", crossed, "e1c1", Mv("e1c1", CASTLE_QUEEN_SIDE)},
        {"no king side castling out of check", in_check, "e1g1", REFUSED},
        {"no queen side castling out of check", in_check, "e1c1", REFUSED},
        // Only the king's move from e1/e8 is castling.
        {"a white rook going e1-g1 is a rook move", rook, "e1g1", Mv("e1g1")},
        {"a white rook going e1-c1 is a rook move", rook, "e1c1", Mv("e1c1")},
        {"a black rook going e8-g8 is a rook move", black_rook, "e8g8", Mv("e8g8")},
        {"a black rook going e8-c8 is a rook move", black_rook, "e8c8", Mv("e8c8")},

        {"empty origin, empty destination", START_POSITION, "e3e4", REFUSED},
        {"empty origin, enemy destination", START_POSITION, "e3e7", REFUSED},
        {"black's pawn with white to move", START_POSITION, "e7e5", REFUSED},
        {"black's knight with white to move", START_POSITION, "g8f6", REFUSED},
        {"own figure on the destination", START_POSITION, "e1e2", REFUSED},
        {"white's pawn with black to move", BLACK_TO_START, "e2e4", REFUSED},
        {"white's knight with black to move", BLACK_TO_START, "g1f3", REFUSED},
        {"empty origin for black", BLACK_TO_START, "e6e2", REFUSED},
        {"a pawn cannot step two through a figure", blocked, "e2e4", REFUSED},
        {"a pawn cannot step onto a figure", blocked, "e2e3", REFUSED},
        {"a pawn cannot capture forward", forward, "e4e5", REFUSED},
        {"a pawn cannot move back", forward, "e4e3", REFUSED},
        {"a king does not jump two squares outside castling", king, "e1g1", REFUSED},
        {"a king does not step two squares forward", king, "e1e3", REFUSED},

        // A pawn reaching the last rank always promotes, to a queen unless
        // another figure is named.
        {"q promotes to a queen", white, "e7e8q", Mv("e7e8", PROMOTE_QUEEN)},
        {"Q promotes to a queen", white, "e7e8Q", Mv("e7e8", PROMOTE_QUEEN)},
        {"r promotes to a rook", white, "e7e8r", Mv("e7e8", PROMOTE_ROOK)},
        {"R promotes to a rook", white, "e7e8R", Mv("e7e8", PROMOTE_ROOK)},
        {"b promotes to a bishop", white, "e7e8b", Mv("e7e8", PROMOTE_BISHOP)},
        {"B promotes to a bishop", white, "e7e8B", Mv("e7e8", PROMOTE_BISHOP)},
        {"n promotes to a knight", white, "e7e8n", Mv("e7e8", PROMOTE_KNIGHT)},
        {"N promotes to a knight", white, "e7e8N", Mv("e7e8", PROMOTE_KNIGHT)},
        {"no letter promotes to a queen", white, "e7e8", Mv("e7e8", PROMOTE_QUEEN)},
        {"k promotes to a queen", white, "e7e8k", Mv("e7e8", PROMOTE_QUEEN)},
        {"x promotes to a queen", white, "e7e8x", Mv("e7e8", PROMOTE_QUEEN)},
        {"p promotes to a queen", white, "e7e8p", Mv("e7e8", PROMOTE_QUEEN)},
        {"a carriage return promotes to a queen", white, "e7e8\r", Mv("e7e8", PROMOTE_QUEEN)},
        {"a carriage return after the letter", white, "e7e8n\r", Mv("e7e8", PROMOTE_KNIGHT)},
        {"a blank promotes to a queen", white, "e7e8 ", Mv("e7e8", PROMOTE_QUEEN)},
        {"a capturing promotion to a knight", white, "e7d8n", Mv("e7d8", PROMOTE_KNIGHT)},
        {"a capturing promotion to a queen", white, "e7d8", Mv("e7d8", PROMOTE_QUEEN)},
        {"black promotes to a rook", black, "b2b1r", Mv("b2b1", PROMOTE_ROOK)},
        {"black's capturing promotion to a queen", black, "b2a1", Mv("b2a1", PROMOTE_QUEEN)},
        {"black's capturing promotion to a bishop", black, "b2a1B", Mv("b2a1", PROMOTE_BISHOP)},

        {"en passant only right after the double step", START_POSITION, "e5d6", REFUSED, "e2e4 a7a6 e4e5 d7d5 g1f3 a6a5"},
        {"two single steps are no double step", "4k3/8/3p4/4P3/8/8/8/4K3 b - -", "e5d6", REFUSED, "d6d5"},
        {"a rook going d7-d5 is no double step", "4k3/3r4/8/4P3/8/8/8/4K3 b - -", "e5d6", REFUSED, "d7d5"},
        {"a pawn two files away cannot take en passant", wide, "f5d6", REFUSED, "d7d5"},
        {"a pawn two files away cannot take on the file between", wide, "f5e6", REFUSED, "d7d5"},
    };
    for (const Reading& r : readings) {
        SCOPED_TRACE(std::string(r.label) + ": " + r.fen + " after '" + r.before + "': " + r.text);
        const BoardPtr board = LoadAfter(r.fen, r.before);
        if (IsNoMove(r.move)) {
            EXPECT_FALSE(Parse(r.text, *board));
        } else {
            ExpectMove(Parse(r.text, *board), r.move, r.text);
        }
    }
}

TEST_F(Notation, RejectsTextsThatAreNotTwoSquares)
{
    const BoardPtr board = NewBoard(CLASSIC_RULES);
    for (const char* text : {"i2i4", "e9e4", "e2e0", "e2e9", "e2i4", "`2e4", "e0e4", "@@@@", "E2E4", "2e4e", "e2 e4",
                             "\xe5\x32\x65\x34", "e2\xe5\x34", "\xff\xff\xff\xff", "e2-e4"}) {
        EXPECT_FALSE(Parse(text, *board)) << text;
    }
}

TEST_F(Notation, RejectsMovesNoFigureCanMake)
{
    const BoardPtr board = NewBoard(CLASSIC_RULES);
    for (const char* text : {"e2e5", "b1b3", "b1d2", "d1h5", "a1a3", "e2d3", "e1e3", "f1c4", "g1g3", "e2e2"})
        EXPECT_FALSE(Parse(text, *board)) << text;
}

TEST_F(Notation, ShortTextsAreReported)
{
    const BoardPtr board = NewBoard(CLASSIC_RULES);
    for (const char* text : {"", "e", "e2", "e2e"}) {
        std::string written;
        EXPECT_FALSE(Parse(text, *board, &written)) << text;
        EXPECT_EQ(written, SHORT_TEXT) << text;
    }
    // Other rejections write nothing of their own.
    std::string written;
    EXPECT_FALSE(Parse("e2e5", *board, &written));
    EXPECT_EQ(written, "");
}

TEST_F(Notation, PlayedPromotionLeavesNoPawnOnTheLastRank)
{
    BoardPtr board = Load("7k/4P3/8/8/8/8/8/4K3 w - -");
    Figure* pawn = board->squares[Sq("e7")];
    for (const char* text : {"e7e8", "e7e8k", "e7e8n"}) {
        Play(*board, text);
        EXPECT_EQ(board->squares[Sq("e8")]->type, text[4] == 'n' ? KNIGHT : QUEEN) << text;
        EXPECT_EQ(board->squares[Sq("e8")]->colour, WHITE) << text;
        EXPECT_TRUE(IsEmpty(board->squares[Sq("e7")])) << text;
        EXPECT_TRUE(BoardOk(*board)) << text;
        UnmakeMove(*board);
        EXPECT_EQ(board->squares[Sq("e7")], pawn) << text;
        EXPECT_TRUE(IsEmpty(board->squares[Sq("e8")])) << text;
    }
}

// ---- The opponent's en passant -------------------------------------------

// En passant is not generated by the engine but accepted from the opponent,
// played and taken back with the key and lock kept current. Taking can expose
// the king along the rank both pawns leave; MakeMove then refuses it.
TEST_F(Notation, OpponentEnPassant)
{
    const struct {
        const char* label;
        const char* fen;
        const char* before;
        const char* text;
        const char* other_side;  // the diagonal on the other side, where no pawn passed
        const char* victim;
        int made;
    } cases[] = {
        {"white takes en passant", START_POSITION, "e2e4 a7a6 e4e5 d7d5", "e5d6", "e5f6", "d5", 1},
        {"black takes en passant", START_POSITION, "a2a3 e7e5 a3a4 e5e4 d2d4", "e4d3", "e4f3", "d4", 1},
        {"en passant exposing the king is refused", "7k/2p5/8/KP5r/8/8/8/8 b - -", "c7c5", "b5c6", "b5a6", "c5", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        BoardPtr board = LoadAfter(c.fen, c.before);
        const int from = Sq(c.text);
        const int to = Sq(c.text + 2);
        const int victim_square = Sq(c.victim);
        const MoveList list = GenerateMoves(*board, NO_MOVE);
        for (int i = 0; i < list.count; ++i)
            EXPECT_FALSE(list.moves[i].from == from && list.moves[i].to == to);
        EXPECT_FALSE(Parse(c.other_side, *board));

        const std::optional<Move> move = Parse(c.text, *board);
        ExpectMove(move, Mv(c.text, EN_PASSANT), c.text);
        EXPECT_EQ(MoveText(*move), c.text);
        Figure* mover = board->squares[from];
        Figure* victim = board->squares[victim_square];
        const int32_t side = board->side;
        const int ply = board->ply;
        const uint32_t key = State(*board).hash_key;
        const uint32_t lock = State(*board).hash_lock;
        ASSERT_EQ(MakeMove(*board, *move), c.made);
        if (c.made) {
            EXPECT_EQ(board->squares[to], mover);
            EXPECT_TRUE(IsEmpty(board->squares[from]));
            EXPECT_TRUE(IsEmpty(board->squares[victim_square]));
            EXPECT_EQ(board->side, side == WHITE ? BLACK : WHITE);
            ExpectHashesCurrent(*board);
            EXPECT_TRUE(BoardOk(*board));
            UnmakeMove(*board);
        }
        EXPECT_EQ(board->ply, ply);
        EXPECT_EQ(board->squares[from], mover);
        EXPECT_EQ(board->squares[victim_square], victim);
        EXPECT_TRUE(IsEmpty(board->squares[to]));
        EXPECT_EQ(board->side, side);
        EXPECT_EQ(State(*board).hash_key, key);
        EXPECT_EQ(State(*board).hash_lock, lock);
        ExpectHashesCurrent(*board);
        EXPECT_TRUE(BoardOk(*board));
    }
}

// ---- Writing moves ---------------------------------------------------------

TEST_F(Notation, CoordinateForm)
{
    EXPECT_EQ(MoveText(Mv("g1f3")), "g1f3");
    EXPECT_EQ(MoveText({4, 6, CASTLE_KING_SIDE}), "e1g1");
    EXPECT_EQ(MoveText({60, 58, CASTLE_QUEEN_SIDE}), "e8c8");
    EXPECT_EQ(MoveText({0, 63, NORMAL_MOVE}), "a1h8");
    EXPECT_EQ(MoveText(Mv("a7a8", PROMOTE_QUEEN)), "a7a8q");
    EXPECT_EQ(MoveText(Mv("a7a8", PROMOTE_KNIGHT)), "a7a8n");
    EXPECT_EQ(MoveText(Mv("a7a8", PROMOTE_ROOK)), "a7a8r");
    EXPECT_EQ(MoveText(Mv("a7b8", PROMOTE_BISHOP)), "a7b8b");
    EXPECT_EQ(MoveText(Mv("h2h1", PROMOTE_QUEEN)), "h2h1q");
    EXPECT_EQ(MoveText(Mv("e5d6", EN_PASSANT)), "e5d6");
}

TEST_F(Notation, ExtendedForm)
{
    const BoardPtr initial = NewBoard(CLASSIC_RULES);
    EXPECT_EQ(ExtendedText(*initial, Mv("g1f3")), "Ng1f3");
    EXPECT_EQ(ExtendedText(*initial, Mv("e2e4")), "Pe2e4");

    const BoardPtr capture = Load("4k3/8/8/3b4/4P3/8/8/4K3 w - -");
    EXPECT_EQ(ExtendedText(*capture, Mv("e4d5")), "Pe4xBd5");
    const BoardPtr black = Load("4k3/8/2n5/8/3Q4/8/8/4K3 b - -");
    EXPECT_EQ(ExtendedText(*black, Mv("c6d4")), "Nc6xQd4");

    const BoardPtr castle = Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    EXPECT_EQ(ExtendedText(*castle, Mv("e1g1", CASTLE_KING_SIDE)), "Ke1g1");
    EXPECT_EQ(ExtendedText(*castle, Mv("e1c1", CASTLE_QUEEN_SIDE)), "Ke1c1");

    const BoardPtr promotion = Load("1n5k/P7/8/8/8/8/8/4K3 w - -");
    EXPECT_EQ(ExtendedText(*promotion, Mv("a7a8", PROMOTE_QUEEN)), "Pa7a8");
    EXPECT_EQ(ExtendedText(*promotion, Mv("a7b8", PROMOTE_KNIGHT)), "Pa7xNb8");
    EXPECT_TRUE(BoardOk(*promotion));
}

// ---- The "usermove" command ---------------------------------------------------

// A rejected text gives exactly "Illegal move !!" and leaves the board: the
// diagram of "undo" (nothing to take back) is still the initial position.
TEST_F(Notation, RejectedTextsLeaveTheBoard)
{
    const std::string initial = DiagramOf(*NewBoard(CLASSIC_RULES));
    for (const std::string text :
         {"e2e5", "e7e5", "e3e4", "e3e7", "i2i4", "e9e4", "@@@@", "\xc3\xa9\x32\x34", "b1b3", "e1g1", "e1e2", "d1h5"}) {
        const SessionResult result = RunSession("usermove " + text + "\nundo\nquit\n");
        EXPECT_EQ(AfterFeatures(result.output), "Illegal move !!\nundoing move\n" + initial) << text;
    }
    const std::string refused_short = std::string(SHORT_TEXT).append("Illegal move !!\nundoing move\n").append(initial);
    for (const std::string line : {"usermove e2", "usermove e2e", "usermove", "usermove "}) {
        const SessionResult result = RunSession(line + "\nundo\nquit\n");
        EXPECT_EQ(AfterFeatures(result.output), refused_short) << line;
    }
}

// A move that leaves one's own king attacked is refused with one line and no reply.
TEST_F(Notation, MoveIntoCheckIsRefused)
{
    const std::string position = "setboard 3rr2k/8/8/8/8/8/4B3/4K3 w - - 0 1\n";
    const std::string set_up = RunSession(position + "quit\n").output;
    InitHashTables(1);
    const BoardPtr board = Load("3rr2k/8/8/8/8/8/4B3/4K3 w - -");
    for (const std::string text : {"e2d3", "e1d1", "e1d2"}) {
        const SessionResult result = RunSession(position + "usermove " + text + "\nundo\nquit\n");
        EXPECT_EQ(result.output, set_up + "Errro ilegal move " + text + "\nundoing move\n" + DiagramOf(*board)) << text;
    }
}

// The engine's only reply to f1g2 is d7d5 (it must block the check); the
// opponent then takes en passant, which re-opens the check, and the only
// answer is the rook to d5.
TEST_F(Notation, EnPassantInASession)
{
    const SessionResult result =
        RunSession("setboard k7/3p4/N7/1N2P2r/8/8/8/2K2B2 w - - 0 1\nusermove f1g2\nusermove e5d6\nundo\nquit\n");
    const std::string output = result.output;
    InitHashTables(1);
    const BoardPtr after_block = Load("k7/8/N7/1N1pP2r/8/8/6B1/2K5 b - -");
    const BoardPtr after_capture = Load("k7/8/N2P4/1N1r4/8/8/6B1/2K5 w - -");
    const size_t block = output.find("move d7d5\n" + DiagramOf(*after_block));
    const size_t capture = output.find("move h5d5\n" + DiagramOf(*after_capture));
    const size_t undo = output.find("undoing move\n" + DiagramOf(*after_block));
    ASSERT_NE(block, std::string::npos) << output;
    ASSERT_NE(capture, std::string::npos) << output;
    ASSERT_NE(undo, std::string::npos) << output;
    EXPECT_LT(block, capture);
    EXPECT_LT(capture, undo);
    EXPECT_EQ(output.find("Illegal"), std::string::npos);
    EXPECT_EQ(output.find("Errro"), std::string::npos);
}

// The opponent's promotion takes the figure named, a queen by default.
TEST_F(Notation, PromotionInASession)
{
    struct Case {
        const char* text;
        const char* cell;  // the a8 cell of the diagram
    };
    for (const Case c :
         {Case{"a7a8n", "8 | *N |"}, Case{"a7a8R", "8 | *R |"}, Case{"a7a8", "8 | *Q |"}, Case{"a7a8x", "8 | *Q |"}}) {
        const SessionResult result =
            RunSession(std::string("setboard 8/P7/8/8/8/8/8/4K2k w - - 0 1\nusermove ") + c.text + "\nquit\n");
        const std::string output = result.output;
        const size_t reply = output.find("\nmove ");
        ASSERT_NE(reply, std::string::npos) << c.text << "\n" << output;
        EXPECT_NE(output.find(c.cell, reply), std::string::npos) << c.text << "\n" << output;
    }
}

// The engine writes its own promotion with a lower-case letter, and the
// diagram shows that figure. Black's only moves here are the four promotions.
TEST_F(Notation, EnginePromotionCarriesItsLetter)
{
    const SessionResult result = RunSession("setboard k1N5/2K5/8/8/4N3/8/7p/8 w - - 0 1\nusermove e4c3\nquit\n");
    const std::string output = result.output;
    const std::string reply = MoveLineText(output);
    ASSERT_EQ(reply.size(), 5u) << output;
    EXPECT_EQ(reply.substr(0, 4), "h2h1");
    const std::string letters = "qrbn";
    ASSERT_NE(letters.find(reply[4]), std::string::npos) << reply;
    const std::string cell =
        std::string("1 |    |    |    |    |    |    |    |  ") + static_cast<char>(reply[4] - 'a' + 'A') + " |";
    EXPECT_NE(output.find(cell, output.find("\nmove ")), std::string::npos) << output;
}

}  // namespace
