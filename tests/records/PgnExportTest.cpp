#include "PgnExport.h"
#include "ChessPosition.h"
#include "FenText.h"
#include "PgnCommand.h"
#include "PgnReader.h"
#include "PgnTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace
{
// Random legal games through the rules core, with some clocks, comments,
// annotations and variations, from the initial position or a set-up one.
std::vector<CPgnGame> RandomGames(int count, uint32_t seed)
{
    static const char* kStarts[] = {CFenText::kInitialPosition,
                                    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                                    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 b - - 4 37"};
    std::mt19937 random(seed);
    std::vector<CPgnGame> games;
    std::vector<CMove> candidates;
    for (int g = 0; g < count; ++g)
    {
        CChessPosition p;
        const char* start = kStarts[g % 3];
        EXPECT_TRUE(CFenText::ReadFen(p, start));
        const int plies = 1 + static_cast<int>(random() % 160);
        while (p.CurrentPly() < plies && p.IsGameGoingOn())
        {
            p.GenerateCandidateMoves(candidates);
            std::vector<CMove> legal;
            for (const CMove& m : candidates)
                if (p.IsLegalMove(m))
                    legal.push_back(m);
            p.SetDefaultPromotionPiece(1 + static_cast<int32_t>(random() % 4));
            p.MakeMove(legal[random() % legal.size()], true);
            p.SetDefaultPromotionPiece(PIECE_QUEEN);
        }
        const char* results[] = {"1-0", "0-1", "1/2-1/2", "*"};
        const char* result = results[random() % 4];
        if (p.IsMate())
            result = p.SideToMove() == COLOUR_WHITE ? "0-1" : "1-0";
        else if (p.IsStalemate())
            result = "1/2-1/2";
        CPgnGame game = CPgnGame::FromPosition(p, result);
        game.SetTag("Event", "Random game " + std::to_string(g + 1));
        game.SetTag("White", "Engine \"A\"");
        game.SetTag("Black", "Engine\\B");
        if (g % 2 == 0)
            game.SetTag("TimeControl", "300+2");
        int32_t clocks[2] = {300000, 300000};
        for (size_t i = 0; i < game.moves.size(); ++i)
        {
            CPgnMove& move = game.moves[i];
            int32_t& clock = clocks[i % 2];
            clock = std::max(0, clock - static_cast<int32_t>(random() % 9000) + 2000);
            if (g % 2 == 0)
                move.clockMs = clock / 100 * 100;
            if (random() % 7 == 0)
                move.EditNotes().nags.push_back(static_cast<uint8_t>(random() % 256));
            if (random() % 11 == 0)
                move.EditNotes().comment =
                    "a remark about move " + std::to_string(i + 1) + " that goes on for a few words";
            if (random() % 13 == 0)
                move.EditNotes().eval = CPgnEval{static_cast<int32_t>(random() % 2001) - 1000, 0};
            if (random() % 17 == 0 && i > 0)
            {
                // An alternative: the move actually played, as text.
                CPgnVariation variation;
                variation.moves.push_back(CPgnNode{move.san.Str(), "same again", {}, {}});
                move.EditNotes().variations.push_back(variation);
            }
        }
        games.push_back(std::move(game));
    }
    return games;
}

// Everything a round trip must keep. Tags: every tag read is written back
// with its value; the roster may gain its defaults. The Result tag is the
// result token.
void ExpectSameGame(const CPgnGame& original, const CPgnGame& again, const std::string& where)
{
    EXPECT_FALSE(again.error) << where << ": " << (again.error ? again.error->Text() : "");
    for (const CPgnTag& tag : original.tags)
    {
        if (tag.name == "Result" || tag.name == "SetUp")
            continue;
        EXPECT_EQ(again.Tag(tag.name), tag.value) << where << " tag " << tag.name;
    }
    EXPECT_EQ(again.Tag("Result"), original.result) << where;
    EXPECT_EQ(again.result, original.result) << where;
    EXPECT_EQ(again.startFen, original.startFen) << where;
    EXPECT_EQ(again.leadingComment, original.leadingComment) << where;
    EXPECT_EQ(again.finalFen, original.finalFen) << where;
    ASSERT_EQ(again.moves.size(), original.moves.size()) << where;
    for (size_t i = 0; i < original.moves.size(); ++i)
    {
        const CPgnMove& a = original.moves[i];
        const CPgnMove& b = again.moves[i];
        EXPECT_EQ(b.san, a.san) << where << " ply " << i;
        EXPECT_EQ(b.Notes().nags, a.Notes().nags) << where << " ply " << i;
        EXPECT_EQ(b.clockMs, a.clockMs) << where << " ply " << i;
        EXPECT_EQ(b.Notes().eval, a.Notes().eval) << where << " ply " << i;
        EXPECT_EQ(b.Notes().variations, a.Notes().variations) << where << " ply " << i;
        if (a.clockMs || a.Notes().eval)
        {
            EXPECT_NE(b.Notes().comment.find(a.Notes().comment), std::string::npos) << where << " ply " << i;
        }
        else
        {
            EXPECT_EQ(b.Notes().comment, a.Notes().comment) << where << " ply " << i;
        }
    }
}

// Every game of the corpus whose start position is known (the moves read
// before an error included).
std::vector<CPgnGame> AllCorpusGames()
{
    std::vector<CPgnGame> games;
    for (const std::string& file : CorpusFiles())
    {
        CPgnReadResult read = CPgnReader::ReadAll(CorpusText(file));
        for (CPgnGame& game : read.games)
            if (!game.finalFen.empty())
                games.push_back(std::move(game));
    }
    return games;
}

void ExpectLinesFit(const std::string& text)
{
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "every line ends in LF";
        const std::string line = text.substr(start, end - start);
        if (line.empty() || line.front() != '[')
        {
            EXPECT_LE(line.size(), CPgnExport::kLineWidth) << line;
        }
        EXPECT_EQ(line.find('\r'), std::string::npos);
        start = end + 1;
    }
}

std::string PgnExtract()
{
    for (const char* path : {"/usr/games/pgn-extract", "/usr/bin/pgn-extract", "/usr/local/bin/pgn-extract"})
        if (std::FILE* f = std::fopen(path, "r"))
        {
            std::fclose(f);
            return path;
        }
    return {};
}
} // namespace

TEST(PgnExport, ExactLayoutWithClocksAndMate)
{
    CChessPosition p;
    for (const char* san : {"f3", "e5", "g4", "Qh4#"})
        ASSERT_TRUE(p.PlaySan(san));
    CPgnGame game = CPgnGame::FromPosition(p, "0-1");
    game.SetTag("Event", "Pellomar II");
    game.SetTag("White", "Anna");
    game.SetTag("Black", "Boris");
    game.SetTag("TimeControl", "300+2");
    const int32_t clocks[] = {299000, 298500, 297000, 296000};
    for (size_t i = 0; i < 4; ++i)
        game.moves[i].clockMs = clocks[i];
    EXPECT_EQ(CPgnExport::ExportGame(game),
              "[Event \"Pellomar II\"]\n"
              "[Site \"?\"]\n"
              "[Date \"????.??.??\"]\n"
              "[Round \"?\"]\n"
              "[White \"Anna\"]\n"
              "[Black \"Boris\"]\n"
              "[Result \"0-1\"]\n"
              "[TimeControl \"300+2\"]\n"
              "\n"
              "1. f3 {[%clk 0:04:59]} 1... e5 {[%clk 0:04:58.5]} 2. g4 {[%clk 0:04:57]} 2...\n"
              "Qh4# {[%clk 0:04:56]} 0-1\n");
}

TEST(PgnExport, SetUpGameWithBlackToMoveAndEscapedTags)
{
    CChessPosition p;
    ASSERT_TRUE(CFenText::ReadFen(p, "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30"));
    for (const char* san : {"Kd7", "e4", "Kc6"})
        ASSERT_TRUE(p.PlaySan(san));
    CPgnGame game = CPgnGame::FromPosition(p, "1/2-1/2");
    game.SetTag("White", "Quote \" and \\ backslash");
    game.SetTag("Annotator", "line\nbreak");
    game.SetTag("bad name", "left out");
    game.leadingComment = "Black to play";
    EXPECT_EQ(CPgnExport::ExportGame(game), "[Event \"?\"]\n"
                                            "[Site \"?\"]\n"
                                            "[Date \"????.??.??\"]\n"
                                            "[Round \"?\"]\n"
                                            "[White \"Quote \\\" and \\\\ backslash\"]\n"
                                            "[Black \"?\"]\n"
                                            "[Result \"1/2-1/2\"]\n"
                                            "[SetUp \"1\"]\n"
                                            "[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\n"
                                            "[Annotator \"line break\"]\n"
                                            "\n"
                                            "{Black to play} 30... Kd7 31. e4 Kc6 1/2-1/2\n");
}

TEST(PgnExport, TheGameOfAPositionIsItsWholeRecord)
{
    CChessPosition p;
    for (const char* san : {"e4", "e5", "Nf3"})
        ASSERT_TRUE(p.PlaySan(san));
    ASSERT_TRUE(p.GoToStart());
    const CPgnGame game = CPgnGame::FromPosition(p, "not a result");
    EXPECT_EQ(Sans(game), (std::vector<std::string>{"e4", "e5", "Nf3"}));
    EXPECT_EQ(game.finalFen, "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
    EXPECT_EQ(game.result, "*");
    EXPECT_EQ(game.startFen, "");
}

TEST(PgnExport, LinesAreWrappedAndLongWordsCut)
{
    CPgnGame game = RandomGames(1, 3).front();
    game.leadingComment = std::string(100, 'x') + " " + std::string(30, 'y');
    game.moves.front().EditNotes().comment = "a long remark " + std::string(200, 'z');
    const std::string text = CPgnExport::ExportGame(game);
    ExpectLinesFit(text);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(text.substr(text.size() - 2, 1), "\n") << "one final newline";
    const CPgnReadResult again = CPgnReader::ReadAll(text);
    ASSERT_EQ(again.games.size(), 1u);
    EXPECT_EQ(Sans(again.games[0]), Sans(game));
}

TEST(PgnExport, CommentsCannotBreakTheMovetext)
{
    CPgnGame game = RandomGames(1, 8).front();
    ASSERT_GE(game.moves.size(), 2u);
    std::string percents;
    for (int i = 0; i < 40; ++i)
    {
        percents += '%';
        percents += std::to_string(i);
        percents += ' ';
    }
    percents.pop_back();
    game.moves[0].EditNotes().comment = percents;
    game.moves[1].EditNotes().comment = "{nested} braces";
    game.moves[0].clockMs = game.moves[1].clockMs = std::nullopt;
    const std::string text = CPgnExport::ExportGame(game);
    EXPECT_NE(text.find("\n %"), std::string::npos) << "a % word starts a line, after a space";
    ExpectLinesFit(text);
    const CPgnReadResult again = CPgnReader::ReadAll(text);
    ASSERT_EQ(again.games.size(), 1u);
    EXPECT_FALSE(again.games[0].error);
    EXPECT_EQ(again.games[0].moves[0].Notes().comment, percents);
    EXPECT_EQ(again.games[0].moves[1].Notes().comment, "(nested) braces");
    EXPECT_EQ(Sans(again.games[0]), Sans(game));
}

// A bracketed command is kept on one line only when it fits there with its
// braces; a longer one is split at its spaces, never cut inside a word, so the
// comment reads back as written and a second export is the same as the first.
TEST(PgnExport, CommandsTooLongForALineAreSplitAtSpacesNotCut)
{
    CPgnGame game = RandomGames(1, 4).front();
    for (CPgnMove& move : game.moves)
    {
        move.clockMs = std::nullopt;
        move.EditNotes().eval = std::nullopt;
        move.EditNotes().comment.clear();
    }
    for (size_t fill = 60; fill <= 80; ++fill)
    {
        const std::string comment = "[%eval -1.25,22U [" + std::string(fill - 18, '-') + "%clk 0:p Y,-3]";
        game.moves[1].EditNotes().comment = comment;
        const std::string text = CPgnExport::ExportGame(game);
        ExpectLinesFit(text);
        const CPgnReadResult again = CPgnReader::ReadAll(text);
        ASSERT_EQ(again.games.size(), 1u);
        EXPECT_EQ(again.games[0].moves[1].Notes().comment, comment) << text;
        EXPECT_EQ(CPgnExport::ExportGame(again.games[0]), text);
    }
    // A word longer than a line is cut, but never through a command glued to
    // it: the clock still reads, however long the word before it.
    for (size_t fill = 60; fill <= 240; ++fill)
    {
        // The first command opens the comment, so "{" is glued to it.
        game.moves[1].EditNotes().comment = "[%x" + std::string(fill, 'x') + "[%clk 0:00:07.25] " +
                                            std::string(fill, 'y') + "[%eval -1.25]" + std::string(fill, 'z');
        const std::string text = CPgnExport::ExportGame(game);
        ExpectLinesFit(text);
        const CPgnReadResult once = CPgnReader::ReadAll(text);
        ASSERT_EQ(once.games.size(), 1u);
        EXPECT_EQ(once.games[0].moves[1].clockMs, 7250) << text;
        EXPECT_EQ(once.games[0].moves[1].Notes().eval, (CPgnEval{-125, 0})) << text;
        EXPECT_EQ(CPgnExport::ExportGame(once.games[0]), text) << "fill " << fill;
    }
}

TEST(PgnExport, ClockAndEvalTexts)
{
    struct Clock
    {
        int32_t ms;
        const char* text;
    };
    for (const Clock& c : {Clock{0, "0:00:00"}, Clock{-5, "0:00:00"}, Clock{59999, "0:00:59.999"},
                           Clock{300000, "0:05:00"}, Clock{3723400, "1:02:03.4"}, Clock{36000250, "10:00:00.25"}})
    {
        EXPECT_EQ(CPgnCommand::ClockText(c.ms), c.text);
        if (c.ms >= 0)
        {
            EXPECT_EQ(CPgnCommand::ReadClock(std::string("[%clk ") + c.text + "]"), c.ms) << c.text;
        }
    }
    struct Eval
    {
        CPgnEval eval;
        const char* text;
    };
    for (const Eval& e : {Eval{{0, 0}, "0"}, Eval{{25, 0}, "0.25"}, Eval{{-130, 0}, "-1.3"}, Eval{{-5, 0}, "-0.05"},
                          Eval{{0, 3}, "#3"}, Eval{{0, -2}, "#-2"}})
    {
        EXPECT_EQ(CPgnCommand::EvalText(e.eval), e.text);
        EXPECT_EQ(CPgnCommand::ReadEval(std::string("[%eval ") + e.text + "]"), e.eval) << e.text;
    }
    EXPECT_EQ(CPgnCommand::ReadEval("[%eval 1.005]"), (CPgnEval{101, 0})) << "rounded to hundredths";
    EXPECT_EQ(CPgnCommand::ReadEval("[%eval +2.5,18]"), (CPgnEval{250, 0})) << "a search depth is ignored";
    for (const char* bad : {"[%clk 1:60:00]", "[%clk 1:2]", "[%clk 597:00:00]", "[%clk 0:00:00.1234]", "[%clk]",
                            "[%clk 0:00:01", "[%clkx 0:00:01]", "[%eval #0]", "[%eval 1.2.3]", "[%eval pawn]"})
    {
        EXPECT_FALSE(CPgnCommand::ReadClock(bad)) << bad;
        EXPECT_FALSE(CPgnCommand::ReadEval(bad)) << bad;
    }
    EXPECT_EQ(CPgnCommand::ReadClock("[%clk 0:00:01] later [%clk 0:00:02]"), 2000) << "the last one counts";
}

TEST(PgnExport, AFenThatCouldNotBeSetUpIsKeptAsItWas)
{
    const CPgnReadResult read = CPgnReader::ReadAll(CorpusText("broken_fen.pgn"));
    ASSERT_EQ(read.games.size(), 2u);
    const std::string text = CPgnExport::ExportGame(read.games[0]);
    EXPECT_NE(text.find("[FEN \"4k3/8/8/8/8/8/8/3KK3 w - - 0 1\"]\n[SetUp \"1\"]\n"), std::string::npos) << text;
    const CPgnReadResult again = CPgnReader::ReadAll(text);
    ASSERT_EQ(again.games.size(), 1u);
    ASSERT_TRUE(again.games[0].error);
    EXPECT_EQ(again.games[0].error->message, "bad FEN tag: two white kings");
}

TEST(PgnExport, EveryCorpusGameRoundTrips)
{
    const std::vector<CPgnGame> games = AllCorpusGames();
    ASSERT_GT(games.size(), 30u);
    const std::string text = CPgnExport::ExportGames(games);
    ExpectLinesFit(text);
    const CPgnReadResult again = CPgnReader::ReadAll(text);
    ASSERT_EQ(again.games.size(), games.size());
    for (size_t i = 0; i < games.size(); ++i)
        ExpectSameGame(games[i], again.games[i], "corpus game " + std::to_string(i + 1));
    EXPECT_EQ(CPgnExport::ExportGames(again.games), text) << "a second round gives the same text";
}

TEST(PgnExport, RandomGamesRoundTrip)
{
    const std::vector<CPgnGame> games = RandomGames(60, 11);
    const std::string text = CPgnExport::ExportGames(games);
    ExpectLinesFit(text);
    const CPgnReadResult again = CPgnReader::ReadAll(text);
    ASSERT_EQ(again.games.size(), games.size());
    for (size_t i = 0; i < games.size(); ++i)
        ExpectSameGame(games[i], again.games[i], "random game " + std::to_string(i + 1));
}

TEST(PgnExport, PgnExtractReadsTheExportWithoutComplaint)
{
    const std::string tool = PgnExtract();
    if (tool.empty())
        GTEST_SKIP() << "pgn-extract is not installed (Debian package pgn-extract)";
    std::vector<CPgnGame> games = AllCorpusGames();
    for (CPgnGame& game : RandomGames(60, 5))
        games.push_back(std::move(game));
    const std::string input = TempFile("export-for-pgn-extract.pgn");
    const std::string output = TempFile("pgn-extract-out.pgn");
    const std::string messages = TempFile("pgn-extract-messages.txt");
    {
        std::ofstream out(input, std::ios::binary);
        out << CPgnExport::ExportGames(games);
    }
    // -F adds the position after the last move as a final comment.
    const std::string command = tool + " -s -F -w1000 -o " + output + " " + input + " 2>" + messages + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(ReadWholeFile(messages), "") << "pgn-extract complained";

    // The last FEN comment of each game that pgn-extract wrote back.
    const std::string checked = ReadWholeFile(output);
    const std::regex fenComment("\\{ \"([^\"]+)\" \\}");
    std::vector<std::string> fens;
    for (size_t start = checked.find("[Event "); start != std::string::npos;)
    {
        const size_t next = checked.find("\n[Event ", start + 1);
        const std::string game = checked.substr(start, next == std::string::npos ? std::string::npos : next - start);
        std::string last;
        for (auto it = std::sregex_iterator(game.begin(), game.end(), fenComment); it != std::sregex_iterator(); ++it)
            last = (*it)[1];
        fens.push_back(last);
        start = next == std::string::npos ? next : next + 1;
    }
    ASSERT_EQ(fens.size(), games.size()) << "every game is accepted";
    for (size_t i = 0; i < games.size(); ++i)
    {
        if (games[i].moves.empty())
            continue; // pgn-extract adds no position to a game without moves
        // pgn-extract writes an en-passant square only when a capture is possible.
        const std::string ours = games[i].finalFen;
        const std::string theirs = fens[i];
        EXPECT_EQ(ours.substr(0, ours.find(' ', ours.find(' ', ours.find(' ') + 1) + 1)),
                  theirs.substr(0, theirs.find(' ', theirs.find(' ', theirs.find(' ') + 1) + 1)))
            << "game " << i + 1;
    }
    std::remove(input.c_str());
    std::remove(output.c_str());
    std::remove(messages.c_str());
}
