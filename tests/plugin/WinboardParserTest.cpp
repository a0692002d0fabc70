#include "WinboardParser.h"
#include "EngineProcess.h"
#include "EngineResult.h"
#include "LineSplitter.h"

#include <gtest/gtest.h>

using Kind = WinboardLine::Kind;

TEST(WinboardParser, FindsMovesInBothFormsAndCastlingWordsForEitherColour)
{
    struct Case
    {
        const char* line;
        bool playsWhite;
        Kind kind;
        EngineMove move;
    };
    const Case cases[] = {
        {"move e7e5\n", false, Kind::Move, {3, 6, 3, 4, 0}},
        {"move e2e4", true, Kind::Move, {3, 1, 3, 3, 0}},
        {"1. ... g1f3\n", true, Kind::Move, {1, 0, 2, 2, 0}}, // gnuchess, also as White
        {"5. ... e1g1\n", true, Kind::Move, {3, 0, 1, 0, 0}},
        {"move O-O\n", false, Kind::Move, {3, 7, 1, 7, 0}}, // phalanx, Black
        {"move O-O\n", true, Kind::Move, {3, 0, 1, 0, 0}},
        {"move O-O-O\n", true, Kind::Move, {3, 0, 5, 0, 0}},
        {"move o-o-o\n", false, Kind::Move, {3, 7, 5, 7, 0}},
        {"move e7e8q\n", true, Kind::Move, {3, 6, 3, 7, 4}},
        {"move e7e8\n", true, Kind::Move, {3, 6, 3, 7, 0}},
        {"move e2d1b\n", false, Kind::Move, {3, 1, 4, 0, 3}},
        {"move a7a8N\n", true, Kind::Move, {7, 6, 7, 7, 2}},
        {"move h2h1r\n", false, Kind::Move, {0, 1, 0, 0, 1}},
        {"  move\t\te7e5  \n", false, Kind::Move, {3, 6, 3, 4, 0}},
        // Not moves: a move number with the opponent's echoed move, a bare
        // move word, SAN, text that is not coordinate notation.
        {"1. g8f6\n", false, Kind::Other, {}},
        {"e7e5\n", false, Kind::Other, {}},
        {"My move is : e7e5\n", false, Kind::Other, {}},
        {"move Nf3\n", true, Kind::Other, {}},
        {"move e9e5\n", true, Kind::Other, {}},
        {"move e7e8k\n", true, Kind::Other, {}},
        {"move\n", true, Kind::Other, {}},
        {"1. ...\n", true, Kind::Other, {}},
        {"Illegal move: e2e5\n", true, Kind::Other, {}},
        {"tellics say Fairy-Max 5.0b\n", true, Kind::Other, {}},
        {"# 12 +35 100 e2e4 e7e5\n", true, Kind::Other, {}},
        {"", true, Kind::Other, {}},
    };
    for (const auto& c : cases)
    {
        const WinboardLine parsed = CWinboardParser::ParseLine(c.line, c.playsWhite);
        EXPECT_EQ(parsed.kind, c.kind) << c.line;
        if (c.kind == Kind::Move)
        {
            EXPECT_EQ(parsed.move, c.move) << c.line;
        }
    }
}

TEST(WinboardParser, ReadsTheFourResultFormsOnlyAtTheStartOfALine)
{
    struct Case
    {
        const char* line;
        Kind kind;
        int32_t result;
    };
    const Case cases[] = {
        {"0-1 {Black mates}\n", Kind::Result, ENGINE_RESULT_BLACK_WINS},
        {"0-1 {Black Mates}\n", Kind::Result, ENGINE_RESULT_BLACK_WINS},
        {"1-0 {White mates}\n", Kind::Result, ENGINE_RESULT_WHITE_WINS},
        {"1/2-1/2 {Stalemate}\n", Kind::Result, ENGINE_RESULT_DRAW},
        {"resign\n", Kind::Result, ENGINE_RESULT_RESIGNS},
        {"0-1\n", Kind::Other, 0},
        {" 1-0 {White mates}\n", Kind::Other, 0},
        {"Error (unknown command): result\n", Kind::Other, 0},
    };
    for (const auto& c : cases)
    {
        const WinboardLine parsed = CWinboardParser::ParseLine(c.line, true);
        EXPECT_EQ(parsed.kind, c.kind) << c.line;
        EXPECT_EQ(parsed.result, c.result) << c.line;
    }
}

TEST(WinboardParser, ReadsTheFeatureHandshakeAndARefusedXboard)
{
    const WinboardLine done =
        CWinboardParser::ParseLine("feature myname=\"GNU Chess 6.2.7\" colors=0 setboard=1 done=1\n", true);
    EXPECT_EQ(done.kind, Kind::Feature);
    EXPECT_TRUE(done.featureDone);
    EXPECT_TRUE(done.featureNoColours);
    EXPECT_EQ(done.featureName, "GNU Chess 6.2.7");

    const WinboardLine waiting = CWinboardParser::ParseLine("feature done=0\n", true);
    EXPECT_TRUE(waiting.featureWaiting);
    EXPECT_FALSE(waiting.featureDone);

    const WinboardLine quoted = CWinboardParser::ParseLine("feature myname=\"colors=0 done=1\" ping=1\n", true);
    EXPECT_FALSE(quoted.featureDone);
    EXPECT_FALSE(quoted.featureNoColours);
    EXPECT_EQ(quoted.featureName, "colors=0 done=1");
    EXPECT_EQ(waiting.featureName, "");

    EXPECT_EQ(CWinboardParser::ParseLine("Unknown command: 'xboard'. Type help for more information.\n", true).kind,
              Kind::NotWinboard);
}

TEST(WinboardParser, WritesMovesAndLevelTimes)
{
    EXPECT_EQ(CWinboardParser::MoveText({3, 1, 3, 3, 0}), "e2e4\n");
    EXPECT_EQ(CWinboardParser::MoveText({7, 6, 7, 7, 1}), "a7a8r\n");
    EXPECT_EQ(CWinboardParser::MoveText({0, 6, 0, 7, 2}), "h7h8n\n");
    EXPECT_EQ(CWinboardParser::MoveText({3, 1, 4, 0, 3}), "e2d1b\n");
    EXPECT_EQ(CWinboardParser::MoveText({3, 6, 3, 7, 4}), "e7e8q\n");

    const std::pair<int, const char*> levels[] = {{300, "5"}, {90, "1:30"},        {65, "1:5"},
                                                  {60, "1"},  {100000, "1666:40"}, {5, "0:5"}};
    for (const auto& [seconds, text] : levels)
        EXPECT_EQ(CWinboardParser::LevelTimeText(seconds), text) << seconds;
}

TEST(LineSplitter, JoinsReadsDropsCarriageReturnsAndBoundsLongLines)
{
    std::vector<std::string> lines;
    auto collect = [&lines](const std::string& line) { lines.push_back(line); };
    CLineSplitter splitter(16);
    splitter.Feed("mo", collect);
    EXPECT_TRUE(lines.empty());
    splitter.Feed("ve e7\re5\r\nresign\r", collect);
    splitter.Feed("\n# tail", collect);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "move e7e5\n");
    EXPECT_EQ(lines[1], "resign\n");
    EXPECT_EQ(splitter.Pending(), "# tail");

    // Longer than the limit: thrown away up to its newline, the next line kept.
    lines.clear();
    splitter.Feed(std::string(40, 'x'), collect);
    splitter.Feed(std::string(40, 'y') + "\nmove a2a4\n", collect);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "move a2a4\n");
}

TEST(CommandLine, SplitsLikeAShell)
{
    struct Case
    {
        const char* text;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"/usr/games/gnuchess --xboard", {"/usr/games/gnuchess", "--xboard"}},
        {"  fairymax  ", {"fairymax"}},
        {"\"/opt/my engines/crafty\" x", {"/opt/my engines/crafty", "x"}},
        {"'/opt/a b/c' \"d\\\"e\"", {"/opt/a b/c", "d\"e"}},
        {"/opt/my\\ engine", {"/opt/my engine"}},
        {"a '' b", {"a", "", "b"}},
        {"\"unbalanced", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CEngineProcess::SplitCommandLine(c.text), c.words) << c.text;
}
