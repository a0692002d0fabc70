// The record a bughouse game keeps: moves and drops of both boards with the
// movers' clocks, the result, BPGN files written and read back, and browsing
// the plies of both boards.
#include "BughouseRecord.h"
#include "BpgnExport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace
{
// A square from its name: "e4" is row 3, column 3 (columns count from the h-file).
CCoordinate Sq(const char* name)
{
    return CCoordinate(name[1] - '1', 'h' - name[0]);
}

struct Step
{
    int board;
    const char* from; // a drop when `piece` is set
    const char* to;
    PieceType piece = PIECE_PAWN;
    bool drop = false;
    int32_t promotion = 0;
};

// Board A: e4 d5 a3 dxe4 (a white pawn for board B). Board B: a3 h5 P@h7 a6
// hxg8=Q Rxg8 (the promoted queen reaches board A as a white pawn, the
// knight as a black knight). Then both are dropped on board A.
const std::vector<Step> kGame = {
    {0, "e2", "e4"},
    {0, "d7", "d5"},
    {0, "a2", "a3"},
    {0, "d5", "e4"},
    {1, "a2", "a3"},
    {1, "h7", "h5"},
    {1, "", "h7", PIECE_PAWN, true},
    {1, "a7", "a6"},
    {1, "h7", "g8", PIECE_PAWN, false, PIECE_QUEEN},
    {1, "h8", "g8"},
    {0, "", "e6", PIECE_PAWN, true},
    {0, "", "f6", PIECE_KNIGHT, true},
};
const std::vector<std::string> kTexts = {"e4",   "d5", "a3",     "dxe4", "a3",   "h5",
                                         "P@h7", "a6", "hxg8=Q", "Rxg8", "P@e6", "N@f6"};

void Begin(CBughouseRecord& record)
{
    record.Begin({QStringLiteral("Ann"), QStringLiteral("Cid"), QStringLiteral("Dee"), QStringLiteral("Bob")}, 300000,
                 false, QDate(2026, 12, 7));
}

// Plays the game with clocks 290000, 289000, ... in the order of the plies.
void Play(CBughouseRecord& record, size_t plies = SIZE_MAX)
{
    for (size_t i = 0; i < kGame.size() && i < plies; ++i)
    {
        const Step& s = kGame[i];
        const auto clock = static_cast<int32_t>(290000 - 1000 * i);
        const bool added = s.drop ? record.AddDrop(s.board, s.piece, Sq(s.to), clock)
                                  : record.AddMove(s.board, CMove(Sq(s.from), Sq(s.to)), s.promotion, clock);
        ASSERT_TRUE(added) << "ply " << i;
    }
}

std::string ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void WriteFile(const QString& path, const std::string& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
}
} // namespace

TEST(BughouseRecord, KeepsEveryMoveAndDropWithItsBoardSideAndClock)
{
    CBughouseRecord record;
    EXPECT_TRUE(record.IsEmpty());
    Begin(record);
    Play(record);
    record.SetResult("0-1");

    const CBpgnGame& game = record.Game();
    ASSERT_EQ(game.moves.size(), kTexts.size());
    for (size_t i = 0; i < kTexts.size(); ++i)
    {
        EXPECT_EQ(game.moves[i].san.Str(), kTexts[i]) << i;
        EXPECT_EQ(game.moves[i].board, kGame[i].board) << i;
        EXPECT_EQ(game.moves[i].clockMs, 290000 - 1000 * static_cast<int32_t>(i)) << i;
    }
    // Each board's plies alternate White and Black from White.
    EXPECT_EQ(game.moves[3].side, COLOUR_BLACK);
    EXPECT_EQ(game.moves[4].side, COLOUR_WHITE);
    EXPECT_EQ(game.moves[10].side, COLOUR_WHITE);
    EXPECT_EQ(game.moves[11].side, COLOUR_BLACK);
    EXPECT_EQ(game.Player(0, COLOUR_WHITE), "Ann");
    EXPECT_EQ(game.Player(0, COLOUR_BLACK), "Cid");
    EXPECT_EQ(game.Player(1, COLOUR_WHITE), "Dee");
    EXPECT_EQ(game.Player(1, COLOUR_BLACK), "Bob");
    EXPECT_EQ(game.Tag("TimeControl"), "300+0");
    EXPECT_EQ(game.Tag("Date"), "2026.12.07");
    EXPECT_EQ(game.result, "0-1");

    // The promoted queen taken on board B went to board A as a pawn, and was dropped there.
    record.GoTo(10);
    EXPECT_EQ(record.Shown().HoldingsText(0), "Pn");
    EXPECT_EQ(record.Shown().HoldingsText(1), "");
    record.GoTo(record.Plies());
    EXPECT_EQ(record.Shown().HoldingsText(0), "");
    EXPECT_EQ(record.Shown().Board(0).TypeAt(Sq("f6")), PIECE_KNIGHT);
}

TEST(BughouseRecord, AMoveItsOwnBoardRefusesStopsTheRecordSoThatItStillReplays)
{
    CBughouseRecord record;
    Begin(record);
    Play(record, 4);
    // White to move on board A: a black move is refused, and after it even a
    // legal move on board B, since the record no longer follows the boards.
    EXPECT_FALSE(record.AddMove(0, CMove(Sq("e7"), Sq("e5")), 0, 1000));
    EXPECT_FALSE(record.AddMove(1, CMove(Sq("e2"), Sq("e4")), 0, 1000));
    EXPECT_EQ(record.Plies(), 4u);
    CBughouseBoards boards;
    EXPECT_TRUE(record.Game().Replay(boards));
}

TEST(BughouseRecord, SavedAndLoadedBackGivesTheSameRecord)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CBughouseRecord played;
    Begin(played);
    Play(played);
    played.SetResult("1-0");
    const QString path = dir.filePath(QStringLiteral("game.bpgn"));
    ASSERT_TRUE(played.Save(path));
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("[WhiteA \"Ann\"]"), std::string::npos);
    EXPECT_NE(text.find("[BlackB \"Bob\"]"), std::string::npos);
    EXPECT_NE(text.find("[TimeControl \"300+0\"]"), std::string::npos);
    EXPECT_NE(text.find("2B. P@h7 {284.000}"), std::string::npos) << text;
    EXPECT_NE(text.find("1-0\n"), std::string::npos);

    CBughouseRecord loaded;
    ASSERT_EQ(loaded.Load(path, {}), CBughouseRecord::LoadResult::Loaded);
    EXPECT_TRUE(loaded.IsLoaded());
    EXPECT_EQ(loaded.Game().moves, played.Game().moves);
    EXPECT_EQ(loaded.Game().result, "1-0");
    for (int board = 0; board < 2; ++board)
        for (Colour side : {COLOUR_WHITE, COLOUR_BLACK})
            EXPECT_EQ(loaded.Player(board, side), played.Player(board, side));
    // Written again, the loaded record gives the same file.
    const QString again = dir.filePath(QStringLiteral("again.bpgn"));
    ASSERT_TRUE(loaded.Save(again));
    EXPECT_EQ(ReadFile(again), text);
    // A loaded game is only browsed: it takes no moves.
    EXPECT_FALSE(loaded.AddMove(0, CMove(Sq("g1"), Sq("f3")), 0, 1000));
    // A file that cannot be written leaves the record as it is and says so.
    EXPECT_FALSE(played.Save(dir.filePath(QStringLiteral("no/such/folder/x.bpgn"))));
}

TEST(BughouseRecord, BrowsingToAPlyShowsWhatReplayingThatManyPliesGives)
{
    CBughouseRecord record;
    Begin(record);
    Play(record);
    for (size_t ply = 0; ply <= record.Plies(); ++ply)
    {
        record.GoTo(ply);
        CBughouseBoards replayed;
        ASSERT_TRUE(record.Game().Replay(replayed, nullptr, ply));
        for (int board = 0; board < 2; ++board)
            EXPECT_EQ(record.Shown().Fen(board), replayed.Fen(board)) << "ply " << ply << " board " << board;
    }
    // The clocks are each player's last one up to the ply.
    record.GoTo(5);
    EXPECT_EQ(record.ClockAt(0, COLOUR_WHITE), 288000);
    EXPECT_EQ(record.ClockAt(0, COLOUR_BLACK), 287000);
    EXPECT_EQ(record.ClockAt(1, COLOUR_WHITE), 286000);
    EXPECT_EQ(record.ClockAt(1, COLOUR_BLACK), std::nullopt);
    EXPECT_TRUE(record.CanStepBack());
    EXPECT_TRUE(record.CanStepForward());
    record.GoTo(1000);
    EXPECT_EQ(record.Ply(), record.Plies());
    EXPECT_FALSE(record.CanStepForward());
    // A move added while an earlier ply is shown leaves the shown ply alone.
    CBughouseRecord live;
    Begin(live);
    Play(live, 3);
    live.GoTo(1);
    ASSERT_TRUE(live.AddMove(0, CMove(Sq("d5"), Sq("e4")), 0, 1000));
    EXPECT_EQ(live.Ply(), 1u);
}

TEST(BughouseRecord, FilesThatHoldNoPlayableBughouseGameAreRefusedAndChangeNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CBughouseRecord record;
    Begin(record);
    Play(record);
    const CBpgnGame before = record.Game();

    CBpgnGame broken = before;
    broken.moves[3].san = CSanText("dxe5"); // no such capture
    const std::vector<std::pair<const char*, std::string>> files = {
        {"chess.pgn", "[White \"A\"]\n[Black \"B\"]\n\n1. e4 e5 2. Nf3 *\n"},
        {"garbage.bpgn", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"illegal.bpgn", CBpgnExport::ExportGame(broken)},
        {"empty.bpgn", ""},
    };
    for (const auto& [name, text] : files)
    {
        const QString path = dir.filePath(QLatin1String(name));
        WriteFile(path, text);
        EXPECT_EQ(record.Load(path, {}), CBughouseRecord::LoadResult::Unreadable) << name;
        EXPECT_FALSE(record.IsLoaded()) << name;
        EXPECT_EQ(record.Game().moves, before.moves) << name;
    }
    EXPECT_EQ(record.Load(dir.filePath(QStringLiteral("missing.bpgn")), {}), CBughouseRecord::LoadResult::Unreadable);
    EXPECT_EQ(record.Game().moves, before.moves);
}

TEST(BughouseRecord, AFileOfSeveralGamesAsksWhichOne)
{
    CBughouseRecord first;
    Begin(first);
    Play(first, 2);
    CBughouseRecord second;
    second.Begin({QStringLiteral("Eve"), QStringLiteral("Fay"), QStringLiteral("Gus"), QStringLiteral("Eve")}, 60000,
                 false, QDate(2026, 1, 2));
    Play(second, 6);
    second.SetResult("1/2-1/2");
    const std::string text = CBpgnExport::ExportGames({first.Game(), second.Game()});

    CBughouseRecord record;
    std::vector<CPgnIndexEntry> asked;
    auto cancel = [&](const std::vector<CPgnIndexEntry>& games) {
        asked = games;
        return -1;
    };
    EXPECT_EQ(record.LoadText(text, cancel), CBughouseRecord::LoadResult::Cancelled);
    EXPECT_TRUE(record.IsEmpty());
    ASSERT_EQ(asked.size(), 2u);
    // Each team as White and Black; one player on both boards is named once.
    EXPECT_EQ(asked[0].tags[0].value, "Ann & Bob");
    EXPECT_EQ(asked[0].tags[1].value, "Cid & Dee");
    EXPECT_EQ(asked[1].tags[0].value, "Eve");
    EXPECT_EQ(asked[1].tags[2].value, "1/2-1/2");

    ASSERT_EQ(record.LoadText(text, [](const std::vector<CPgnIndexEntry>&) { return 1; }),
              CBughouseRecord::LoadResult::Loaded);
    EXPECT_EQ(record.Plies(), 6u);
    EXPECT_EQ(record.Ply(), 6u);
    EXPECT_EQ(record.Player(0, COLOUR_WHITE), QStringLiteral("Eve"));
    EXPECT_EQ(record.GameTime(), 60000);
}
