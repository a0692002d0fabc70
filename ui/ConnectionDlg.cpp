#include "ConnectionDlg.h"

#include "HtmlDlg.h"
#include "LanDiscovery.h"
#include "LanSearch.h"
#include "LanSearchDlg.h"
#include "MessageDlg.h"
#include "NetConnection.h"
#include "Nickname.h"
#include "RegistryStore.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace ProgramTexts;

namespace
{
const char kProductKey[] = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II";

QLineEdit* PortEdit(QWidget* parent, int controlId)
{
    auto* edit = new QLineEdit(parent);
    edit->setValidator(new QIntValidator(0, CConnectionDlg::kMaxPort, edit));
    edit->setProperty(kControlIdProperty, controlId);
    return edit;
}
}

CConnectionDlg::CConnectionDlg(CNetConnection& link, RegistryStore& store, QWidget* parent)
    : CPellomarDialog(kTemplateId, parent), m_Link(link), m_Store(store),
      m_SearchTargets(LanDiscovery::SearchTargets()), m_SearchWaitMs(CLanSearch::kDefaultWaitMs)
{
    setWindowTitle(UiText(IDS_CONN_CAPTION));
    setMinimumSize(DialogUnitsToPixels(161, 153));

    m_NicknameEdit = new QLineEdit(this);
    m_NicknameEdit->setProperty(kControlIdProperty, kNicknameId);
    m_Client = new QRadioButton(UiText(IDS_CONN_CLIENT), this);
    m_Client->setProperty(kControlIdProperty, kClientId);
    m_Address = new QComboBox(this);
    m_Address->setEditable(true);
    m_Address->setInsertPolicy(QComboBox::NoInsert);
    m_Address->setProperty(kControlIdProperty, kAddressId);
    m_ClientPort = PortEdit(this, kClientPortId);
    auto* lanSearch = new CSkinButton(IDS_LAN_SEARCH_BUTTON, this, kLanSearchId);
    m_Server = new QRadioButton(UiText(IDS_CONN_SERVER), this);
    m_Server->setProperty(kControlIdProperty, kServerId);
    m_ServerPort = PortEdit(this, kServerPortId);
    m_ForwardPort = new QCheckBox(UiText(IDS_CONN_FORWARD_PORT), this);
    m_ForwardPort->setProperty(kControlIdProperty, kForwardPortId);
    m_Confirm = new CSkinButton(IDS_CONN_CONNECT, this, IDOK);
    m_Confirm->setDefault(true);
    auto* help = new CSkinButton(IDS_CONN_HELP, this, kHelpId);

    auto* layout = new QVBoxLayout(this);
    auto* nicknameLabel = new QLabel(UiText(IDS_CONN_NICKNAME_LABEL), this);
    nicknameLabel->setBuddy(m_NicknameEdit);
    layout->addWidget(nicknameLabel);
    layout->addWidget(m_NicknameEdit);
    layout->addWidget(m_Client);
    auto* clientForm = new QFormLayout;
    clientForm->addRow(UiText(IDS_CONN_IP_LABEL), m_Address);
    clientForm->addRow(UiText(IDS_CONN_CLIENT_PORT_LABEL), m_ClientPort);
    layout->addLayout(clientForm);
    layout->addWidget(lanSearch, 0, Qt::AlignRight);
    layout->addWidget(m_Server);
    auto* serverForm = new QFormLayout;
    serverForm->addRow(UiText(IDS_CONN_SERVER_PORT_LABEL), m_ServerPort);
    layout->addLayout(serverForm);
    layout->addWidget(m_ForwardPort);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_Confirm);
    buttons->addWidget(help);
    layout->addLayout(buttons);

    connect(m_Client, &QRadioButton::clicked, this, &CConnectionDlg::ShowMode);
    connect(m_Server, &QRadioButton::clicked, this, &CConnectionDlg::ShowMode);
    connect(m_Confirm, &QPushButton::clicked, this, [this] { Confirm(); });
    connect(lanSearch, &QPushButton::clicked, this, &CConnectionDlg::SearchLan);
    connect(help, &QPushButton::clicked, this, [this] {
        auto* html = findChild<CHtmlDlg*>();
        if (!html)
            html = new CHtmlDlg(this);
        html->ShowHelp(IDS_CONNECTION_HELP_TITLE, IDS_CONNECTION_HELP_PAGE);
    });
}

void CConnectionDlg::SetSearchTargets(QList<QHostAddress> targets, int waitMs)
{
    m_SearchTargets = std::move(targets);
    m_SearchWaitMs = waitMs;
}

int CConnectionDlg::Run(bool autoConfirm)
{
    Load();
    if (autoConfirm && Confirm())
        return IDOK;
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CConnectionDlg::Load()
{
    m_Store.OpenRoot(QString::fromLatin1(kProductKey));
    m_Store.OpenSubKey(UiText(IDS_CONN_KEY));
    QString nickname;
    QString address;
    int32_t clientPort = kDefaultPort;
    int32_t serverPort = kDefaultPort;
    int32_t mode = 0;
    int32_t forward = 0;
    int32_t count = 0;
    m_Store.ReadString(QStringLiteral("Nickname"), nickname, UiText(IDS_CONN_DEFAULT_NICKNAME));
    m_Store.ReadString(QStringLiteral("Ip"), address, QStringLiteral("127.0.0.1"));
    m_Store.ReadDword(QStringLiteral("ClientPort"), clientPort, kDefaultPort);
    m_Store.ReadDword(QStringLiteral("ServerPort"), serverPort, kDefaultPort);
    m_Store.ReadDword(QStringLiteral("ConnectMode"), mode, 0);
    m_Store.ReadDword(QStringLiteral("IsPortForwarded"), forward, 0);
    m_Store.ReadDword(QStringLiteral("NbIp"), count, 0);
    m_Address->clear();
    // A damaged count must not make us read (and create) millions of values.
    count = std::clamp<int32_t>(count, 0, 256);
    for (int i = 0; i < count; ++i)
    {
        QString entry;
        m_Store.ReadString(UiText(IDS_CONN_IP_VALUE).replace(QStringLiteral("%d"), QString::number(i)), entry,
                           QString());
        if (!entry.isEmpty())
            AddToHistory(entry);
    }
    // The stored nickname has each "&" doubled; the field shows it as typed.
    m_NicknameEdit->setText(Nickname::Shown(nickname));
    m_Address->setEditText(address);
    m_ClientPort->setText(QString::number(std::clamp<int32_t>(clientPort, 0, kMaxPort)));
    m_ServerPort->setText(QString::number(std::clamp<int32_t>(serverPort, 0, kMaxPort)));
    m_ForwardPort->setChecked(forward == 1);
    (mode == 1 ? m_Server : m_Client)->setChecked(true);
    ShowMode();
}

void CConnectionDlg::ShowMode()
{
    const bool server = m_Server->isChecked();
    m_Confirm->setText(UiText(server ? IDS_CONN_START : IDS_CONN_CONNECT));
    m_Address->setEnabled(!server);
    m_ClientPort->setEnabled(!server);
    m_ServerPort->setEnabled(server);
    m_ForwardPort->setEnabled(server);
}

void CConnectionDlg::AddToHistory(const QString& address)
{
    for (int i = 0; i < m_Address->count(); ++i)
        if (m_Address->itemText(i).compare(address, Qt::CaseInsensitive) == 0)
            return;
    // The list keeps itself sorted, case not considered.
    int at = 0;
    while (at < m_Address->count() && m_Address->itemText(at).compare(address, Qt::CaseInsensitive) < 0)
        ++at;
    const QString text = m_Address->currentText();
    m_Address->insertItem(at, address);
    m_Address->setEditText(text);
}

QStringList CConnectionDlg::History() const
{
    QStringList list;
    for (int i = 0; i < m_Address->count(); ++i)
        list.append(m_Address->itemText(i));
    return list;
}

int CConnectionDlg::PortOf(const QLineEdit* edit)
{
    bool ok = false;
    const int port = edit->text().toInt(&ok);
    return ok ? port : 0;
}

bool CConnectionDlg::Confirm()
{
    QString nickname = m_NicknameEdit->text().trimmed();
    if (nickname.isEmpty())
    {
        CMessageDlg::ShowInformation(IDS_CONN_EMPTY_NICKNAME, this);
        return false;
    }
    if (nickname.size() > kMaxNickname)
    {
        CMessageDlg::ShowInformation(IDS_CONN_LONG_NICKNAME, this);
        return false;
    }
    nickname = Nickname::Stored(nickname);

    // The field takes numbers up to 100000, but a port is 1 to 65535: port 0
    // would listen on a port nobody knows, and past 65535 there is none.
    QLineEdit* portEdit = m_Server->isChecked() ? m_ServerPort : m_ClientPort;
    const int port = PortOf(portEdit);
    if (port < kMinPort || port > kMaxUsablePort)
    {
        CMessageDlg::ShowInformation(IDS_CONN_BAD_PORT, this);
        portEdit->setFocus();
        portEdit->selectAll();
        return false;
    }

    m_Store.OpenRoot(QString::fromLatin1(kProductKey));
    m_Store.OpenSubKey(UiText(IDS_CONN_KEY));
    if (m_Server->isChecked())
    {
        const bool forward = m_ForwardPort->isChecked();
        m_Link.SetForwardPort(forward);
        if (!m_Link.StartServer(port))
        {
            CMessageDlg::ShowInformation(IDS_CONN_START_FAILED, this);
            return false;
        }
        RegistryStore::Batch batch(m_Store);
        m_Store.WriteDword(QStringLiteral("ServerPort"), port);
        m_Store.WriteDword(QStringLiteral("ConnectMode"), 1);
        m_Store.WriteDword(QStringLiteral("IsPortForwarded"), forward ? 1 : 0);
        m_Store.WriteString(QStringLiteral("Nickname"), nickname);
    }
    else
    {
        const QString address = m_Address->currentText().trimmed();
        // The connection is made while the dialog stays responsive; it closes
        // with OK once the server has answered.
        QPointer<CConnectionDlg> self(this);
        CNetConnection& link = m_Link;
        auto done = [self, &link, address, port, nickname](bool connected) {
            if (self == nullptr)
            {
                if (connected)
                    link.Leave(false); // nobody waits for this connection any more
                return;
            }
            self->FinishConnect(connected, address, port, nickname);
        };
        if (address.isEmpty() || !m_Link.OpenClientConnection(address, port, done))
        {
            CMessageDlg::ShowInformation(IDS_CONN_CONNECT_FAILED, this);
            return false;
        }
        m_Confirm->setEnabled(false);
        return false;
    }
    m_Nickname = nickname;
    done(QDialog::Accepted);
    return true;
}

void CConnectionDlg::FinishConnect(bool connected, const QString& address, int port, const QString& nickname)
{
    m_Confirm->setEnabled(true);
    if (!connected)
    {
        if (m_Link.WasHostNotFound())
            CMessageDlg::ShowInformation(UiText(IDS_CONN_HOST_NOT_FOUND).replace(QStringLiteral("%1"), address), this);
        else
            CMessageDlg::ShowInformation(IDS_CONN_CONNECT_FAILED, this);
        return;
    }
    AddToHistory(address);
    m_Store.OpenRoot(QString::fromLatin1(kProductKey));
    m_Store.OpenSubKey(UiText(IDS_CONN_KEY));
    {
        RegistryStore::Batch batch(m_Store);
        m_Store.WriteDword(QStringLiteral("ConnectMode"), 0);
        m_Store.WriteDword(QStringLiteral("ClientPort"), port);
        m_Store.WriteString(QStringLiteral("Nickname"), nickname);
        m_Store.WriteString(QStringLiteral("Ip"), address);
        m_Store.WriteDword(QStringLiteral("NbIp"), m_Address->count());
        for (int i = 0; i < m_Address->count(); ++i)
            m_Store.WriteString(UiText(IDS_CONN_IP_VALUE).replace(QStringLiteral("%d"), QString::number(i)),
                                m_Address->itemText(i));
    }
    m_Nickname = nickname;
    done(QDialog::Accepted);
}

void CConnectionDlg::SearchLan()
{
    const int port = PortOf(m_ClientPort) + 1;
    CLanSearchDlg search(port, m_SearchTargets, m_SearchWaitMs, this);
    if (search.exec() == QDialog::Accepted && !search.Result().isEmpty())
        m_Address->setEditText(search.Result());
}
