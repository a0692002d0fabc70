// The local chess window with the plug-ins as the program finds them: the
// real loader over the built program folder loads libravelin.so and
// libuci.so, the Settings dialog offers both engine types, and Debian's
// stockfish (UCI) plays phalanx (WinBoard) in the window. Skipped when either
// engine is not installed.
#include "AppTestSupport.h"

#include "BitmapCache.h"

#include "BoardView.h"
#include "ChessPosition.h"
#include "EngineListener.h"
#include "EngineLoader.h"
#include "GameSettings.h"
#include "IChessEngine.h"
#include "LocalChessWnd.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "PlayerRoster.h"
#include "RegistryStore.h"
#include "SingleSettingsDlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

using S = CLocalChessSession;

namespace
{
constexpr const char* kStockfish = "/usr/games/stockfish";
constexpr const char* kPhalanx = "/usr/games/phalanx";
const QString kUciType = QStringLiteral("UCI Engine");
const QString kWinboardType = QStringLiteral("Winboard-Compatible Engine");
constexpr size_t kPlyLimit = 60;

int EntryOf(const QComboBox* types, const QString& name)
{
    return types == nullptr ? -1 : types->findText(name, Qt::MatchExactly);
}

QStringList Items(const QComboBox* types)
{
    QStringList items;
    for (int i = 0; types != nullptr && i < types->count(); ++i)
        items << types->itemText(i);
    return items;
}
} // namespace

class BuiltPluginsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* program : {kStockfish, kPhalanx})
            if (access(program, X_OK) != 0)
                GTEST_SKIP() << program << " is not installed: skipped";
        // Phalanx is the WinBoard plug-in's default engine; the program's
        // folder in the build is not this test's, so it is configured here as
        // a user would. Stockfish is found by the UCI plug-in by itself.
        RegistryStore store(RegistryStore::DefaultFilePath());
        store.OpenRoot(QStringLiteral("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II"));
        store.OpenSubKey(QStringLiteral("Winboard-Compatible Engines\\Phalanx"));
        store.WriteString(QStringLiteral("CommandLine"), QString::fromLatin1(kPhalanx));
        store.WriteString(QStringLiteral("WorkingDirectory"), m_Folder.path() + QLatin1Char('/'));

        GameSettings& settings = m_Settings;
        settings.SetIsTimeInfinite(false);
        settings.SetGameTime(0, 1, 0);
        settings.SetNbSecondsBonus(0);
        settings.SetPlaySoundOnOpponentMove(false);
        settings.SetWhiteEngine(QStringLiteral("Human"));
        settings.SetBlackEngine(QStringLiteral("Human"));
        m_Loader.Load({std::filesystem::path(APP_PROGRAM_DIR)}, &m_Listener);
        AppTest::TakeMessages();

        // A message box of a plug-in must never hold the test: each one is
        // noted and closed; a Configure Engines dialog is read and closed.
        QObject::connect(&m_Watchdog, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal))
            {
                m_PluginBoxes << box->text();
                box->reject();
            }
            else if (auto* dialog = qobject_cast<QDialog*>(modal))
            {
                m_ConfigureTitle = dialog->windowTitle();
                if (auto* list = dialog->findChild<QListWidget*>())
                    for (int i = 0; i < list->count(); ++i)
                        m_ConfigureList << list->item(i)->text();
                Grab(dialog, "configure-engines.png");
                dialog->reject();
            }
        });
        m_Watchdog.start(50);
    }

    void TearDown() override
    {
        delete m_Window;
        m_Window = nullptr;
        m_Loader.DestroyAll();
    }

    // Saves a picture of the widget when PELLOMAR_TEST_PICTURES names a folder.
    static void Grab(QWidget* widget, const char* name)
    {
        const QString folder = qEnvironmentVariable("PELLOMAR_TEST_PICTURES");
        if (!folder.isEmpty())
            widget->grab().save(QDir(folder).filePath(QString::fromLatin1(name)));
    }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CEngineListener m_Listener;
    CEngineLoader m_Loader;
    QWidget m_Frame;
    CLocalChessWnd* m_Window = nullptr;
    QTimer m_Watchdog;
    QStringList m_PluginBoxes;
    QString m_ConfigureTitle;
    QStringList m_ConfigureList;
};

TEST_F(BuiltPluginsTest, StockfishPlaysPhalanxAfterBeingChosenInTheSettings)
{
    m_Window = new CLocalChessWnd(m_Settings, m_Roster, m_Loader, m_Listener, CBitmapCache::Instance(), &m_Frame);
    m_Window->resize(CLocalChessWnd::kMinimumWidth, CLocalChessWnd::kMinimumHeight);
    m_Window->Open();
    ASSERT_FALSE(m_Window->Session().IsEngine(COLOUR_WHITE) || m_Window->Session().IsEngine(COLOUR_BLACK));

    // The bottom player has White: Stockfish through the UCI plug-in; the top
    // player Phalanx through the WinBoard plug-in.
    QStringList offered[2];
    m_Window->SetSettingsRunner([&](CSingleSettingsDlg& dialog) {
        auto* top = qobject_cast<QComboBox*>(dialog.Control(CSingleSettingsDlg::kTopTypeId));
        auto* bottom = qobject_cast<QComboBox*>(dialog.Control(CSingleSettingsDlg::kBottomTypeId));
        auto* configure = qobject_cast<QPushButton*>(dialog.Control(CSingleSettingsDlg::kBottomConfigureId));
        offered[0] = Items(top);
        offered[1] = Items(bottom);
        if (EntryOf(top, kWinboardType) < 0 || EntryOf(bottom, kUciType) < 0 || configure == nullptr)
            return int(IDCANCEL);
        top->setCurrentIndex(EntryOf(top, kWinboardType));
        bottom->setCurrentIndex(EntryOf(bottom, kUciType));
        dialog.show();
        Grab(&dialog, "settings.png");
        bottom->showPopup();
        Grab(bottom->view()->window(), "player-types.png");
        bottom->hidePopup();
        // The UCI plug-in's own configuration: Stockfish is registered already.
        EXPECT_TRUE(configure->isEnabled());
        configure->click();
        dialog.OnOk();
        return dialog.result();
    });
    m_Window->OnCommand(S::ID_SETTINGS);
    for (const QStringList& types : offered)
        EXPECT_EQ(types, (QStringList{QStringLiteral("Human"), kWinboardType, kUciType}));
    EXPECT_EQ(m_ConfigureTitle, QStringLiteral("Configure Engines"));
    EXPECT_TRUE(m_ConfigureList.contains(QStringLiteral("Stockfish"))) << m_ConfigureList.join(", ").toStdString();
    ASSERT_TRUE(m_Window->Session().IsEngine(COLOUR_WHITE) && m_Window->Session().IsEngine(COLOUR_BLACK));
    EXPECT_EQ(QString::fromUtf8(m_Window->Session().EngineOf(COLOUR_WHITE)->GetName()), kUciType);
    EXPECT_EQ(QString::fromUtf8(m_Window->Session().EngineOf(COLOUR_BLACK)->GetName()), kWinboardType);
    EXPECT_EQ(m_Settings.GetWhiteEngine(), kUciType);
    EXPECT_EQ(m_Settings.GetBlackEngine(), kWinboardType);

    // Short clocks keep both engines quick.
    m_Settings.SetGameTime(0, 0, 8);
    m_Window->Session().NewGame();
    ASSERT_TRUE(AppTest::WaitFor(
        [&] { return !m_Window->Session().IsRunning() || m_Window->MoveList()->ShownMoves().size() >= kPlyLimit; },
        60000))
        << m_Window->MoveList()->ShownMoves().size() << " plies";
    const QStringList children = AppTest::ChildProcesses();
    const std::vector<std::string> moves = m_Window->MoveList()->ShownMoves();
    std::string record;
    for (const std::string& move : moves)
        record += move + ' ';
    std::printf("[ %zu plies%s ] %s\n", moves.size(), m_Window->Session().IsRunning() ? "" : ", game over",
                record.c_str());

    EXPECT_GE(moves.size(), 10u) << record;
    EXPECT_EQ(moves, m_Window->Board()->MoveTexts()) << "every move shown was played on the board";
    CChessPosition replay;
    for (const std::string& move : moves)
        ASSERT_TRUE(replay.PlaySan(move)) << move << " is not legal after " << record;
    if (m_Window->Session().IsRunning())
        m_Window->Session().AbortGame();
    EXPECT_TRUE(m_PluginBoxes.isEmpty()) << m_PluginBoxes.join('\n').toStdString();
    // Both engine processes ran as children of the program.
    EXPECT_EQ(children.filter(QStringLiteral("stockfish")).size(), 1) << children.join(", ").toStdString();
    EXPECT_EQ(children.filter(QStringLiteral("phalanx")).size(), 1) << children.join(", ").toStdString();

    // Closing the window and releasing the engines leaves no process behind.
    delete m_Window;
    m_Window = nullptr;
    m_Loader.DestroyAll();
    EXPECT_TRUE(AppTest::WaitFor([] { return AppTest::ChildProcesses().isEmpty(); }, 10000))
        << AppTest::ChildProcesses().join(", ").toStdString();
}
