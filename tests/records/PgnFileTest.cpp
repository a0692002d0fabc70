#include "PgnFile.h"
#include "ChessPosition.h"
#include "FenText.h"
#include "PgnReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
struct Loaded
{
    bool ok = false;
    CChessPosition position;
    std::string white;
    std::string black;
    std::string result = "(unset)";
};

Loaded ReadText(const std::string& text)
{
    Loaded l;
    std::istringstream in(text);
    l.ok = CPgnFile::ReadPgn(l.position, in, l.white, l.black, l.result);
    return l;
}

Loaded LoadFixture(const char* name)
{
    Loaded l;
    l.ok = CPgnFile::LoadPgn(l.position, std::string(PGN_FIXTURES) + "/" + name, l.white, l.black, l.result);
    return l;
}

std::string TempPath(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("pellomar-test-") + name)).string();
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using Texts = std::vector<std::string>;
} // namespace

TEST(PgnWrite, ThreePliesExactLayout)
{
    CChessPosition p;
    ASSERT_TRUE(p.PlaySan("e4"));
    ASSERT_TRUE(p.PlaySan("e5"));
    ASSERT_TRUE(p.PlaySan("Nf3"));
    const std::string path = TempPath("three.pgn");
    ASSERT_TRUE(CPgnFile::SavePgn(p, path, "Anna", "Boris", false, false, false));
    EXPECT_EQ(ReadFile(path), "[Event \"Pellomar II\"]\r\n[White \"Anna\"]\r\n[Black \"Boris\"]\r\n\r\n"
                              "[Result \"*\"]\r\n\r\n1. e4 e5\r\n2. Nf3\r\n*");
    std::remove(path.c_str());
}

TEST(PgnWrite, NoMovesAndTheWholeRecordWhateverThePly)
{
    CChessPosition empty;
    EXPECT_EQ(CPgnFile::FormatPgn(empty, "W", "B", "*"),
              "[Event \"Pellomar II\"]\r\n[White \"W\"]\r\n[Black \"B\"]\r\n\r\n[Result \"*\"]\r\n\r\n*");
    CChessPosition p;
    for (const char* m : {"d4", "d5", "c4", "e6"})
        ASSERT_TRUE(p.PlaySan(m));
    ASSERT_TRUE(p.GoToStart());
    EXPECT_NE(CPgnFile::FormatPgn(p, "W", "B", "*").find("1. d4 d5\r\n2. c4 e6\r\n*"), std::string::npos);
}

TEST(PgnWrite, ResultTokenChoice)
{
    CChessPosition ongoing;
    CChessPosition whiteMated;
    for (const char* m : {"f3", "e5", "g4", "Qh4#"})
        ASSERT_TRUE(whiteMated.PlaySan(m));
    CChessPosition blackMated;
    for (const char* m : {"e4", "e5", "Qh5", "Nc6", "Bc4", "Nf6", "Qxf7#"})
        ASSERT_TRUE(blackMated.PlaySan(m));
    CChessPosition stalemate;
    ASSERT_TRUE(CFenText::ReadFen(stalemate, "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));

    struct Case
    {
        const char* name;
        const CChessPosition& position;
        bool draw, blackWon, whiteWon;
        const char* token;
    };
    const Case cases[] = {
        {"nothing", ongoing, false, false, false, "*"},          {"draw flag", ongoing, true, true, true, "1/2-1/2"},
        {"stalemate", stalemate, false, false, true, "1/2-1/2"}, {"white mated", whiteMated, false, false, true, "0-1"},
        {"black mated", blackMated, false, true, false, "1-0"},  {"black won", ongoing, false, true, true, "0-1"},
        {"white won", ongoing, false, false, true, "1-0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CPgnFile::ResultToken(c.position, c.draw, c.blackWon, c.whiteWon), c.token) << c.name;
}

TEST(PgnWrite, FailureWhenTheFileCannotBeWritten)
{
    CChessPosition p;
    EXPECT_FALSE(CPgnFile::SavePgn(p, "/nonexistent-folder/x.pgn", "W", "B", false, false, false));
}

TEST(PgnRead, RoundTripKeepsMovesNamesAndResult)
{
    CChessPosition p;
    for (const char* m : {"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6", "Qxf7#"})
        ASSERT_TRUE(p.PlaySan(m));
    const std::string path = TempPath("roundtrip.pgn");
    ASSERT_TRUE(CPgnFile::SavePgn(p, path, "Anna", "Boris", false, false, false));
    Loaded l;
    ASSERT_TRUE(CPgnFile::LoadPgn(l.position, path, l.white, l.black, l.result));
    EXPECT_EQ(l.white, "Anna");
    EXPECT_EQ(l.black, "Boris");
    EXPECT_EQ(l.result, "1-0");
    EXPECT_EQ(l.position.MoveTexts(), p.MoveTexts());
    EXPECT_EQ(l.position.CurrentPly(), 7);
    EXPECT_TRUE(l.position.IsMate());
    EXPECT_EQ(ReadFile(path), CPgnFile::FormatPgn(l.position, l.white, l.black, l.result));
    std::remove(path.c_str());
}

TEST(PgnRead, Fixtures)
{
    struct Case
    {
        const char* file;
        bool ok;
        Texts moves;
        const char* white;
        const char* black;
        const char* result;
    };
    const Case cases[] = {
        {"scholars_mate.pgn", true, {"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6", "Qxf7+"}, "Anna", "Boris", "1-0"},
        {"tag_case.pgn", true, {"d4", "d5", "c4"}, "Lower Case", "Upper Case", "0-1"},
        {"comments.pgn", true, {"e4", "e5", "Nf3", "Nc6", "Bb5"}, "A", "B", "(unset)"},
        {"result_after_white.pgn", true, {"e4", "e5", "Nf3"}, "White", "Black", "(unset)"},
        {"three_dots.pgn", false, {"e4", "e5", "Nf3", "Nc6"}, "White", "Black", "(unset)"},
        {"variation.pgn", false, {"e4", "e5"}, "White", "Black", "(unset)"},
        {"illegal_move.pgn", false, {"e4", "e5"}, "White", "Black", "(unset)"},
        {"empty.pgn", true, {}, "White", "Black", "(unset)"},
        {"cut_mid_token.pgn", false, {"e4", "e5"}, "Cut", "Black", "(unset)"},
        {"two_games.pgn", true, {"e4", "e5"}, "First", "Black", "(unset)"},
        {"mate_sign.pgn", true, {"e4", "e5", "Qh5", "Nc6", "Bc4", "Nf6", "Qxf7+"}, "White", "Black", "(unset)"},
        {"underpromotion.pgn",
         true,
         {"h4", "g5", "hxg5", "h6", "gxh6", "Nf6", "h7", "Ng8", "hxg8=N", "Rxg8"},
         "Promo",
         "Black",
         "(unset)"},
        {"ruy_lopez.pgn",
         true,
         {"e4",  "e5", "Nf3", "Nc6", "Bb5", "a6",  "Ba4", "Nf6", "O-O", "Be7",
          "Re1", "b5", "Bb3", "d6",  "c3",  "O-O", "h3",  "Nb8", "d4",  "Nbd7"},
         "White",
         "Black",
         "(unset)"},
    };
    for (const Case& c : cases)
    {
        const Loaded l = LoadFixture(c.file);
        EXPECT_EQ(l.ok, c.ok) << c.file;
        EXPECT_EQ(l.position.MoveTexts(), c.moves) << c.file;
        EXPECT_EQ(l.position.CurrentPly(), static_cast<int32_t>(c.moves.size())) << c.file;
        EXPECT_EQ(l.white, c.white) << c.file;
        EXPECT_EQ(l.black, c.black) << c.file;
        EXPECT_EQ(l.result, c.result) << c.file;
    }
}

TEST(PgnRead, UnopenableFileIsAFailureAndChangesNothing)
{
    CChessPosition p;
    ASSERT_TRUE(p.PlaySan("e4"));
    std::string white = "w";
    std::string black = "b";
    std::string result = "r";
    EXPECT_FALSE(CPgnFile::LoadPgn(p, "/nonexistent-folder/none.pgn", white, black, result));
    EXPECT_EQ(p.MoveTexts(), Texts{"e4"});
    EXPECT_EQ(white, "w");
}

TEST(PgnRead, OverlongTokens)
{
    const std::string longMove(256, 'a');
    const Loaded move = ReadText("1. e4 e5 2. " + longMove + " Nc6");
    EXPECT_FALSE(move.ok) << "a move token over 255 characters fails the load";
    EXPECT_EQ(move.position.MoveTexts(), (Texts{"e4", "e5"}));

    const Loaded exact = ReadText("1. e4 " + std::string(255, 'a'));
    EXPECT_FALSE(exact.ok) << "255 characters fit but do not play";
    EXPECT_EQ(exact.position.MoveTexts(), Texts{"e4"});

    const Loaded value = ReadText("[White \"" + std::string(300, 'x') + "\"]\n1. e4 *");
    EXPECT_FALSE(value.ok) << "an overlong name fails the load";

    const Loaded number = ReadText(std::string(400, '9') + ". e4");
    EXPECT_FALSE(number.ok);

    const Loaded comment = ReadText("1. e4 {" + std::string(100000, 'c') + "} e5 2. Nf3 *");
    EXPECT_TRUE(comment.ok) << "comments have no length limit";
    EXPECT_EQ(comment.position.MoveTexts(), (Texts{"e4", "e5", "Nf3"}));

    const Loaded tag =
        ReadText("[Annotator \"" + std::string(5000, 'n') + "\"]\n[" + std::string(300, 'T') + " \"v\"]\n1. d4 *");
    EXPECT_TRUE(tag.ok) << "other tags are skipped whatever their length";
    EXPECT_EQ(tag.position.MoveTexts(), Texts{"d4"});
}

TEST(PgnRead, HostileInputEndsInBoundedTime)
{
    std::string garbage;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i)
    {
        x = x * 1103515245u + 12345u;
        garbage += static_cast<char>(x >> 24);
    }
    for (const std::string& text :
         {garbage, std::string("\0\0\0", 3), std::string(5, '['), std::string("1."), std::string("{"),
          std::string("[White \""), std::string(". . . ."), std::string("1. e4 {unclosed")})
    {
        const Loaded l = ReadText(text);
        (void)l; // success or failure both fine: it must simply return
    }

    // A 100 MB file of white space and comments.
    std::string big;
    big.reserve(100u << 20);
    while (big.size() < (100u << 20))
        big += "  \r\n\t{ padding comment }";
    const Loaded huge = ReadText("1. e4 e5 " + big + " 2. Nf3 *");
    EXPECT_TRUE(huge.ok);
    EXPECT_EQ(huge.position.MoveTexts(), (Texts{"e4", "e5", "Nf3"}));
}

TEST(PgnRead, EndlessGameStopsAtTheRecordLimit)
{
    std::string text;
    for (int n = 1; n <= CChessPosition::kMaxRecordPlies / 4 + 10; ++n)
    {
        text += std::to_string(2 * n - 1) + ". Nf3 Nf6 ";
        text += std::to_string(2 * n) + ". Ng1 Ng8 ";
    }
    const Loaded l = ReadText(text);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.position.CurrentPly(), CChessPosition::kMaxRecordPlies);
}

TEST(PgnWrite, ASetUpGameAddsSetUpAndFenAfterTheResult)
{
    CChessPosition p;
    ASSERT_TRUE(CFenText::ReadFen(p, "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30"));
    for (const char* m : {"Kd7", "e4", "Kc6"})
        ASSERT_TRUE(p.PlaySan(m));
    const std::string text = CPgnFile::FormatPgn(p, "W", "B", "*");
    EXPECT_EQ(text, "[Event \"Pellomar II\"]\r\n[White \"W\"]\r\n[Black \"B\"]\r\n\r\n[Result \"*\"]\r\n"
                    "[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\r\n\r\n1. Kd7 e4\r\n2. Kc6\r\n*");

    // The program's own reader sets the position up again.
    const Loaded old = ReadText(text);
    ASSERT_TRUE(old.ok);
    EXPECT_EQ(old.position.MoveTexts(), p.MoveTexts());
    EXPECT_EQ(CFenText::WriteFen(old.position), CFenText::WriteFen(p));
    EXPECT_EQ(CFenText::StartFen(old.position), "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30");
    EXPECT_EQ(CPgnFile::FormatPgn(old.position, old.white, old.black, "*"), text) << "saved again the same";

    // So does the standard reader.
    const CPgnReadResult read = CPgnReader::ReadAll(text);
    ASSERT_EQ(read.games.size(), 1u);
    EXPECT_FALSE(read.games[0].error);
    EXPECT_EQ(read.games[0].finalFen, CFenText::WriteFen(p));

    const Loaded badFen = ReadText("[FEN \"8/8/8 w - - 0 1\"]\r\n\r\n1. e4 *");
    EXPECT_FALSE(badFen.ok) << "a FEN that cannot be set up fails the load";
}

TEST(PgnRead, TheProgramsOwnFilesReadTheSameThroughTheStandardReader)
{
    for (const char* file : {"scholars_mate.pgn", "tag_case.pgn", "comments.pgn", "result_after_white.pgn",
                             "two_games.pgn", "mate_sign.pgn", "underpromotion.pgn", "ruy_lopez.pgn", "empty.pgn"})
    {
        const Loaded old = LoadFixture(file);
        ASSERT_TRUE(old.ok) << file;
        const CPgnReadResult read = CPgnReader::ReadAll(ReadFile(std::string(PGN_FIXTURES) + "/" + file));
        if (old.position.MoveTexts().empty() && read.games.empty())
            continue; // an empty file
        ASSERT_FALSE(read.games.empty()) << file;
        const CPgnGame& game = read.games.front();
        EXPECT_FALSE(game.error) << file;
        std::vector<std::string> sans;
        for (const CPgnMove& move : game.moves)
            sans.emplace_back(move.san);
        EXPECT_EQ(sans, old.position.MoveTexts()) << file;
        EXPECT_EQ(game.finalFen, CFenText::WriteFen(old.position)) << file;
        if (old.white != "White")
        {
            EXPECT_EQ(game.Tag("White"), old.white) << file;
        }
        if (old.black != "Black")
        {
            EXPECT_EQ(game.Tag("Black"), old.black) << file;
        }
    }

    // Games of every kind saved by the program's writer, set-up ones included.
    const char* starts[] = {CFenText::kInitialPosition, "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 5 20"};
    for (const char* start : starts)
    {
        CChessPosition p;
        ASSERT_TRUE(CFenText::ReadFen(p, start));
        std::vector<CMove> candidates;
        uint32_t x = 99;
        while (p.CurrentPly() < 120 && p.IsGameGoingOn())
        {
            p.GenerateCandidateMoves(candidates);
            std::vector<CMove> legal;
            for (const CMove& m : candidates)
                if (p.IsLegalMove(m))
                    legal.push_back(m);
            x = x * 1103515245u + 12345u;
            ASSERT_TRUE(p.MakeMove(legal[(x >> 16) % legal.size()], true));
        }
        const std::string text = CPgnFile::FormatPgn(p, "Anna", "Boris", "*");
        const CPgnReadResult read = CPgnReader::ReadAll(text);
        ASSERT_EQ(read.games.size(), 1u);
        EXPECT_FALSE(read.games[0].error) << (read.games[0].error ? read.games[0].error->Text() : "");
        EXPECT_EQ(read.games[0].finalFen, CFenText::WriteFen(p)) << start;
        EXPECT_EQ(read.games[0].moves.size(), p.MoveTexts().size()) << start;
    }
}
