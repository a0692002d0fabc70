// The network chess game's flow without a window. The session is a server
// whose opponent's messages are handed to it as the link would hand them;
// nobody is connected, so what it sends goes nowhere.
#include "SessionTestSupport.h"

#include "GameSettings.h"
#include "NetChessProtocol.h"
#include "NetChessSession.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"
#include "TickSource.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace SessionTest;
using S = CNetChessSession;

namespace
{
class NetChessSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Settings.SetIsWinOnOpponentTimeZero(true);
        m_Settings.SetPlaySoundOnOpponentMove(false);
        ASSERT_TRUE(m_Link.StartServer(0));
        m_Roster.SetNickname(QStringLiteral("Host"));
        m_Roster.SetEntry(0, PlayerEntry{QStringLiteral("Host"), 0, COLOUR_WHITE, 0});
        m_Session.SetObserver(&m_Observer);
        m_Session.Open();
        m_Roster.SetEntry(1, PlayerEntry{QStringLiteral("Guest"), 7, COLOUR_BLACK, 0});
        m_Session.OnPlayerAdmitted(7, QStringLiteral("Guest"));
    }
    void TearDown() override
    {
        CTickSource::Override({});
        m_Link.Leave(false);
    }

    // My move by request, the opponent's as a received message.
    void Play(std::initializer_list<const char*> moves)
    {
        for (const char* move : moves)
        {
            if (m_Session.IsMyTurn())
                ASSERT_TRUE(m_Session.RequestMove(0, Move(move), 0)) << move;
            else
                Receive(CNetChessProtocol::MakeMove(NetChessMove{Move(move), 0, 290000, false}));
        }
    }
    void Receive(const CNetMessage& message) { m_Session.HandleGameMessage(message); }
    QString InFolder(const char* name) const { return m_Folder.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CNetConnection m_Link{m_Roster, m_Settings};
    S m_Session{m_Settings, m_Roster, m_Link};
    RecordingObserver m_Observer;
};
} // namespace

TEST_F(NetChessSessionTest, CommandTableInEachState)
{
    EXPECT_EQ(Mismatches(m_Session, {{S::kStartGameId, true, true},
                                     {S::kResignId, false, true},
                                     {S::kAbortGameId, true, false},
                                     {S::kOfferDrawId, true, false},
                                     {S::kTakebackId, true, false},
                                     {S::kResetBoardId, true, true},
                                     {S::kSwitchColorId, true, true},
                                     {S::kLoadGameId, true, true},
                                     {S::kSaveGameId, true, true}}),
              std::vector<std::string>{})
        << "joined, idle";
    ASSERT_TRUE(m_Session.Command(S::kStartGameId));
    EXPECT_EQ(Mismatches(m_Session, {{S::kStartGameId, false, false},
                                     {S::kResignId, true, true},
                                     {S::kAbortGameId, true, true},
                                     {S::kOfferDrawId, true, true},
                                     {S::kTakebackId, true, false},
                                     {S::kResetBoardId, true, false},
                                     {S::kLoadGameId, true, false}}),
              std::vector<std::string>{})
        << "running, no move yet";
    Play({"e2e4"});
    Receive(CNetMessage(MSG_TAKEBACK_REQUEST));
    EXPECT_EQ(Mismatches(m_Session, {{S::kTakebackId, false, false}, {S::kAcceptTakebackId, true, true}}),
              std::vector<std::string>{})
        << "takeback asked";
    ASSERT_TRUE(m_Session.Command(S::kAcceptTakebackId));
    EXPECT_TRUE(m_Session.ShownMoves().empty());
    EXPECT_EQ(Mismatches(m_Session, {{S::kTakebackId, true, false}, {S::kAcceptTakebackId, false, true}}),
              std::vector<std::string>{})
        << "takeback done";
}

TEST_F(NetChessSessionTest, ResignTakesAQuestionAndCountsADefeat)
{
    EXPECT_EQ(m_Session.QuestionOf(S::kResignId).text, ProgramTexts::IDS_NC_ASK_RESIGN);
    EXPECT_EQ(m_Session.QuestionOf(S::kMenuId).text, ProgramTexts::IDS_NC_ASK_QUIT) << "an opponent is seated";
    m_Session.Command(S::kStartGameId);
    ASSERT_TRUE(m_Session.Command(S::kResignId));
    EXPECT_EQ(m_Roster.Defeats(), 1);
    EXPECT_EQ(SavedResult(m_Session, InFolder("resigned.pgn")), "0-1");
}

// A draw by rule and a loss on time are saved with their real result, as
// the local game saves them.
TEST_F(NetChessSessionTest, DrawByRuleAndTimeLossAreSavedWithTheirResult)
{
    m_Session.Command(S::kStartGameId);
    Play({"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"});
    EXPECT_EQ(m_Observer.TakeMessages(), QStringList{QStringLiteral("Game is a draw due to three-fold repetition.")});
    EXPECT_EQ(m_Roster.Draws(), 1);
    EXPECT_EQ(SavedResult(m_Session, InFolder("repetition.pgn")), "1/2-1/2");

    uint32_t now = 1000;
    CTickSource::Override([&now] { return now; });
    m_Session.Command(S::kResetBoardId);
    m_Session.Command(S::kStartGameId);
    now += 10 * 60 * 1000;
    m_Session.Clock(S::kBottomPanel).OnTick();
    EXPECT_EQ(m_Observer.TakeMessages(), QStringList{QStringLiteral("Your time has expired.\nYou lose the game !")});
    EXPECT_EQ(SavedResult(m_Session, InFolder("own-time.pgn")), "0-1");

    m_Session.Command(S::kStartGameId);
    Play({"e2e4"});
    Receive(CNetMessage(MSG_TIME_EXPIRED));
    EXPECT_EQ(m_Observer.TakeMessages(),
              QStringList{QStringLiteral("Opponent's time has expired.\nYou win the game !")});
    EXPECT_EQ(SavedResult(m_Session, InFolder("their-time.pgn")), "1-0");
}

TEST_F(NetChessSessionTest, BrowsingAFinishedGameReportsTheTable)
{
    m_Session.Command(S::kSwitchColorId);
    ASSERT_EQ(m_Session.MyColour(), COLOUR_BLACK);
    m_Session.Command(S::kStartGameId);
    Play({"f2f3", "e7e5", "g2g4", "d8h4"});
    ASSERT_FALSE(m_Session.IsRunning());
    EXPECT_FALSE(m_Session.StateOf(S::kStartGameId).enabled) << "the mated position cannot be continued";
    const int reports = m_Observer.buttonReports;
    m_Session.StepBack();
    EXPECT_GT(m_Observer.buttonReports, reports) << "the buttons are told";
    EXPECT_TRUE(m_Session.StateOf(S::kStartGameId).enabled);
}

TEST_F(NetChessSessionTest, OnlyAnOpenOfferCanBeAccepted)
{
    m_Session.Command(S::kStartGameId);
    Play({"e2e4"});
    Receive(CNetMessage(MSG_DRAW_ACCEPTED));
    EXPECT_TRUE(m_Session.IsRunning()) << "no offer was made";
    m_Session.Command(S::kOfferDrawId);
    Play({"e7e5", "g1f3", "b8c6"});
    Receive(CNetMessage(MSG_DRAW_ACCEPTED));
    EXPECT_TRUE(m_Session.IsRunning()) << "the opponent moved on: my offer had lapsed";
    m_Session.Command(S::kOfferDrawId);
    Play({"f1c4"});
    Receive(CNetMessage(MSG_DRAW_ACCEPTED));
    EXPECT_FALSE(m_Session.IsRunning());
    EXPECT_TRUE(m_Session.Result().drawn);
}

TEST_F(NetChessSessionTest, ReceivedMovesAreAnimatedAndIllegalOnesEndTheGame)
{
    m_Session.Command(S::kStartGameId);
    Play({"e2e4", "e7e5"});
    ASSERT_EQ(m_Observer.animations.size(), 1u);
    EXPECT_EQ(m_Observer.animations.front().move, Move("e7e5"));
    Play({"g1f3"});
    Receive(CNetChessProtocol::MakeMove(NetChessMove{Move("e5e3"), 0, 1000, false}));
    EXPECT_FALSE(m_Session.IsRunning());
    EXPECT_EQ(m_Observer.TakeMessages(),
              QStringList{QStringLiteral("An error occured while communicating with the server.")});
}
