#include "NetGameEntry.h"

#include "NetConnection.h"
#include "ProgramTexts.h"
#include "RegistryStore.h"

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
        // The connection starts a moment later, so that a server started at
        // the same time can be listening; the join request waits for it. The
        // values are kept once the server has answered.
        RegistryStore& store = m_Store;
        INetConnectionUi& ui = m_Ui;
        const QString nickname = m_CommandLine.nickname;
        const QString address = m_CommandLine.address;
        auto done = [&store, &ui, nickname, address, port](bool connected) {
            if (!connected)
            {
                ui.ShowMessage(Text(ProgramTexts::IDS_CONN_CONNECT_FAILED));
                return;
            }
            store.OpenRoot(QString::fromLatin1(kProductKey));
            store.OpenSubKey(Text(ProgramTexts::IDS_CONN_KEY));
            RegistryStore::Batch batch(store);
            store.WriteString(QStringLiteral("Nickname"), nickname);
            store.WriteString(QStringLiteral("Ip"), address);
            store.WriteDword(QStringLiteral("ClientPort"), port);
        };
        if (port <= 0 || port > 65535 ||
            !m_Link.OpenClientConnection(address, port, done, CNetGameEntry::kClientDelayMs))
        {
            m_Ui.ShowMessage(Text(ProgramTexts::IDS_CONN_CONNECT_FAILED));
            return std::nullopt;
        }
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
    return link.IsClientConnected() || link.IsClientConnecting() || link.IsJoined() ? Outcome::Client
                                                                                    : Outcome::MainMenu;
}
