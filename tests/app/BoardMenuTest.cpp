// The board's menu of the local chess window, by right clicks and clicks on
// its entries: positions and games to and from the clipboard, the list of
// the games of a pasted text, and the export in the standard format.
#include "AppTestSupport.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "EngineListener.h"
#include "EngineLoader.h"
#include "FenText.h"
#include "GameListDlg.h"
#include "GameSettings.h"
#include "LocalChessWnd.h"
#include "MoveListWnd.h"
#include "PlayerRoster.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using W = CLocalChessWnd;
using S = CLocalChessSession;

namespace
{
const char* const kSetUpFen = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 30";
} // namespace

class BoardMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Settings.SetIsTimeInfinite(true);
        m_Settings.SetWhiteEngine(QStringLiteral("Human"));
        m_Settings.SetBlackEngine(QStringLiteral("Human"));
        m_Settings.SetBottomPlayerName(QStringLiteral("Anna"));
        m_Settings.SetTopPlayerName(QStringLiteral("Boris"));
        m_Window = new W(m_Settings, m_Roster, m_Loader, m_Listener, CBitmapCache::Instance(), &m_Frame);
        m_Window->resize(W::kMinimumWidth, W::kMinimumHeight);
        m_Window->SetGamesFolder(m_Folder.path());
        m_Frame.show();
        m_Window->show();
        m_Window->Open();
        AppTest::TakeMessages();
    }

    // A right click on the board; the menu it opened.
    QMenu* OpenMenu()
    {
        QTest::mouseClick(m_Window->Board(), Qt::RightButton, {}, QPoint(120, 150));
        QMenu* menu = m_Window->BoardMenu();
        return menu != nullptr && menu->isVisible() ? menu : nullptr;
    }

    // Opens the menu and clicks the entry of that name; false when it is not there or disabled.
    bool Choose(const char* name)
    {
        QMenu* menu = OpenMenu();
        if (menu == nullptr)
            return false;
        auto* action = menu->findChild<QAction*>(QLatin1String(name));
        if (action == nullptr || !action->isEnabled())
        {
            menu->close();
            return false;
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        return true;
    }

    [[nodiscard]] std::string BoardFen() const { return CFenText::WriteFen(m_Window->Board()->GetPosition()); }
    static void SetClipboard(const QString& text) { QGuiApplication::clipboard()->setText(text); }
    static QString Clipboard() { return QGuiApplication::clipboard()->text(); }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CEngineLoader m_Loader;
    CEngineListener m_Listener;
    QWidget m_Frame;
    W* m_Window = nullptr;
};

TEST_F(BoardMenuTest, ARightClickOffersTheEntriesAndCopyFenTakesThePosition)
{
    QMenu* menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Copy FEN"), QStringLiteral("Paste FEN"), QStringLiteral("Copy PGN"),
                                  QStringLiteral("Paste PGN"), QStringLiteral("Export PGN...")}));
    menu->close();

    m_Window->OnCommand(S::ID_NEW_GAME);
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(Choose("copyFen"));
    EXPECT_EQ(Clipboard().toStdString(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    EXPECT_FALSE(Choose("pasteFen")) << "no position is set up while a game runs";
}

TEST_F(BoardMenuTest, PasteFenSetsUpTheBoardAndAMalformedOneChangesNothing)
{
    SetClipboard(QString::fromLatin1(kSetUpFen) + QLatin1Char('\n'));
    ASSERT_TRUE(Choose("pasteFen"));
    EXPECT_EQ(BoardFen(), kSetUpFen);
    EXPECT_TRUE(m_Window->MoveList()->ShownMoves().empty());
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty());

    SetClipboard(QStringLiteral("4k3/8/8/8/8/8/4P3/4K3 w - - 0"));
    ASSERT_TRUE(Choose("pasteFen"));
    const QStringList messages = AppTest::TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.front().startsWith(QStringLiteral("This position cannot be set up:")))
        << messages.front().toStdString();
    EXPECT_EQ(BoardFen(), kSetUpFen);

    // The set-up game is played on by the persons.
    m_Window->OnCommand(S::ID_START_GAME);
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    EXPECT_EQ(m_Window->MoveList()->ShownMoves(), std::vector<std::string>{"e4"});
}

TEST_F(BoardMenuTest, CopyPgnGivesTheGameInTheStandardFormat)
{
    m_Window->OnCommand(S::ID_NEW_GAME);
    for (const auto& [from, to] : {std::pair{"f2", "f3"}, {"e7", "e5"}, {"g2", "g4"}, {"d8", "h4"}})
        AppTest::Drag(m_Window->Board(), from, to);
    AppTest::TakeMessages();
    ASSERT_TRUE(Choose("copyPgn"));
    const QString pgn = Clipboard();
    for (const char* tag : {"[Event \"Pellomar II\"]\n[Site \"?\"]\n[Date \"", "[Round \"?\"]\n[White \"Anna\"]\n"
                                                                               "[Black \"Boris\"]\n[Result \"0-1\"]\n"})
        EXPECT_TRUE(pgn.contains(QLatin1String(tag))) << pgn.toStdString();
    EXPECT_TRUE(pgn.endsWith(QStringLiteral("\n\n1. f3 e5 2. g4 Qh4# 0-1\n"))) << pgn.toStdString();
}

TEST_F(BoardMenuTest, PastePgnOfSeveralGamesShowsTheListToPickFrom)
{
    SetClipboard(QStringLiteral("[Event \"Club\"]\n[White \"Ann\"]\n[Black \"Ben\"]\n[Result \"1-0\"]\n\n1. e4 1-0\n\n"
                                "[Event \"Cup\"]\n[Date \"2024.05.06\"]\n[White \"Cid\"]\n[Black \"Dora\"]\n"
                                "[Result \"*\"]\n\n1. d4 d5 2. c4 *\n"));
    QStringList header;
    QStringList secondRow;
    // The list is answered by keys as a person does: down to the second game, Enter.
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(AppTest::WaitFor([] { return qobject_cast<CGameListDlg*>(QApplication::activeModalWidget()); }));
        auto* dialog = qobject_cast<CGameListDlg*>(QApplication::activeModalWidget());
        QTreeWidgetItem* head = dialog->List()->headerItem();
        for (int c = 0; c < head->columnCount(); ++c)
            header << head->text(c);
        for (int c = 0; c < head->columnCount(); ++c)
            secondRow << dialog->List()->topLevelItem(1)->text(c);
        QTest::keyClick(dialog->List(), Qt::Key_Down);
        QTest::keyClick(dialog->List(), Qt::Key_Return);
    });
    ASSERT_TRUE(Choose("pastePgn"));
    EXPECT_EQ(header, (QStringList{QStringLiteral("No."), QStringLiteral("White"), QStringLiteral("Black"),
                                   QStringLiteral("Result"), QStringLiteral("Event"), QStringLiteral("Date")}));
    EXPECT_EQ(secondRow, (QStringList{QStringLiteral("2"), QStringLiteral("Cid"), QStringLiteral("Dora"),
                                      QStringLiteral("*"), QStringLiteral("Cup"), QStringLiteral("2024.05.06")}));
    EXPECT_EQ(m_Window->MoveList()->ShownMoves(), (std::vector<std::string>{"d4", "d5", "c4"}));
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Cid"));
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty());
}

TEST_F(BoardMenuTest, ExportPgnWritesTheChosenFile)
{
    const QString path = m_Folder.filePath(QStringLiteral("exported"));
    QString proposed;
    m_Window->SetFileChooser([&](bool save, const QString&, const QString& suggested) {
        proposed = suggested;
        return save ? path : QString();
    });
    m_Window->OnCommand(S::ID_NEW_GAME);
    AppTest::Drag(m_Window->Board(), "d2", "d4");
    ASSERT_TRUE(Choose("exportPgn"));
    EXPECT_EQ(proposed, QStringLiteral("Anna - Boris Game 1"));
    QFile file(path + QStringLiteral(".pgn"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith("[Event \"Pellomar II\"]\n[Site \"?\"]\n")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\n\n1. d4 *\n")) << text.toStdString();
    EXPECT_FALSE(text.contains('\r'));
}
