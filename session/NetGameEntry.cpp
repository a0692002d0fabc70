#include "NetGameEntry.h"

#include "NetConnection.h"
#include "ProgramTexts.h"
#include "RegistryStore.h"

#include <QThread>

namespace
{
const char kProductKey[] = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II";

QString Text(int id)
{
    return QString::fromStdString(ProgramTexts::Text(id));
}

// Stands in for the connection dialog during one join: it starts or connects
// with the command line's values instead of asking.
class CCommandLineUi : public INetConnectionUi
{
public:
    CCommandLineUi(const CNetCommandLine& commandLine, CNetConnection& link, RegistryStore& store, INetConnectionUi& ui)
        : m_CommandLine(commandLine), m_Link(link), m_Store(store), m_Ui(ui)
    {
    }

    std::optional<QString> RunConnectionDialog(bool autoConfirm) override
    {
        // Joining repeated after a refusal asks the user, as from the main menu.
        if (m_Used)
            return m_Ui.RunConnectionDialog(autoConfirm);
        m_Used = true;
        const int port = m_CommandLine.port;
        if (m_CommandLine.kind == CNetCommandLine::Kind::Server)
        {
            // Port 0 would listen where nobody can find us.
            if (port <= 0 || port > 65535 || !m_Link.StartServer(port))
            {
                m_Ui.ShowMessage(Text(ProgramTexts::IDS_CONN_START_FAILED));
                return std::nullopt;
            }
            return m_CommandLine.nickname;
        }
        QThread::msleep(CNetGameEntry::kClientDelayMs);
        if (port <= 0 || port > 65535 || !m_Link.OpenClientConnection(m_CommandLine.address, port))
        {
            m_Ui.ShowMessage(Text(ProgramTexts::IDS_CONN_CONNECT_FAILED));
            return std::nullopt;
        }
        m_Store.OpenRoot(QString::fromLatin1(kProductKey));
        m_Store.OpenSubKey(Text(ProgramTexts::IDS_CONN_KEY));
        RegistryStore::Batch batch(m_Store);
        m_Store.WriteString(QStringLiteral("Nickname"), m_CommandLine.nickname);
        m_Store.WriteString(QStringLiteral("Ip"), m_CommandLine.address);
        m_Store.WriteDword(QStringLiteral("ClientPort"), port);
        return m_CommandLine.nickname;
    }
    void ShowWaitDialog() override { m_Ui.ShowWaitDialog(); }
    void CloseWaitDialog() override { m_Ui.CloseWaitDialog(); }
    void ShowMessage(const QString& text) override { m_Ui.ShowMessage(text); }

private:
    const CNetCommandLine& m_CommandLine;
    CNetConnection& m_Link;
    RegistryStore& m_Store;
    INetConnectionUi& m_Ui;
    bool m_Used = false;
};
}

CNetGameEntry::Outcome CNetGameEntry::Start(const CNetCommandLine& commandLine, CNetConnection& link,
                                            RegistryStore& store, INetConnectionUi& ui)
{
    switch (commandLine.kind)
    {
    case CNetCommandLine::Kind::None: return Outcome::MainMenu;
    case CNetCommandLine::Kind::Invalid: ui.ShowMessage(Text(ProgramTexts::IDS_CMDLINE_INVALID)); return Outcome::Exit;
    case CNetCommandLine::Kind::Server:
    case CNetCommandLine::Kind::Client: break;
    }
    link.SetStartedFromCommandLine(true);
    CCommandLineUi once(commandLine, link, store, ui);
    link.SetUi(&once);
    struct Restore
    {
        CNetConnection& link;
        INetConnectionUi& ui;
        ~Restore() { link.SetUi(&ui); }
    } restore{link, ui};
    link.Join(commandLine.mode, true);
    if (commandLine.kind == CNetCommandLine::Kind::Server)
        return link.IsServer() ? Outcome::Server : Outcome::MainMenu;
    return link.IsClientConnected() || link.IsJoined() ? Outcome::Client : Outcome::MainMenu;
}
