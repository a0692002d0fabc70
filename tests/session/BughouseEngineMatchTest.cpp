// Whole bughouse matches with real engines in the seats (Sjeng and
// Fairy-Stockfish through the built WinBoard plug-in): the program alone, a
// person's seat played by random legal moves and drops against three
// engines; and two programs over loopback, two people and two engines. Every
// change of a board is followed on a replay through the rules core, which
// must find one legal move or drop that leads to it; the program's record of
// the match, saved as BPGN and read back, holds the same moves and replays. Skipped with a message when an engine is
// missing. Each match lasts well under a minute (30 seconds a side).
#include "BpgnExport.h"
#include "BpgnGame.h"
#include "BpgnReader.h"
#include "BughouseBoards.h"
#include "BughouseEngineSeats.h"
#include "BughouseSession.h"
#include "EngineList.h"
#include "EngineLoader.h"
#include "EngineRegistry.h"
#include "GameSettings.h"
#include "INetConnectionUi.h"
#include "LoaderEngineFactory.h"
#include "NetConnection.h"
#include "NetProtocol.h"
#include "PlayerRoster.h"
#include "RegistryStore.h"
#include "SessionObserver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;
using S = CBughouseSession;

namespace
{
constexpr const char* kSjeng = "/usr/games/sjeng";
constexpr const char* kFairy = "/usr/games/fairy-stockfish";

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition())
    {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// The engine processes this test process runs (children named after them).
int EngineChildren()
{
    int count = 0;
    const QString parent = QString::number(::getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(entry));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(status.readAll());
        const bool ours = text.contains(QStringLiteral("\nPPid:\t") + parent + QLatin1Char('\n'));
        if (ours && (text.startsWith(QStringLiteral("Name:\tsjeng")) ||
                     text.startsWith(QStringLiteral("Name:\tfairy-stockfish"))))
            ++count;
    }
    return count;
}

// The built plug-ins, with the engine list of this run holding the linked
// Debian engines. Libraries are never unloaded, so one loader serves all.
CEngineLoader& Loader()
{
    static CEngineLoader loader;
    static bool loaded = false;
    if (!loaded)
    {
        {
            CEngineList list(CEngineRegistry::Setup(), RegistryStore::DefaultFilePath().toStdString());
            list.RegisterInstalledEngines({fs::path(PELLOMAR_TEST_ENGINES_DIR)}, {});
        }
        loader.Load({fs::path(PELLOMAR_TEST_PLUGIN_DIR)}, nullptr, nullptr);
        loaded = true;
    }
    return loader;
}

// A board's state as shown: placement, side to move and holdings.
std::string StateOf(const CChessPosition& position)
{
    std::string text;
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            text += static_cast<char>('0' + position.PieceAt(CCoordinate(row, column)));
    text += position.SideToMove() == COLOUR_WHITE ? 'w' : 'b';
    for (Colour colour : {COLOUR_WHITE, COLOUR_BLACK})
        for (PieceType type = PIECE_PAWN; type <= PIECE_QUEEN; ++type)
            text += static_cast<char>('0' + position.Holdings(colour, type));
    return text;
}

bool SamePlacement(const CChessPosition& a, const CChessPosition& b)
{
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            if (a.PieceAt(CCoordinate(row, column)) != b.PieceAt(CCoordinate(row, column)))
                return false;
    return a.SideToMove() == b.SideToMove();
}

bool SameHoldings(const CChessPosition& a, const CChessPosition& b)
{
    for (Colour colour : {COLOUR_WHITE, COLOUR_BLACK})
        for (PieceType type = PIECE_PAWN; type <= PIECE_QUEEN; ++type)
            if (a.Holdings(colour, type) != b.Holdings(colour, type))
                return false;
    return true;
}

// Follows one program's two boards: each time a board is reported, the move
// or drop that led to it is found among the legal ones of the replay.
// Boards are numbered as that program's views.
class CReplay
{
public:
    explicit CReplay(const S& session) : m_Session(session) {}

    void Sync(int board)
    {
        const CChessPosition& shown = m_Session.Position(board);
        if (!m_Session.IsRunning() && m_Moves.empty() && SamePlacement(shown, m_Boards.Board(board)))
            return;
        // The holdings may lag for a moment: a piece taken on one board
        // reaches the other just after the move is shown; they are compared
        // once the match is over.
        if (SamePlacement(shown, m_Boards.Board(board)))
            return;
        if (!Find(board, shown))
            failures.push_back("no legal move or drop leads to the shown board " + std::to_string(board) + " after " +
                               std::to_string(m_Moves.size()) + " plies");
    }

    // Both boards, holdings included, are those of the replay.
    void CheckNow()
    {
        for (int board = 0; board < 2; ++board)
        {
            if (!SamePlacement(m_Session.Position(board), m_Boards.Board(board)) ||
                !SameHoldings(m_Session.Position(board), m_Boards.Board(board)))
                failures.push_back("board " + std::to_string(board) + " differs from its replay at the end");
        }
    }

    // The moves found, as a BPGN game.
    [[nodiscard]] CBpgnGame Game() const
    {
        CBpgnGame game;
        game.SetTag("Event", "Engine seats");
        game.moves = m_Moves;
        return game;
    }
    [[nodiscard]] const CBughouseBoards& Boards() const { return m_Boards; }
    [[nodiscard]] size_t Drops() const { return m_Drops; }

    std::vector<std::string> failures;

private:
    bool Find(int board, const CChessPosition& shown)
    {
        const CChessPosition& from = m_Boards.Board(board);
        const Colour side = from.SideToMove();
        for (int a = 0; a < 64; ++a)
            for (int b = 0; b < 64; ++b)
            {
                const CMove move(CCoordinate(a / 8, a % 8), CCoordinate(b / 8, b % 8));
                if (!from.IsLegalMove(move))
                    continue;
                for (int32_t promotion : {0, int32_t{PIECE_KNIGHT}, int32_t{PIECE_ROOK}, int32_t{PIECE_BISHOP}})
                {
                    CBughouseBoards trial(m_Boards);
                    CReplayedMove played;
                    if (trial.PlayMove(board, move, promotion, played) && SamePlacement(trial.Board(board), shown))
                        return Take(board, side, trial, played, false);
                }
            }
        for (PieceType type = PIECE_PAWN; type <= PIECE_QUEEN; ++type)
            for (int a = 0; a < 64; ++a)
            {
                const CCoordinate square(a / 8, a % 8);
                if (!from.IsLegalDrop(side, type, square))
                    continue;
                CBughouseBoards trial(m_Boards);
                CReplayedMove played;
                if (trial.PlayDrop(board, type, square, played) && SamePlacement(trial.Board(board), shown))
                    return Take(board, side, trial, played, true);
            }
        return false;
    }

    bool Take(int board, Colour side, const CBughouseBoards& trial, const CReplayedMove& played, bool drop)
    {
        m_Boards = trial;
        CBpgnMove move;
        move.board = board;
        move.side = side;
        move.san = played.san;
        m_Moves.push_back(move);
        m_Drops += drop ? 1 : 0;
        return true;
    }

    const S& m_Session;
    CBughouseBoards m_Boards;
    std::vector<CBpgnMove> m_Moves;
    size_t m_Drops = 0;
};

// What one program shows: the replay of its boards, the states each board
// went through, and the end of the match.
struct Watcher : CSessionObserverBase
{
    explicit Watcher(const S& session) : replay(session), session(session) {}

    void OnBoardChanged(int board, const BoardChange&) override
    {
        if (board < 0 || board > 1)
            return;
        replay.Sync(board);
        const std::string state = StateOf(session.Position(board));
        auto& states = shown[static_cast<size_t>(board)];
        if (states.empty() || states.back() != state)
            states.push_back(state);
    }
    void OnMessage(const QString& text) override { messages << text; }
    void OnNotice(const QString& text) override
    {
        if (std::getenv("PELLOMAR_TEST_VERBOSE") != nullptr)
            std::printf("notice: %s\n", text.toStdString().c_str());
    }

    CReplay replay;
    const S& session;
    std::array<std::vector<std::string>, 2> shown;
    QStringList messages;
};

// A program of the test: settings, roster, link and bughouse game.
struct Program
{
    GameSettings settings;
    PlayerRoster roster;
    CNetConnection link{roster, settings};
    S session{settings, roster, link};
    Watcher watcher{session};

    explicit Program(const QString& nickname)
    {
        settings.SetGameTime(0, 0, 30);
        settings.SetIsWinOnOpponentTimeZero(true);
        session.SetObserver(&watcher);
        link.SetMode(GAME_MODE_DOUBLE);
        link.SetGameWindows(nullptr, &session);
        roster.SetNickname(nickname);
    }
    ~Program() { link.Leave(false); }

    // The person plays a random legal move or drop wherever it is its turn.
    void PlayRandomly(std::mt19937& random)
    {
        for (int board = 0; board < 2; ++board)
        {
            if (!session.IsRunning() || !session.IsInputEnabled(board))
                continue;
            const CChessPosition& position = session.Position(board);
            const Colour side = position.SideToMove();
            std::vector<CMove> moves;
            std::vector<std::pair<PieceType, CCoordinate>> drops;
            for (int a = 0; a < 64; ++a)
            {
                for (int b = 0; b < 64; ++b)
                {
                    const CMove move(CCoordinate(a / 8, a % 8), CCoordinate(b / 8, b % 8));
                    if (position.IsLegalMove(move))
                        moves.push_back(move);
                }
                for (PieceType type = PIECE_PAWN; type <= PIECE_QUEEN; ++type)
                    if (position.IsLegalDrop(side, type, CCoordinate(a / 8, a % 8)))
                        drops.emplace_back(type, CCoordinate(a / 8, a % 8));
            }
            // A drop whenever one is possible, half of the time.
            if (!drops.empty() && (moves.empty() || random() % 2 == 0))
            {
                const auto& [type, square] = drops[random() % drops.size()];
                EXPECT_TRUE(session.RequestDrop(board, square, type));
            }
            else if (!moves.empty())
            {
                EXPECT_TRUE(session.RequestMove(board, moves[random() % moves.size()], PIECE_QUEEN));
            }
        }
    }
};

// A client's connection dialog: connects to the server's port on loopback.
class CClientUi : public INetConnectionUi
{
public:
    CClientUi(CNetConnection& link, int port, QString nickname)
        : m_Link(link), m_Port(port), m_Nickname(std::move(nickname))
    {
    }
    std::optional<QString> RunConnectionDialog(bool) override
    {
        if (!m_Link.OpenClientConnection(QStringLiteral("127.0.0.1"), m_Port))
            return std::nullopt;
        return m_Nickname;
    }
    void ShowWaitDialog() override
    {
        m_Closed = false;
        WaitUntil([&] { return m_Closed; }, 10000);
    }
    void CloseWaitDialog() override { m_Closed = true; }
    void ShowMessage(const QString&) override {}

private:
    CNetConnection& m_Link;
    int m_Port;
    QString m_Nickname;
    bool m_Closed = false;
};

class BughouseEngineMatch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!fs::exists(kSjeng) || !fs::exists(kFairy))
            GTEST_SKIP() << "Sjeng or Fairy-Stockfish is not installed (" << kSjeng << ", " << kFairy << ")";
        m_Factory = std::make_unique<CLoaderEngineFactory>([]() -> CEngineLoader& { return Loader(); });
        const QStringList names = m_Factory->EngineNames();
        if (!names.contains(QStringLiteral("Sjeng")) || !names.contains(QStringLiteral("Fairy-Stockfish")))
            GTEST_SKIP() << "the built engine folder lacks Sjeng or Fairy-Stockfish: "
                         << names.join(QStringLiteral(", ")).toStdString();
    }

    // The program's record, saved as BPGN and read back: every move and drop
    // replays legally, the same ones as the replay found, and leads to the
    // boards the program shows. Board A is the one on which seat 0 plays its
    // first colour. The moves read are returned.
    static std::vector<CBpgnMove> CheckSavedGame(const Program& program)
    {
        const CBughouseSeats seats = program.session.Seats();
        const int viewOfA = seats.ViewOf(program.session.LocalSeat(), 0, seats.ColourOf(0, 0));
        EXPECT_GE(viewOfA, 0);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("match.bpgn"));
        EXPECT_TRUE(program.session.Record().Save(path));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const std::string text = file.readAll().toStdString();
        std::string fileError;
        const std::vector<CBpgnGame> games = CBpgnReader::ReadAll(text, &fileError);
        if (games.size() != 1 || games[0].error)
        {
            ADD_FAILURE() << "the saved game does not read back: " << fileError << "\n" << text;
            return {};
        }
        const CBpgnGame& game = games[0];
        CBughouseBoards boards;
        std::string error;
        EXPECT_TRUE(game.Replay(boards, &error)) << error;
        for (int board = 0; board < 2; ++board)
        {
            const CChessPosition& shown = program.session.Position(board == 0 ? viewOfA : 1 - viewOfA);
            EXPECT_TRUE(SamePlacement(boards.Board(board), shown)) << "board "
                                                                   << "AB"[board];
            EXPECT_TRUE(SameHoldings(boards.Board(board), shown)) << "board "
                                                                  << "AB"[board];
        }
        // The same moves as the program's boards went through, in the same order.
        const std::vector<CBpgnMove>& found = program.watcher.replay.Game().moves;
        EXPECT_EQ(game.moves.size(), found.size());
        for (size_t i = 0; i < std::min(game.moves.size(), found.size()); ++i)
        {
            EXPECT_EQ(game.moves[i].board, found[i].board == viewOfA ? 0 : 1) << "ply " << i;
            EXPECT_EQ(std::string(game.moves[i].san.c_str()), std::string(found[i].san.c_str())) << "ply " << i;
        }
        EXPECT_NE(game.result, "*");
        for (int board = 0; board < 2; ++board)
            for (Colour side : {COLOUR_WHITE, COLOUR_BLACK})
                EXPECT_FALSE(game.Player(board, side).empty());
        std::printf("%zu plies, %zu drops, result %s: %s\n", game.moves.size(), program.watcher.replay.Drops(),
                    game.result.c_str(), program.watcher.messages.join(QStringLiteral(" / ")).toStdString().c_str());
        return game.moves;
    }

    std::unique_ptr<CLoaderEngineFactory> m_Factory;
};
} // namespace

// The program alone: Ann with Sjeng as partner against Fairy-Stockfish and
// Sjeng, Ann's moves and drops chosen at random among the legal ones.
TEST_F(BughouseEngineMatch, APersonAndThreeEnginesPlayAMatchToAResult)
{
    {
        Program ann(QStringLiteral("Ann"));
        ASSERT_TRUE(ann.link.StartServer(0));
        ann.roster.SetEntry(0, PlayerEntry{QStringLiteral("Ann"), 0, COLOUR_WHITE, 0});
        ann.session.Open();
        ann.session.EnableEngineSeats(*m_Factory);
        CBughouseEngineSeats& seats = *ann.session.EngineSeats();
        ASSERT_EQ(seats.Add(QStringLiteral("Sjeng")), QStringLiteral("Sjeng (Computer)"));
        ASSERT_EQ(seats.Add(QStringLiteral("Fairy-Stockfish")), QStringLiteral("Fairy-Sto (Computer)"));
        ASSERT_EQ(seats.Add(QStringLiteral("Sjeng")), QStringLiteral("Sjeng (Computer) 2"));
        ASSERT_EQ(ann.session.Seats().PartnerOf(0), ann.session.Seats().SeatOf(QStringLiteral("Sjeng (Computer) 2")));
        ASSERT_TRUE(ann.session.Command(S::kStartId));

        const unsigned seed = std::random_device{}();
        std::printf("seed %u\n", seed);
        std::mt19937 random(seed);
        const bool ended = WaitUntil(
            [&] {
                ann.PlayRandomly(random);
                return !ann.session.IsRunning();
            },
            120000);
        ASSERT_TRUE(ended) << "the match did not end";
        EXPECT_EQ(ann.watcher.messages.size(), 1) << ann.watcher.messages.join(QStringLiteral(" / ")).toStdString();
        EXPECT_EQ(ann.roster.Victories() + ann.roster.Defeats() + ann.roster.Draws(), 1);
        ann.watcher.replay.CheckNow();
        EXPECT_EQ(ann.watcher.replay.failures, std::vector<std::string>{});
        CheckSavedGame(ann);
        // An engine move the rules refuse is a result too: the engine's team
        // has lost, and the record holds only what was played.
        if (ann.watcher.messages.join(QString()).contains(QStringLiteral("illegal")))
            std::printf("note: the match ended on an engine's illegal move\n");
        EXPECT_EQ(EngineChildren(), 3) << "the engines stay between games";
    }
    // The window gone, no engine process is left.
    EXPECT_TRUE(WaitUntil([] { return EngineChildren() == 0; }, 15000)) << EngineChildren() << " engines left";
}

// Two programs over loopback: Ann (server) with Fairy-Stockfish against Bob
// (client) with Sjeng. Both show the same states of both boards, in the same
// order, and end with the same result.
TEST_F(BughouseEngineMatch, TwoProgramsShowTheSameBoardsThroughout)
{
    {
        Program ann(QStringLiteral("Ann"));
        ASSERT_TRUE(ann.link.StartServer(0));
        ann.roster.SetEntry(0, PlayerEntry{QStringLiteral("Ann"), 0, COLOUR_WHITE, 0});
        ann.session.Open();
        ann.session.EnableEngineSeats(*m_Factory);

        Program bob(QStringLiteral("Bob"));
        CClientUi ui(bob.link, ann.link.GetPort(), QStringLiteral("Bob"));
        bob.link.SetUi(&ui);
        bob.session.Open();
        bob.link.Join(GAME_MODE_DOUBLE, false);
        ASSERT_TRUE(WaitUntil([&] { return ann.roster.Count() == 2 && bob.roster.Count() == 2; }, 10000));

        CBughouseEngineSeats& seats = *ann.session.EngineSeats();
        ASSERT_FALSE(seats.Add(QStringLiteral("Sjeng")).isEmpty());
        ASSERT_FALSE(seats.Add(QStringLiteral("Fairy-Stockfish")).isEmpty());
        ASSERT_TRUE(WaitUntil([&] { return bob.roster.Count() == 4; }, 10000));
        // One engine in each team, the same seats on both programs.
        const CBughouseSeats served = ann.session.Seats();
        ASSERT_EQ(served.Entry(served.PartnerOf(0)).name, QStringLiteral("Fairy-Sto (Computer)"));
        ASSERT_EQ(served.Entry(served.PartnerOf(served.SeatOf(QStringLiteral("Bob")))).name,
                  QStringLiteral("Sjeng (Computer)"));
        for (int seat = 0; seat < 4; ++seat)
            EXPECT_EQ(bob.session.Seats().Entry(seat).name, served.Entry(seat).name) << seat;

        ASSERT_TRUE(ann.session.Command(S::kStartId));
        ASSERT_TRUE(WaitUntil([&] { return bob.session.IsRunning(); }, 10000));
        const unsigned seed = std::random_device{}();
        std::printf("seed %u\n", seed);
        std::mt19937 random(seed);
        const bool ended = WaitUntil(
            [&] {
                ann.PlayRandomly(random);
                bob.PlayRandomly(random);
                return !ann.session.IsRunning() && !bob.session.IsRunning();
            },
            120000);
        ASSERT_TRUE(ended) << "the match did not end";
        // The last messages on their way.
        WaitUntil([&] { return false; }, 300);

        // Board A is the one on which the server plays its first colour.
        auto boardA = [](const Program& program) {
            const CBughouseSeats seats = program.session.Seats();
            return seats.ViewOf(program.session.LocalSeat(), 0, seats.ColourOf(0, 0));
        };
        const int annA = boardA(ann);
        const int bobA = boardA(bob);
        ASSERT_GE(annA, 0);
        ASSERT_GE(bobA, 0);
        for (int board = 0; board < 2; ++board)
        {
            const auto& annStates = ann.watcher.shown[static_cast<size_t>(board == 0 ? annA : 1 - annA)];
            const auto& bobStates = bob.watcher.shown[static_cast<size_t>(board == 0 ? bobA : 1 - bobA)];
            EXPECT_GT(annStates.size(), 2u);
            EXPECT_EQ(annStates, bobStates) << "board "
                                            << "AB"[board];
        }
        ann.watcher.replay.CheckNow();
        bob.watcher.replay.CheckNow();
        EXPECT_EQ(ann.watcher.replay.failures, std::vector<std::string>{});
        EXPECT_EQ(bob.watcher.replay.failures, std::vector<std::string>{});
        // The same moves and drops in the same order (a clock may differ by
        // the move that crossed the end of the match).
        const std::vector<CBpgnMove> annMoves = CheckSavedGame(ann);
        const std::vector<CBpgnMove> bobMoves = CheckSavedGame(bob);
        const size_t common = std::min(annMoves.size(), bobMoves.size());
        EXPECT_LE(std::max(annMoves.size(), bobMoves.size()) - common, 1u) << "the two programs' records";
        for (size_t i = 0; i < common; ++i)
        {
            EXPECT_EQ(annMoves[i].board, bobMoves[i].board) << i;
            EXPECT_EQ(annMoves[i].side, bobMoves[i].side) << i;
            EXPECT_EQ(annMoves[i].san, bobMoves[i].san) << i;
        }
        // The same result, seen from the two teams.
        EXPECT_EQ(ann.roster.Victories(), bob.roster.Defeats());
        EXPECT_EQ(ann.roster.Defeats(), bob.roster.Victories());
        EXPECT_EQ(ann.roster.Draws(), bob.roster.Draws());
        EXPECT_EQ(ann.roster.Victories() + ann.roster.Defeats() + ann.roster.Draws(), 1)
            << ann.watcher.messages.join(QStringLiteral(" / ")).toStdString();
        if (ann.watcher.messages.join(QString()).contains(QStringLiteral("illegal")))
            std::printf("note: the match ended on an engine's illegal move\n");
    }
    EXPECT_TRUE(WaitUntil([] { return EngineChildren() == 0; }, 15000)) << EngineChildren() << " engines left";
}
