// Every dialog of the program, in each of its states, shown as the program
// shows it (over a window at the top-left of the screen), at its size or, when
// it can be resized, at its least size and at a larger one.
#include "LayoutTestSupport.h"

#include "ConfigureDlg.h"
#include "ConnectionDlg.h"
#include "DoubleSettingsDlg.h"
#include "EngineList.h"
#include "EngineOptionsDlg.h"
#include "GameListDlg.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "LanAdvertiser.h"
#include "LanSearchDlg.h"
#include "MessageDlg.h"
#include "NetConnection.h"
#include "NewEngineDlg.h"
#include "PlayerRoster.h"
#include "PromotionDlg.h"
#include "RegistryStore.h"
#include "SingleNetSettingsDlg.h"
#include "SingleSettingsDlg.h"
#include "UiText.h"
#include "WaitServerDlg.h"

#include <QApplication>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <memory>

namespace
{
class DialogLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.isValid());
        m_Owner.setFixedSize(663, 461);
        m_Owner.move(0, 0);
        m_Owner.show();
    }

    // Shows the dialog over the owner and checks it at its size, and when it
    // can be resized also at its least size and at a larger one.
    void CheckDialog(QDialog& dialog, const QString& state)
    {
        dialog.show();
        QApplication::processEvents();
        std::vector<QSize> sizes{dialog.size()};
        if (dialog.minimumSize() != dialog.maximumSize())
        {
            sizes.push_back(dialog.minimumSize().expandedTo(dialog.minimumSizeHint()));
            sizes.push_back(sizes.back() + QSize(120, 90));
        }
        for (const QSize size : sizes)
        {
            dialog.resize(size);
            QApplication::processEvents();
            const QString where = QStringLiteral("%1 at %2x%3").arg(state).arg(dialog.width()).arg(dialog.height());
            const QStringList faults = LayoutTest::Check(&dialog, where);
            EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
        }
        dialog.hide();
    }

    QTemporaryDir m_Folder;
    QWidget m_Owner;
};

EngineListSetup TestEngineSetup()
{
    EngineListSetup setup;
    setup.productKey = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II";
    setup.enginesKey = "Layout Engines";
    setup.defaultEngine = "Phalanx";
    setup.defaultEngineFixed = true;
    setup.listLabel = "Engines:";
    setup.executableFilter = "Programs (*)";
    setup.addCaption = "Add Engine";
    setup.modifyCaption = "Modify Engine";
    setup.confirmRemove = "Remove this engine?";
    setup.newEngineName = "New Engine";
    setup.helpCaption = "Help";
    setup.helpText = "Help";
    setup.fillAll = "Fill all fields.";
    return setup;
}
} // namespace

TEST_F(DialogLayoutTest, MessageDialogs)
{
    const QString longText = QStringLiteral(
        "Impossible to connect.\n\nVerify these following items:\n- The server needs to be started before you "
        "connect.\n- You must connect with the same IP and Port of the server.\n- The server must not have a Firewall "
        "that blocks your connection.");
    CMessageDlg notice(longText, CMessageDlg::Kind::Information, &m_Owner);
    CheckDialog(notice, QStringLiteral("long notice"));
    CMessageDlg shortNotice(QStringLiteral("Game is a draw !"), CMessageDlg::Kind::Information, &m_Owner);
    CheckDialog(shortNotice, QStringLiteral("short notice"));
    CMessageDlg question(QStringLiteral("Quit ?"), CMessageDlg::Kind::Question, &m_Owner);
    CheckDialog(question, QStringLiteral("short question"));
}

TEST_F(DialogLayoutTest, SettingsDialogs)
{
    GameSettings settings;
    settings.SetTopPlayerName(QStringLiteral("Bartholomew Wolfgang Longname-Smythe"));
    const QStringList engines[2] = {
        QStringList{QStringLiteral("Winboard-Compatible Engine"), QStringLiteral("UCI Engine")},
        QStringList{QStringLiteral("Winboard-Compatible Engine"), QStringLiteral("UCI Engine")}};
    const int current[2] = {0, -1};
    CSingleSettingsDlg local(settings, engines, current, nullptr, &m_Owner);
    CheckDialog(local, QStringLiteral("local settings"));
    CSingleNetSettingsDlg server(settings, true, false, &m_Owner);
    CheckDialog(server, QStringLiteral("network settings, server"));
    CSingleNetSettingsDlg client(settings, false, true, &m_Owner);
    CheckDialog(client, QStringLiteral("network settings, client"));
    CDoubleSettingsDlg bughouse(settings, true, false, &m_Owner);
    CheckDialog(bughouse, QStringLiteral("bughouse settings"));
}

TEST_F(DialogLayoutTest, ConnectionWaitingAndLanSearch)
{
    RegistryStore store(m_Folder.filePath(QStringLiteral("store.reg")));
    PlayerRoster roster;
    GameSettings settings;
    CNetConnection link(roster, settings);
    CConnectionDlg connection(link, store, &m_Owner);
    connection.Load();
    connection.ServerRadio()->click();
    CheckDialog(connection, QStringLiteral("connection, server"));
    connection.ClientRadio()->click();
    CheckDialog(connection, QStringLiteral("connection, client"));

    CWaitServerDlg waiting(&m_Owner);
    CheckDialog(waiting, QStringLiteral("waiting for the server"));

    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const int port = probe.localPort();
    probe.close();
    const QList<QHostAddress> loopback{QHostAddress(QHostAddress::LocalHost)};
    CLanSearchDlg searching(port, loopback, 60000, &m_Owner);
    CheckDialog(searching, QStringLiteral("LAN search, searching"));
    CLanSearchDlg none(port, loopback, 50, &m_Owner);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !none.IsSearching(); }, 5000));
    CheckDialog(none, QStringLiteral("LAN search, nothing found"));
    CLanAdvertiser advertiser(port);
    CLanSearchDlg found(port, loopback, 50, &m_Owner);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !found.IsSearching(); }, 5000));
    CheckDialog(found, QStringLiteral("LAN search, a server found"));
}

TEST_F(DialogLayoutTest, PromotionAndHelp)
{
    CPromotionDlg white(COLOUR_WHITE, &m_Owner);
    CheckDialog(white, QStringLiteral("promotion, White"));
    CPromotionDlg black(COLOUR_BLACK, &m_Owner);
    CheckDialog(black, QStringLiteral("promotion, Black"));
    CHtmlDlg help(&m_Owner);
    help.ShowHelp(ProgramTexts::IDS_LOCAL_CHESS_HELP_TITLE, ProgramTexts::IDS_LOCAL_CHESS_HELP_PAGE);
    CheckDialog(help, QStringLiteral("help"));
}

TEST_F(DialogLayoutTest, ListOfTheGamesOfAFile)
{
    std::vector<CGameListDlg::Row> rows;
    for (int n = 1; n <= 40; ++n)
        rows.push_back({QString::number(n), QStringLiteral("Kasparov, Garry"), QStringLiteral("Karpov, Anatoly"),
                        QStringLiteral("1/2-1/2"), QStringLiteral("World Championship Match"),
                        QStringLiteral("1985.10.15")});
    CGameListDlg games(rows, &m_Owner);
    CheckDialog(games, QStringLiteral("list of games"));
}

TEST_F(DialogLayoutTest, EngineDialogsOfThePlugIns)
{
    CEngineList engines(TestEngineSetup(), m_Folder.filePath(QStringLiteral("engines.reg")).toStdString());
    for (const char* name : {"Phalanx", "Fairy-Max", "GNU Chess"})
    {
        engines.OpenEngineKey(name);
        engines.WriteString("CommandLine", std::string("/usr/games/") + name);
        engines.WriteString("WorkingDirectory", "/tmp");
    }
    CConfigureDlg configure(engines, true, &m_Owner);
    CheckDialog(configure, QStringLiteral("configure engines"));
    CNewEngineDlg add(engines, true, "Add Engine", "New Engine", "", "", "", &m_Owner);
    CheckDialog(add, QStringLiteral("add engine"));

    // Engine Options, with nothing to show and then with one option of each
    // kind, long names and long choices among them.
    CEngineOptionsDlg options(engines, "Phalanx", &m_Owner);
    options.ShowFailure();
    CheckDialog(options, QStringLiteral("engine options, no engine"));
    const auto option = [](const char* name, EngineOption::Type type, const char* value) {
        EngineOption made;
        made.name = name;
        made.type = type;
        made.defaultValue = value;
        return made;
    };
    std::vector<EngineOption> declared{option("Hash", EngineOption::Type::Spin, "16"),
                                       option("Threads", EngineOption::Type::Spin, "1"),
                                       option("UCI_LimitStrength", EngineOption::Type::Check, "false"),
                                       option("Style of play", EngineOption::Type::Combo, "Solid positional"),
                                       option("SyzygyPath", EngineOption::Type::String, "/usr/share/syzygy"),
                                       option("Clear Hash", EngineOption::Type::Button, "")};
    declared[0].max = 33554432;
    declared[1].max = 1024;
    declared[3].choices = {"Solid positional", "Aggressive and tactical", "Normal"};
    options.ShowOptions(declared);
    CheckDialog(options, QStringLiteral("engine options"));
}
