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

TEST(WinboardParser, ReadsThinkingLinesOfEveryForm)
{
    struct Case
    {
        const char* line;
        int32_t depth;
        int32_t score;
        bool mate;
        int32_t centiseconds;
        int64_t nodes;
        int64_t speed;
        const char* pv;
    };
    const Case cases[] = {
        // The classic form: ply score time nodes pv.
        {"9 156 1084 48000 Nf3 Nc6 Nc3\n", 9, 156, false, 1084, 48000, -1, "Nf3 Nc6 Nc3"},
        // Sjeng's columns and move numbers.
        {"  6     12     10       2398  1. e4 e5 2. Nf3 Nc6\n", 6, 12, false, 10, 2398, -1, "e4 e5 Nf3 Nc6"},
        // GNU Chess marks the depth; "..." stands for White's move.
        {" 12&  -35  210  123456  1. ... Nf6 2. c4\n", 12, -35, false, 210, 123456, -1, "Nf6 c4"},
        // Fairy-Stockfish: seldepth, speed and tablebase hits, then a tab.
        {"8 -1 25 10535 11 41805 0\t d7d5 e4d5 d8d5\n", 8, -1, false, 25, 10535, 41805, "d7d5 e4d5 d8d5"},
        {"\t5 20 3 900\te2e4 e7e5\n", 5, 20, false, 3, 900, -1, "e2e4 e7e5"},
        // Mates: 100000 + N moves, negative when mated.
        {"15 100003 40 5000 Qh5 g6 Qxf7#\n", 15, 3, true, 40, 5000, -1, "Qh5 g6 Qxf7#"},
        {"15 -100002 40 5000 Kh1\n", 15, -2, true, 40, 5000, -1, "Kh1"},
        // Brackets around a pondered move are dropped.
        {"4 7 1 60 (e7e5) g1f3\n", 4, 7, false, 1, 60, -1, "e7e5 g1f3"},
        // HoiChess marks a search that failed low or high.
        {"2 -38 0 150 (-) 2. ... Bd6 3. Bc4\n", 2, -38, false, 0, 150, -1, "Bd6 Bc4"},
        {"5 -10 0 10870 (+) 3. ... Bd6 4. O-O\n", 5, -10, false, 0, 10870, -1, "Bd6 O-O"},
        // No variation at all.
        {"3 0 0 10\n", 3, 0, false, 0, 10, -1, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        const WinboardLine parsed = CWinboardParser::ParseLine(c.line, true);
        ASSERT_EQ(parsed.kind, Kind::Thinking);
        EXPECT_EQ(parsed.depth, c.depth);
        EXPECT_EQ(parsed.score, c.score);
        EXPECT_EQ(parsed.mate, c.mate);
        EXPECT_EQ(parsed.centiseconds, c.centiseconds);
        EXPECT_EQ(parsed.nodes, c.nodes);
        EXPECT_EQ(parsed.nodesPerSecond, c.speed);
        EXPECT_EQ(parsed.pv, c.pv);
    }
    // Not thinking lines: too few numbers, words first, fairymax's comments,
    // gnuchess's echo, a number too large.
    for (const char* line : {"9 156 1084\n", "Nodes 1 2 3 4\n", "# 12 +35 100 e2e4 e7e5\n", "1. g8f6\n",
                             "1 2 3 99999999999999999999 e2e4\n", "stat01: 614 2955514 10 28 30 Bc4\n"})
        EXPECT_EQ(CWinboardParser::ParseLine(line, true).kind, Kind::Other) << line;
}

TEST(WinboardParser, ReadsDeclaredOptionsAndTheFeaturesThatMatter)
{
    using Type = EngineOption::Type;
    struct Case
    {
        const char* text;
        bool ok;
        EngineOption expected;
    };
    const Case cases[] = {
        {"Hash -spin 16 1 1024", true, {"Hash", Type::Spin, "16", 1, 1024, {}, ""}},
        {"Skill Level -spin 20 -20 20", true, {"Skill Level", Type::Spin, "20", -20, 20, {}, ""}},
        {"Depth -slider 99 1 99", true, {"Depth", Type::Spin, "99", 1, 99, {}, ""}},
        {"Ponder -check 0", true, {"Ponder", Type::Check, "false", 0, 0, {}, ""}},
        {"Resign -check 1", true, {"Resign", Type::Check, "true", 0, 0, {}, ""}},
        {"Analysis Contempt -combo Both /// Off /// White /// Black",
         true,
         {"Analysis Contempt", Type::Combo, "Both", 0, 0, {"Both", "Off", "White", "Black"}, ""}},
        {"Style -combo Solid /// *Risky /// Normal",
         true,
         {"Style", Type::Combo, "Risky", 0, 0, {"Solid", "Risky", "Normal"}, ""}},
        {"Debug Log File -string ", true, {"Debug Log File", Type::String, "", 0, 0, {}, ""}},
        {"Book -file /usr/share/book.bin", true, {"Book", Type::String, "/usr/share/book.bin", 0, 0, {}, ""}},
        {"Clear Hash -button", true, {"Clear Hash", Type::Button, "", 0, 0, {}, ""}},
        {"Save -save", true, {"Save", Type::Button, "", 0, 0, {}, ""}},
        // A dash inside the name is not a kind.
        {"Use -spin-off -check 1", true, {"Use -spin-off", Type::Check, "true", 0, 0, {}, ""}},
        {"Hash -spin 16 1", false, {}},
        {"Hash -spin x 1 9", false, {}},
        {"Hash -spin 5 9 1", false, {}},
        {"Ponder -check yes", false, {}},
        {"Style -combo ", false, {}},
        {"-spin 1 1 2", false, {}},
        {"Lonely", false, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EngineOption option;
        EXPECT_EQ(CWinboardParser::ParseOption(c.text, option), c.ok);
        if (c.ok)
        {
            EXPECT_EQ(option, c.expected);
        }
    }

    const WinboardLine features = CWinboardParser::ParseLine(
        "feature setboard=1 usermove=1 ping=1 memory=1 smp=1 option=\"Hash -spin 16 1 1024\" "
        "option=\"Clear Hash -button\" option=\"Broken -spin\" done=1\n",
        true);
    EXPECT_TRUE(features.featureSetboard && features.featureUsermove && features.featurePing);
    EXPECT_TRUE(features.featureMemory && features.featureCores && features.featureDone);
    ASSERT_EQ(features.featureOptions.size(), 2u);
    EXPECT_EQ(features.featureOptions[1].name, "Clear Hash");

    const WinboardLine pong = CWinboardParser::ParseLine("pong 12\n", true);
    EXPECT_EQ(pong.kind, Kind::Pong);
    EXPECT_EQ(pong.pong, 12);
    EXPECT_EQ(CWinboardParser::ParseLine("pong twelve\n", true).kind, Kind::Other);
}

TEST(WinboardParser, KeepsTheTextOfMovesAndResultsAndWritesTheOptionAndResultLines)
{
    EXPECT_EQ(CWinboardParser::ParseLine("move e7e5\n", false).text, "e7e5");
    EXPECT_EQ(CWinboardParser::ParseLine("3. ... O-O\n", false).text, "O-O");
    EXPECT_EQ(CWinboardParser::ParseLine("1-0 {White mates}  \n", false).text, "1-0 {White mates}");
    EXPECT_EQ(CWinboardParser::ParseLine("resign\n", false).text, "resign");

    EngineOption spin{"Skill Level", EngineOption::Type::Spin, "20", 0, 20, {}, ""};
    EngineOption check{"Book", EngineOption::Type::Check, "false", 0, 0, {}, ""};
    EngineOption button{"Clear Hash", EngineOption::Type::Button, "", 0, 0, {}, ""};
    EngineOption memory{"Hash", EngineOption::Type::Spin, "16", 1, 1024, {}, "memory"};
    EXPECT_EQ(CWinboardParser::OptionText(spin, "5"), "option Skill Level=5\n");
    EXPECT_EQ(CWinboardParser::OptionText(check, "true"), "option Book=1\n");
    EXPECT_EQ(CWinboardParser::OptionText(check, "false"), "option Book=0\n");
    EXPECT_EQ(CWinboardParser::OptionText(button, ""), "option Clear Hash\n");
    EXPECT_EQ(CWinboardParser::OptionText(memory, "64"), "memory 64\n");

    EXPECT_EQ(CWinboardParser::ResultText(ENGINE_RESULT_WHITE_WINS), "1-0");
    EXPECT_EQ(CWinboardParser::ResultText(ENGINE_RESULT_BLACK_WINS), "0-1");
    EXPECT_EQ(CWinboardParser::ResultText(ENGINE_RESULT_DRAW), "1/2-1/2");
    EXPECT_EQ(CWinboardParser::ResultText(-1), "*");
    EXPECT_EQ(CWinboardParser::ResultText(ENGINE_RESULT_RESIGNS), "*");
}

TEST(EngineOption, SendsOnlyWhatFitsTheDeclarationAndDiffersFromTheDefault)
{
    using Type = EngineOption::Type;
    const EngineOption spin{"Hash", Type::Spin, "16", 1, 1024, {}, ""};
    const EngineOption check{"Book", Type::Check, "false", 0, 0, {}, ""};
    const EngineOption combo{"Style", Type::Combo, "Normal", 0, 0, {"Solid", "Normal"}, ""};
    const EngineOption text{"Path", Type::String, "", 0, 0, {}, ""};
    const EngineOption button{"Clear", Type::Button, "", 0, 0, {}, ""};
    EXPECT_EQ(spin.ValueToSend("64"), "64");
    EXPECT_EQ(spin.ValueToSend("5000"), "1024");
    EXPECT_EQ(spin.ValueToSend("-3"), "1");
    EXPECT_EQ(spin.ValueToSend("16"), std::nullopt);
    EXPECT_EQ(spin.ValueToSend("12abc"), std::nullopt);
    EXPECT_EQ(spin.ValueToSend(""), std::nullopt);
    EXPECT_EQ(spin.ValueToSend("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(check.ValueToSend("true"), "true");
    EXPECT_EQ(check.ValueToSend("1"), "true");
    EXPECT_EQ(check.ValueToSend("false"), std::nullopt);
    EXPECT_EQ(check.ValueToSend("maybe"), std::nullopt);
    EXPECT_EQ(combo.ValueToSend("Solid"), "Solid");
    EXPECT_EQ(combo.ValueToSend("Risky"), std::nullopt);
    EXPECT_EQ(text.ValueToSend("/tb"), "/tb");
    EXPECT_EQ(text.ValueToSend("/tb\nquit"), std::nullopt);
    EXPECT_EQ(button.ValueToSend("true"), "");
    EXPECT_EQ(button.ValueToSend("false"), std::nullopt);
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

TEST(WinboardParser, ReadsBughouseDropsPartnerMessagesAndTheVariantsFeature)
{
    const WinboardLine drop = CWinboardParser::ParseLine("move P@e4\n", true);
    ASSERT_EQ(drop.kind, Kind::Move);
    EngineMove expected{3, 3, 3, 3, 0};
    expected.drop = 0;
    EXPECT_EQ(drop.move, expected);
    EXPECT_EQ(drop.text, "P@e4");
    const WinboardLine lower = CWinboardParser::ParseLine("3. ... n@f6\n", false);
    ASSERT_EQ(lower.kind, Kind::Move);
    EXPECT_EQ(lower.move.drop, 2);
    EXPECT_EQ(lower.move.toFile, 2);
    EXPECT_EQ(lower.move.toRank, 5);
    // No king drops, no squares off the board, no half words.
    for (const char* line : {"move K@e4\n", "move P@i4\n", "move P@e9\n", "move P@\n", "move @e4\n", "move PP@e4\n"})
        EXPECT_EQ(CWinboardParser::ParseLine(line, true).kind, Kind::Other) << line;

    const WinboardLine tell = CWinboardParser::ParseLine("tellics ptell   go for the  king \n", true);
    EXPECT_EQ(tell.kind, Kind::PartnerMessage);
    EXPECT_EQ(tell.text, "go for the  king");
    EXPECT_EQ(CWinboardParser::ParseLine("tellics say hello\n", true).kind, Kind::Other);

    EXPECT_TRUE(
        CWinboardParser::ParseLine("feature variants=\"normal,bughouse,crazyhouse\" done=1\n", true).featureBughouse);
    EXPECT_FALSE(
        CWinboardParser::ParseLine("feature variants=\"normal,crazyhouse,bughouse2\"\n", true).featureBughouse);
    EXPECT_FALSE(CWinboardParser::ParseLine("feature done=1\n", true).featureBughouse);

    EXPECT_EQ(CWinboardParser::MoveText(expected), "P@e4\n");
    EXPECT_EQ(CWinboardParser::HoldingText("QPnpPx"), "holding [PPQ] [pn]\n");
    EXPECT_EQ(CWinboardParser::HoldingText(""), "holding [] []\n");
    EXPECT_EQ(CWinboardParser::HoldingText(std::string(100, 'P')), "holding [" + std::string(16, 'P') + "] []\n");
}
