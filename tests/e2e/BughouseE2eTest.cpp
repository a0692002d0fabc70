// Four copies of the program, a bughouse server and three clients started by
// their command line on a loopback port, play one game to a mate with a
// capture passed to the partner and dropped. Everything asserted is read from
// the programs themselves through their channels.
#include "ProgramProcess.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cstdlib>
#include <map>
#include <memory>

namespace
{
const QString kStart = QStringLiteral("BughouseWnd/button1027");
const QString kOutput = QStringLiteral("BughouseWnd/chatOutput");
const QString kOk = QStringLiteral("ok");

// The view of a program's own board and the view of the other board.
const QString kOwnBoard = QStringLiteral("BughouseWnd/board0");
const QString kOtherBoard = QStringLiteral("BughouseWnd/board1");

// A clock text ("4 min 59 sec" or "01:02:03") in seconds; -1 when it is neither.
int ClockSeconds(const QString& text)
{
    static const QRegularExpression minSec(QStringLiteral("^(\\d+) min (\\d+) sec$"));
    static const QRegularExpression hms(QStringLiteral("^(\\d+):(\\d+):(\\d+)$"));
    if (const auto m = minSec.match(text); m.hasMatch())
        return m.captured(1).toInt() * 60 + m.captured(2).toInt();
    if (const auto m = hms.match(text); m.hasMatch())
        return (m.captured(1).toInt() * 60 + m.captured(2).toInt()) * 60 + m.captured(3).toInt();
    return -1;
}

// One player's program and the board it plays on: "A" is ann's and bob's
// board, "B" cid's and dee's.
struct CPlayer
{
    QString name;
    QString board;
    std::unique_ptr<CProgramProcess> program;

    // The view showing board "A" or "B" in this program.
    [[nodiscard]] QString ViewOf(const QString& which) const { return which == board ? kOwnBoard : kOtherBoard; }
    [[nodiscard]] QJsonObject Board(const QString& which) const { return program->Board(ViewOf(which)); }
};

class BughouseE2eTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const int port = CProgramProcess::FreePort();
        ASSERT_GT(port, 0);
        // Joined in this order, the fourth player becomes ann's partner:
        // ann (white) and dee (black) against bob (black) and cid (white).
        const struct
        {
            const char* name;
            const char* board;
        } seats[] = {{"ann", "A"}, {"bob", "A"}, {"cid", "B"}, {"dee", "B"}};
        for (const auto& seat : seats)
        {
            auto player = std::make_unique<CPlayer>();
            player->name = QString::fromLatin1(seat.name);
            player->board = QString::fromLatin1(seat.board);
            player->program = std::make_unique<CProgramProcess>(player->name);
            players.push_back(std::move(player));
        }
        ASSERT_TRUE(Ann().Start(
            {QStringLiteral("server"), QStringLiteral("double"), QString::number(port), QStringLiteral("ann")}))
            << Ann().ErrorOutput().toStdString();
        ASSERT_TRUE(Ann().WaitForText(kOutput, QStringLiteral("Your server started at")))
            << Ann().Text(kOutput).toStdString();
        for (size_t i = 1; i < players.size(); ++i)
        {
            CProgramProcess& client = *players[i]->program;
            ASSERT_TRUE(client.Start({QStringLiteral("client"), QStringLiteral("double"), QStringLiteral("127.0.0.1"),
                                      QString::number(port), players[i]->name}))
                << client.ErrorOutput().toStdString();
            ASSERT_TRUE(Ann().WaitForText(kOutput, players[i]->name + QStringLiteral(" joins the game")))
                << Ann().Text(kOutput).toStdString();
            EXPECT_TRUE(
                client.WaitForText(kOutput, QStringLiteral("You are connected to the game as ") + players[i]->name))
                << client.Text(kOutput).toStdString();
        }
        // Every client has heard of the last one.
        for (size_t i = 1; i < players.size(); ++i)
            ASSERT_TRUE(players[i]->program->WaitFor([&] { return ClocksOf(*players[i]).size() == 4; }))
                << players[i]->name.toStdString();
    }

    CProgramProcess& Ann() { return *players[0]->program; }
    CPlayer& Player(const QString& name)
    {
        for (auto& player : players)
            if (player->name == name)
                return *player;
        ADD_FAILURE() << "no player " << name.toStdString();
        return *players[0];
    }

    // Each player's name and clock as this program's four panels show them.
    static std::map<QString, int> ClocksOf(CPlayer& player)
    {
        std::map<QString, int> clocks;
        for (int p = 0; p < 4; ++p)
        {
            const QStringList lines = player.program->Text(QStringLiteral("BughouseWnd/panel%1").arg(p)).split('\n');
            if (lines.size() == 2 && ClockSeconds(lines[1]) >= 0)
                clocks[lines[0]] = ClockSeconds(lines[1]);
        }
        return clocks;
    }

    // A move ("e2e4") or a drop ("P@a6") by a player on its own board, then
    // seen by every program: each shows the position the mover's program shows.
    void Play(const QString& name, const QString& action)
    {
        CPlayer& mover = Player(name);
        const QString view = mover.ViewOf(mover.board);
        const QString before = Fen(mover, mover.board);
        ASSERT_TRUE(mover.program->WaitFor([&] {
            return mover.Board(mover.board).value(QStringLiteral("input")).toBool();
        })) << name.toStdString()
            << " never got to play " << action.toStdString();
        const QString request = action.contains('@')
                                    ? QStringLiteral("drop %1 %2 %3").arg(view, action.left(1), action.mid(2))
                                    : QStringLiteral("move %1 %2").arg(view, action);
        ASSERT_EQ(mover.program->Request(request), kOk);
        QString after;
        ASSERT_TRUE(mover.program->WaitFor([&] {
            after = Fen(mover, mover.board);
            return after != before;
        })) << name.toStdString()
            << "'s " << action.toStdString() << " was not played";
        for (auto& player : players)
            ASSERT_TRUE(player->program->WaitFor([&] { return Fen(*player, mover.board) == after; }))
                << player->name.toStdString() << " never saw " << name.toStdString() << "'s " << action.toStdString();
    }

    static QString Fen(CPlayer& viewer, const QString& which)
    {
        return viewer.Board(which).value(QStringLiteral("fen")).toString();
    }

    // Every program shows the same position, side to move and holdings on both boards.
    void ExpectSameBoards()
    {
        for (const QString& which : {QStringLiteral("A"), QStringLiteral("B")})
        {
            const QJsonObject reference = players[0]->Board(which);
            for (size_t i = 1; i < players.size(); ++i)
            {
                const QJsonObject shown = players[i]->Board(which);
                for (const char* key : {"fen", "side", "holdings", "gameGoingOn"})
                    EXPECT_EQ(shown.value(QLatin1String(key)), reference.value(QLatin1String(key)))
                        << players[i]->name.toStdString() << ", board " << which.toStdString() << ", " << key;
            }
        }
    }

    std::vector<std::unique_ptr<CPlayer>> players;
};
} // namespace

TEST_F(BughouseE2eTest, FourProgramsPlayToAMateWithADrop)
{
    // Each program seats the players alike; its own team is at the bottom.
    EXPECT_FALSE(Player("ann").Board("A").value(QStringLiteral("flipped")).toBool());
    EXPECT_TRUE(Player("bob").Board("A").value(QStringLiteral("flipped")).toBool());
    EXPECT_TRUE(Player("dee").Board("B").value(QStringLiteral("flipped")).toBool());
    EXPECT_FALSE(Player("cid").Board("B").value(QStringLiteral("flipped")).toBool());
    EXPECT_FALSE(Player("bob").Board("B").value(QStringLiteral("flipped")).toBool())
        << "bob's partner cid is at the bottom";

    ASSERT_EQ(Ann().Request(QStringLiteral("click ") + kStart), kOk);
    for (auto& player : players)
        ASSERT_TRUE(player->program->WaitForText(kOutput, QStringLiteral("Game 1 started")))
            << player->name.toStdString();

    // A chat line reaches every program under its sender's nickname.
    ASSERT_EQ(Player("cid").program->Request(QStringLiteral("type BughouseWnd/chatInput good luck")), kOk);
    ASSERT_EQ(Player("cid").program->Request(QStringLiteral("key BughouseWnd/chatInput Return")), kOk);
    for (auto& player : players)
        EXPECT_TRUE(player->program->WaitForText(kOutput, QStringLiteral("cid: good luck")))
            << player->name.toStdString();

    Play("ann", "e2e4");
    Play("cid", "e2e4");
    Play("bob", "e7e5");
    Play("dee", "d7d5");
    // cid takes a black pawn; it goes to his partner bob on the other board.
    Play("cid", "e4d5");
    for (auto& player : players)
        EXPECT_EQ(player->Board("A").value(QStringLiteral("holdings")).toObject().value(QStringLiteral("black")),
                  QJsonValue(QStringLiteral("P")))
            << player->name.toStdString();
    Play("dee", "g8f6");
    Play("ann", "f1c4");
    // bob drops it.
    Play("bob", "P@a6");
    EXPECT_EQ(Player("cid").Board("A").value(QStringLiteral("holdings")).toObject().value(QStringLiteral("black")),
              QJsonValue(QString()));
    Play("ann", "d1h5");
    Play("bob", "g8f6");
    ExpectSameBoards();

    // Qxf7 mates bob; each program finds it on its own copy of the board.
    Play("ann", "h5f7");
    for (const char* name : {"ann", "dee"})
        EXPECT_TRUE(Player(name).program->WaitForMessage(QStringLiteral("bob is checkmate.\nYou win the game !")))
            << name;
    for (const char* name : {"bob", "cid"})
        EXPECT_TRUE(Player(name).program->WaitForMessage(QStringLiteral("bob is checkmate.\nYou lose the game !")))
            << name;
    for (const char* name : {"ann", "dee"})
        EXPECT_TRUE(Player(name).program->WaitForText(kOutput, QStringLiteral("Victories: 1, Defeats: 0, Draws: 0")))
            << name;
    for (const char* name : {"bob", "cid"})
        EXPECT_TRUE(Player(name).program->WaitForText(kOutput, QStringLiteral("Victories: 0, Defeats: 1, Draws: 0")))
            << name;
    ExpectSameBoards();
    for (auto& player : players)
    {
        EXPECT_FALSE(player->Board("A").value(QStringLiteral("input")).toBool()) << player->name.toStdString();
        EXPECT_FALSE(player->Board("B").value(QStringLiteral("input")).toBool()) << player->name.toStdString();
    }
    // The black pawn ann took with the mate went to the black holdings of the other board.
    EXPECT_EQ(Player("bob").Board("B").value(QStringLiteral("holdings")).toObject().value(QStringLiteral("black")),
              QJsonValue(QStringLiteral("P")));

    // The clocks have stopped and agree: each clock took its mover's time from
    // the moves, and a clock still running when the mate came stopped within
    // a moment of the others.
    const std::map<QString, int> reference = ClocksOf(*players[0]);
    ASSERT_EQ(reference.size(), 4U);
    for (size_t i = 1; i < players.size(); ++i)
    {
        const std::map<QString, int> shown = ClocksOf(*players[i]);
        ASSERT_EQ(shown.size(), 4U) << players[i]->name.toStdString();
        for (const auto& [name, seconds] : reference)
        {
            const auto it = shown.find(name);
            ASSERT_NE(it, shown.end()) << players[i]->name.toStdString() << " lacks " << name.toStdString();
            EXPECT_LE(std::abs(it->second - seconds), 1)
                << players[i]->name.toStdString() << " shows " << name.toStdString() << "'s clock";
        }
    }
    for (auto& player : players)
        EXPECT_TRUE(player->program->Quit()) << player->program->ErrorOutput().toStdString();
}

// A resignation ends the match alike everywhere; a program that quits in the
// middle of the next game is seen leaving by the three others, who are reseated.
TEST_F(BughouseE2eTest, AResignationThenAPlayerQuitsMidGame)
{
    ASSERT_EQ(Ann().Request(QStringLiteral("click ") + kStart), kOk);
    for (auto& player : players)
        ASSERT_TRUE(player->program->WaitForText(kOutput, QStringLiteral("Game 1 started")));
    Play("ann", "d2d4");
    Play("cid", "g1f3");

    // bob resigns after saying yes to the question.
    CProgramProcess& bob = *Player("bob").program;
    ASSERT_EQ(bob.Request(QStringLiteral("answer yes")), kOk);
    ASSERT_EQ(bob.Request(QStringLiteral("click BughouseWnd/button1020")), kOk);
    EXPECT_TRUE(bob.WaitForMessage(QStringLiteral("Are you sure to resign ?")));
    EXPECT_TRUE(
        Player("cid").program->WaitForMessage(QStringLiteral("Your partner has resigned.\nYou lose the game !")));
    for (const char* name : {"ann", "dee"})
        EXPECT_TRUE(
            Player(name).program->WaitForMessage(QStringLiteral("Your opponent has resigned.\nYou win the game !")))
            << name;
    for (const char* name : {"ann", "dee"})
        EXPECT_TRUE(Player(name).program->WaitForText(kOutput, QStringLiteral("Victories: 1, Defeats: 0, Draws: 0")))
            << name;
    for (const char* name : {"bob", "cid"})
        EXPECT_TRUE(Player(name).program->WaitForText(kOutput, QStringLiteral("Victories: 0, Defeats: 1, Draws: 0")))
            << name;
    ExpectSameBoards();

    // Game 2: dee's program ends while the game runs.
    ASSERT_TRUE(Ann().WaitFor([&] { return Ann().Request(QStringLiteral("click ") + kStart) == kOk; }));
    for (auto& player : players)
        ASSERT_TRUE(player->program->WaitForText(kOutput, QStringLiteral("Game 2 started")));
    Play("cid", "e2e4");
    CProgramProcess& dee = *Player("dee").program;
    EXPECT_TRUE(dee.Quit()) << dee.ErrorOutput().toStdString();
    players.erase(players.begin() + 3);
    for (auto& player : players)
    {
        // A message box, since a game was running; the game stops for everybody.
        EXPECT_TRUE(player->program->WaitForMessage(QStringLiteral("dee leaves"))) << player->name.toStdString();
        EXPECT_TRUE(player->program->WaitFor([&] { return ClocksOf(*player).size() == 3; }))
            << player->name.toStdString();
        for (const QString& which : {QStringLiteral("A"), QStringLiteral("B")})
            EXPECT_FALSE(player->Board(which).value(QStringLiteral("input")).toBool()) << player->name.toStdString();
    }
    // Three players: ann plays alone against bob and cid, and may start again.
    EXPECT_TRUE(Ann().WaitFor([&] { return Ann().Request(QStringLiteral("click ") + kStart) == kOk; }));
    for (auto& player : players)
        EXPECT_TRUE(player->program->WaitForText(kOutput, QStringLiteral("Game 3 started")))
            << player->name.toStdString();
    for (auto& player : players)
        EXPECT_TRUE(player->program->Quit()) << player->program->ErrorOutput().toStdString();
}
