// A person plays a whole local game against Stockfish in the real program:
// from the main menu to the local chess window, the Settings dialog makes
// Black a "UCI Engine" on a one-minute clock, and White's moves are dragged
// on the board, each chosen from the position the program shows, until the
// program announces the end of the game; and Stockfish as White is ended
// with the program that quits in the middle of a game. Skipped when Debian's
// stockfish is not installed.
#include "ProgramProcess.h"

#include "ChessPosition.h"
#include "FenText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace
{
constexpr const char* kStockfish = "/usr/games/stockfish";
const QString kOk = QStringLiteral("ok");
const QString kBoard = QStringLiteral("LocalChessWnd/board");
const QString kBlackType = QStringLiteral("control1058"); // the player at the top
const QString kWhiteType = QStringLiteral("control1057"); // the player at the bottom
const QString kUciType = QStringLiteral("UCI Engine");
const QString kStartPosition = QStringLiteral("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
// The program's own words for every end of a local game but an abort.
const QStringList kResults = {
    QStringLiteral("is checkmate.\n"),
    QStringLiteral("is stalemate.\nThis game is a draw !"),
    QStringLiteral("Game is a draw"),
    QStringLiteral("time has expired.\n"),
};

// One process as /proc shows it: its parent and its short name.
struct ProcInfo
{
    pid_t parent = 0;
    char state = '?';
    std::string name;
};

bool ReadProc(pid_t pid, ProcInfo& info)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // "pid (name) state ppid ...": the name may hold blanks and parentheses.
    const QByteArray line = file.readAll();
    const qsizetype open = line.indexOf('(');
    const qsizetype close = line.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    info.name = line.mid(open + 1, close - open - 1).toStdString();
    const QList<QByteArray> rest = line.mid(close + 2).split(' ');
    if (rest.size() < 2 || rest[0].isEmpty())
        return false;
    info.state = rest[0].at(0);
    info.parent = static_cast<pid_t>(rest[1].toInt());
    return true;
}

// The pids of the stockfish processes whose parent is the given process.
std::set<pid_t> StockfishChildrenOf(pid_t parent, bool livingOnly)
{
    std::set<pid_t> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    {
        bool numeric = false;
        const pid_t pid = static_cast<pid_t>(entry.toInt(&numeric));
        ProcInfo info;
        if (numeric && ReadProc(pid, info) && info.parent == parent && info.name == "stockfish" &&
            (!livingOnly || info.state != 'Z'))
            found.insert(pid);
    }
    return found;
}

// Engines orphaned by the program come to this process instead of init while
// the guard lives, so that a leftover one can be seen, and then ended.
class SubreaperGuard
{
public:
    SubreaperGuard() { m_Set = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }
    ~SubreaperGuard()
    {
        if (m_Set)
            prctl(PR_SET_CHILD_SUBREAPER, 0);
    }
    SubreaperGuard(const SubreaperGuard&) = delete;
    SubreaperGuard& operator=(const SubreaperGuard&) = delete;
    [[nodiscard]] bool IsSet() const { return m_Set; }

private:
    bool m_Set = false;
};

// Every legal move of the side to move as coordinate text, in generation
// order; a promotion appears once, by its squares.
std::vector<std::string> LegalMoves(CChessPosition& position)
{
    std::vector<CMove> candidates;
    position.GenerateCandidateMoves(candidates);
    std::vector<std::string> legal;
    const CPositionSnapshot saved = position.Snapshot();
    for (const CMove& move : candidates)
    {
        if (position.MakeMove(move, false))
        {
            legal.push_back(move.ToText());
            position.RestoreSnapshot(saved);
        }
    }
    return legal;
}

bool IsPromotion(CChessPosition& position, const std::string& move)
{
    const CCoordinate from = CCoordinate::FromText(move.substr(0, 2).c_str());
    return position.TypeAt(from) == PIECE_PAWN && (move[3] == '1' || move[3] == '8');
}

QString AnnouncedResult(CProgramProcess& program)
{
    for (const QJsonValue& entry : program.Messages())
    {
        const QString text = entry.toObject().value(QStringLiteral("text")).toString();
        for (const QString& result : kResults)
            if (text.contains(result))
                return text;
    }
    return {};
}

class LocalUciE2eTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!QFileInfo(QString::fromLatin1(kStockfish)).isExecutable())
            GTEST_SKIP() << kStockfish << " is not installed (Debian package stockfish)";
        ASSERT_TRUE(m_Reaper.IsSet());
    }

    void TearDown() override
    {
        // Any stockfish orphaned by the program came to this process: it is
        // ended and reaped here (and the check in the test has failed).
        for (pid_t pid : StockfishChildrenOf(getpid(), false))
        {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    // Fills a field of the open settings dialog as a person does: select all, type.
    void Fill(CProgramProcess& program, const QString& field, const QString& text)
    {
        ASSERT_EQ(program.Request(QStringLiteral("key %1 Ctrl+A").arg(field)), kOk);
        ASSERT_EQ(program.Request(QStringLiteral("type %1 %2").arg(field, text)), kOk);
        ASSERT_TRUE(program.WaitFor([&] { return program.Text(field) == text; })) << field.toStdString();
    }

    // Steps through a player's type list with the arrow key until it shows the type.
    void ChooseType(CProgramProcess& program, const QString& list, const QString& type)
    {
        for (int step = 0; step < 8 && program.Text(list) != type; ++step)
        {
            const QString before = program.Text(list);
            ASSERT_EQ(program.Request(QStringLiteral("key %1 Down").arg(list)), kOk);
            ASSERT_TRUE(program.WaitFor([&] { return program.Text(list) != before; }))
                << "the list " << list.toStdString() << " ends at " << before.toStdString();
        }
        ASSERT_EQ(program.Text(list), type);
    }

    // From the main menu to a started local game whose player of the list
    // (the top one is Black) is Stockfish, on a one-minute clock.
    void StartGameAgainstStockfish(CProgramProcess& program, const QString& engineList)
    {
        ASSERT_TRUE(program.Start({})) << program.ErrorOutput().toStdString();
        ASSERT_TRUE(program.WaitFor([&] { return program.IsShown(QStringLiteral("MainMenuWnd")); }));
        ASSERT_EQ(program.Request(QStringLiteral("click MainMenuWnd/button1048")), kOk);
        ASSERT_TRUE(program.WaitFor([&] { return program.IsShown(QStringLiteral("LocalChessWnd")); }));
        ASSERT_EQ(program.Board(kBoard).value(QStringLiteral("fen")).toString(), kStartPosition);
        // White at the bottom: the top player of the dialog is Black.
        ASSERT_FALSE(program.Board(kBoard).value(QStringLiteral("flipped")).toBool());

        // Settings: one player is Stockfish through the UCI plug-in, the other
        // a person; a custom one-minute game without bonus, the shortest accepted.
        const QString personList = engineList == kBlackType ? kWhiteType : kBlackType;
        ASSERT_EQ(program.Request(QStringLiteral("click LocalChessWnd/button1025")), kOk);
        ASSERT_TRUE(program.WaitFor([&] { return program.IsShown(engineList); }));
        ChooseType(program, engineList, kUciType);
        if (program.Text(personList) != QLatin1String("Human"))
        {
            // Up to the first entry, the person.
            for (int step = 0; step < 8; ++step)
                ASSERT_EQ(program.Request(QStringLiteral("key %1 Up").arg(personList)), kOk);
            ASSERT_TRUE(program.WaitFor([&] { return program.Text(personList) == QLatin1String("Human"); }));
        }
        ASSERT_EQ(program.Request(QStringLiteral("click control1076")), kOk);
        ASSERT_TRUE(program.WaitFor([&] {
            return program.WidgetEntry(QStringLiteral("control1059")).value(QStringLiteral("enabled")).toBool();
        }));
        Fill(program, QStringLiteral("control1059"), QStringLiteral("0"));
        Fill(program, QStringLiteral("control1061"), QStringLiteral("1"));
        Fill(program, QStringLiteral("control1062"), QStringLiteral("0"));
        Fill(program, QStringLiteral("control1060"), QStringLiteral("0"));
        ASSERT_EQ(program.Request(QStringLiteral("click button1")), kOk);
        ASSERT_TRUE(program.WaitFor([&] { return !program.IsShown(engineList); }))
            << program.Messages().size() << " messages; the dialog stayed open";
        ASSERT_EQ(program.Request(QStringLiteral("click LocalChessWnd/button1027")), kOk);
    }

    // When the board takes the person's move for the side ("w" or "b"), drags
    // a seeded pseudo-random legal move of the position shown and waits until
    // the program took it. False when it is not the person's turn.
    bool PlayPersonMove(CProgramProcess& program, const QString& side)
    {
        const QJsonObject board = program.Board(kBoard);
        if (!board.value(QStringLiteral("input")).toBool() || board.value(QStringLiteral("side")).toString() != side)
            return false;
        CChessPosition position;
        std::string error;
        const std::string fen = board.value(QStringLiteral("fen")).toString().toStdString();
        EXPECT_TRUE(CFenText::ReadFen(position, fen, &error)) << fen << ": " << error;
        const std::vector<std::string> legal = LegalMoves(position);
        if (legal.empty())
            return false; // the program is about to say why
        const std::string move = legal[m_Random() % legal.size()];
        const auto plyBefore = board.value(QStringLiteral("moves")).toArray().size();
        EXPECT_EQ(program.Request(QStringLiteral("move %1 %2").arg(kBoard, QString::fromStdString(move))), kOk) << move;
        if (IsPromotion(position, move))
        {
            EXPECT_TRUE(program.WaitFor([&] { return program.IsWindowOpen(QStringLiteral("CPromotionDlg")); }));
            EXPECT_EQ(program.Request(QStringLiteral("click promotion%1").arg(PIECE_QUEEN)), kOk);
        }
        EXPECT_TRUE(program.WaitFor([&] {
            return program.Board(kBoard).value(QStringLiteral("moves")).toArray().size() > plyBefore;
        })) << "the drag of "
            << move << " was not taken";
        return true;
    }

    std::mt19937 m_Random{20261207u};
    SubreaperGuard m_Reaper;
};

TEST_F(LocalUciE2eTest, PersonPlaysAWholeGameAgainstStockfishChosenInTheSettings)
{
    CProgramProcess program(QStringLiteral("local"));
    StartGameAgainstStockfish(program, kBlackType);
    if (HasFatalFailure())
        return;

    // White's moves: a seeded pseudo-random legal move of the position shown.
    std::set<pid_t> engines;
    QString result;
    int whiteMoves = 0;
    ASSERT_TRUE(program.WaitFor(
        [&] {
            engines.merge(StockfishChildrenOf(static_cast<pid_t>(program.ProcessId()), true));
            result = AnnouncedResult(program);
            if (!result.isEmpty())
                return true;
            if (PlayPersonMove(program, QStringLiteral("w")))
                ++whiteMoves;
            return false;
        },
        100000))
        << "no result after " << whiteMoves
        << " moves of White; moves: " << program.Text(QStringLiteral("LocalChessWnd/moveList")).toStdString();

    // The program announced the end, the engine really played, and each move
    // shown on the board replays legally from the start.
    EXPECT_FALSE(result.isEmpty());
    EXPECT_FALSE(engines.empty()) << "no stockfish process was started by the program";
    const QJsonObject board = program.Board(kBoard);
    EXPECT_FALSE(board.value(QStringLiteral("gameGoingOn")).toBool());
    const QJsonArray moves = board.value(QStringLiteral("moves")).toArray();
    EXPECT_GE(moves.size(), 2 * whiteMoves - 1);
    CChessPosition replay;
    for (const QJsonValue& move : moves)
        ASSERT_TRUE(replay.PlaySan(move.toString().toStdString())) << move.toString().toStdString();
    std::string error;
    CChessPosition shown;
    ASSERT_TRUE(CFenText::ReadFen(shown, board.value(QStringLiteral("fen")).toString().toStdString(), &error));
    EXPECT_EQ(CFenText::WriteFen(replay), CFenText::WriteFen(shown));
    // The announced end is the one the rules see, unless a clock ran out.
    if (result.contains(QStringLiteral("checkmate")))
    {
        EXPECT_TRUE(replay.IsMate()) << result.toStdString();
    }
    if (result.contains(QStringLiteral("stalemate")))
    {
        EXPECT_TRUE(replay.IsStalemate()) << result.toStdString();
    }

    // The program ends cleanly and takes its engine with it: nothing is left
    // running, neither under the program nor orphaned to this process.
    const pid_t programPid = static_cast<pid_t>(program.ProcessId());
    EXPECT_TRUE(program.Quit()) << program.ErrorOutput().toStdString();
    EXPECT_FALSE(program.ErrorOutput().contains(QStringLiteral("Sanitizer"))) << program.ErrorOutput().toStdString();
    EXPECT_FALSE(program.ErrorOutput().contains(QStringLiteral("runtime error:")));
    EXPECT_TRUE(StockfishChildrenOf(programPid, false).empty());
    EXPECT_TRUE(StockfishChildrenOf(getpid(), true).empty()) << "a stockfish outlived the program";
    for (pid_t pid : engines)
    {
        ProcInfo info;
        const bool exists = ReadProc(pid, info);
        EXPECT_TRUE(!exists || info.name != "stockfish" || info.state == 'Z') << "stockfish " << pid << " is left";
    }
}

TEST_F(LocalUciE2eTest, StockfishAsWhiteIsEndedCleanlyWhenTheProgramQuitsWhileItThinks)
{
    CProgramProcess program(QStringLiteral("local"));
    StartGameAgainstStockfish(program, kWhiteType);
    if (HasFatalFailure())
        return;

    // The engine opens; the person answers three times, and the program is
    // told to quit right after the last answer, while the engine thinks.
    std::set<pid_t> engines;
    int blackMoves = 0;
    ASSERT_TRUE(program.WaitFor([&] {
        engines.merge(StockfishChildrenOf(static_cast<pid_t>(program.ProcessId()), true));
        if (PlayPersonMove(program, QStringLiteral("b")))
            ++blackMoves;
        return blackMoves == 3 || !AnnouncedResult(program).isEmpty();
    })) << program.Text(QStringLiteral("LocalChessWnd/moveList")).toStdString();
    ASSERT_EQ(blackMoves, 3);
    const QJsonArray moves = program.Board(kBoard).value(QStringLiteral("moves")).toArray();
    // Stockfish may already have answered the last move, seldom as fast.
    ASSERT_GE(moves.size(), 6);
    CChessPosition replay;
    for (const QJsonValue& move : moves)
        ASSERT_TRUE(replay.PlaySan(move.toString().toStdString())) << move.toString().toStdString();
    ASSERT_FALSE(engines.empty()) << "no stockfish process was started by the program";

    const pid_t programPid = static_cast<pid_t>(program.ProcessId());
    EXPECT_TRUE(program.Quit()) << program.ErrorOutput().toStdString();
    EXPECT_FALSE(program.ErrorOutput().contains(QStringLiteral("Sanitizer"))) << program.ErrorOutput().toStdString();
    EXPECT_TRUE(StockfishChildrenOf(programPid, false).empty());
    EXPECT_TRUE(StockfishChildrenOf(getpid(), true).empty()) << "a stockfish outlived the program";
}
}
