#include "ConnectionDlg.h"
#include "GameSettings.h"
#include "LanAdvertiser.h"
#include "LanSearchDlg.h"
#include "MessageDlg.h"
#include "NetConnection.h"
#include "PlayerRoster.h"
#include "RegistryStore.h"
#include "SkinButton.h"
#include "UiText.h"
#include "WaitServerDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace ProgramTexts;

namespace
{
const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II");

// A TCP port that was free a moment ago.
int FreeTcpPort()
{
    QTcpServer server;
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    return server.serverPort();
}

class ConnectionDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_store = std::make_unique<RegistryStore>(m_dir.filePath(QStringLiteral("store.reg")));
        m_link = std::make_unique<CNetConnection>(m_roster, m_settings);
        CMessageService::AnswerAutomatically(IDYES);
        CMessageService::ClearHistory();
    }
    void TearDown() override
    {
        m_link->Leave(false);
        CMessageService::ClearAnswerer();
    }

    QString ReadString(const QString& name)
    {
        QString value;
        m_store->OpenRoot(kKey);
        m_store->OpenSubKey(QStringLiteral("Connection"));
        m_store->ReadString(name, value, QStringLiteral("<missing>"));
        return value;
    }
    int ReadDword(const QString& name)
    {
        int32_t value = -12345;
        m_store->OpenRoot(kKey);
        m_store->OpenSubKey(QStringLiteral("Connection"));
        m_store->ReadDword(name, value, -12345);
        return value;
    }
    void WriteString(const QString& name, const QString& value)
    {
        m_store->OpenRoot(kKey);
        m_store->OpenSubKey(QStringLiteral("Connection"));
        m_store->WriteString(name, value);
    }
    void WriteDword(const QString& name, int value)
    {
        m_store->OpenRoot(kKey);
        m_store->OpenSubKey(QStringLiteral("Connection"));
        m_store->WriteDword(name, value);
    }
    static QStringList Messages()
    {
        QStringList texts;
        for (const CMessageService::Entry& entry : CMessageService::History())
            texts.append(entry.text);
        return texts;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<RegistryStore> m_store;
    PlayerRoster m_roster;
    GameSettings m_settings;
    std::unique_ptr<CNetConnection> m_link;
};
}

TEST_F(ConnectionDlgTest, FirstOpenShowsAndWritesTheDefaults)
{
    CConnectionDlg dialog(*m_link, *m_store);
    dialog.Load();
    EXPECT_EQ(dialog.NicknameEdit()->text(), QStringLiteral("Player"));
    EXPECT_EQ(dialog.AddressBox()->currentText(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(dialog.ClientPortEdit()->text(), QStringLiteral("5555"));
    EXPECT_EQ(dialog.ServerPortEdit()->text(), QStringLiteral("5555"));
    EXPECT_TRUE(dialog.ClientRadio()->isChecked());
    EXPECT_EQ(ReadString(QStringLiteral("Nickname")), QStringLiteral("Player"));
    EXPECT_EQ(ReadString(QStringLiteral("Ip")), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(ReadDword(QStringLiteral("ClientPort")), 5555);
    EXPECT_EQ(ReadDword(QStringLiteral("ServerPort")), 5555);
    EXPECT_EQ(ReadDword(QStringLiteral("ConnectMode")), 0);
    EXPECT_EQ(ReadDword(QStringLiteral("NbIp")), 0);
}

TEST_F(ConnectionDlgTest, ModeDecidesButtonTextAndFields)
{
    CConnectionDlg dialog(*m_link, *m_store);
    dialog.Load();
    EXPECT_EQ(dialog.ConfirmButton()->text(), QStringLiteral("Connect"));
    EXPECT_TRUE(dialog.AddressBox()->isEnabled());
    EXPECT_FALSE(dialog.ServerPortEdit()->isEnabled());
    dialog.ServerRadio()->click();
    EXPECT_EQ(dialog.ConfirmButton()->text(), QStringLiteral("Start"));
    EXPECT_FALSE(dialog.AddressBox()->isEnabled());
    EXPECT_FALSE(dialog.ClientPortEdit()->isEnabled());
    EXPECT_TRUE(dialog.ServerPortEdit()->isEnabled());
}

TEST_F(ConnectionDlgTest, NicknameChecks)
{
    struct Case
    {
        QString typed;
        bool accepted;
        QString message; // empty when none
        QString stored;
    };
    const Case cases[] = {
        {QString(), false, UiText(IDS_CONN_EMPTY_NICKNAME), {}},
        {QStringLiteral("   \t "), false, UiText(IDS_CONN_EMPTY_NICKNAME), {}},
        {QString(21, QLatin1Char('n')), false, UiText(IDS_CONN_LONG_NICKNAME), {}},
        {QStringLiteral("  ") + QString(20, QLatin1Char('n')) + QStringLiteral(" "),
         true,
         {},
         QString(20, QLatin1Char('n'))},
        {QStringLiteral(" A&B "), true, {}, QStringLiteral("A&&B")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed.toStdString());
        CMessageService::ClearHistory();
        m_link->Leave(false);
        CConnectionDlg dialog(*m_link, *m_store);
        dialog.Load();
        dialog.ServerRadio()->click();
        dialog.ServerPortEdit()->setText(QString::number(FreeTcpPort()));
        dialog.NicknameEdit()->setText(c.typed);
        EXPECT_EQ(dialog.Confirm(), c.accepted);
        EXPECT_EQ(m_link->IsServer(), c.accepted);
        EXPECT_EQ(Messages(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        if (c.accepted)
        {
            EXPECT_EQ(dialog.Nickname(), c.stored);
            EXPECT_EQ(ReadString(QStringLiteral("Nickname")), c.stored);
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
        }
    }
}

TEST_F(ConnectionDlgTest, ServerStartStoresItsValuesOrReportsFailure)
{
    QTcpServer occupier;
    ASSERT_TRUE(occupier.listen(QHostAddress::Any, 0));
    CMessageService::ClearHistory();
    {
        CConnectionDlg dialog(*m_link, *m_store);
        dialog.Load();
        dialog.ServerRadio()->click();
        dialog.ServerPortEdit()->setText(QString::number(occupier.serverPort()));
        EXPECT_FALSE(dialog.Confirm());
        EXPECT_FALSE(m_link->IsServer());
        EXPECT_EQ(Messages(), QStringList{UiText(IDS_CONN_START_FAILED)});
    }
    EXPECT_EQ(ReadDword(QStringLiteral("ConnectMode")), 0);

    const int port = FreeTcpPort();
    CConnectionDlg dialog(*m_link, *m_store);
    dialog.Load();
    dialog.ServerRadio()->click();
    dialog.ServerPortEdit()->setText(QString::number(port));
    ASSERT_TRUE(dialog.Confirm());
    EXPECT_TRUE(m_link->IsServer());
    EXPECT_EQ(m_link->GetPort(), port);
    EXPECT_EQ(ReadDword(QStringLiteral("ServerPort")), port);
    EXPECT_EQ(ReadDword(QStringLiteral("ConnectMode")), 1);
}

// The box that asks the router to forward the port: off at first, for the
// server only, remembered beside the other values. (Asking itself is tested
// on the virtual LAN: a discovery must not leave the test's namespaces.)
TEST_F(ConnectionDlgTest, TheRouterBoxIsOffAtFirstForTheServerOnlyAndRemembered)
{
    {
        CConnectionDlg dialog(*m_link, *m_store);
        dialog.Load();
        EXPECT_FALSE(dialog.ForwardPortBox()->isChecked());
        EXPECT_FALSE(dialog.ForwardPortBox()->isEnabled());
        EXPECT_EQ(ReadDword(QStringLiteral("IsPortForwarded")), 0);
        dialog.ServerRadio()->click();
        EXPECT_TRUE(dialog.ForwardPortBox()->isEnabled());
        dialog.ServerPortEdit()->setText(QString::number(FreeTcpPort()));
        ASSERT_TRUE(dialog.Confirm());
        EXPECT_FALSE(m_link->IsForwardPortAsked());
        EXPECT_EQ(m_link->ExternalPort(), 0);
        EXPECT_TRUE(m_link->ExternalAddress().isEmpty());
        EXPECT_EQ(ReadDword(QStringLiteral("IsPortForwarded")), 0);
    }
    m_link->Leave(false);
    WriteDword(QStringLiteral("IsPortForwarded"), 1);
    CConnectionDlg dialog(*m_link, *m_store);
    dialog.Load();
    EXPECT_TRUE(dialog.ForwardPortBox()->isChecked());
    EXPECT_TRUE(dialog.ForwardPortBox()->isEnabled()); // the server was the last mode
    dialog.ClientRadio()->click();
    EXPECT_FALSE(dialog.ForwardPortBox()->isEnabled());
    EXPECT_TRUE(dialog.ForwardPortBox()->isChecked());
}

// The fields take numbers up to 100000, but a port outside 1..65535 is
// refused in the dialog, saying the range, in both modes: never "reboot your
// computer" for a port that cannot exist.
TEST_F(ConnectionDlgTest, PortsOutsideTheRangeAreRefusedSayingTheRange)
{
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost, 0));
    for (const bool server : {true, false})
        for (const QString& port : {QStringLiteral("0"), QStringLiteral("65536"), QStringLiteral("99999"),
                                    QStringLiteral("100000"), QString()})
        {
            SCOPED_TRACE((server ? "server port " : "client port ") + port.toStdString());
            CMessageService::ClearHistory();
            CConnectionDlg dialog(*m_link, *m_store);
            dialog.Load();
            (server ? dialog.ServerRadio() : dialog.ClientRadio())->click();
            (server ? dialog.ServerPortEdit() : dialog.ClientPortEdit())->setText(port);
            EXPECT_FALSE(dialog.Confirm());
            EXPECT_FALSE(m_link->IsServer());
            EXPECT_FALSE(m_link->IsClientConnected());
            EXPECT_EQ(Messages(), QStringList{QStringLiteral("The port must be a number from 1 to 65535.")});
            EXPECT_NE(dialog.result(), QDialog::Accepted);
        }
    EXPECT_EQ(ReadDword(QStringLiteral("ConnectMode")), 0);
    EXPECT_EQ(ReadDword(QStringLiteral("ServerPort")), 5555) << "nothing refused is stored";
}

// "&" is stored doubled, as the dialog has always stored it, but shown once in
// the field, so that joining again does not double it again.
TEST_F(ConnectionDlgTest, NicknameWithAnAmpersandIsNotDoubledAgainAtEachJoin)
{
    for (int join = 0; join < 3; ++join)
    {
        SCOPED_TRACE(join);
        m_link->Leave(false);
        CConnectionDlg dialog(*m_link, *m_store);
        dialog.Load();
        if (join == 0)
            dialog.NicknameEdit()->setText(QStringLiteral("Tom & Jerry"));
        EXPECT_EQ(dialog.NicknameEdit()->text(), QStringLiteral("Tom & Jerry"));
        dialog.ServerRadio()->click();
        dialog.ServerPortEdit()->setText(QString::number(FreeTcpPort()));
        ASSERT_TRUE(dialog.Confirm());
        EXPECT_EQ(dialog.Nickname(), QStringLiteral("Tom && Jerry"));
        EXPECT_EQ(ReadString(QStringLiteral("Nickname")), QStringLiteral("Tom && Jerry"));
    }
}

TEST_F(ConnectionDlgTest, ClientConnectKeepsASortedHistoryWithoutDuplicates)
{
    // A history as an older run left it: unsorted, one empty entry, one duplicate in other case.
    WriteDword(QStringLiteral("NbIp"), 5);
    WriteString(QStringLiteral("Ip0"), QStringLiteral("Zeta"));
    WriteString(QStringLiteral("Ip1"), QStringLiteral("alpha"));
    WriteString(QStringLiteral("Ip2"), QString());
    WriteString(QStringLiteral("Ip3"), QStringLiteral("ALPHA"));
    WriteString(QStringLiteral("Ip4"), QStringLiteral("127.0.0.2"));

    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::Any, 0));
    for (int round = 0; round < 2; ++round)
    {
        CConnectionDlg dialog(*m_link, *m_store);
        dialog.Load();
        dialog.AddressBox()->setEditText(QStringLiteral("127.0.0.1"));
        dialog.ClientPortEdit()->setText(QString::number(server.serverPort()));
        dialog.NicknameEdit()->setText(QStringLiteral("Ann"));
        // The connection is made while the dialog stays responsive; it closes with OK once made.
        EXPECT_FALSE(dialog.Confirm());
        EXPECT_FALSE(dialog.ConfirmButton()->isEnabled()) << "no second OK while connecting";
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.result() == QDialog::Accepted; }));
        EXPECT_TRUE(m_link->IsClientConnected());
        const QStringList expected{QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2"), QStringLiteral("alpha"),
                                   QStringLiteral("Zeta")};
        EXPECT_EQ(dialog.History(), expected);
        EXPECT_EQ(ReadDword(QStringLiteral("NbIp")), 4);
        for (int i = 0; i < expected.size(); ++i)
            EXPECT_EQ(ReadString(QStringLiteral("Ip%1").arg(i)), expected[i]);
        EXPECT_EQ(ReadString(QStringLiteral("Ip")), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(ReadDword(QStringLiteral("ClientPort")), server.serverPort());
        EXPECT_EQ(ReadDword(QStringLiteral("ConnectMode")), 0);
        m_link->Leave(false);
    }
}

TEST_F(ConnectionDlgTest, ClientConnectFailureKeepsTheDialogOpen)
{
    const int port = FreeTcpPort(); // nobody listens there any more
    CConnectionDlg dialog(*m_link, *m_store);
    dialog.Load();
    dialog.AddressBox()->setEditText(QStringLiteral("127.0.0.1"));
    dialog.ClientPortEdit()->setText(QString::number(port));
    EXPECT_FALSE(dialog.Confirm());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.ConfirmButton()->isEnabled(); }));
    EXPECT_EQ(Messages(), QStringList{UiText(IDS_CONN_CONNECT_FAILED)});
    EXPECT_EQ(ReadDword(QStringLiteral("NbIp")), 0);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(ConnectionDlgTest, AutoConfirmConnectsAtOnceWithTheStoredValues)
{
    const int port = FreeTcpPort();
    WriteDword(QStringLiteral("ConnectMode"), 1);
    WriteDword(QStringLiteral("ServerPort"), port);
    WriteString(QStringLiteral("Nickname"), QStringLiteral("Host"));
    CConnectionDlg dialog(*m_link, *m_store);
    EXPECT_EQ(dialog.Run(true), IDOK);
    EXPECT_TRUE(m_link->IsServer());
    EXPECT_EQ(dialog.Nickname(), QStringLiteral("Host"));
    EXPECT_FALSE(dialog.isVisible());
}

TEST(LanSearchDlg, ListsTheServerOnceOrThePlaceholder)
{
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const int port = probe.localPort();
    probe.close();
    const QList<QHostAddress> loopback{QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::LocalHost)};
    {
        CLanSearchDlg dialog(port, loopback, 200);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsSearching(); }, 5000));
        EXPECT_FALSE(dialog.List()->isEnabled());
        ASSERT_EQ(dialog.List()->count(), 1);
        EXPECT_EQ(dialog.List()->item(0)->text(), QStringLiteral("<No servers found on LAN>"));
        EXPECT_EQ(dialog.List()->currentRow(), -1);
        dialog.accept();
        EXPECT_TRUE(dialog.Result().isEmpty());
    }
    CLanAdvertiser advertiser(port);
    CLanSearchDlg dialog(port, loopback, 200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsSearching(); }, 5000));
    EXPECT_TRUE(dialog.List()->isEnabled());
    ASSERT_EQ(dialog.List()->count(), 1);
    EXPECT_EQ(dialog.List()->item(0)->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(dialog.List()->currentRow(), 0);
    dialog.Refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsSearching(); }, 5000));
    EXPECT_EQ(dialog.List()->count(), 1);
    dialog.accept();
    EXPECT_EQ(dialog.Result(), QStringLiteral("127.0.0.1"));
}

// The search never blocks the dialog: it says it is searching, lists a server
// as soon as it answers, long before the wait is over, and takes no second
// pass until the first has ended.
TEST(LanSearchDlg, SearchRunsWithoutBlockingAndFillsTheListAsAnswersCome)
{
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const int port = probe.localPort();
    probe.close();
    CLanAdvertiser advertiser(port);
    const QList<QHostAddress> loopback{QHostAddress(QHostAddress::LocalHost)};
    constexpr int kLongWaitMs = 60000;
    CLanSearchDlg dialog(port, loopback, kLongWaitMs);
    // Made, and still searching: the constructor has returned at once.
    EXPECT_TRUE(dialog.IsSearching());
    ASSERT_EQ(dialog.List()->count(), 1);
    EXPECT_EQ(dialog.List()->item(0)->text(), QStringLiteral("<Searching for servers on LAN...>"));
    EXPECT_FALSE(dialog.List()->isEnabled());
    EXPECT_FALSE(dialog.Button(CLanSearchDlg::kRefreshId)->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.List()->isEnabled(); }, 5000));
    EXPECT_TRUE(dialog.IsSearching()) << "the answer came long before the wait is over";
    EXPECT_EQ(dialog.List()->item(0)->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(dialog.List()->currentRow(), 0);
    // OK during the search takes the listed server and ends the search.
    dialog.accept();
    EXPECT_EQ(dialog.Result(), QStringLiteral("127.0.0.1"));
    EXPECT_FALSE(dialog.IsSearching());
}

TEST(WaitServerDlg, ShowsItsText)
{
    CWaitServerDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Waiting for the Server"));
    const auto labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front()->text(), QStringLiteral("Trying to connect to the server..."));
}
