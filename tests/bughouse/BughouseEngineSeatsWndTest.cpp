// The server's bughouse window puts engines into free seats and takes them
// out again with its two buttons, clicked as a person clicks them.
#include "BitmapCache.h"
#include "BughouseEngineSeats.h"
#include "BughouseWnd.h"
#include "GameSettings.h"
#include "IBughouseEngineFactory.h"
#include "IChessEngine.h"
#include "IChessEngineEx.h"
#include "INetConnectionUi.h"
#include "MessageDlg.h"
#include "NetConnection.h"
#include "NetProtocol.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SkinButton.h"

#include <gtest/gtest.h>

#include <QTest>

#include <memory>
#include <vector>

using S = CBughouseSession;

namespace
{
// An engine that plays bughouse and is told things it does not answer.
class CSilentEngine final : public IChessEngine, public IChessEngineEx
{
public:
    const char* GetName() override { return "Silent"; }
    bool Start() override { return true; }
    bool Quit() override { return true; }
    void SetListener(IChessEngineListener*) override {}
    bool SetColour(int32_t colour) override { return colour == 2; }
    bool Reserved() override { return true; }
    void Configure() override {}
    void ClearMoves() override {}
    void AddMove(int32_t, int32_t, int32_t, int32_t, int32_t) override {}
    bool StartGame(int32_t, int32_t) override { return true; }
    bool OpponentMove(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool StopGame() override { return true; }
    void Destroy() override { ended = true; }
    int32_t GetVersion() override { return 2; }
    void SetListenerEx(IChessEngineListenerEx*) override {}
    void StartAsync() override {}
    void KeepEngineForColour() override {}
    bool SetStartPosition(const char*) override { return true; }
    void SetTimePerMove(int32_t) override {}
    void SetPondering(bool) override {}
    void TakeBackTo(int32_t) override {}
    void StopThinking() override {}
    bool Go(int32_t, int32_t) override { return true; }
    void GameOver(int32_t, const char*) override {}
    bool SetVariant(const char*) override { return true; }
    void AddDrop(int32_t, int32_t, int32_t) override {}
    bool OpponentDrop(int32_t, int32_t, int32_t, int32_t, int32_t) override { return true; }
    void SetHoldings(const char*) override {}

    bool ended = false;
};

class CSilentFactory : public IBughouseEngineFactory
{
public:
    QStringList EngineNames() const override { return {QStringLiteral("Sjeng"), QStringLiteral("Fairy-Max")}; }
    IChessEngine* Create(const QString&) override
    {
        made.push_back(std::make_unique<CSilentEngine>());
        return made.back().get();
    }
    IChessEngineEx* Extension(IChessEngine* engine) const override { return static_cast<CSilentEngine*>(engine); }
    void Destroy(IChessEngine* engine) override { engine->Destroy(); }
    std::vector<std::unique_ptr<CSilentEngine>> made;
};

class CServerUi : public INetConnectionUi
{
public:
    CNetConnection* link = nullptr;
    std::optional<QString> RunConnectionDialog(bool) override
    {
        return link->StartServer(0) ? std::optional<QString>(QStringLiteral("Ann")) : std::nullopt;
    }
    void ShowWaitDialog() override {}
    void CloseWaitDialog() override {}
    void ShowMessage(const QString&) override {}
};
} // namespace

class BughouseEngineSeatsWndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CMessageService::AnswerAutomatically(IDYES);
        link = std::make_unique<CNetConnection>(roster, settings);
        ui.link = link.get();
        link->SetUi(&ui);
        window = std::make_unique<CBughouseWnd>(*link, roster, settings, CBitmapCache::Instance());
        link->SetGameWindows(nullptr, &window->Session());
        link->SetStartedFromCommandLine(true);
        link->Join(GAME_MODE_DOUBLE, true);
        ASSERT_TRUE(link->IsServer());
        window->Session().EnableEngineSeats(factory);
        window->Open();
        window->show();
        window->SetChoiceRunner([this](const QString& title, const QString&, const QStringList& items) {
            asked << title + QStringLiteral(": ") + items.join(QStringLiteral(", "));
            return items.contains(answer) ? answer : QString();
        });
    }
    void TearDown() override
    {
        link->SetGameWindows(nullptr, nullptr);
        window.reset();
        link.reset();
        roster.Reset();
        CMessageService::ClearAnswerer();
    }
    void Click(int id) { QTest::mouseClick(window->Button(id), Qt::LeftButton); }
    bool Enabled(int id) const { return window->Button(id)->isVisible() && window->Button(id)->isEnabled(); }

    CSilentFactory factory; // outlives the window
    PlayerRoster roster;
    GameSettings settings;
    CServerUi ui;
    std::unique_ptr<CNetConnection> link;
    std::unique_ptr<CBughouseWnd> window;
    QStringList asked;
    QString answer;
};

TEST_F(BughouseEngineSeatsWndTest, TheButtonsSeatAndRemoveEnginesBetweenGames)
{
    EXPECT_TRUE(Enabled(S::kAddComputerId));
    EXPECT_FALSE(Enabled(S::kRemoveComputerId));
    EXPECT_FALSE(Enabled(S::kStartId));

    answer = QStringLiteral("Sjeng");
    Click(S::kAddComputerId);
    EXPECT_EQ(asked, QStringList{QStringLiteral("Add Computer: Sjeng, Fairy-Max")});
    ASSERT_EQ(roster.Count(), 2);
    EXPECT_EQ(roster.GetEntry(1).name, QStringLiteral("Sjeng (Computer)"));
    EXPECT_TRUE(Enabled(S::kRemoveComputerId));
    EXPECT_TRUE(Enabled(S::kStartId)) << "a person alone starts with an engine";
    // The engine's panel shows its nickname, which carries the mark once.
    const auto* top = window->findChild<CPlayerWnd*>(QStringLiteral("panel1"));
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->NameText(), QStringLiteral("Sjeng (Computer)"));

    // Cancelled: nothing changes.
    answer.clear();
    Click(S::kAddComputerId);
    EXPECT_EQ(roster.Count(), 2);

    answer = QStringLiteral("Fairy-Max");
    Click(S::kAddComputerId);
    answer = QStringLiteral("Sjeng");
    Click(S::kAddComputerId);
    ASSERT_EQ(roster.Count(), 4);
    EXPECT_FALSE(Enabled(S::kAddComputerId)) << "no free seat";

    // Not during a game.
    Click(S::kStartId);
    ASSERT_TRUE(window->Session().IsRunning());
    EXPECT_FALSE(Enabled(S::kAddComputerId));
    EXPECT_FALSE(Enabled(S::kRemoveComputerId));
    Click(S::kAbortGameId);
    ASSERT_FALSE(window->Session().IsRunning());

    asked.clear();
    answer = QStringLiteral("Sjeng (Computer) 2");
    Click(S::kRemoveComputerId);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Remove Computer: ")));
    EXPECT_TRUE(asked[0].contains(QStringLiteral("Sjeng (Computer) 2")));
    EXPECT_EQ(roster.Count(), 3);
    EXPECT_FALSE(roster.Contains(QStringLiteral("Sjeng (Computer) 2")));
    EXPECT_TRUE(Enabled(S::kAddComputerId));
    EXPECT_EQ(std::count_if(factory.made.begin(), factory.made.end(), [](const auto& e) { return e->ended; }), 1);

    // Leaving the window ends the engines.
    window->Session().Leave();
    EXPECT_TRUE(std::all_of(factory.made.begin(), factory.made.end(), [](const auto& e) { return e->ended; }));
}
