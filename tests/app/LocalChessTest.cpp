// The local chess window between two persons: whole games by drags, the
// button table, draw offers, takeback, the clocks, and saving and loading.
#include "AppTestSupport.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "EngineListener.h"
#include "EngineLoader.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "LocalChessWnd.h"
#include "MoveListWnd.h"
#include "MovesWnd.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "PromotionDlg.h"
#include "SkinButton.h"
#include "TickSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using W = CLocalChessWnd;
using S = CLocalChessSession;

namespace
{
QString ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void WriteFile(const QString& path, const QString& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

std::vector<std::string> Moves(const W& window)
{
    return window.MoveList()->ShownMoves();
}
} // namespace

class LocalChessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GameSettings& settings = m_Settings;
        AppTest::SetTimedGameOfPeople(settings, 5);
        m_Window = new W(m_Settings, m_Roster, m_Loader, m_Listener, CBitmapCache::Instance(), &m_Frame);
        m_Window->resize(W::kMinimumWidth, W::kMinimumHeight);
        m_Window->SetGamesFolder(m_Folder.path());
        m_Window->Open();
        AppTest::TakeMessages();
    }

    void TearDown() override { CTickSource::Override({}); }

    // Answers the next file dialog with this path and records what it proposed.
    void AnswerFileDialog(const QString& path)
    {
        m_Window->SetFileChooser([this, path](bool, const QString& folder, const QString& suggested) {
            m_Proposed << Proposed(folder, suggested);
            return path;
        });
    }

    QString InFolder(const QString& name) const { return m_Folder.filePath(name); }
    // What the file dialog proposes: the folder, or the name in it.
    static QString Proposed(const QString& folder, const QString& name)
    {
        return name.isEmpty() ? folder : QDir(folder).filePath(name);
    }

    void Play(std::initializer_list<std::pair<const char*, const char*>> moves)
    {
        for (const auto& [from, to] : moves)
            AppTest::Drag(m_Window->Board(), from, to);
    }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CEngineLoader m_Loader;
    CEngineListener m_Listener;
    QWidget m_Frame;
    W* m_Window = nullptr;
    QStringList m_Proposed;
};

TEST_F(LocalChessTest, OpenShowsAnIdleWindowOnTheInitialPosition)
{
    EXPECT_FALSE(m_Window->Session().IsRunning());
    EXPECT_EQ(m_Window->MoveList()->Pane()->Information(), QStringLiteral(" Click on New Game"));
    EXPECT_FALSE(m_Window->Board()->IsInputEnabled());
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Anna"));
    EXPECT_EQ(m_Roster.GetEntry(0).colour, COLOUR_WHITE);
    EXPECT_EQ(m_Roster.GetEntry(1).name, QStringLiteral("Boris"));
    EXPECT_EQ(m_Roster.GetEntry(1).colour, COLOUR_BLACK);
    EXPECT_EQ(m_Window->BottomPanel()->GetTime().Milliseconds(), 5 * 60 * 1000);
    EXPECT_FALSE(m_Window->BottomPanel()->ComputerMark());
}

TEST_F(LocalChessTest, FoolsMateByDragsEndsTheGameWithTheMessage)
{
    m_Window->Session().NewGame();
    Play({{"f2", "f3"}, {"e7", "e5"}, {"g2", "g4"}, {"d8", "h4"}});
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("White is checkmate.\nBlack wins the game !")});
    EXPECT_EQ(Moves(*m_Window), (std::vector<std::string>{"f3", "e5", "g4", "Qh4+"}));
    EXPECT_FALSE(m_Window->Session().IsRunning());
    EXPECT_FALSE(m_Window->Board()->IsInputEnabled());
    EXPECT_FALSE(m_Window->BottomPanel()->Clock().IsRunning());
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsRunning());
    EXPECT_FALSE(m_Window->Button(S::ID_START_GAME)->isEnabled()) << "a mated position cannot be continued";
    EXPECT_FALSE(m_Window->Button(S::ID_ABORT_GAME)->isEnabled());
    EXPECT_FALSE(m_Window->Button(S::ID_TAKEBACK_MOVE)->isEnabled());
    EXPECT_TRUE(m_Window->Button(S::ID_SWITCH_COLOR)->isEnabled());
    // Persons against each other: the frame's title never announces a turn.
    EXPECT_EQ(m_Frame.windowTitle(), QStringLiteral("Pellomar II"));
    // The finished game can be browsed.
    EXPECT_TRUE(m_Window->Session().CanStepBack());
    m_Window->Session().StepBack();
    EXPECT_TRUE(m_Window->Session().CanStepForward());
    EXPECT_EQ(m_Window->Session().StepForward(), "Qh4+");
}

// Shown and enabled state of every button in each state of the window.
TEST_F(LocalChessTest, UpdateButtonsFollowsItsTable)
{
    struct Expect
    {
        int id;
        bool shown;
        bool enabled;
    };
    struct Step
    {
        const char* state;
        std::function<void(W&)> action;
        std::vector<Expect> expected;
    };
    auto move = [](const char* from, const char* to) {
        return [from, to](W& w) { AppTest::Drag(w.Board(), from, to); };
    };
    const std::vector<Step> steps = {
        {"idle after Open",
         [](W&) {},
         {{S::ID_NEW_GAME, true, true},
          {S::ID_START_GAME, true, true},
          {S::ID_PAUSE_GAME, true, false},
          {S::ID_CONTINUE_GAME, false, true},
          {S::ID_ABORT_GAME, true, false},
          {S::ID_OFFER_DRAW, true, false},
          {S::ID_CANCEL_OFFER, false, true},
          {S::ID_ACCEPT_DRAW, false, true},
          {S::ID_TAKEBACK_MOVE, true, false},
          {S::ID_SWITCH_COLOR, true, true},
          {S::ID_LOAD_GAME, true, true},
          {S::ID_SAVE_GAME, true, true},
          {S::ID_HELP, true, true},
          {S::ID_SETTINGS, true, true},
          {S::ID_MENU, true, true}}},
        {"running before the first move",
         [](W& w) { w.Session().NewGame(); },
         {{S::ID_START_GAME, true, false},
          {S::ID_PAUSE_GAME, true, false},
          {S::ID_ABORT_GAME, true, true},
          {S::ID_OFFER_DRAW, true, true},
          {S::ID_TAKEBACK_MOVE, true, false},
          {S::ID_SWITCH_COLOR, true, false},
          {S::ID_SETTINGS, true, false}}},
        {"running after a move", move("e2", "e4"), {{S::ID_PAUSE_GAME, true, true}, {S::ID_TAKEBACK_MOVE, true, true}}},
        {"paused",
         [](W& w) { w.Session().PauseGame(); },
         {{S::ID_PAUSE_GAME, false, false}, {S::ID_CONTINUE_GAME, true, true}, {S::ID_ABORT_GAME, true, true}}},
        {"continued",
         [](W& w) { w.Session().ContinueGame(); },
         {{S::ID_PAUSE_GAME, true, true}, {S::ID_CONTINUE_GAME, false, true}}},
        {"draw offered by the player to move",
         [](W& w) { w.Session().OfferDraw(); },
         {{S::ID_OFFER_DRAW, false, true}, {S::ID_CANCEL_OFFER, true, true}, {S::ID_ACCEPT_DRAW, false, true}}},
        {"offer withdrawn",
         [](W& w) { w.Session().CancelOffer(); },
         {{S::ID_OFFER_DRAW, true, true}, {S::ID_CANCEL_OFFER, false, true}}},
        {"offer made again and passed on with the move",
         [](W& w) {
             w.Session().OfferDraw();
             AppTest::Drag(w.Board(), "e7", "e5");
         },
         {{S::ID_OFFER_DRAW, false, true}, {S::ID_CANCEL_OFFER, false, true}, {S::ID_ACCEPT_DRAW, true, true}}},
        {"offer lapses when the opponent moves on",
         move("g1", "f3"),
         {{S::ID_OFFER_DRAW, true, true}, {S::ID_ACCEPT_DRAW, false, true}}},
        {"aborted",
         [](W& w) { w.Session().AbortGame(); },
         {{S::ID_START_GAME, true, true},
          {S::ID_PAUSE_GAME, true, false},
          {S::ID_ABORT_GAME, true, false},
          {S::ID_OFFER_DRAW, true, false},
          {S::ID_TAKEBACK_MOVE, true, false},
          {S::ID_SWITCH_COLOR, true, true},
          {S::ID_SETTINGS, true, true}}},
        {"unlimited time, after a move",
         [this](W& w) {
             m_Settings.SetIsTimeInfinite(true);
             w.Session().NewGame();
             AppTest::Drag(w.Board(), "d2", "d4");
         },
         {{S::ID_PAUSE_GAME, true, false}, {S::ID_TAKEBACK_MOVE, true, true}}},
    };
    for (const Step& step : steps)
    {
        step.action(*m_Window);
        for (const Expect& e : step.expected)
        {
            EXPECT_EQ(!m_Window->Button(e.id)->isHidden(), e.shown) << step.state << ", button " << e.id;
            EXPECT_EQ(m_Window->Button(e.id)->isEnabled(), e.enabled) << step.state << ", button " << e.id;
        }
    }
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty()) << "no step shows a message";
}

TEST_F(LocalChessTest, AcceptedDrawEndsTheGameAndIsSavedAsADraw)
{
    m_Window->Session().NewGame();
    m_Window->Session().OfferDraw();
    Play({{"e2", "e4"}});
    ASSERT_TRUE(m_Window->Session().IsDrawOffered());
    m_Window->Session().AcceptDraw();
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Game is a draw !")});
    EXPECT_FALSE(m_Window->Session().IsRunning());
    EXPECT_TRUE(m_Window->Session().Result().drawn);
    AnswerFileDialog(InFolder(QStringLiteral("draw.pgn")));
    m_Window->OnCommand(S::ID_SAVE_GAME);
    EXPECT_TRUE(ReadFile(InFolder(QStringLiteral("draw.pgn"))).contains(QStringLiteral("[Result \"1/2-1/2\"]")));
}

TEST_F(LocalChessTest, PauseHoldsTheClockAndTheBoard)
{
    uint32_t now = 1000;
    CTickSource::Override([&now] { return now; });
    m_Window->Session().NewGame();
    Play({{"e2", "e4"}});
    now += 2000;
    m_Window->Session().PauseGame();
    EXPECT_EQ(m_Window->MoveList()->Pane()->Information(),
              QStringLiteral("The game is paused\n\nClick on Continue Game"));
    EXPECT_FALSE(m_Window->Board()->IsInputEnabled());
    now += 60000;
    m_Window->Session().ContinueGame();
    EXPECT_TRUE(m_Window->MoveList()->Pane()->Information().isEmpty());
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
    now += 1000;
    Play({{"e7", "e5"}});
    // Black thought 3 seconds; the minute of the pause is not charged.
    EXPECT_EQ(m_Window->TopPanel()->GetTime().Milliseconds(), 5 * 60 * 1000 - 3000);
}

TEST_F(LocalChessTest, TakebackRestoresTheMoverAndRunsItsClock)
{
    m_Window->Session().NewGame();
    Play({{"e2", "e4"}, {"e7", "e5"}});
    m_Window->Session().TakebackMove();
    EXPECT_EQ(Moves(*m_Window), std::vector<std::string>{"e4"});
    EXPECT_EQ(m_Window->Board()->SideToMove(), COLOUR_BLACK);
    EXPECT_TRUE(m_Window->TopPanel()->Clock().IsCounting());
    EXPECT_FALSE(m_Window->BottomPanel()->Clock().IsCounting());
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
    Play({{"c7", "c5"}});
    EXPECT_EQ(Moves(*m_Window), (std::vector<std::string>{"e4", "c5"}));
}

TEST_F(LocalChessTest, ExpiredClockLosesTheGame)
{
    uint32_t now = 5000;
    CTickSource::Override([&now] { return now; });
    m_Settings.SetGameTime(0, 1, 0);
    m_Window->Session().NewGame();
    Play({{"e2", "e4"}});
    now += 61000;
    m_Window->TopPanel()->Clock().OnTick();
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black's time has expired.\nWhite wins the game !")});
    EXPECT_FALSE(m_Window->Session().IsRunning());
    EXPECT_TRUE(m_Window->Session().Result().blackLost);
}

TEST_F(LocalChessTest, BonusIsCreditedAfterEachMove)
{
    uint32_t now = 5000;
    CTickSource::Override([&now] { return now; });
    m_Settings.SetNbSecondsBonus(5);
    m_Window->Session().NewGame();
    Play({{"e2", "e4"}});
    now += 2000;
    Play({{"e7", "e5"}});
    // Black's move took 2 of its 5 bonus seconds: it ends 3 seconds up.
    EXPECT_EQ(m_Window->TopPanel()->GetTime().Milliseconds(), 5 * 60 * 1000 - 2000 + 3000);
}

TEST_F(LocalChessTest, AbortMarksTheSideToMoveAsLoserWithoutAMessage)
{
    m_Window->Session().NewGame();
    Play({{"e2", "e4"}});
    m_Window->Session().AbortGame();
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty());
    EXPECT_TRUE(m_Window->Session().Result().blackLost);
    AnswerFileDialog(InFolder(QStringLiteral("aborted.pgn")));
    m_Window->OnCommand(S::ID_SAVE_GAME);
    EXPECT_TRUE(ReadFile(InFolder(QStringLiteral("aborted.pgn"))).contains(QStringLiteral("[Result \"1-0\"]")));
}

TEST_F(LocalChessTest, SaveGameProposesNumberedNamesInTheGamesFolder)
{
    m_Window->Session().NewGame();
    Play({{"e2", "e4"}});
    m_Window->SetFileChooser([this](bool save, const QString& folder, const QString& suggested) {
        EXPECT_TRUE(save);
        m_Proposed << Proposed(folder, suggested);
        return QString();
    });
    m_Window->OnCommand(S::ID_SAVE_GAME);
    EXPECT_EQ(m_Window->Session().SaveCounter(), 1) << "a cancelled dialog does not count";
    AnswerFileDialog(InFolder(QStringLiteral("first")));
    m_Window->OnCommand(S::ID_SAVE_GAME);
    AnswerFileDialog(InFolder(QStringLiteral("sub/missing/second.pgn")));
    m_Window->OnCommand(S::ID_SAVE_GAME);
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("An error occured while saving the PGN file.")});
    m_Window->Session().AbortGame();
    m_Window->Session().SwitchColor();
    AnswerFileDialog(InFolder(QStringLiteral("third.pgn")));
    m_Window->OnCommand(S::ID_SAVE_GAME);
    EXPECT_EQ(m_Proposed, (QStringList{InFolder(QStringLiteral("Anna - Boris Game 1")),
                                       InFolder(QStringLiteral("Anna - Boris Game 1")),
                                       InFolder(QStringLiteral("Anna - Boris Game 2")),
                                       InFolder(QStringLiteral("Boris - Anna Game 3"))}));
    EXPECT_EQ(m_Window->Session().SaveCounter(), 4);
    // The default extension is added; the tags carry who now has White and Black.
    const QString first = ReadFile(InFolder(QStringLiteral("first.pgn")));
    EXPECT_TRUE(first.contains(QStringLiteral("[White \"Anna\"]")));
    const QString third = ReadFile(InFolder(QStringLiteral("third.pgn")));
    EXPECT_TRUE(third.contains(QStringLiteral("[White \"Boris\"]")));
    EXPECT_TRUE(third.contains(QStringLiteral("[Black \"Anna\"]")));
    EXPECT_EQ(m_Window->Session().SaveFolder(), m_Folder.path());
}

TEST_F(LocalChessTest, LoadGameFillsTheRecordNamesAndResult)
{
    struct Case
    {
        const char* file;
        const char* result;
        const char* shownResult;
    };
    for (const Case& c : {Case{"finished.pgn", "1-0", "1-0"}, Case{"open.pgn", "*", ""}})
    {
        WriteFile(InFolder(QString::fromLatin1(c.file)),
                  QStringLiteral("[White \"Carla\"]\n[Black \"Dmitri\"]\n[Result \"%1\"]\n\n1. e4 e5 2. Nf3 %1\n")
                      .arg(QString::fromLatin1(c.result)));
        AnswerFileDialog(InFolder(QString::fromLatin1(c.file)));
        m_Window->OnCommand(S::ID_LOAD_GAME);
        EXPECT_EQ(Moves(*m_Window), (std::vector<std::string>{"e4", "e5", "Nf3"})) << c.file;
        EXPECT_EQ(m_Window->MoveList()->Result(), c.shownResult) << c.file;
        EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Carla"));
        EXPECT_EQ(m_Roster.GetEntry(1).name, QStringLiteral("Dmitri"));
        EXPECT_FALSE(m_Window->Session().IsRunning());
        EXPECT_EQ(m_Window->Session().LoadFolder(), m_Folder.path());
    }
    EXPECT_EQ(m_Proposed.front(), m_Folder.path()) << "the first dialog starts in the games folder";
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty());

    // Start Game continues the loaded game with Black to move.
    m_Window->Session().StartGame();
    EXPECT_TRUE(m_Window->Session().IsRunning());
    EXPECT_TRUE(m_Window->MoveList()->Result().empty());
    Play({{"b8", "c6"}});
    EXPECT_EQ(Moves(*m_Window), (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6"}));
    EXPECT_TRUE(m_Window->BottomPanel()->Clock().IsCounting());
}

TEST_F(LocalChessTest, LoadAndSaveRoundTripAfterSwitchColor)
{
    m_Window->Session().SwitchColor();
    EXPECT_TRUE(m_Window->Session().IsTurnedAround());
    EXPECT_TRUE(m_Window->Board()->IsFlipped());
    EXPECT_EQ(m_Roster.GetEntry(0).colour, COLOUR_BLACK);
    m_Window->Session().NewGame();
    // Boris (top panel) now has White.
    Play({{"d2", "d4"}, {"d7", "d5"}, {"c2", "c4"}});
    m_Window->Session().AbortGame();
    const QString path = InFolder(QStringLiteral("round.pgn"));
    AnswerFileDialog(path);
    m_Window->OnCommand(S::ID_SAVE_GAME);
    m_Window->Session().NewGame();
    AnswerFileDialog(path);
    m_Window->OnCommand(S::ID_LOAD_GAME);
    EXPECT_EQ(Moves(*m_Window), (std::vector<std::string>{"d4", "d5", "c4"}));
    EXPECT_EQ(m_Window->MoveList()->Result(), "1-0") << "aborted with Black to move";
    EXPECT_EQ(m_Roster.GetEntry(1).name, QStringLiteral("Boris")) << "White's name to White's entry";
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Anna"));
}

TEST_F(LocalChessTest, UnreadableFileShowsTheLoadError)
{
    WriteFile(InFolder(QStringLiteral("bad.pgn")), QStringLiteral("[White \"X\"]\n\n1. e4 Ke7 2. Qxf7 Zz9 *\n"));
    AnswerFileDialog(InFolder(QStringLiteral("bad.pgn")));
    m_Window->OnCommand(S::ID_LOAD_GAME);
    EXPECT_EQ(AppTest::TakeMessages(),
              QStringList{QStringLiteral("An error occured while loading the PGN file.\n\nThe file might contain "
                                         "invalid data.")});
    EXPECT_FALSE(m_Window->Session().IsRunning());
    EXPECT_EQ(Moves(*m_Window), m_Window->Board()->MoveTexts()) << "the list shows what the record kept";
}

TEST_F(LocalChessTest, PromotionAsksThePersonAndTakesTheChoice)
{
    WriteFile(InFolder(QStringLiteral("promo.pgn")), QStringLiteral("1. h4 g5 2. hxg5 h6 3. gxh6 Bg7 4. hxg7 Nf6 *\n"));
    AnswerFileDialog(InFolder(QStringLiteral("promo.pgn")));
    m_Window->OnCommand(S::ID_LOAD_GAME);
    m_Window->Session().StartGame();
    std::vector<Colour> asked;
    m_Window->SetPromotionAsker([&asked](Colour side) {
        asked.push_back(side);
        return PIECE_KNIGHT;
    });
    Play({{"g7", "h8"}});
    EXPECT_EQ(asked, std::vector<Colour>{COLOUR_WHITE});
    EXPECT_EQ(Moves(*m_Window).back(), "gxh8=N");
}

TEST_F(LocalChessTest, PromotionDialogSitsBesideTheEdgeThePawnMovesTo)
{
    const QRect area(m_Window->mapToGlobal(QPoint(0, 0)), m_Window->size());
    const int x = area.left() + (area.width() - CPromotionDlg::kWidth) / 2;
    EXPECT_EQ(m_Window->PromotionDialogPosition(COLOUR_BLACK), QPoint(x, area.bottom() + 1));
    EXPECT_EQ(m_Window->PromotionDialogPosition(COLOUR_WHITE), QPoint(x, area.top() - 40));
    m_Window->Session().SwitchColor();
    EXPECT_EQ(m_Window->PromotionDialogPosition(COLOUR_WHITE), QPoint(x, area.bottom() + 1));
    EXPECT_EQ(m_Window->PromotionDialogPosition(COLOUR_BLACK), QPoint(x, area.top() - 40));
    EXPECT_EQ(CPromotionDlg::PieceOfResult(0), PIECE_QUEEN) << "closing the dialog gives a queen";
    EXPECT_EQ(CPromotionDlg::PieceOfResult(PIECE_BISHOP), PIECE_BISHOP);
}

TEST_F(LocalChessTest, LayoutPlacesThePartsAroundTheCentre)
{
    m_Frame.resize(800, 600);
    m_Window->resize(800, 600);
    m_Frame.show();
    const int w = m_Window->Button(S::ID_NEW_GAME)->width();
    const int h = m_Window->Button(S::ID_NEW_GAME)->height();
    const int x0 = (800 - w - 520) / 2;
    const int y0 = (600 - 408) / 2;
    const int step = h + 1 + (34 - h) * 12 / 11;
    EXPECT_EQ(m_Window->TopPanel()->geometry(), QRect(x0, y0, 360, 19));
    EXPECT_EQ(m_Window->Board()->geometry(), QRect(x0, y0 + 25, 360, 360));
    EXPECT_EQ(m_Window->BottomPanel()->geometry(), QRect(x0, y0 + 392, 360, 19));
    EXPECT_EQ(m_Window->MoveList()->geometry(), QRect(x0 + 365, y0, 150, 411));
    EXPECT_EQ(m_Window->Button(S::ID_NEW_GAME)->pos(), QPoint(x0 + 520, y0));
    EXPECT_EQ(m_Window->Button(S::ID_CONTINUE_GAME)->pos(), QPoint(x0 + 520, y0 + 2 * step));
    EXPECT_EQ(m_Window->Button(S::ID_ACCEPT_DRAW)->pos(), QPoint(x0 + 520, y0 + 4 * step));
    EXPECT_EQ(m_Window->Button(S::ID_MENU)->pos(), QPoint(x0 + 520, y0 + 11 * step));
}

TEST_F(LocalChessTest, MenuEndsTheGameAndResetsTheRoster)
{
    bool requested = false;
    QObject::connect(m_Window, &W::MenuRequested, [&requested] { requested = true; });
    m_Window->Session().NewGame();
    Play({{"e2", "e4"}});
    m_Window->OnCommand(S::ID_MENU);
    EXPECT_TRUE(requested);
    EXPECT_FALSE(m_Window->Session().IsRunning());
    EXPECT_TRUE(m_Window->isHidden());
    EXPECT_EQ(m_Roster.Count(), 0);
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty());
}

TEST_F(LocalChessTest, HelpShowsTheLocalChessPage)
{
    m_Window->OnCommand(S::ID_HELP);
    ASSERT_NE(m_Window->HelpDialog(), nullptr);
    EXPECT_EQ(m_Window->HelpDialog()->windowTitle(), QStringLiteral("Local Chess Help"));
    EXPECT_TRUE(m_Window->HelpDialog()->Address().endsWith(QStringLiteral("/Local Chess.htm")));
    EXPECT_FALSE(m_Window->HelpDialog()->isModal());
    CHtmlDlg* first = m_Window->HelpDialog();
    m_Window->OnCommand(S::ID_HELP);
    EXPECT_EQ(m_Window->HelpDialog(), first) << "one dialog, shown again";
}
