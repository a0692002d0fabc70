// The UCI line parser from plain strings: answers, options of each type,
// thinking lines and best moves, and what it refuses.
#include "UciParser.h"

#include <gtest/gtest.h>

using Kind = UciLine::Kind;

TEST(UciParser, ReadsTheHandshakeAnswers)
{
    EXPECT_EQ(CUciParser::ParseLine("uciok\n").kind, Kind::UciOk);
    EXPECT_EQ(CUciParser::ParseLine("readyok").kind, Kind::ReadyOk);
    const UciLine name = CUciParser::ParseLine("id name Stockfish 15.1\n");
    EXPECT_EQ(name.kind, Kind::IdName);
    EXPECT_EQ(name.name, "Stockfish 15.1");
    EXPECT_EQ(CUciParser::ParseLine("id author the Stockfish developers\n").kind, Kind::Other);
    EXPECT_EQ(CUciParser::ParseLine("id name\n").kind, Kind::Other);
    EXPECT_EQ(CUciParser::ParseLine("").kind, Kind::Other);
    EXPECT_EQ(CUciParser::ParseLine("Stockfish 15.1 by the Stockfish developers").kind, Kind::Other);
}

TEST(UciParser, ReadsOptionsOfEveryTypeAndRefusesBrokenOnes)
{
    struct Case
    {
        const char* line;
        bool ok;
        EngineOption expected;
    };
    using Type = EngineOption::Type;
    const Case cases[] = {
        {"option name Hash type spin default 16 min 1 max 33554432",
         true,
         {"Hash", Type::Spin, "16", 1, 33554432, {}, ""}},
        {"option name Skill Level type spin default 20 min 0 max 20",
         true,
         {"Skill Level", Type::Spin, "20", 0, 20, {}, ""}},
        {"option name Contempt type spin default 500 min -100 max 100",
         true,
         {"Contempt", Type::Spin, "100", -100, 100, {}, ""}}, // a default out of range is clamped
        {"option name Ponder type check default false", true, {"Ponder", Type::Check, "false", 0, 0, {}, ""}},
        {"option name Use NNUE type check default true", true, {"Use NNUE", Type::Check, "true", 0, 0, {}, ""}},
        {"option name Style type combo default Normal var Solid var Normal var Risky",
         true,
         {"Style", Type::Combo, "Normal", 0, 0, {"Solid", "Normal", "Risky"}, ""}},
        {"option name Analysis Contempt type combo default Both var Off var White var Black var Both",
         true,
         {"Analysis Contempt", Type::Combo, "Both", 0, 0, {"Off", "White", "Black", "Both"}, ""}},
        {"option name SyzygyPath type string default <empty>", true, {"SyzygyPath", Type::String, "", 0, 0, {}, ""}},
        {"option name Debug Log File type string default ", true, {"Debug Log File", Type::String, "", 0, 0, {}, ""}},
        {"option name EvalFile type string default nn-ad9b42354671.nnue",
         true,
         {"EvalFile", Type::String, "nn-ad9b42354671.nnue", 0, 0, {}, ""}},
        {"option name Clear Hash type button", true, {"Clear Hash", Type::Button, "", 0, 0, {}, ""}},
        // Refused: no name, no type, an unknown type, spins without limits or
        // with crossed ones, a check that is neither, a combo without choices.
        {"option type spin default 1 min 0 max 2", false, {}},
        {"option name Lonely", false, {}},
        {"option name Odd type dial default 3", false, {}},
        {"option name Hash type spin default 16", false, {}},
        {"option name Hash type spin default 16 min 9 max 1", false, {}},
        {"option name Hash type spin default x min 1 max 9", false, {}},
        {"option name Flag type check default maybe", false, {}},
        {"option name Style type combo default Normal", false, {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        const UciLine parsed = CUciParser::ParseLine(c.line);
        EXPECT_EQ(parsed.kind == Kind::Option, c.ok);
        if (c.ok)
        {
            EXPECT_EQ(parsed.option, c.expected);
        }
    }
}

TEST(UciParser, WritesTheSetoptionLines)
{
    EngineOption hash{"Hash", EngineOption::Type::Spin, "16", 1, 1024, {}, ""};
    EngineOption clear{"Clear Hash", EngineOption::Type::Button, "", 0, 0, {}, ""};
    EngineOption path{"SyzygyPath", EngineOption::Type::String, "", 0, 0, {}, ""};
    EXPECT_EQ(CUciParser::SetOptionText(hash, "64"), "setoption name Hash value 64\n");
    EXPECT_EQ(CUciParser::SetOptionText(clear, ""), "setoption name Clear Hash\n");
    EXPECT_EQ(CUciParser::SetOptionText(path, ""), "setoption name SyzygyPath value <empty>\n");
    EXPECT_EQ(CUciParser::SetOptionText(path, "/tb"), "setoption name SyzygyPath value /tb\n");
}

TEST(UciParser, ReadsThinkingLinesWithTheirNumbersAndPrincipalVariation)
{
    const UciLine full =
        CUciParser::ParseLine("info depth 12 seldepth 15 multipv 1 score cp -35 nodes 123456 nps 654321 "
                              "hashfull 3 tbhits 0 time 188 pv e2e4 e7e5 g1f3 b8c6\n");
    ASSERT_EQ(full.kind, Kind::Thinking);
    EXPECT_EQ(full.depth, 12);
    EXPECT_TRUE(full.hasScore);
    EXPECT_FALSE(full.mate);
    EXPECT_EQ(full.score, -35);
    EXPECT_EQ(full.nodes, 123456);
    EXPECT_EQ(full.nodesPerSecond, 654321);
    EXPECT_EQ(full.milliseconds, 188);
    EXPECT_EQ(full.pv, "e2e4 e7e5 g1f3 b8c6");

    const UciLine mate = CUciParser::ParseLine("info depth 20 score mate -3 upperbound nodes 99 pv a7a8q");
    ASSERT_EQ(mate.kind, Kind::Thinking);
    EXPECT_TRUE(mate.mate);
    EXPECT_EQ(mate.score, -3);
    EXPECT_EQ(mate.pv, "a7a8q");

    // The variation stops at the first word that is not a move.
    EXPECT_EQ(CUciParser::ParseLine("info score cp 5 pv e2e4 e7e5 string junk").pv, "e2e4 e7e5");
    const UciLine scoreOnly = CUciParser::ParseLine("info depth 3 score cp 7");
    EXPECT_EQ(scoreOnly.kind, Kind::Thinking);
    EXPECT_EQ(scoreOnly.pv, "");

    // Not thinking lines: secondary lines, strings, progress without score or variation.
    for (const char* line :
         {"info depth 12 multipv 2 score cp 10 pv d2d4", "info string NNUE evaluation enabled",
          "info depth 5 currmove e2e4 currmovenumber 1", "info", "info nodes 12 nps 34", "info depth x score cp y"})
        EXPECT_EQ(CUciParser::ParseLine(line).kind, Kind::Other) << line;
}

TEST(UciParser, ReadsTheBestMoveAndTheReplyToPonderOn)
{
    const UciLine plain = CUciParser::ParseLine("bestmove e2e4\n");
    ASSERT_EQ(plain.kind, Kind::BestMove);
    ASSERT_TRUE(plain.best);
    EXPECT_EQ(*plain.best, (EngineMove{3, 1, 3, 3, 0}));
    EXPECT_EQ(plain.bestText, "e2e4");
    EXPECT_FALSE(plain.ponder);

    const UciLine ponder = CUciParser::ParseLine("bestmove g1f3 ponder d7d5");
    ASSERT_TRUE(ponder.best && ponder.ponder);
    EXPECT_EQ(*ponder.ponder, (EngineMove{4, 6, 4, 4, 0}));
    EXPECT_EQ(ponder.ponderText, "d7d5");

    for (const char* line : {"bestmove (none)", "bestmove 0000", "bestmove", "bestmove e2e9 ponder e7e5"})
    {
        const UciLine parsed = CUciParser::ParseLine(line);
        EXPECT_EQ(parsed.kind, Kind::BestMove) << line;
        EXPECT_FALSE(parsed.best) << line;
    }
}
