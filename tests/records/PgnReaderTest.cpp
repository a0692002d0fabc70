#include "PgnReader.h"
#include "ChessPosition.h"
#include "FenText.h"
#include "PgnExport.h"
#include "PgnTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
constexpr const char* kInitial = CFenText::kInitialPosition;
constexpr const char* kAfterNf3 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2";
constexpr const char* kAfterD4D5 = "rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w KQkq d6 0 2";
constexpr const char* kAfterBb5 = "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3";
constexpr const char* kFoolsMate = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
constexpr const char* kPromotionStart = "8/P6k/8/8/8/8/6K1/8 w - - 0 1";

struct ExpectedError
{
    int moveNumber;
    Colour side;
    int line;
    const char* message;
};

struct ExpectedGame
{
    int plies;
    const char* finalFen; // "" when the start position could not be set up
    const char* result;
    int comments; // non-empty comments on the main line, the leading one included
    int clocks;
    std::optional<ExpectedError> error = std::nullopt;
};

struct CorpusCase
{
    const char* file;
    std::vector<ExpectedGame> games;
};

int CountComments(const CPgnGame& game)
{
    int count = game.leadingComment.empty() ? 0 : 1;
    for (const CPgnMove& move : game.moves)
        count += move.Notes().comment.empty() ? 0 : 1;
    return count;
}

int CountClocks(const CPgnGame& game)
{
    int count = 0;
    for (const CPgnMove& move : game.moves)
        count += move.clockMs ? 1 : 0;
    return count;
}

// The final positions of the well-formed games agree with those an
// independent reader (pgn-extract -F) gives for the same files.
const std::vector<CorpusCase>& Corpus()
{
    static const std::vector<CorpusCase> corpus = {
        {"bom_crlf.pgn", {{10, "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w KQkq - 0 6", "1/2-1/2", 1, 0}}},
        {"broken_ambiguous.pgn",
         {{4, "rnbqkbnr/ppp2ppp/8/3pp3/8/3P1N2/PPP1PPPP/RNBQKB1R w KQkq d6 0 3", "*", 0, 0,
           ExpectedError{3, COLOUR_WHITE, 3, "ambiguous move \"Nd2\""}}}},
        {"broken_characters.pgn",
         {{3, kAfterNf3, "*", 0, 0, ExpectedError{2, COLOUR_BLACK, 3, "unexpected character: \"@\""}}}},
        {"broken_comment.pgn",
         {{3, kAfterNf3, "*", 0, 0, ExpectedError{2, COLOUR_BLACK, 3, "comment not closed"}},
          {2, kAfterD4D5, "*", 0, 0}}},
        {"broken_fen.pgn",
         {{0, "", "*", 0, 0, ExpectedError{0, COLOUR_NONE, 5, "bad FEN tag: two white kings"}},
          {1, "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "*", 0, 0}}},
        {"broken_lowercase.pgn",
         {{2, "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2", "*", 0, 0,
           ExpectedError{2, COLOUR_WHITE, 3, "not a move: \"nf3\""}},
          {5, "rnbqk1nr/pppp1ppp/4p3/8/1b1PP3/2N5/PPP2PPP/R1BQKBNR b KQkq e3 0 3", "*", 0, 0,
           ExpectedError{3, COLOUR_BLACK, 7, "illegal move \"bxc3\""}}}},
        {"broken_null.pgn",
         {{2, "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2", "*", 0, 0,
           ExpectedError{2, COLOUR_WHITE, 3, "null moves are not supported: \"--\""}}}},
        {"broken_promotion.pgn",
         {{0, kPromotionStart, "*", 0, 0, ExpectedError{1, COLOUR_WHITE, 5, "promotion piece missing in \"a8\""}},
          {0, kPromotionStart, "*", 0, 0, ExpectedError{1, COLOUR_WHITE, 11, "not a move: \"a8=q\""}},
          {0, kInitial, "*", 0, 0,
           ExpectedError{1, COLOUR_WHITE, 15, "promotion piece on a move that is no promotion: \"e4=Q\""}}}},
        {"broken_setup_without_fen.pgn",
         {{0, "", "*", 0, 0, ExpectedError{0, COLOUR_NONE, 4, "SetUp tag without a FEN tag"}}}},
        {"broken_tag.pgn",
         {{0, kInitial, "*", 0, 0, ExpectedError{0, COLOUR_NONE, 2, "a tag value is written in double quotes"}},
          {1, "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq d3 0 1", "*", 0, 0}}},
        {"broken_variation.pgn",
         {{3, kAfterNf3, "*", 0, 0, ExpectedError{2, COLOUR_BLACK, 3, "\")\" without a variation to close"}},
          {2, kAfterD4D5, "*", 0, 0, ExpectedError{2, COLOUR_WHITE, 7, "variation not closed"}},
          {0, kInitial, "*", 0, 0, ExpectedError{1, COLOUR_WHITE, 11, "a variation must follow a move"}}}},
        {"clocks.pgn", {{6, "r1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4", "*", 6, 4}}},
        {"comments.pgn", {{5, kAfterBb5, "*", 5, 0}}},
        {"escape_lines.pgn", {{4, "rnbqkbnr/ppp2ppp/4p3/3p4/2PP4/8/PP2PPPP/RNBQKBNR w KQkq - 0 3", "*", 1, 0}}},
        {"latin1.pgn", {{4, "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", "*", 2, 0}}},
        {"move_numbers.pgn",
         {{6, "rnbqkb1r/ppp2ppp/4pn2/3p4/2PP4/2N5/PP2PPPP/R1BQKBNR w KQkq - 2 4", "*", 0, 0},
          {6, "rnbqkbnr/pp2pppp/3p4/8/3pP3/5N2/PPP2PPP/RNBQKB1R w KQkq - 0 4", "*", 0, 0},
          {6, "r1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4", "*", 0, 0},
          {6, "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4", "*", 0, 0},
          {9, "r1bqkb1r/1ppp1ppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQ1RK1 b kq - 3 5", "*", 0, 0}}},
        {"multi_broken.pgn",
         {{4, "rnbqkb1r/pppppp1p/5np1/8/2PP4/8/PP2PPPP/RNBQKBNR w KQkq - 0 3", "1/2-1/2", 0, 0},
          {5, kAfterBb5, "*", 0, 0, ExpectedError{3, COLOUR_BLACK, 13, "illegal move \"Ke6\""}},
          {4, "rnbqkbnr/pp2pppp/3p4/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3", "0-1", 0, 0}}},
        {"nags.pgn", {{5, kAfterBb5, "*", 0, 0}}},
        {"no_result.pgn", {{5, "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3", "*", 0, 0}}},
        {"san_forms.pgn",
         {{22, "2kr3r/pppq1ppp/2np1n2/b7/2BPP1b1/2N1BN2/1P3PPP/R2Q1RK1 w - - 0 12", "*", 0, 0},
          {7, "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq - 0 4", "1-0", 0, 0},
          {4, kFoolsMate, "0-1", 0, 0},
          {6, "8/8/5k2/8/4Q3/8/8/7K w - - 3 4", "*", 0, 0},
          {5, "8/8/2N2k2/8/8/5K2/8/8 b - - 4 3", "*", 0, 0},
          {8, "r1bqkb1r/1ppp1ppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 2 5", "*", 0, 0}}},
        {"setup_fen.pgn",
         {{8, "8/8/8/8/8/3KPk2/8/8 b - - 2 44", "1-0", 0, 0}, {5, "2k4r/8/8/8/8/8/8/3R2K1 b - - 0 3", "*", 0, 0}}},
        {"tags_after_movetext.pgn",
         {{3, kAfterNf3, "*", 0, 0},
          {2, kAfterD4D5, "*", 0, 0},
          {1, "rnbqkbnr/pppppppp/8/8/2P5/8/PP1PPPPP/RNBQKBNR b KQkq c3 0 1", "*", 0, 0}}},
        {"tags_escaped.pgn",
         {{7, "r1bqkb1r/pppp1ppp/2N2n2/8/4P3/8/PPPP1PPP/RNBQKB1R b KQkq - 0 4", "1-0", 0, 0},
          {4, kFoolsMate, "0-1", 0, 0}}},
        {"variations.pgn", {{5, kAfterBb5, "*", 1, 0}}},
    };
    return corpus;
}

CPgnReadResult ReadCorpus(const std::string& file)
{
    return CPgnReader::ReadAll(CorpusText(file));
}

CPgnGame OnlyGame(const std::string& text)
{
    CPgnReadResult read = CPgnReader::ReadAll(text);
    EXPECT_EQ(read.games.size(), 1u) << text.substr(0, 200);
    return read.games.empty() ? CPgnGame{} : read.games.front();
}
} // namespace

TEST(PgnCorpus, EveryFileIsCovered)
{
    std::vector<std::string> listed;
    for (const CorpusCase& c : Corpus())
        listed.push_back(c.file);
    EXPECT_EQ(listed, CorpusFiles());
}

TEST(PgnCorpus, EachGameEndsInTheRightPositionOrFailsAtTheRightMove)
{
    for (const CorpusCase& c : Corpus())
    {
        const CPgnReadResult read = ReadCorpus(c.file);
        EXPECT_TRUE(read.fileError.empty()) << c.file;
        ASSERT_EQ(read.games.size(), c.games.size()) << c.file;
        for (size_t i = 0; i < c.games.size(); ++i)
        {
            const CPgnGame& game = read.games[i];
            const ExpectedGame& expected = c.games[i];
            const std::string where = std::string(c.file) + " game " + std::to_string(i + 1);
            EXPECT_EQ(game.number, static_cast<int>(i + 1)) << where;
            EXPECT_EQ(static_cast<int>(game.moves.size()), expected.plies) << where;
            EXPECT_EQ(game.finalFen, expected.finalFen) << where;
            EXPECT_EQ(game.result, expected.result) << where;
            EXPECT_EQ(CountComments(game), expected.comments) << where;
            EXPECT_EQ(CountClocks(game), expected.clocks) << where;
            ASSERT_EQ(game.error.has_value(), expected.error.has_value())
                << where << (game.error ? ": " + game.error->Text() : "");
            if (!expected.error)
            {
                // The game replays to the same position through the rules core.
                CChessPosition replayed;
                ASSERT_TRUE(game.Replay(replayed)) << where;
                EXPECT_EQ(CFenText::WriteFen(replayed), expected.finalFen) << where;
                continue;
            }
            EXPECT_EQ(game.error->game, static_cast<int>(i + 1)) << where;
            EXPECT_EQ(game.error->moveNumber, expected.error->moveNumber) << where;
            EXPECT_EQ(game.error->side, expected.error->side) << where;
            EXPECT_EQ(game.error->line, expected.error->line) << where;
            EXPECT_EQ(game.error->message, expected.error->message) << where;
        }
    }
}

TEST(PgnCorpus, ErrorTextNamesTheGameTheMoveAndTheLine)
{
    const CPgnReadResult read = ReadCorpus("multi_broken.pgn");
    ASSERT_EQ(read.games.size(), 3u);
    ASSERT_TRUE(read.games[1].error);
    EXPECT_EQ(read.games[1].error->Text(), "Game 2, move 3 (Black), line 13: illegal move \"Ke6\"");
    const CPgnReadResult fen = ReadCorpus("broken_fen.pgn");
    ASSERT_TRUE(fen.games[0].error);
    EXPECT_EQ(fen.games[0].error->Text(), "Game 1, line 5: bad FEN tag: two white kings");
}

TEST(PgnCorpus, TagsAreUnescapedAndKeptInFileOrder)
{
    const CPgnReadResult read = ReadCorpus("tags_escaped.pgn");
    ASSERT_EQ(read.games.size(), 2u);
    const CPgnGame& first = read.games[0];
    ASSERT_EQ(first.tags.size(), 10u);
    EXPECT_EQ(first.tags[0], (CPgnTag{"Event", "Club \"Spring\" Open"}));
    EXPECT_EQ(first.Tag("Site"), "C:\\Games\\club");
    EXPECT_EQ(first.Tag("White"), "Adams, \"Mickey\"");
    EXPECT_EQ(first.Tag("Black"), "Back\\slash");
    EXPECT_EQ(first.Tag("white"), "Adams, \"Mickey\"") << "found whatever the case";
    EXPECT_EQ(first.tags.back(), (CPgnTag{"PlyCount", "7"}));
    EXPECT_EQ(first.Tag("Missing"), "");

    const CPgnGame& second = read.games[1];
    std::vector<std::string> names;
    for (const CPgnTag& tag : second.tags)
        names.push_back(tag.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Result", "PlyCount", "Black", "Round", "White", "Date", "Site", "Event",
                                               "Opening"}));
    EXPECT_EQ(second.Tag("Opening"), "Fool's mate");
}

TEST(PgnCorpus, SetUpGamesStartFromTheirFen)
{
    const CPgnReadResult read = ReadCorpus("setup_fen.pgn");
    ASSERT_EQ(read.games.size(), 2u);
    EXPECT_EQ(read.games[0].startFen, "8/8/8/4k3/8/8/4PK2/8 b - - 0 40");
    EXPECT_EQ(Sans(read.games[0]).front(), "Ke4") << "Black moves first";
    EXPECT_EQ(read.games[1].startFen, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1") << "a FEN tag without SetUp";
    EXPECT_EQ(Sans(read.games[1]), (std::vector<std::string>{"O-O", "O-O-O", "Rfd1", "Rxd1+", "Rxd1"}));
    EXPECT_EQ(ReadCorpus("move_numbers.pgn").games[0].startFen, "") << "an ordinary game has no start FEN";
}

TEST(PgnCorpus, SanIsRecordedAsTheRulesCoreWritesIt)
{
    const CPgnReadResult read = ReadCorpus("san_forms.pgn");
    ASSERT_EQ(read.games.size(), 6u);
    const std::vector<std::string> castling = Sans(read.games[0]);
    EXPECT_EQ(castling[6], "O-O") << "0-0 read as castling";
    EXPECT_EQ(castling[17], "O-O-O");
    EXPECT_EQ(Sans(read.games[1])[2], "Bc4") << "a wrong check mark does not refuse the move";
    EXPECT_EQ(Sans(read.games[1]).back(), "Qxf7+") << "mate is written with +";
    EXPECT_EQ(Sans(read.games[2]).back(), "Qh4+") << "a mate without its mark";
    EXPECT_EQ(Sans(read.games[3]), (std::vector<std::string>{"a8=Q", "h1=Q+", "Kxh1", "Kg6", "Qe4+", "Kf6"}));
    EXPECT_EQ(Sans(read.games[4]).front(), "b8=N");
    const std::vector<std::vector<uint8_t>> marks = {{1}, {2}, {3}, {4}, {5}, {6}, {1}, {4}};
    ASSERT_EQ(read.games[5].moves.size(), marks.size());
    for (size_t i = 0; i < marks.size(); ++i)
        EXPECT_EQ(read.games[5].moves[i].Notes().nags, marks[i]) << i;
}

TEST(PgnCorpus, NagsAttachToTheirMoves)
{
    const CPgnGame game = ReadCorpus("nags.pgn").games.at(0);
    const std::vector<std::vector<uint8_t>> nags = {{1}, {2, 18}, {14}, {255}, {0}};
    ASSERT_EQ(game.moves.size(), nags.size());
    for (size_t i = 0; i < nags.size(); ++i)
        EXPECT_EQ(game.moves[i].Notes().nags, nags[i]) << i;
}

TEST(PgnCorpus, CommentsOfEveryKind)
{
    const CPgnGame game = ReadCorpus("comments.pgn").games.at(0);
    EXPECT_EQ(game.leadingComment, "A comment before the first move");
    ASSERT_EQ(game.moves.size(), 5u);
    EXPECT_EQ(game.moves[0].Notes().comment, "Best by test");
    EXPECT_EQ(game.moves[1].Notes().comment, "a comment to the end of the line");
    EXPECT_EQ(game.moves[2].Notes().comment, "spread over two lines") << "white space folded";
    EXPECT_EQ(game.moves[3].Notes().comment, "one two") << "two comments joined";
    EXPECT_EQ(game.moves[4].Notes().comment, "");

    const CPgnGame escaped = ReadCorpus("escape_lines.pgn").games.at(0);
    EXPECT_EQ(Sans(escaped), (std::vector<std::string>{"d4", "d5", "c4", "e6"})) << "% lines are skipped";
    EXPECT_EQ(escaped.moves[2].Notes().comment, "2... Nf6 is a comment here");
    EXPECT_EQ(escaped.Tag("White"), "") << "a tag on an escaped line is not read";

    const CPgnGame crlf = ReadCorpus("bom_crlf.pgn").games.at(0);
    EXPECT_EQ(crlf.Tag("Event"), "BOM and CR LF") << "the byte-order mark is skipped";
    EXPECT_EQ(crlf.moves[2].Notes().comment, "CR LF inside");
}

TEST(PgnCorpus, ClocksAndEvaluations)
{
    const CPgnGame game = ReadCorpus("clocks.pgn").games.at(0);
    ASSERT_EQ(game.moves.size(), 6u);
    const std::vector<std::optional<int32_t>> clocks = {300000, 298500, 3723000, std::nullopt, 7250, std::nullopt};
    const std::vector<std::optional<CPgnEval>> evals = {CPgnEval{17, 0}, CPgnEval{19, 0},   std::nullopt,
                                                        CPgnEval{0, -3}, CPgnEval{-125, 0}, std::nullopt};
    for (size_t i = 0; i < clocks.size(); ++i)
    {
        EXPECT_EQ(game.moves[i].clockMs, clocks[i]) << i;
        EXPECT_EQ(game.moves[i].Notes().eval, evals[i]) << i;
    }
    EXPECT_EQ(game.moves[0].Notes().comment, "[%eval 0.17] [%clk 0:05:00]") << "the comment keeps the commands";
    EXPECT_EQ(game.moves[5].Notes().comment, "no clock here [%clk bad]");
    EXPECT_EQ(game.Tag("TimeControl"), "300+2");
}

TEST(PgnCorpus, VariationsAreKeptApartAndNeverPlayed)
{
    const CPgnGame game = ReadCorpus("variations.pgn").games.at(0);
    EXPECT_EQ(Sans(game), (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5"}));
    ASSERT_EQ(game.moves[1].Notes().variations.size(), 2u) << "two alternatives to 1... e5";
    const CPgnVariation& sicilian = game.moves[1].Notes().variations[0];
    ASSERT_EQ(sicilian.moves.size(), 3u);
    EXPECT_EQ(sicilian.moves[0].san, "c5");
    EXPECT_EQ(sicilian.moves[1].san, "Nf3");
    EXPECT_EQ(sicilian.moves[2].san, "d6");
    ASSERT_EQ(sicilian.moves[1].variations.size(), 1u);
    const CPgnVariation& nc3 = sicilian.moves[1].variations[0];
    ASSERT_EQ(nc3.moves.size(), 2u);
    EXPECT_EQ(nc3.moves[1].san, "Nc6");
    ASSERT_EQ(nc3.moves[1].variations.size(), 1u);
    EXPECT_EQ(nc3.moves[1].variations[0].moves.at(1).san, "g3") << "three levels deep";
    EXPECT_EQ(game.moves[1].Notes().variations[1].moves.at(0).comment, "French");
    EXPECT_EQ(game.moves[2].Notes().comment, "main");
    EXPECT_EQ(game.moves[2].Notes().variations.at(0).moves.at(0).comment, "bishop");
    const CPgnNode& castles =
        game.moves[3].Notes().variations.at(0).moves.at(1).variations.at(0).moves.at(1).variations.at(0).moves.at(1);
    EXPECT_EQ(castles.san, "O-O") << "castling with zeros is written with letters";
}

TEST(PgnCorpus, Latin1BytesAreKeptAsTheyAre)
{
    const CPgnGame game = ReadCorpus("latin1.pgn").games.at(0);
    EXPECT_EQ(game.Tag("White"), "M\xfcller");
    EXPECT_EQ(game.Tag("Black"), "Jos\xe9");
    EXPECT_EQ(game.moves.at(0).Notes().comment, "tr\xe8s bien, \xe7"
                                                "a");
    EXPECT_EQ(game.moves.at(2).Notes().comment, "\xa7 \xbd");
}

TEST(PgnReader, GameBoundaries)
{
    struct Case
    {
        const char* text;
        std::vector<std::vector<std::string>> games;
    };
    const Case cases[] = {
        {"", {}},
        {"  \r\n\t ", {}},
        {"{only a comment}", {}},
        {"*", {{}}},
        {"1. e4 1-0 1. d4 0-1", {{"e4"}, {"d4"}}},
        {"1. e4 e5 1/2-1/2\n\n1. c4 *\n{a comment after the last game}", {{"e4", "e5"}, {"c4"}}},
        {"[White \"A\"]\n[Black \"B\"]\n", {{}}},
        {"1. e4\n[Event \"next\"]\n1. d4", {{"e4"}, {"d4"}}},
        {"[Event \"x\"] 1. e4 [Event \"y\"] 1. d4 *", {{"e4"}, {"d4"}}},
        {"1. e4 (1. d4 1-0) e5 *", {{"e4", "e5"}}},
        {"1. e4 (1. d4\n[Event \"next\"]\n1. c4 *", {{"e4"}, {"c4"}}},
    };
    for (const Case& c : cases)
    {
        const CPgnReadResult read = CPgnReader::ReadAll(c.text);
        ASSERT_EQ(read.games.size(), c.games.size()) << c.text;
        for (size_t i = 0; i < c.games.size(); ++i)
            EXPECT_EQ(Sans(read.games[i]), c.games[i]) << c.text << " game " << i + 1;
    }
}

TEST(PgnReader, AResultInsideAVariationIsPassedOver)
{
    const CPgnGame game = OnlyGame("1. e4 (1. d4 d5 2. c4 1-0) e5 0-1");
    EXPECT_FALSE(game.error);
    EXPECT_EQ(game.result, "0-1");
    ASSERT_EQ(game.moves.at(0).Notes().variations.size(), 1u);
    EXPECT_EQ(game.moves[0].Notes().variations[0].moves.size(), 3u);

    const CPgnReadResult unclosed = CPgnReader::ReadAll("1. e4 (1. d4 1-0\n[Event \"next\"]\n1. c4 *");
    ASSERT_EQ(unclosed.games.size(), 2u) << "tags still begin the next game";
    ASSERT_TRUE(unclosed.games[0].error);
    EXPECT_EQ(unclosed.games[0].error->message, "variation not closed");
    EXPECT_EQ(unclosed.games[0].result, "*");
}

TEST(PgnReader, NestingUpToTheBoundIsReadAndDeeperIsRefused)
{
    auto nested = [](int depth) {
        std::string text = "1. e4 e5 ";
        for (int i = 0; i < depth; ++i)
            text += "(1... c5 ";
        for (int i = 0; i < depth; ++i)
            text += ") ";
        return text + "2. Nf3 *\n\n1. d4 *";
    };
    const CPgnReadResult deepest = CPgnReader::ReadAll(nested(CPgnReader::kMaxVariationDepth));
    ASSERT_EQ(deepest.games.size(), 2u);
    EXPECT_FALSE(deepest.games[0].error);
    EXPECT_EQ(Sans(deepest.games[0]), (std::vector<std::string>{"e4", "e5", "Nf3"}));
    int depth = 0;
    for (const std::vector<CPgnVariation>* level = &deepest.games[0].moves[1].Notes().variations; !level->empty();
         level = &level->front().moves.front().variations)
        ++depth;
    EXPECT_EQ(depth, CPgnReader::kMaxVariationDepth);

    for (int tooDeep : {CPgnReader::kMaxVariationDepth + 1, 200000})
    {
        const CPgnReadResult read = CPgnReader::ReadAll(nested(tooDeep));
        ASSERT_EQ(read.games.size(), 2u) << tooDeep;
        ASSERT_TRUE(read.games[0].error) << tooDeep;
        EXPECT_EQ(read.games[0].error->message, "variations nested deeper than 256");
        EXPECT_EQ(read.games[0].error->moveNumber, 2);
        EXPECT_EQ(Sans(read.games[1]), std::vector<std::string>{"d4"}) << "the next game is still read";
    }
}

TEST(PgnReader, EveryTokenIsBounded)
{
    struct Case
    {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"1. e4 " + std::string(300, 'a') + " *", "token too long"},
        {"[Event \"" + std::string(CPgnTokenizer::kMaxString + 1, 'x') + "\"]\n1. e4 *", "tag value too long"},
        {"1. e4 {" + std::string(CPgnTokenizer::kMaxComment + 1, 'c') + "} *", "comment too long"},
        {"1. e4 ;" + std::string(CPgnTokenizer::kMaxComment + 1, 'c') + "\n*", "comment too long"},
        {"1. e4 $256 *", "a NAG is $ and a number from 0 to 255"},
        {"1. e4 $ *", "a NAG is $ and a number from 0 to 255"},
        {"1. e4 !!! *", "an annotation is one of ! ? !! ?? !? ?!"},
        {"[Event \"not closed\n1. e4 *", "tag value not closed"},
        {"1. e4 \"text\" *", "text in quotes outside a tag"},
        {"1. e4 ] *", "\"]\" outside a tag"},
        {"$1 1. e4 *", "an annotation must follow a move"},
    };
    for (const Case& c : cases)
    {
        const CPgnReadResult read = CPgnReader::ReadAll(c.text);
        ASSERT_FALSE(read.games.empty()) << c.message;
        ASSERT_TRUE(read.games[0].error) << c.message;
        EXPECT_EQ(read.games[0].error->message.substr(0, std::string(c.message).size()), c.message);
    }

    std::string manyTags;
    for (int i = 0; i <= CPgnReader::kMaxTags; ++i)
        manyTags += "[Tag" + std::to_string(i) + " \"v\"]\n";
    const CPgnGame tags = OnlyGame(manyTags + "1. e4 *");
    ASSERT_TRUE(tags.error);
    EXPECT_EQ(tags.error->message, "more than 512 tags");
    EXPECT_EQ(tags.tags.size(), static_cast<size_t>(CPgnReader::kMaxTags));
}

TEST(PgnReader, AGameLongerThanTheRecordStopsThere)
{
    std::string text;
    for (int n = 0; n < CPgnReader::kMaxPlies / 4 + 1; ++n)
        text += "Nf3 Nf6 Ng1 Ng8 ";
    const CPgnGame game = OnlyGame(text + "*");
    ASSERT_TRUE(game.error);
    EXPECT_EQ(game.error->message, "the game is longer than 20000 plies");
    EXPECT_EQ(static_cast<int>(game.moves.size()), CPgnReader::kMaxPlies);
    EXPECT_EQ(game.finalFen.substr(0, 52), std::string(kInitial).substr(0, 52)) << "back where it started";
}

TEST(PgnReader, TheTextAndTheNumberOfGamesAreBounded)
{
    std::string huge(CPgnReader::kMaxTextBytes + 1, ' ');
    huge.replace(0, 6, "1. e4 ");
    const CPgnReadResult tooLarge = CPgnReader::ReadAll(huge);
    EXPECT_TRUE(tooLarge.games.empty());
    EXPECT_EQ(tooLarge.fileError, "the text is larger than 64 MiB");

    std::string many;
    for (int i = 0; i <= CPgnReader::kMaxGames; ++i)
        many += "* ";
    const CPgnReadResult tooMany = CPgnReader::ReadAll(many);
    EXPECT_EQ(static_cast<int>(tooMany.games.size()), CPgnReader::kMaxGames);
    EXPECT_EQ(tooMany.fileError, "the text holds more than 100000 games; the rest is not read");
    EXPECT_TRUE(CPgnReader::ReadAll(many.substr(2)).fileError.empty()) << "exactly the bound is fine";
}

TEST(PgnReader, HostileInputEndsInBoundedTime)
{
    std::string garbage;
    uint32_t x = 12345;
    for (int i = 0; i < 300000; ++i)
    {
        x = x * 1103515245u + 12345u;
        garbage += static_cast<char>(x >> 24);
    }
    std::string brackets;
    for (int i = 0; i < 100000; ++i)
        brackets += "[(";
    for (const std::string& text :
         {garbage, brackets, std::string("\0\0\0", 3), std::string(5, '['), std::string("1."), std::string("{"),
          std::string("[White \""), std::string(". . . ."), std::string("1. e4 {unclosed"), std::string(")))((("),
          std::string("\xEF\xBB\xBF"), std::string("%"), std::string(";"), std::string("[[[]]]\"\"\"")})
    {
        const CPgnReadResult read = CPgnReader::ReadAll(text);
        for (const CPgnGame& game : read.games)
            (void)CPgnExport::ExportGame(game); // whatever was read can be written
        (void)CPgnReader::ReadIndex(text);
    }
}

TEST(PgnReader, TheIndexFindsTheSameGamesAsTheReader)
{
    for (const std::string& file : CorpusFiles())
    {
        const std::string text = CorpusText(file);
        const CPgnReadResult read = CPgnReader::ReadAll(text);
        const std::vector<CPgnIndexEntry> index = CPgnReader::ReadIndex(text);
        ASSERT_EQ(index.size(), read.games.size()) << file;
        for (size_t i = 0; i < index.size(); ++i)
        {
            EXPECT_EQ(index[i].number, static_cast<int>(i + 1)) << file;
            EXPECT_EQ(index[i].tags, read.games[i].tags) << file;
            const CPgnGame again = CPgnReader::ReadIndexedGame(text, index[i]);
            EXPECT_EQ(again.number, read.games[i].number) << file;
            EXPECT_EQ(again.moves, read.games[i].moves) << file << " game " << i + 1;
            EXPECT_EQ(again.finalFen, read.games[i].finalFen) << file;
            EXPECT_EQ(again.result, read.games[i].result) << file;
            EXPECT_EQ(again.error.has_value(), read.games[i].error.has_value()) << file;
            if (again.error && read.games[i].error)
            {
                EXPECT_EQ(again.error->Text(), read.games[i].error->Text()) << file;
            }
        }
    }
}

TEST(PgnReader, LoadFileRefusesWhatItCannotRead)
{
    std::string text;
    std::string error;
    EXPECT_FALSE(CPgnReader::LoadFile("/nonexistent-folder/none.pgn", text, error));
    EXPECT_EQ(error, "cannot open /nonexistent-folder/none.pgn");
    ASSERT_TRUE(CPgnReader::LoadFile(std::string(PGN_CORPUS) + "/nags.pgn", text, error));
    EXPECT_EQ(text, CorpusText("nags.pgn"));
}

TEST(PgnReader, ReadingInSeveralThreadsGivesWhatOnePassGives)
{
    // Every corpus file, a comment holding what looks like the start of a
    // game, a game cut short before tags: split points land everywhere.
    std::string text;
    for (int round = 0; round < 3; ++round)
    {
        for (const std::string& file : CorpusFiles())
            text += CorpusText(file) + "\n\n";
        text += "[Event \"Comment\"]\n\n1. e4 {a comment\n\n[Event \"not a game\"]\n\n} e5 *\n\n";
        text += "1. d4 d5\n\n[Event \"After a cut\"]\n\n1. c4 *\n\n";
    }
    const CPgnReadResult one = CPgnReader::ReadAll(text, 1);
    ASSERT_GT(one.games.size(), 100u);
    for (int threads : {2, 3, 4, 16})
    {
        const CPgnReadResult many = CPgnReader::ReadAll(text, threads);
        ASSERT_EQ(many.games.size(), one.games.size()) << threads;
        EXPECT_EQ(many.fileError, one.fileError);
        for (size_t i = 0; i < one.games.size(); ++i)
        {
            const CPgnGame& a = one.games[i];
            const CPgnGame& b = many.games[i];
            EXPECT_EQ(b.number, a.number);
            EXPECT_EQ(b.tags, a.tags) << threads << " threads, game " << i + 1;
            EXPECT_EQ(b.moves, a.moves) << threads << " threads, game " << i + 1;
            EXPECT_EQ(b.finalFen, a.finalFen);
            EXPECT_EQ(b.result, a.result);
            EXPECT_EQ(b.leadingComment, a.leadingComment);
            EXPECT_EQ(b.error ? b.error->Text() : "", a.error ? a.error->Text() : "") << threads << " threads";
        }
    }

    std::string many;
    for (int i = 0; i <= CPgnReader::kMaxGames; ++i)
        many += "*\n\n[Event \"x\"]\n";
    const CPgnReadResult bounded = CPgnReader::ReadAll(many, 3);
    EXPECT_EQ(static_cast<int>(bounded.games.size()), CPgnReader::kMaxGames);
    EXPECT_EQ(bounded.fileError, "the text holds more than 100000 games; the rest is not read");
    EXPECT_EQ(bounded.games.back().number, CPgnReader::kMaxGames);
}
