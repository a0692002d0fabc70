#include "BpgnExport.h"
#include "BpgnGame.h"
#include "BpgnReader.h"
#include "BughouseBoards.h"
#include "FenText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace
{
// Plays texts alternately as given: {board, text}.
void Play(CBughouseBoards& boards, const std::vector<std::pair<int, std::string>>& moves)
{
    for (const auto& [board, text] : moves)
    {
        CReplayedMove played;
        std::string why;
        ASSERT_TRUE(boards.PlayText(board, text, played, &why)) << text << ": " << why;
    }
}

// A server's export: both boards interleaved, clocks in seconds, drops, a
// comment and annotation marks, the result after a closing comment.
constexpr const char* kServerGame = R"([Event "rated bughouse match"]
[Site "freechess.org"]
[Date "2024.03.02"]
[WhiteA "alpha"]
[WhiteAElo "1850"]
[BlackA "bravo"]
[WhiteB "charlie"]
[BlackB "delta"]
[TimeControl "180+0"]
[Result "0-1"]

{C: game 4711} 1A. e4{179.9} 1a. d5{179.100} 1B. d4{178.950} 2A. exd5{178.2}
1b. P@e5 {178.500 a pawn from the partner} 2a. Qxd5{177} 2B. dxe5{177.123}
2b. Nc6 3A. Nc3{176.0} 3a. P@e4! 3B. P@f6 {C:bravo resigns} 0-1
)";
} // namespace

TEST(BughouseBoardsTest, CapturesGoToTheOtherBoardAndCanBeDropped)
{
    CBughouseBoards boards;
    Play(boards, {{0, "e4"}, {0, "d5"}, {0, "exd5"}});
    // The black pawn taken on board A is Black's to drop on board B.
    EXPECT_EQ(boards.HoldingsText(1), "p");
    EXPECT_EQ(boards.HoldingsText(0), "");
    Play(boards, {{1, "d4"}, {1, "P@e5"}, {1, "dxe5"}});
    EXPECT_EQ(boards.HoldingsText(0), "p");
    EXPECT_EQ(boards.Fen(0), "rnbqkbnr/ppp1pppp/8/3P4/8/8/PPPP1PPP/RNBQKBNR[p] b KQkq - 0 2");
    EXPECT_EQ(boards.Plies(0), 3);
    EXPECT_EQ(boards.Plies(1), 3);

    CReplayedMove played;
    std::string why;
    EXPECT_FALSE(boards.PlayText(0, "N@e5", played, &why));
    EXPECT_EQ(why, "no knight in hand");
    EXPECT_FALSE(boards.PlayText(0, "P@d5", played, &why));
    EXPECT_EQ(why, "drop on an occupied square");
    EXPECT_FALSE(boards.PlayText(0, "P@e8", played, &why));
    EXPECT_EQ(why, "pawn drop on the first or last rank");
    EXPECT_FALSE(boards.PlayText(0, "Nf9", played, &why));
    EXPECT_EQ(boards.Plies(0), 3); // nothing changed
    ASSERT_TRUE(boards.PlayText(0, "P@e4", played, &why)) << why;
    EXPECT_EQ(played.san, "P@e4");
    EXPECT_EQ(boards.HoldingsText(0), "");
}

TEST(BughouseBoardsTest, PromotedPiecePassesAsPawnAndCopiesKeepTheRules)
{
    CBughouseBoards boards;
    // White queens on board A with a7 reached through captures; Black takes it back.
    Play(
        boards,
        {{0, "b4"}, {0, "a5"}, {0, "bxa5"}, {0, "Nc6"}, {0, "a6"}, {0, "Rb8"}, {0, "axb7"}, {0, "Ne5"}, {0, "bxc8=Q"}});
    EXPECT_EQ(boards.HoldingsText(1), "bpp"); // the bishop and two pawns taken from Black
    Play(boards, {{0, "Qxc8"}});
    // The queen was a promoted pawn: White's partner gets a pawn.
    EXPECT_EQ(boards.HoldingsText(1), "Pbpp");

    const CBughouseBoards copy = boards;
    EXPECT_TRUE(copy.Board(1).DropsOption());
    EXPECT_EQ(copy.Fen(1), boards.Fen(1));
}

TEST(BughouseBoardsTest, DropThatParriesCheckIsNoMate)
{
    CBughouseBoards boards;
    // Fool's mate pattern on board A: the queen check from h4 could be blocked by a drop on g3.
    Play(boards, {{0, "f3"}, {0, "e5"}, {0, "g4"}, {0, "Qh4+"}});
    EXPECT_EQ(boards.Judge(0).end, GameEnd::None);
    EXPECT_TRUE(boards.Judge(0).check);
}

TEST(BpgnReaderTest, ReadsAServerExport)
{
    std::string fileError;
    const std::vector<CBpgnGame> games = CBpgnReader::ReadAll(kServerGame, &fileError);
    ASSERT_EQ(games.size(), 1u);
    EXPECT_TRUE(fileError.empty());
    const CBpgnGame& game = games[0];
    ASSERT_FALSE(game.error) << game.error->Text();
    EXPECT_EQ(game.Player(0, COLOUR_WHITE), "alpha");
    EXPECT_EQ(game.Player(0, COLOUR_BLACK), "bravo");
    EXPECT_EQ(game.Player(1, COLOUR_WHITE), "charlie");
    EXPECT_EQ(game.Player(1, COLOUR_BLACK), "delta");
    int32_t base = 0;
    int32_t increment = -1;
    ASSERT_TRUE(game.TimeControl(base, increment));
    EXPECT_EQ(base, 180000);
    EXPECT_EQ(increment, 0);
    EXPECT_EQ(game.result, "0-1");
    EXPECT_EQ(game.leadingComment, "C: game 4711");
    ASSERT_EQ(game.moves.size(), 11u);
    EXPECT_EQ(game.moves[4].board, 1);
    EXPECT_EQ(game.moves[4].side, COLOUR_BLACK);
    EXPECT_EQ(game.moves[4].san, "P@e5");
    EXPECT_EQ(game.moves[4].clockMs, std::nullopt); // "178.500 a pawn ..." is no clock: a comment
    EXPECT_EQ(game.moves[4].comment, "178.500 a pawn from the partner");
    EXPECT_EQ(game.moves[0].clockMs, 179900);
    EXPECT_EQ(game.moves[1].clockMs, 179100);
    EXPECT_EQ(game.moves[5].clockMs, 177000);
    EXPECT_EQ(game.moves[7].clockMs, std::nullopt);
    EXPECT_EQ(game.moves[10].san, "P@f6");
    EXPECT_EQ(game.moves[10].comment, "C:bravo resigns");
    EXPECT_EQ(game.finalFen[0], "rnb1kbnr/ppp1pppp/8/3q4/4p3/2N5/PPPP1PPP/R1BQKBNR[] w KQkq - 1 4");
}

TEST(BpgnReaderTest, ClockAndLabelForms)
{
    EXPECT_EQ(CBpgnReader::ReadClock("178.95"), 178950);
    EXPECT_EQ(CBpgnReader::ReadClock("12"), 12000);
    EXPECT_EQ(CBpgnReader::ReadClock("1.23456"), 1234);
    EXPECT_EQ(CBpgnReader::ReadClock("0.5"), 500);
    EXPECT_EQ(CBpgnReader::ReadClock(""), std::nullopt);
    EXPECT_EQ(CBpgnReader::ReadClock("1."), std::nullopt);
    EXPECT_EQ(CBpgnReader::ReadClock(".5"), std::nullopt);
    EXPECT_EQ(CBpgnReader::ReadClock(" 12"), std::nullopt);
    EXPECT_EQ(CBpgnReader::ReadClock("2147484"), std::nullopt);
    EXPECT_EQ(CBpgnReader::ReadClock("99999999999999"), std::nullopt);
    int board = -1;
    Colour side = COLOUR_NONE;
    EXPECT_TRUE(CBpgnReader::ReadLabel("12b", board, side));
    EXPECT_EQ(board, 1);
    EXPECT_EQ(side, COLOUR_BLACK);
    EXPECT_FALSE(CBpgnReader::ReadLabel("b", board, side));
    EXPECT_FALSE(CBpgnReader::ReadLabel("1C", board, side));
    EXPECT_FALSE(CBpgnReader::ReadLabel("x1A", board, side));
}

TEST(BpgnReaderTest, FaultsNameGameBoardAndMoveAndLaterGamesAreRead)
{
    struct Case
    {
        const char* text;
        const char* message;
        int moveNumber;
    };
    const Case cases[] = {
        {"1A. e4 1a. N@f6 *", "Game 1, move 1 (Black), line 1: board A: no knight in hand: \"N@f6\"", 1},
        {"1A. e4 1A. e5 *", "Game 1, move 1 (Black), line 1: board A: a move of White where Black is to move: \"e5\"",
         1},
        {"1A. e4 e5 *", "Game 1, line 1: a move without its number and board, such as 1A.: \"e5\"", 0},
        {"1. e4 *", "Game 1, line 1: a move number without its board letter (A, a, B or b): \"1\"", 0},
        {"1A. e4 (1A. d4) *", "Game 1, line 1: variations are not read in bughouse games", 0},
        {"[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n1A. e4 *",
         "Game 1, line 2: a bughouse game starts from the initial position: set-up positions are not read", 0},
        {"1A. e4 1a.\n*", "Game 1, line 1: a move number without its move", 0},
        {"1A. e4 1a. e5 2A. Ke3 *", "Game 1, move 2 (White), line 1: board A: illegal move: \"Ke3\"", 2},
        {"1B. P@e4 *", "Game 1, move 1 (White), line 1: board B: no pawn in hand: \"P@e4\"", 1},
    };
    for (const Case& c : cases)
    {
        const std::string text = std::string(c.text) + "\n\n[WhiteA \"next\"]\n1A. d4 1a. d5 1-0\n";
        const std::vector<CBpgnGame> games = CBpgnReader::ReadAll(text);
        ASSERT_EQ(games.size(), 2u) << c.text;
        ASSERT_TRUE(games[0].error) << c.text;
        EXPECT_EQ(games[0].error->Text(), c.message);
        EXPECT_EQ(games[0].error->moveNumber, c.moveNumber);
        EXPECT_FALSE(games[1].error) << c.text;
        EXPECT_EQ(games[1].moves.size(), 2u);
        EXPECT_EQ(games[1].result, "1-0");
        EXPECT_EQ(games[1].Player(0, COLOUR_WHITE), "next");
    }
    // The moves before the fault are kept, played.
    const std::vector<CBpgnGame> games = CBpgnReader::ReadAll("1A. e4 1a. e5 2A. Ke3 *");
    EXPECT_EQ(games[0].moves.size(), 2u);
}

TEST(BpgnReaderTest, BoundsHold)
{
    std::string tooLarge(CBpgnReader::kMaxTextBytes + 1, ' ');
    CBpgnReader large(tooLarge);
    CBpgnGame game;
    EXPECT_FALSE(large.ReadGame(game));
    EXPECT_NE(large.FileError().find("larger than"), std::string::npos);

    std::string manyTags;
    for (int i = 0; i <= CBpgnReader::kMaxTags; ++i)
        manyTags += "[T" + std::to_string(i) + " \"v\"]\n";
    const std::vector<CBpgnGame> tagged = CBpgnReader::ReadAll(manyTags + "1A. e4 *");
    ASSERT_EQ(tagged.size(), 1u);
    ASSERT_TRUE(tagged[0].error);
    EXPECT_NE(tagged[0].error->message.find("more than 512 tags"), std::string::npos);
    EXPECT_EQ(tagged[0].tags.size(), static_cast<size_t>(CBpgnReader::kMaxTags));

    const std::vector<CBpgnGame> longToken = CBpgnReader::ReadAll("1A. " + std::string(300, 'N') + " *");
    ASSERT_EQ(longToken.size(), 1u);
    ASSERT_TRUE(longToken[0].error);
    EXPECT_NE(longToken[0].error->message.find("token too long"), std::string::npos);
}

TEST(BpgnReaderTest, TellsBughouseFilesFromChessFiles)
{
    EXPECT_TRUE(CBpgnReader::LooksLikeBpgn(kServerGame));
    EXPECT_TRUE(CBpgnReader::LooksLikeBpgn("1A. e4 *"));
    EXPECT_FALSE(CBpgnReader::LooksLikeBpgn("[White \"a\"]\n[Black \"b\"]\n\n1. e4 e5 *"));
    EXPECT_FALSE(CBpgnReader::LooksLikeBpgn(""));
}

TEST(BpgnExportTest, WritesTheServersLayoutAndReadsBackTheSame)
{
    const std::vector<CBpgnGame> games = CBpgnReader::ReadAll(kServerGame);
    ASSERT_EQ(games.size(), 1u);
    const std::string exported = CBpgnExport::ExportGame(games[0]);
    EXPECT_EQ(exported.substr(0, exported.find("\n\n")),
              "[Event \"rated bughouse match\"]\n[Site \"freechess.org\"]\n[Date \"2024.03.02\"]\n"
              "[WhiteA \"alpha\"]\n[BlackA \"bravo\"]\n[WhiteB \"charlie\"]\n[BlackB \"delta\"]\n"
              "[TimeControl \"180+0\"]\n[Result \"0-1\"]\n[WhiteAElo \"1850\"]");
    EXPECT_NE(exported.find("1A. e4 {179.900} 1a. d5 {179.100} 1B. d4 {178.950}"), std::string::npos);
    EXPECT_NE(exported.find("1b. P@e5 {178.500 a pawn from the partner}"), std::string::npos);
    for (size_t start = 0, end = 0; (end = exported.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, CBpgnExport::kLineWidth);
    EXPECT_EQ(exported.substr(exported.size() - 5), " 0-1\n");

    const std::vector<CBpgnGame> back = CBpgnReader::ReadAll(exported);
    ASSERT_EQ(back.size(), 1u);
    ASSERT_FALSE(back[0].error) << back[0].error->Text();
    EXPECT_EQ(back[0].moves, games[0].moves);
    EXPECT_EQ(back[0].result, games[0].result);
    EXPECT_EQ(back[0].leadingComment, games[0].leadingComment);
    EXPECT_EQ(back[0].finalFen[0], games[0].finalFen[0]);
    EXPECT_EQ(back[0].finalFen[1], games[0].finalFen[1]);
    EXPECT_EQ(CBpgnExport::ExportGame(back[0]), exported);
}

TEST(BpgnExportTest, CommentsThatLookLikeClocksStayComments)
{
    CBpgnGame game;
    CBpgnMove& move = game.moves.emplace_back();
    move.san = CSanText("e4");
    move.comment = "12.5";
    game.moves.push_back({1, COLOUR_WHITE, CSanText("d4"), 1500, "braces {inside}"});
    const std::string exported = CBpgnExport::ExportGame(game);
    const std::vector<CBpgnGame> back = CBpgnReader::ReadAll(exported);
    ASSERT_EQ(back.size(), 1u);
    ASSERT_EQ(back[0].moves.size(), 2u);
    EXPECT_EQ(back[0].moves[0].clockMs, std::nullopt);
    EXPECT_EQ(back[0].moves[0].comment, "12.5");
    EXPECT_EQ(back[0].moves[1].clockMs, 1500);
    EXPECT_EQ(back[0].moves[1].comment, "braces {inside}");
}

// Random games of both boards, moves and drops mixed, each with a clock:
// every one is written, read back to the same moves, clocks and positions,
// and replays onto fresh boards.
TEST(BpgnExportTest, RandomGamesRoundTrip)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 40; ++round)
    {
        CBughouseBoards boards;
        CBpgnGame game;
        game.SetTag("WhiteA", "Ann \"the\" Player");
        game.SetTag("BlackB", "Bob\\");
        game.SetTag("TimeControl", CBpgnGame::TimeControlText(120000, 0));
        int32_t clock[2][3] = {{0, 120000, 120000}, {0, 120000, 120000}};
        for (int ply = 0; ply < 160; ++ply)
        {
            const int board = static_cast<int>(random() % 2);
            const CChessPosition& position = boards.Board(board);
            if (boards.Judge(board).end != GameEnd::None)
                break;
            const Colour side = position.SideToMove();
            CReplayedMove played;
            bool done = false;
            // A drop when one is held, half the time.
            for (PieceType type = PIECE_PAWN; type <= PIECE_QUEEN && !done; ++type)
            {
                if (position.Holdings(side, type) == 0 || random() % 2)
                    continue;
                for (int tries = 0; tries < 64 && !done; ++tries)
                    done =
                        boards.PlayDrop(board, type, CCoordinate::FromIndex(static_cast<int>(random() % 64)), played);
            }
            if (!done)
            {
                std::vector<CMove> candidates;
                position.GenerateCandidateMoves(candidates);
                std::shuffle(candidates.begin(), candidates.end(), random);
                for (const CMove& move : candidates)
                    if ((done = boards.PlayMove(board, move, static_cast<int32_t>(1 + random() % 4), played)))
                        break;
            }
            if (!done)
                break;
            clock[board][side] -= static_cast<int32_t>(random() % 3000);
            game.moves.push_back({board, side, played.san, clock[board][side], ply % 17 == 0 ? "note" : ""});
        }
        game.result = round % 2 ? "1-0" : "*";
        const std::string exported = CBpgnExport::ExportGame(game);
        const std::vector<CBpgnGame> back = CBpgnReader::ReadAll(exported);
        ASSERT_EQ(back.size(), 1u);
        ASSERT_FALSE(back[0].error) << back[0].error->Text() << "\n" << exported;
        EXPECT_EQ(back[0].moves, game.moves);
        EXPECT_EQ(back[0].result, game.result);
        EXPECT_EQ(back[0].Player(0, COLOUR_WHITE), "Ann \"the\" Player");
        EXPECT_EQ(back[0].Player(1, COLOUR_BLACK), "Bob\\");
        EXPECT_EQ(back[0].finalFen[0], boards.Fen(0));
        EXPECT_EQ(back[0].finalFen[1], boards.Fen(1));
        CBughouseBoards replayed;
        std::string why;
        ASSERT_TRUE(back[0].Replay(replayed, &why)) << why;
        EXPECT_EQ(replayed.Fen(0), boards.Fen(0));
        EXPECT_EQ(replayed.Fen(1), boards.Fen(1));
        // A replay can stop at any ply, for browsing.
        ASSERT_TRUE(back[0].Replay(replayed, &why, game.moves.size() / 2));
        EXPECT_EQ(replayed.Plies(0) + replayed.Plies(1), static_cast<int>(game.moves.size() / 2));
    }
}
