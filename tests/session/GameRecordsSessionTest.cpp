// Games from other programs in the game flow: loading standard PGN files
// (several games, set-up positions, broken moves, files with no game),
// positions set up from FEN, the export of the game so far, and Save Game of
// a set-up game; network chess refuses set-up games.
#include "SessionTestSupport.h"

#include "EngineListener.h"
#include "EngineLoader.h"
#include "FenText.h"
#include "GameSettings.h"
#include "IChessEngine.h"
#include "LocalChessSession.h"
#include "NetChessSession.h"
#include "NetConnection.h"
#include "PgnReader.h"
#include "PlayerRoster.h"
#include "TickSource.h"

#include <QFile>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

using namespace SessionTest;
using S = CLocalChessSession;

namespace
{
const char* const kThreeGames = "[Event \"Club\"]\n[Date \"2024.03.01\"]\n[White \"Ann\"]\n[Black \"Ben\"]\n"
                                "[Result \"1-0\"]\n\n1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\n\n"
                                "[Event \"Club\"]\n[White \"Cid\"]\n[Black \"Dora\"]\n[Result \"0-1\"]\n\n"
                                "1. f3 {a weak move} 1... e5 $2 2. g4?? (2. e4) 2... Qh4# 0-1\n\n"
                                "[White \"Eve\"]\n[Black \"Finn\"]\n[Result \"*\"]\n\n1. d4 *\n";

const char* const kSetUpFen = "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30";

// What an observer asked to choose a game was offered, and what it answers.
struct ChoosingObserver : RecordingObserver
{
    int answer = -1;
    std::vector<std::vector<std::string>> offered; // White and Black of each game

    int OnChooseGame(const std::vector<CPgnIndexEntry>& games) override
    {
        offered.clear();
        for (const CPgnIndexEntry& entry : games)
        {
            std::vector<std::string> names;
            for (const CPgnTag& tag : entry.tags)
                if (tag.name == "White" || tag.name == "Black")
                    names.push_back(tag.value);
            offered.push_back(names);
        }
        return answer;
    }
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class GameRecordsSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Settings.SetWhiteEngine(QStringLiteral("Human"));
        m_Settings.SetBlackEngine(QStringLiteral("Human"));
        m_Settings.SetBottomPlayerName(QStringLiteral("Anna"));
        m_Settings.SetTopPlayerName(QStringLiteral("Boris"));
        m_Settings.SetIsTimeInfinite(true);
        m_Session.SetObserver(&m_Observer);
        m_Session.SetGamesFolder(m_Folder.path());
        m_Session.Open();
    }
    void TearDown() override { CTickSource::Override({}); }

    void Play(std::initializer_list<const char*> moves)
    {
        for (const char* move : moves)
            ASSERT_TRUE(m_Session.RequestMove(0, Move(move), 0)) << move;
    }
    QString InFolder(const char* name) const { return m_Folder.filePath(QString::fromLatin1(name)); }
    QString Write(const char* name, const QByteArray& text)
    {
        WriteAll(InFolder(name), text);
        return InFolder(name);
    }
    [[nodiscard]] std::string Fen() const { return CFenText::WriteFen(m_Session.Position()); }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CEngineLoader m_Engines;
    CEngineListener m_Listener;
    S m_Session{m_Settings, m_Roster, m_Engines, m_Listener};
    ChoosingObserver m_Observer;
};

const QString kLoadError =
    QStringLiteral("An error occured while loading the PGN file.\n\nThe file might contain invalid data.");
} // namespace

TEST_F(GameRecordsSessionTest, SeveralGamesOfferAListAndLoadTheChosenOne)
{
    const QString path = Write("three.pgn", kThreeGames);
    m_Observer.answer = 1;
    ASSERT_TRUE(m_Session.LoadGame(path));
    EXPECT_EQ(m_Observer.offered,
              (std::vector<std::vector<std::string>>{{"Ann", "Ben"}, {"Cid", "Dora"}, {"Eve", "Finn"}}));
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"f3", "e5", "g4", "Qh4+"}))
        << "comments, NAGs, marks, 1... and variations are read; the variation is not played";
    EXPECT_EQ(m_Session.ResultText(), "0-1");
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Cid"));
    EXPECT_EQ(m_Roster.GetEntry(1).name, QStringLiteral("Dora"));
    EXPECT_TRUE(m_Observer.TakeMessages().isEmpty());
    EXPECT_FALSE(m_Session.StateOf(S::ID_START_GAME).enabled) << "the loaded game ended in mate";

    // No choice: nothing changes.
    m_Observer.answer = -1;
    EXPECT_FALSE(m_Session.LoadGame(path));
    EXPECT_EQ(m_Session.ShownMoves().size(), 4u);
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Cid"));
    EXPECT_TRUE(m_Observer.TakeMessages().isEmpty());

    // A text of one game asks nothing.
    m_Observer.offered.clear();
    ASSERT_TRUE(m_Session.LoadGameText("[White \"Gus\"]\n\n1. e4 {[%clk 0:03:00]} 1... c5 0-0 *\n") == false)
        << "0-0 is no move for White here";
    EXPECT_TRUE(m_Observer.offered.empty());
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"e4", "c5"}));
    EXPECT_EQ(m_Observer.TakeMessages(), QStringList{kLoadError});
}

TEST_F(GameRecordsSessionTest, ABrokenGameLoadsToItsLastLegalMoveWithTheMessage)
{
    m_Session.NewGame();
    Play({"d2d4"});
    m_Session.AbortGame();
    const QString path = Write("broken.pgn", "[White \"Hal\"]\n[Black \"Ida\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 Ke5 *\n");
    EXPECT_FALSE(m_Session.LoadGame(path));
    EXPECT_EQ(m_Observer.TakeMessages(), QStringList{kLoadError});
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5"}));
    EXPECT_TRUE(m_Session.ResultText().empty());
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Anna")) << "the names come only with a whole game";
    EXPECT_FALSE(m_Session.IsRunning());
}

TEST_F(GameRecordsSessionTest, AFileWithNoGameChangesNothing)
{
    m_Session.NewGame();
    Play({"e2e4", "c7c5"});
    m_Session.AbortGame();
    const std::string before = Fen();
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20);
    for (const QByteArray& text : {QByteArray(), QByteArray("\n\n  \n"), png, QByteArray("Dear Anna, see you soon.\n")})
    {
        EXPECT_FALSE(m_Session.LoadGame(Write("nothing.pgn", text))) << text.toStdString();
        EXPECT_EQ(m_Observer.TakeMessages(), QStringList{kLoadError});
        EXPECT_EQ(Fen(), before);
        EXPECT_EQ(m_Session.ShownMoves().size(), 2u);
        EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Anna"));
    }
    EXPECT_FALSE(m_Session.LoadGame(InFolder("missing.pgn")));
    EXPECT_EQ(m_Observer.TakeMessages(), QStringList{kLoadError});
    EXPECT_EQ(Fen(), before);
}

TEST_F(GameRecordsSessionTest, AFenGameStartsFromItsPositionAndSavesItsTags)
{
    const QString path = Write("setup.pgn", QByteArray("[White \"Jo\"]\n[Black \"Kim\"]\n[SetUp \"1\"]\n[FEN \"") +
                                                kSetUpFen + "\"]\n\n30... Kd7 31. e4 Ke6 *\n");
    ASSERT_TRUE(m_Session.LoadGame(path));
    EXPECT_EQ(CFenText::StartFen(m_Session.Position()), kSetUpFen);
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"Kd7", "e4", "Ke6"}));
    EXPECT_EQ(Fen(), "8/8/4k3/8/4P3/8/8/4K3 w - - 1 32");

    // Continued by the persons, then saved: the tags say where it began, and it reloads the same.
    m_Session.StartGame();
    Play({"e1e2"});
    m_Session.AbortGame();
    const QString saved = InFolder("setup-saved.pgn");
    ASSERT_TRUE(m_Session.SaveGame(saved));
    const QByteArray text = ReadAll(saved);
    EXPECT_TRUE(
        text.startsWith("[Event \"Pellomar II\"]\r\n[White \"Jo\"]\r\n[Black \"Kim\"]\r\n\r\n[Result \"1-0\"]\r\n"
                        "[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\r\n\r\n"))
        << text.toStdString();
    const std::string end = Fen();
    m_Session.NewGame();
    m_Session.AbortGame();
    ASSERT_TRUE(m_Session.LoadGame(saved));
    EXPECT_EQ(Fen(), end);
    EXPECT_EQ(m_Session.ShownMoves().size(), 4u);
}

TEST_F(GameRecordsSessionTest, AGameFromTheInitialPositionIsSavedAsItAlwaysWas)
{
    m_Session.NewGame();
    Play({"e2e4", "e7e5", "g1f3"});
    m_Session.AbortGame();
    ASSERT_TRUE(m_Session.SaveGame(InFolder("plain.pgn")));
    EXPECT_EQ(ReadAll(InFolder("plain.pgn")),
              QByteArray("[Event \"Pellomar II\"]\r\n[White \"Anna\"]\r\n[Black \"Boris\"]\r\n\r\n"
                         "[Result \"1-0\"]\r\n\r\n1. e4 e5\r\n2. Nf3\r\n1-0"));
    ASSERT_TRUE(m_Session.LoadGame(InFolder("plain.pgn")));
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"e4", "e5", "Nf3"}));
    EXPECT_EQ(m_Session.ResultText(), "1-0");
}

TEST_F(GameRecordsSessionTest, PasteFenSetsUpThePositionBetweenGamesOnly)
{
    ASSERT_TRUE(m_Session.SetUpPosition(std::string("  ") + kSetUpFen + "\n"));
    EXPECT_EQ(Fen(), kSetUpFen);
    EXPECT_TRUE(m_Session.ShownMoves().empty());
    m_Session.StartGame();
    EXPECT_TRUE(m_Session.IsRunning());
    Play({"e8d7"});
    EXPECT_FALSE(m_Session.SetUpPosition(CFenText::kInitialPosition)) << "not while a game runs";
    EXPECT_EQ(m_Session.ShownMoves(), std::vector<std::string>{"Kd7"});
    m_Session.AbortGame();

    struct Bad
    {
        const char* fen;
        const char* fault;
    };
    const std::string before = Fen();
    for (const Bad& bad : {Bad{"4k3/8/8/8/8/8/4P3/4K3 x - - 0 1", "side to move"},
                           Bad{"4k3/8/8/8/8/8/4P3/4KK2 w - - 0 1", "king"}, Bad{"hello", ""}})
    {
        EXPECT_FALSE(m_Session.SetUpPosition(bad.fen)) << bad.fen;
        const QStringList messages = m_Observer.TakeMessages();
        ASSERT_EQ(messages.size(), 1) << bad.fen;
        EXPECT_TRUE(messages.front().startsWith(QStringLiteral("This position cannot be set up:\n\n")))
            << messages.front().toStdString();
        EXPECT_TRUE(messages.front().contains(QLatin1String(bad.fault))) << messages.front().toStdString();
        EXPECT_GT(messages.front().size(), 36) << "the fault is named";
        EXPECT_EQ(Fen(), before) << "nothing changes";
        EXPECT_EQ(m_Session.ShownMoves(), std::vector<std::string>{"Kd7"});
    }
}

TEST_F(GameRecordsSessionTest, ExportWritesTheStandardFormatWithClocksAndMate)
{
    uint32_t now = 1000;
    CTickSource::Override([&now] { return now; });
    m_Settings.SetIsTimeInfinite(false);
    m_Settings.SetGameTime(0, 5, 0);
    m_Settings.SetNbSecondsBonus(2);
    m_Session.NewGame();
    Play({"f2f3"});
    now += 7000;
    Play({"e7e5"});
    now += 3000;
    Play({"g2g4"});
    now += 1500;
    Play({"d8h4"});
    const std::string text = m_Session.ExportText();
    const std::string date = QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd")).toStdString();
    EXPECT_EQ(text, "[Event \"Pellomar II\"]\n[Site \"?\"]\n[Date \"" + date +
                        "\"]\n[Round \"?\"]\n[White \"Anna\"]\n[Black \"Boris\"]\n[Result \"0-1\"]\n"
                        "[TimeControl \"300+2\"]\n\n"
                        "1. f3 {[%clk 0:05:02]} 1... e5 {[%clk 0:04:53]} 2. g4 {[%clk 0:04:59]} 2...\n"
                        "Qh4# {[%clk 0:04:52]} 0-1\n");

    // Read back: the same moves, tags and end.
    CPgnReadResult read = CPgnReader::ReadAll(text);
    ASSERT_EQ(read.games.size(), 1u);
    EXPECT_FALSE(read.games[0].error.has_value());
    EXPECT_EQ(read.games[0].finalFen, Fen());
    ASSERT_EQ(read.games[0].moves.size(), 4u);
    EXPECT_EQ(read.games[0].moves[1].clockMs, 293000);

    ASSERT_TRUE(m_Session.ExportGame(InFolder("export.pgn")));
    EXPECT_EQ(ReadAll(InFolder("export.pgn")).toStdString(), text);
    EXPECT_EQ(m_Session.SaveFolder(), m_Folder.path());
    EXPECT_FALSE(m_Session.ExportGame(InFolder("no/such/folder/export.pgn")));
    EXPECT_EQ(m_Observer.TakeMessages().size(), 2) << "the mate, then the export that failed";
}

TEST_F(GameRecordsSessionTest, AnUntimedExportHasNoClocksAndAnOpenResult)
{
    ASSERT_TRUE(m_Session.SetUpPosition(kSetUpFen));
    m_Session.StartGame();
    Play({"e8d7"});
    const std::string text = m_Session.ExportText();
    EXPECT_NE(text.find("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\n30... Kd7 *\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("clk"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

// ---------------------------------------------------------------------------
// Network chess

namespace
{
class NetGameRecordsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Link.StartServer(0));
        m_Roster.SetNickname(QStringLiteral("Host"));
        m_Roster.SetEntry(0, PlayerEntry{QStringLiteral("Host"), 0, COLOUR_WHITE, 0});
        m_Session.SetObserver(&m_Observer);
        m_Session.Open();
        m_Roster.SetEntry(1, PlayerEntry{QStringLiteral("Guest"), 7, COLOUR_BLACK, 0});
        m_Session.OnPlayerAdmitted(7, QStringLiteral("Guest"));
        m_Observer.TakeMessages();
    }
    void TearDown() override { m_Link.Leave(false); }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CNetConnection m_Link{m_Roster, m_Settings};
    CNetChessSession m_Session{m_Settings, m_Roster, m_Link};
    ChoosingObserver m_Observer;
};
} // namespace

TEST_F(NetGameRecordsTest, ASetUpGameIsRefusedAndAnOrdinaryOneLoads)
{
    const QString setUp = m_Folder.filePath(QStringLiteral("setup.pgn"));
    WriteAll(setUp, QByteArray("[SetUp \"1\"]\n[FEN \"") + kSetUpFen + "\"]\n\n30... Kd7 *\n");
    EXPECT_FALSE(m_Session.LoadGame(setUp));
    EXPECT_EQ(m_Observer.TakeMessages(),
              QStringList{QStringLiteral("This game does not start from the initial position.\n\nA network game can "
                                         "only be played from the initial position.")});
    EXPECT_EQ(CFenText::WriteFen(m_Session.Position()), CFenText::kInitialPosition) << "nothing changes";
    EXPECT_FALSE(m_Session.AcceptsSetUpPosition());
    EXPECT_FALSE(m_Session.SetUpPosition(kSetUpFen));
    EXPECT_EQ(CFenText::WriteFen(m_Session.Position()), CFenText::kInitialPosition);
    m_Observer.TakeMessages();

    const QString plain = m_Folder.filePath(QStringLiteral("plain.pgn"));
    WriteAll(plain, "1. e4 {[%clk 0:03:00]} 1... e5 $1 2. Nf3 *\n");
    ASSERT_TRUE(m_Session.LoadGame(plain));
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"e4", "e5", "Nf3"}));
    const std::string pgn = m_Session.ExportText();
    EXPECT_NE(pgn.find("[White \"Host\"]\n[Black \"Guest\"]\n[Result \"*\"]\n"), std::string::npos) << pgn;
    EXPECT_NE(pgn.find("1. e4 e5 2. Nf3 *\n"), std::string::npos) << pgn;
}

// ---------------------------------------------------------------------------
// Engines and set-up positions

TEST(GameRecordsEngineTest, EnginesAreGivenTheStartPositionOrRefuseASetUpGame)
{
    GameSettings settings;
    PlayerRoster roster;
    CEngineLoader engines;
    CEngineListener listener;
    engines.Load({std::filesystem::path(TEST_PLUGIN_DIR)}, &listener);
    using TakeLog = const char* (*)(IChessEngine*);
    void* library = dlopen(TEST_PLUGIN_EX1, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    auto takeLog = reinterpret_cast<TakeLog>(dlsym(library, "TestEngineTakeLog"));
    ASSERT_NE(takeLog, nullptr);

    settings.SetWhiteEngine(QStringLiteral("Human"));
    settings.SetBlackEngine(QStringLiteral("Extended 1 Engine"));
    // The session goes before the engine objects it holds.
    auto session_ = std::make_unique<S>(settings, roster, engines, listener);
    S& session = *session_;
    ChoosingObserver observer;
    session.SetObserver(&observer);
    session.Open();
    ASSERT_TRUE(session.IsEngine(COLOUR_BLACK));
    IChessEngine* engine = session.EngineOf(COLOUR_BLACK);
    takeLog(engine);

    ASSERT_TRUE(session.SetUpPosition("4k3/8/8/8/8/8/4P3/4K3 w - - 0 30"));
    session.StartGame();
    EXPECT_TRUE(session.IsRunning());
    EXPECT_EQ(std::string(takeLog(engine)), "position 4k3/8/8/8/8/8/4P3/4K3 w - - 0 30;clear;game;");
    ASSERT_TRUE(session.RequestMove(0, Move("e2e4"), 0));
    session.TakebackMove();
    EXPECT_EQ(std::string(takeLog(engine)), "takeback 0;")
        << "a takeback keeps the engine, and with it the start position";
    session.NewGame();
    EXPECT_EQ(std::string(takeLog(engine)), "position -;clear;game;") << "a new game is told the standard start";

    // An engine without the extension cannot take a position: the game does not start.
    session.AbortGame();
    settings.SetBlackEngine(QStringLiteral("Alpha Engine"));
    session.Open();
    ASSERT_TRUE(session.IsEngine(COLOUR_BLACK));
    observer.TakeMessages();
    ASSERT_TRUE(session.SetUpPosition("4k3/8/8/8/8/8/4P3/4K3 w - - 0 30"));
    session.StartGame();
    EXPECT_FALSE(session.IsRunning());
    EXPECT_EQ(observer.TakeMessages(),
              QStringList{QStringLiteral("Alpha Engine cannot play from a set-up position.\n\nChoose another engine, "
                                         "or start a new game.")});
    session.NewGame();
    EXPECT_TRUE(session.IsRunning()) << "from the initial position it plays";
    session.AbortGame();
    session_.reset();
    engines.DestroyAll();
}

TEST_F(GameRecordsSessionTest, ALoadedGameKeepsItsTagsInTheExportUntilANewGame)
{
    m_Observer.answer = 0;
    ASSERT_TRUE(m_Session.LoadGame(Write("three.pgn", kThreeGames)));
    std::string text = m_Session.ExportText();
    EXPECT_EQ(text.rfind("[Event \"Club\"]\n[Site \"?\"]\n[Date \"2024.03.01\"]\n[Round \"?\"]\n[White \"Ann\"]\n"
                         "[Black \"Ben\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\n",
                         0),
              0u)
        << text;
    m_Session.NewGame();
    text = m_Session.ExportText();
    EXPECT_EQ(text.rfind("[Event \"Pellomar II\"]\n", 0), 0u) << text;
    EXPECT_EQ(text.find("2024.03.01"), std::string::npos) << text;
}

TEST_F(GameRecordsSessionTest, OwnFilesWithAQuoteInANameLoadAsTheyAlwaysDid)
{
    // Save Game writes names as they are; the reader of its layout takes a
    // name up to its first quote.
    const QString path = Write("quote.pgn", "[Event \"Pellomar II\"]\r\n[White \"Anna \"the Rook\"\"]\r\n"
                                            "[Black \"C:\\dir\"]\r\n\r\n[Result \"*\"]\r\n\r\n1. e4 e5\r\n2. Nf3\r\n*");
    ASSERT_TRUE(m_Session.LoadGame(path));
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"e4", "e5", "Nf3"}));
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Anna "));
    EXPECT_EQ(m_Roster.GetEntry(1).name, QStringLiteral("C:\\dir"));
    EXPECT_TRUE(m_Observer.TakeMessages().isEmpty());
}
