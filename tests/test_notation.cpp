// Move notation: reading the opponent's coordinate moves (ParseMove), writing
// the engine's own (MoveText, PrintExtendedMove), and the "usermove" command
// of the command loop built on them.
#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"
#include "fen.h"
#include "hash.h"
#include "move.h"
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

void ExpectMove(const std::optional<Move>& move, Move expected, const char* text)
{
    ASSERT_TRUE(move.has_value()) << text;
    EXPECT_TRUE(SameMove(*move, expected)) << text << " read as " << MoveText(*move) << " kind " << move->kind;
}

constexpr Move REFUSED = NO_MOVE;

constexpr const char* BLACK_TO_START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -";

// A text read in a position, after the moves `before` (texts separated by
// blanks), and the move it must name or REFUSED.
struct Reading {
    const char* fen;
    const char* text;
    Move move;
    const char* before = "";
};

void ExpectReadings(std::initializer_list<Reading> readings)
{
    for (const Reading& r : readings) {
        SCOPED_TRACE(std::string(r.fen) + " after '" + r.before + "': " + r.text);
        const BoardPtr board = Load(r.fen);
        std::istringstream before(r.before);
        for (std::string text; before >> text;)
            Play(*board, text.c_str());
        if (IsNoMove(r.move)) {
            EXPECT_FALSE(Parse(r.text, *board));
        } else {
            ExpectMove(Parse(r.text, *board), r.move, r.text);
        }
    }
}

class Notation : public ::testing::Test {
  protected:
    void SetUp() override { InitHashTables(1); }
};

// ---- ParseMove: accepted texts --------------------------------------------

TEST_F(Notation, ReadsAnOrdinaryMove)
{
    ExpectReadings({
        {START_FEN, "e2e4", Mv("e2e4")},
        {START_FEN, "g1f3", Mv("g1f3")},
        // Characters after a non-promotion move are no promotion.
        {START_FEN, "e2e4q", Mv("e2e4")},
        {START_FEN, "g1f3n", Mv("g1f3")},
        {START_FEN, "e2e4 and more", Mv("e2e4")},
        // A trailing carriage return is ignored.
        {START_FEN, "e2e4\r", Mv("e2e4")},
        {BLACK_TO_START, "e7e5", Mv("e7e5")},
        {BLACK_TO_START, "b8c6", Mv("b8c6")},
    });
}

TEST_F(Notation, ReadsCastlingWhenAllowed)
{
    const char* white = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
    const char* black = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -";
    ExpectReadings({
        {white, "e1g1", Mv("e1g1", CASTLE_KING_SIDE)},
        {white, "e1c1", Mv("e1c1", CASTLE_QUEEN_SIDE)},
        {white, "e1g1q", Mv("e1g1", CASTLE_KING_SIDE)},
        {white, "e1g1\r", Mv("e1g1", CASTLE_KING_SIDE)},
        {white, "e8c8", REFUSED},  // black's king, white to move
        {black, "e8c8", Mv("e8c8", CASTLE_QUEEN_SIDE)},
        {black, "e8g8", Mv("e8g8", CASTLE_KING_SIDE)},
        {black, "e1g1", REFUSED},
    });
}

TEST_F(Notation, RefusesCastlingWithoutPermission)
{
    const char* no_rights = "r3k2r/8/8/8/8/8/8/R3K2R w - -";
    const char* crossed = "r3kr2/8/8/8/8/8/8/R3K2R w KQ -";  // f1 covered
    const char* in_check = "4r1k1/8/8/8/8/8/8/R3K2R w KQ -";
    ExpectReadings({
        {no_rights, "e1g1", REFUSED},
        {no_rights, "e1c1", REFUSED},
        {START_FEN, "e1g1", REFUSED},
        {START_FEN, "e1c1", REFUSED},
        {crossed, "e1g1", REFUSED},
        {crossed, "e1c1", Mv("e1c1", CASTLE_QUEEN_SIDE)},
        {in_check, "e1g1", REFUSED},
        {in_check, "e1c1", REFUSED},
    });
}

// Only the king's move from e1/e8 is castling; a rook going e1-g1 is a rook move.
TEST_F(Notation, RookOnKingsSquareMovesAsRook)
{
    const char* white = "7k/8/8/8/8/8/K7/4R3 w - -";
    const char* black = "4r3/k7/8/8/8/8/8/7K b - -";
    ExpectReadings({
        {white, "e1g1", Mv("e1g1")},
        {white, "e1c1", Mv("e1c1")},
        {black, "e8g8", Mv("e8g8")},
        {black, "e8c8", Mv("e8c8")},
    });
}

// ---- ParseMove: rejected texts ---------------------------------------------

TEST_F(Notation, RejectsTextsThatAreNotTwoSquares)
{
    const BoardPtr board = NewBoard();
    for (const char* text : {"i2i4", "e9e4", "e2e0", "e2e9", "e2i4", "`2e4", "e0e4", "@@@@", "E2E4", "2e4e", "e2 e4",
                             "\xe5\x32\x65\x34", "e2\xe5\x34", "\xff\xff\xff\xff", "e2-e4"}) {
        EXPECT_FALSE(Parse(text, *board)) << text;
    }
}

TEST_F(Notation, RejectsOriginWithoutFigureOfSideToMove)
{
    ExpectReadings({
        {START_FEN, "e3e4", REFUSED},  // empty origin, empty destination
        {START_FEN, "e3e7", REFUSED},  // empty origin, enemy destination
        {START_FEN, "e7e5", REFUSED},  // black's pawn, white to move
        {START_FEN, "g8f6", REFUSED},
        {START_FEN, "e1e2", REFUSED},  // own figure on the destination
        {BLACK_TO_START, "e2e4", REFUSED},
        {BLACK_TO_START, "g1f3", REFUSED},
        {BLACK_TO_START, "e6e2", REFUSED},
    });
}

TEST_F(Notation, RejectsMovesNoFigureCanMake)
{
    const BoardPtr board = NewBoard();
    for (const char* text : {"e2e5", "b1b3", "b1d2", "d1h5", "a1a3", "e2d3", "e1e3", "f1c4", "g1g3", "e2e2"})
        EXPECT_FALSE(Parse(text, *board)) << text;

    const char* blocked = "4k3/8/8/8/4p3/4n3/4P3/4K3 w - -";
    const char* forward = "4k3/8/8/4p3/4P3/8/8/4K3 w - -";
    const char* king = "4k3/8/8/8/8/8/8/4K3 w - -";
    ExpectReadings({
        // A pawn cannot step through a figure, capture forward or move back.
        {blocked, "e2e4", REFUSED},
        {blocked, "e2e3", REFUSED},
        {forward, "e4e5", REFUSED},
        {forward, "e4e3", REFUSED},
        // A king does not jump two squares outside castling.
        {king, "e1g1", REFUSED},
        {king, "e1e3", REFUSED},
    });
}

TEST_F(Notation, ShortTextsAreReported)
{
    const BoardPtr board = NewBoard();
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

// ---- Promotions --------------------------------------------------------------

TEST_F(Notation, PawnReachingLastRankAlwaysPromotes)
{
    const char* white = "3r3k/4P3/8/8/8/8/8/4K3 w - -";
    const char* black = "4k3/8/8/8/8/8/1p6/R3K3 b - -";
    ExpectReadings({
        {white, "e7e8q", Mv("e7e8", PROMOTE_QUEEN)},    {white, "e7e8Q", Mv("e7e8", PROMOTE_QUEEN)},
        {white, "e7e8r", Mv("e7e8", PROMOTE_ROOK)},     {white, "e7e8R", Mv("e7e8", PROMOTE_ROOK)},
        {white, "e7e8b", Mv("e7e8", PROMOTE_BISHOP)},   {white, "e7e8B", Mv("e7e8", PROMOTE_BISHOP)},
        {white, "e7e8n", Mv("e7e8", PROMOTE_KNIGHT)},   {white, "e7e8N", Mv("e7e8", PROMOTE_KNIGHT)},
        {white, "e7e8", Mv("e7e8", PROMOTE_QUEEN)},     {white, "e7e8k", Mv("e7e8", PROMOTE_QUEEN)},
        {white, "e7e8x", Mv("e7e8", PROMOTE_QUEEN)},    {white, "e7e8\r", Mv("e7e8", PROMOTE_QUEEN)},
        {white, "e7e8n\r", Mv("e7e8", PROMOTE_KNIGHT)}, {white, "e7e8 ", Mv("e7e8", PROMOTE_QUEEN)},
        {white, "e7e8p", Mv("e7e8", PROMOTE_QUEEN)},    {white, "e7d8n", Mv("e7d8", PROMOTE_KNIGHT)},
        {white, "e7d8", Mv("e7d8", PROMOTE_QUEEN)},     {black, "b2b1r", Mv("b2b1", PROMOTE_ROOK)},
        {black, "b2a1", Mv("b2a1", PROMOTE_QUEEN)},     {black, "b2a1B", Mv("b2a1", PROMOTE_BISHOP)},
    });
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

TEST_F(Notation, OpponentEnPassantIsPlayedAndTakenBack)
{
    BoardPtr board = NewBoard();
    for (const char* text : {"e2e4", "a7a6", "e4e5", "d7d5"})
        Play(*board, text);
    const int e5 = Sq("e5");
    const int d5 = Sq("d5");
    const int d6 = Sq("d6");
    Figure* white_pawn = board->squares[e5];
    Figure* black_pawn = board->squares[d5];
    const uint32_t key = board->states[board->ply].hash_key;
    const uint32_t lock = board->states[board->ply].hash_lock;
    const int ply = board->ply;

    // Not generated by the engine, but accepted from the opponent.
    const MoveList list = GenerateMoves(*board, NO_MOVE);
    for (int i = 0; i < list.count; ++i)
        EXPECT_FALSE(list.moves[i].from == e5 && list.moves[i].to == d6);
    EXPECT_FALSE(Parse("e5f6", *board));  // no double step on the f-file

    const std::optional<Move> move = Parse("e5d6", *board);
    ExpectMove(move, Mv("e5d6", EN_PASSANT), "e5d6");
    EXPECT_EQ(MoveText(*move), "e5d6");
    ASSERT_EQ(MakeMove(*board, *move), 1);
    EXPECT_EQ(board->squares[d6], white_pawn);
    EXPECT_TRUE(IsEmpty(board->squares[d5]));
    EXPECT_TRUE(IsEmpty(board->squares[e5]));
    EXPECT_EQ(board->side, BLACK);
    EXPECT_EQ(board->states[board->ply].hash_key, ComputeKey(*board));
    EXPECT_EQ(board->states[board->ply].hash_lock, ComputeLock(*board));
    EXPECT_TRUE(BoardOk(*board));

    UnmakeMove(*board);
    EXPECT_EQ(board->ply, ply);
    EXPECT_EQ(board->squares[d5], black_pawn);
    EXPECT_EQ(board->squares[e5], white_pawn);
    EXPECT_TRUE(IsEmpty(board->squares[d6]));
    EXPECT_EQ(board->side, WHITE);
    EXPECT_EQ(board->states[board->ply].hash_key, key);
    EXPECT_EQ(board->states[board->ply].hash_lock, lock);
    EXPECT_EQ(ComputeKey(*board), key);
    EXPECT_EQ(ComputeLock(*board), lock);
    EXPECT_TRUE(BoardOk(*board));
}

TEST_F(Notation, BlackTakesEnPassantToo)
{
    BoardPtr board = NewBoard();
    for (const char* text : {"a2a3", "e7e5", "a3a4", "e5e4", "d2d4"})
        Play(*board, text);
    Figure* white_pawn = board->squares[Sq("d4")];
    const std::optional<Move> move = Parse("e4d3", *board);
    ExpectMove(move, Mv("e4d3", EN_PASSANT), "e4d3");
    EXPECT_FALSE(Parse("e4f3", *board));
    ASSERT_EQ(MakeMove(*board, *move), 1);
    EXPECT_TRUE(IsEmpty(board->squares[Sq("d4")]));
    EXPECT_EQ(board->squares[Sq("d3")]->type, PAWN);
    EXPECT_EQ(board->squares[Sq("d3")]->colour, BLACK);
    EXPECT_EQ(board->states[board->ply].hash_key, ComputeKey(*board));
    EXPECT_EQ(board->states[board->ply].hash_lock, ComputeLock(*board));
    EXPECT_TRUE(BoardOk(*board));
    UnmakeMove(*board);
    EXPECT_EQ(board->squares[Sq("d4")], white_pawn);
    EXPECT_TRUE(IsEmpty(board->squares[Sq("d3")]));
    EXPECT_TRUE(BoardOk(*board));
}

TEST_F(Notation, EnPassantOnlyRightAfterTheDoubleStep)
{
    ExpectReadings({
        {START_FEN, "e5d6", REFUSED, "e2e4 a7a6 e4e5 d7d5 g1f3 a6a5"},
        // Two single steps are no double step.
        {"4k3/8/3p4/4P3/8/8/8/4K3 b - -", "e5d6", REFUSED, "d6d5"},
        // A rook going d7-d5 is no pawn's double step.
        {"4k3/3r4/8/4P3/8/8/8/4K3 b - -", "e5d6", REFUSED, "d7d5"},
        // A pawn two files away cannot take.
        {"4k3/3p4/8/5P2/8/8/8/4K3 b - -", "f5d6", REFUSED, "d7d5"},
        {"4k3/3p4/8/5P2/8/8/8/4K3 b - -", "f5e6", REFUSED, "d7d5"},
    });
}

// Taking en passant can expose the king along the rank both pawns leave.
TEST_F(Notation, EnPassantExposingTheKingIsRefused)
{
    BoardPtr board = Load("7k/2p5/8/KP5r/8/8/8/8 b - -");
    Play(*board, "c7c5");
    const std::optional<Move> move = Parse("b5c6", *board);
    ExpectMove(move, Mv("b5c6", EN_PASSANT), "b5c6");
    Figure* white_pawn = board->squares[Sq("b5")];
    Figure* black_pawn = board->squares[Sq("c5")];
    const uint32_t key = board->states[board->ply].hash_key;
    EXPECT_EQ(MakeMove(*board, *move), 0);
    EXPECT_EQ(board->ply, 1);
    EXPECT_EQ(board->side, WHITE);
    EXPECT_EQ(board->squares[Sq("b5")], white_pawn);
    EXPECT_EQ(board->squares[Sq("c5")], black_pawn);
    EXPECT_TRUE(IsEmpty(board->squares[Sq("c6")]));
    EXPECT_EQ(board->states[board->ply].hash_key, key);
    EXPECT_TRUE(BoardOk(*board));
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
    const BoardPtr initial = NewBoard();
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

TEST_F(Notation, UsermovePlaysAndTheEngineReplies)
{
    const SessionResult result = RunSession("usermove e2e4\nquit\n");
    EXPECT_EQ(result.status, 0);
    const std::string output = AfterFeatures(result.output);
    EXPECT_EQ(output.rfind("Searched ", 0), 0u) << output;
    EXPECT_NE(output.find("\nBoard raw eval is "), std::string::npos) << output;
    const std::string reply = MoveLineText(output);
    ASSERT_EQ(reply.size(), 4u) << output;

    // The reply is a move black can make after e2e4, and the diagram shows
    // the position after both moves.
    InitHashTables(1);
    BoardPtr board = NewBoard();
    Play(*board, "e2e4");
    Play(*board, reply.c_str());
    EXPECT_NE(output.find("move " + reply + "\n" + DiagramOf(*board)), std::string::npos) << output;
    EXPECT_EQ(output.find("Illegal"), std::string::npos);
    EXPECT_EQ(output.find("Errro"), std::string::npos);
}

TEST_F(Notation, UsermoveWithCarriageReturnPlaysTheSame)
{
    const SessionResult plain = RunSession("usermove e2e4\nquit\n");
    const SessionResult crlf = RunSession("usermove e2e4\r\nquit\r\n");
    EXPECT_EQ(crlf.output, plain.output);
    EXPECT_EQ(crlf.status, 0);
}

// A rejected text gives exactly "Illegal move !!" and leaves the board: the
// diagram of "undo" (nothing to take back) is still the initial position.
TEST_F(Notation, RejectedTextsLeaveTheBoard)
{
    const std::string initial = DiagramOf(*NewBoard());
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

TEST_F(Notation, LegalMoveAfterRejectedTextStillPlays)
{
    const SessionResult result = RunSession("usermove e2e5\nusermove e2e4\nquit\n");
    const std::string output = AfterFeatures(result.output);
    EXPECT_EQ(output.rfind("Illegal move !!\nSearched ", 0), 0u) << output;
    EXPECT_EQ(MoveLineText(output).size(), 4u) << output;
    // The same game as e2e4 alone.
    const SessionResult direct = RunSession("usermove e2e4\nquit\n");
    EXPECT_EQ(MoveLineText(output), MoveLineText(AfterFeatures(direct.output)));
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
