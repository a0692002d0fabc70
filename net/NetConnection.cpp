#include "NetConnection.h"

#include "GameMessageCheck.h"
#include "GameSettings.h"
#include "Nickname.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"
#include "UpnpPortMapper.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>

namespace
{
QString Text(int id)
{
    return QString::fromStdString(ProgramTexts::Text(id));
}

std::string ToWire(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString FromWire(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A nickname as the connection dialog sends it has each "&" doubled.
bool IsAcceptableNickname(const QString& nickname)
{
    QString shown = nickname;
    shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
    return !shown.isEmpty() && shown.size() <= NET_MAX_NICKNAME;
}
} // namespace

// The client half of the link: forwards its callbacks to the link.
class CNetConnection::CClientSide : public CNetMessageClient
{
public:
    explicit CClientSide(CNetConnection& owner) : m_owner(owner) {}

protected:
    void OnConnected() override { m_owner.OnClientConnected(); }
    void OnMessage(const CNetMessage& message) override { m_owner.OnClientMessage(message); }
    void OnDisconnect(int reason) override { m_owner.OnClientDisconnect(reason); }

private:
    CNetConnection& m_owner;
};

CNetConnection::CNetConnection(PlayerRoster& roster, GameSettings& settings)
    : m_roster(roster), m_settings(settings), m_client(std::make_unique<CClientSide>(*this)),
      m_timerContext(std::make_unique<QObject>())
{
}

CNetConnection::~CNetConnection() = default;

void CNetConnection::SetGameWindows(INetGameWindow* chessWindow, INetGameWindow* bughouseWindow)
{
    m_chessWindow = chessWindow;
    m_bughouseWindow = bughouseWindow;
    m_window = m_mode == GAME_MODE_DOUBLE ? m_bughouseWindow : m_chessWindow;
}

void CNetConnection::SetMode(int mode)
{
    m_mode = mode == GAME_MODE_DOUBLE ? GAME_MODE_DOUBLE : GAME_MODE_SINGLE;
    m_window = m_mode == GAME_MODE_DOUBLE ? m_bughouseWindow : m_chessWindow;
    m_maxSeated = m_mode == GAME_MODE_DOUBLE ? 3 : 1;
}

bool CNetConnection::StartServer(int port)
{
    if (!StartListening(port))
        return false;
    m_seated.clear();
    m_newcomers.clear();
    m_refused.clear();
    if (!m_fromCommandLine && m_advertiserFactory)
    {
        m_advertiser.reset();
        m_advertiser = m_advertiserFactory(GetPort() + 1);
    }
    if (m_forwardPort && !m_fromCommandLine)
        PortMapper().Start(GetPort());
    return true;
}

CUpnpPortMapper& CNetConnection::PortMapper()
{
    if (!m_portMapper)
    {
        m_portMapper = std::make_unique<CUpnpPortMapper>();
        QObject::connect(m_portMapper.get(), &CUpnpPortMapper::Mapped, m_timerContext.get(),
                         [this](const QString& address, int port) { OnPortMapped(address, port); });
        QObject::connect(m_portMapper.get(), &CUpnpPortMapper::Failed, m_timerContext.get(),
                         [this](const QString&) { OnPortNotMapped(); });
    }
    return *m_portMapper;
}

QString CNetConnection::ExternalAddress() const
{
    return m_portMapper && IsServer() ? m_portMapper->ExternalAddress() : QString();
}

int CNetConnection::ExternalPort() const
{
    return m_portMapper && IsServer() ? m_portMapper->ExternalPort() : 0;
}

void CNetConnection::OnPortMapped(const QString& address, int port)
{
    if (!IsServer() || !m_window)
        return;
    QString line = Text(ProgramTexts::IDS_UPNP_FORWARDED);
    line.replace(QStringLiteral("%s"), address).replace(QStringLiteral("%d"), QString::number(port));
    m_window->PrintNotice(line);
}

void CNetConnection::OnPortNotMapped()
{
    if (IsServer() && m_window)
        m_window->PrintNotice(Text(ProgramTexts::IDS_UPNP_NO_ROUTER));
}

bool CNetConnection::OpenClientConnection(const QString& host, int port, std::function<void(bool connected)> done,
                                          int delayMs)
{
    m_connectDone = {};
    if (!m_client->OpenConnection(host.toStdString(), port, delayMs))
        return false;
    m_connectDone = std::move(done);
    return true;
}

bool CNetConnection::IsClientConnected() const
{
    return m_client->IsConnected();
}

bool CNetConnection::IsClientConnecting() const
{
    return m_client->IsConnecting();
}

bool CNetConnection::WasHostNotFound() const
{
    return m_client->WasHostNotFound();
}

void CNetConnection::SetKeepAlive(int intervalMs, int timeoutMs)
{
    CNetMessageServer::SetKeepAlive(intervalMs, timeoutMs);
    m_client->SetKeepAlive(intervalMs, timeoutMs);
}

void CNetConnection::OnClientConnected()
{
    if (auto done = std::exchange(m_connectDone, {}))
        done(true);
}

void CNetConnection::Join(int mode, bool switchWindow)
{
    if (switchWindow)
        SetMode(mode);
    if (m_ui == nullptr)
        return;
    const std::optional<QString> nickname = m_ui->RunConnectionDialog(switchWindow);
    if (!nickname)
        return;
    m_nickname = *nickname;
    m_roster.SetNickname(m_nickname);
    if (IsServer())
    {
        m_roster.SetEntry(0, PlayerEntry{m_nickname, 0, COLOUR_WHITE, 0});
        m_joined = true;
        return;
    }
    // A connection still being made takes the request and sends it once it is there.
    if (!m_client->IsConnected() && !m_client->IsConnecting())
        return;
    if (m_mode == GAME_MODE_SINGLE)
        m_roster.SetEntry(0, PlayerEntry{m_nickname, 0, COLOUR_WHITE, 0});
    CNetMessage request(MSG_JOIN_REQUEST);
    request.AddInt(m_mode);
    request.AddString(ToWire(m_nickname));
    request.AddLong(NET_VERSION_MAJOR);
    request.AddLong(NET_VERSION_MINOR);
    if (!m_client->SendMessage(request))
        return;
    m_waiting = true;
    // A server that never answers must not leave the waiting dialog open for good.
    const std::uint64_t serial = ++m_joinSerial;
    QTimer::singleShot(m_answerTimeoutMs, m_timerContext.get(), [this, serial] {
        if (m_waiting && serial == m_joinSerial)
            m_client->CloseConnection();
    });
    m_ui->ShowWaitDialog();
}

bool CNetConnection::Send(const CNetMessage& message)
{
    if (!IsServer())
        return m_client->SendMessage(message);
    bool allSent = true;
    const std::vector<int> seated = m_seated; // a failed send changes the list
    for (int id : seated)
        allSent = SendMessageToUser(id, message) && allSent;
    return allSent;
}

void CNetConnection::Leave(bool announce)
{
    m_connectDone = {};
    if (m_client->IsConnecting())
        m_client->CloseConnection();
    if (m_client->IsConnected())
    {
        if (m_joined && announce)
        {
            CNetMessage left(MSG_PLAYER_LEFT);
            if (!m_nickname.isEmpty())
                left.AddString(ToWire(m_nickname));
            (void)m_client->SendMessage(left);
        }
        m_client->CloseConnection();
    }
    if (IsServer())
    {
        m_advertiser.reset();
        StopServer();
    }
    if (m_portMapper)
        m_portMapper->Stop();
    m_joined = false;
    m_seated.clear();
    m_newcomers.clear();
    m_refused.clear();
    m_maxSeated = 0;
}

void CNetConnection::RemoveSeatedUser(int userId)
{
    auto it = std::find(m_seated.begin(), m_seated.end(), userId);
    if (it == m_seated.end())
        return;
    // The last id moves into the freed place.
    *it = m_seated.back();
    m_seated.pop_back();
}

bool CNetConnection::IsSeated(int userId) const
{
    return std::find(m_seated.begin(), m_seated.end(), userId) != m_seated.end();
}

bool CNetConnection::OnIsConnectionAccepted()
{
    // A flood of connections must not use up the program's descriptors.
    return static_cast<int>(GetUserIds().size()) < kMaxConnections;
}

void CNetConnection::OnConnect(int userId)
{
    if (static_cast<int>(m_seated.size()) < m_maxSeated)
    {
        // The newcomer has a few seconds to ask to join; it takes a seat only
        // when admitted, so one that never asks keeps nobody out.
        m_newcomers.insert(userId);
        QTimer::singleShot(m_joinRequestTimeoutMs, m_timerContext.get(), [this, userId] {
            if (m_newcomers.erase(userId) > 0)
                DisconnectUser(userId);
        });
        return;
    }
    RefuseAsFull(userId);
}

void CNetConnection::RefuseAsFull(int userId)
{
    // The pause lets the refusal reach the newcomer before the connection
    // ends; the other players keep being served meanwhile.
    m_refused.insert(userId);
    if (!SendMessageToUser(userId, CNetMessage(MSG_REFUSED_FULL)))
        return;
    QTimer::singleShot(m_refusedFullDelayMs, m_timerContext.get(), [this, userId] {
        if (m_refused.erase(userId) > 0)
            DisconnectUser(userId);
    });
}

void CNetConnection::OnMessage(int userId, const CNetMessage& message)
{
    const int id = message.GetId();
    // Newcomers refused as full have no say, and control ids never reach the game.
    if (m_refused.count(userId) > 0 || id < 0)
        return;
    if (id == MSG_JOIN_REQUEST)
    {
        HandleJoinRequest(userId, message);
        return;
    }
    if (!IsAcceptedFromClient(userId, message))
        return;
    // The game's filter judges what only it can, for its own game too; what
    // passes it but the others would refuse is not passed on to them, and the
    // server's own game judges it as it judges whatever reaches it.
    if (m_relayFilter && !m_relayFilter(userId, message))
        return;
    const bool wellFormed = CGameMessageCheck::IsWellFormed(m_mode, message);
    // The others get a chat line no longer than a chat line may be.
    std::optional<CNetMessage> cut;
    if (id == MSG_CHAT)
    {
        cut = message;
        if (!CGameMessageCheck::CutChat(m_mode, *cut))
            cut.reset();
    }
    const CNetMessage& relayed = cut ? *cut : message;
    const std::vector<int> seated = wellFormed ? m_seated : std::vector<int>();
    for (int other : seated)
    {
        if (other != userId)
            (void)SendMessageToUser(other, relayed);
    }
    HandleIncoming(relayed);
    // A player who says goodbye is gone: its connection is closed at once,
    // whatever it sends after. The game may have closed it already, or taken
    // the player off; if not, it is told the player has gone.
    if (id == MSG_PLAYER_LEFT)
        (void)DisconnectUser(userId);
}

bool CNetConnection::IsAcceptedFromClient(int userId, const CNetMessage& message) const
{
    return message.GetId() < MSG_FIRST_JOIN_ID && IsSeated(userId) && IsRelayable(message.GetId()) &&
           CGameMessageCheck::IsKnownId(m_mode, message.GetId()) && SpeaksForSender(userId, message);
}

bool CNetConnection::IsRelayable(int id) const
{
    // Messages that only the server sends are not taken from a client: relayed,
    // they would let one player rewrite the others' seats, settings or game.
    switch (id)
    {
    case MSG_JOIN_ACCEPTED:
    case MSG_GAME_STARTED:
    case MSG_PLAYER_JOINED:
    case MSG_SEATS_CHANGED:
    case MSG_SETTINGS: return false;
    case MSG_GAME_ABORTED:
    case MSG_SWITCH_COLORS: return m_mode == GAME_MODE_SINGLE;
    default: return true;
    }
}

bool CNetConnection::SpeaksForSender(int userId, const CNetMessage& message) const
{
    if (m_mode != GAME_MODE_DOUBLE)
        return true;
    // The server's roster holds each seated client's user id; seat 0 is the
    // server itself, which no client may speak for.
    int seat = -1;
    for (int i = 1; i < m_roster.Count(); ++i)
    {
        if (m_roster.GetEntry(i).connectionId == userId)
            seat = i;
    }
    if (seat < 0)
        return false;
    switch (message.GetId())
    {
    case MSG_MOVE:
    case MSG_DROP:
    case MSG_RESIGN:
    case MSG_TIME_CALL:
    case MSG_TIME_EXPIRED:
    {
        std::int32_t named = -1;
        return message.GetIntAt(0, named) && named == seat;
    }
    case MSG_CHAT:
    case MSG_PLAYER_LEFT:
    {
        std::string named;
        return message.GetStringAt(0, named) && FromWire(named) == m_roster.GetEntry(seat).name;
    }
    default: return true;
    }
}

void CNetConnection::OnDisconnect(int userId, int /*reason*/)
{
    m_refused.erase(userId);
    m_newcomers.erase(userId);
    // Only a player who was in the game has left it; the window may also have
    // taken the player off already, on its MSG_PLAYER_LEFT.
    const bool wasPlaying = IsSeated(userId);
    RemoveSeatedUser(userId);
    if (wasPlaying && m_window)
        m_window->OnSeatedUserGone(userId);
}

void CNetConnection::HandleJoinRequest(int userId, const CNetMessage& request)
{
    // Only a newcomer asks, and only once.
    if (m_newcomers.erase(userId) == 0)
        return;
    if (m_mode == GAME_MODE_DOUBLE)
        HandleBughouseJoin(userId, request);
    else
        HandleChessJoin(userId, request);
}

void CNetConnection::RefuseOldVersion(int userId)
{
    RemoveSeatedUser(userId);
    DisconnectUser(userId);
    if (m_window)
        m_window->PrintNotice(Text(ProgramTexts::IDS_NET_OLD_VERSION_JOIN));
}

void CNetConnection::Refuse(int userId, const CNetMessage& answer)
{
    RemoveSeatedUser(userId);
    if (SendMessageToUser(userId, answer))
        DisconnectUser(userId);
}

bool CNetConnection::RefusedForVersion(int userId, const CNetMessage& request)
{
    std::int32_t major = 0;
    std::int32_t minor = 0;
    if (request.GetLongAt(2, major) && request.GetLongAt(3, minor) && major == NET_VERSION_MAJOR &&
        minor == NET_VERSION_MINOR)
        return false;
    CNetMessage answer(MSG_WRONG_VERSION);
    answer.AddLong(NET_VERSION_MAJOR);
    answer.AddLong(NET_VERSION_MINOR);
    Refuse(userId, answer);
    return true;
}

bool CNetConnection::RefusedForMode(int userId, std::int32_t mode, std::int32_t ownMode, const std::string& nickname)
{
    if (mode == ownMode)
        return false;
    CNetMessage answer(MSG_WRONG_MODE);
    answer.AddInt(ownMode);
    answer.AddString(nickname);
    Refuse(userId, answer);
    return true;
}

void CNetConnection::HandleChessJoin(int userId, const CNetMessage& request)
{
    std::int32_t mode = 0;
    // Earlier versions sent a different first element.
    if (request.GetTypeAt(0) == 1 || !request.GetIntAt(0, mode))
    {
        RefuseOldVersion(userId);
        return;
    }
    std::string nickname;
    (void)request.GetStringAt(1, nickname);
    if (request.GetElementCount() > 2)
    {
        if (RefusedForVersion(userId, request))
            return;
    }
    if (RefusedForMode(userId, mode, GAME_MODE_SINGLE, nickname))
        return;
    const QString name = FromWire(nickname);
    if (!IsAcceptableNickname(name) || name == m_roster.GetEntry(0).name)
    {
        Refuse(userId, CNetMessage(MSG_REFUSED_NICKNAME));
        return;
    }
    // Another newcomer may have been admitted since this one connected.
    if (static_cast<int>(m_seated.size()) >= m_maxSeated)
    {
        Refuse(userId, CNetMessage(MSG_REFUSED_FULL));
        return;
    }
    AdmitChessPlayer(userId, name);
}

void CNetConnection::HandleBughouseJoin(int userId, const CNetMessage& request)
{
    if (request.GetElementCount() < 3)
    {
        RefuseOldVersion(userId);
        return;
    }
    std::int32_t mode = -1;
    std::string nickname;
    (void)request.GetIntAt(0, mode);
    (void)request.GetStringAt(1, nickname);
    if (RefusedForVersion(userId, request) || RefusedForMode(userId, mode, GAME_MODE_DOUBLE, nickname))
        return;
    const QString name = FromWire(nickname);
    if (!IsAcceptableNickname(name) || m_roster.Contains(name))
    {
        Refuse(userId, CNetMessage(MSG_REFUSED_NICKNAME));
        return;
    }
    if (m_window && m_window->IsGameRunning())
    {
        Refuse(userId, CNetMessage(MSG_REFUSED_STARTED));
        return;
    }
    if (m_roster.Count() >= 4 || static_cast<int>(m_seated.size()) >= m_maxSeated)
    {
        Refuse(userId, CNetMessage(MSG_REFUSED_FULL));
        return;
    }
    AdmitBughousePlayer(userId, name);
}

void CNetConnection::AdmitChessPlayer(int userId, const QString& nickname)
{
    CNetMessage accepted(MSG_JOIN_ACCEPTED);
    accepted.AddString(ToWire(m_roster.GetEntry(0).name));
    accepted.AddInt(m_roster.GetEntry(0).colour == COLOUR_WHITE ? 1 : 0);
    accepted.AddInt(m_settings.GetNbHours());
    accepted.AddInt(m_settings.GetNbMinutes());
    accepted.AddInt(m_settings.GetNbSeconds());
    accepted.AddInt(m_settings.GetNbSecondsBonus());
    accepted.AddInt(m_settings.IsTimeInfinite() ? 1 : 0);
    accepted.AddInt(m_settings.IsWinOnOpponentTimeZero() ? 1 : 0);
    accepted.AddInt(m_settings.IsKingCanBeCaptured() ? 1 : 0);
    if (!SendMessageToUser(userId, accepted))
        return; // gone already: never seated, nobody told
    m_seated.push_back(userId);
    m_roster.SetEntry(1, PlayerEntry{nickname, userId, COLOUR_WHITE, 0});
    if (m_window)
    {
        m_window->PrintNotice(Text(ProgramTexts::IDS_NET_JOINS_GAME).arg(Nickname::Shown(nickname)));
        m_window->OnPlayerAdmitted(userId, nickname);
    }
}

void CNetConnection::AddSeatsTo(CNetMessage& message, const std::vector<PlayerEntry>& players)
{
    const PlayerEntry& first = players.front();
    message.AddInt(first.colour == COLOUR_WHITE ? 1 : 0);
    message.AddInt(first.seat);
    message.AddInt(static_cast<int>(players.size()));
    for (const PlayerEntry& player : players)
        message.AddString(ToWire(player.name));
}

void CNetConnection::AdmitBughousePlayer(int userId, const QString& nickname)
{
    // The second and third players take the next seat. The fourth joins seat 0
    // as partner when seat 0 plays alone, so that the partners of the
    // three-player game stay together; otherwise it takes seat 3. The roster
    // changes only once the newcomer has its answer: one whose connection is
    // already gone must not stay behind in the seats.
    const PlayerEntry newcomer{nickname, userId, COLOUR_WHITE, 0};
    std::vector<PlayerEntry> players;
    for (int i = 0; i < m_roster.Count(); ++i)
        players.push_back(m_roster.GetEntry(i));
    if (players.size() < 3)
    {
        players.push_back(newcomer);
    }
    else if (players[0].seat == 0)
    {
        players[0].seat = 1;
        players.insert(players.begin() + 1, newcomer);
    }
    else
    {
        players.push_back(newcomer);
    }

    CNetMessage accepted(MSG_JOIN_ACCEPTED);
    accepted.AddInt(m_settings.GetNbHours());
    accepted.AddInt(m_settings.GetNbMinutes());
    accepted.AddInt(m_settings.GetNbSeconds());
    accepted.AddInt(m_settings.GetNbSecondsBonus());
    accepted.AddInt(0); // a bughouse game always runs on time
    accepted.AddInt(m_settings.IsWinOnOpponentTimeZero() ? 1 : 0);
    accepted.AddInt(m_settings.IsKingCanBeCaptured() ? 1 : 0);
    AddSeatsTo(accepted, players);
    if (!SendMessageToUser(userId, accepted))
        return; // gone already: never seated, nobody told
    for (int i = 0; i < static_cast<int>(players.size()); ++i)
        m_roster.SetEntry(i, players[static_cast<std::size_t>(i)]);
    m_seated.push_back(userId);
    if (m_window)
        m_window->PrintNotice(Text(ProgramTexts::IDS_NET_JOINS_GAME).arg(Nickname::Shown(nickname)));
    CNetMessage joined(MSG_PLAYER_JOINED);
    joined.AddString(ToWire(nickname));
    AddSeatsTo(joined, players);
    (void)Send(joined);
    // A failed send of that message has reported the newcomer gone already.
    if (m_window && IsSeated(userId))
        m_window->OnPlayerAdmitted(userId, nickname);
}

void CNetConnection::OnClientMessage(const CNetMessage& message)
{
    switch (message.GetId())
    {
    case MSG_JOIN_ACCEPTED:
        m_joined = true;
        CloseWaiting();
        if (m_window)
            m_window->HandleGameMessage(message);
        return;
    case MSG_REFUSED_FULL:
    case MSG_REFUSED_NICKNAME:
    case MSG_REFUSED_STARTED:
    case MSG_WRONG_VERSION:
        CloseWaiting();
        m_joined = false;
        ShowRefusal(message);
        Join(m_mode, false);
        return;
    case MSG_WRONG_MODE:
    {
        CloseWaiting();
        std::int32_t serverMode = GAME_MODE_SINGLE;
        (void)message.GetIntAt(0, serverMode);
        // One switch is followed without asking; a server that answers the
        // switched request with another switch gets the user's say instead of
        // an endless round of reconnections.
        if (m_followingModeSwitch)
        {
            Join(m_mode, false);
            return;
        }
        m_followingModeSwitch = true;
        Join(serverMode == GAME_MODE_DOUBLE ? GAME_MODE_DOUBLE : GAME_MODE_SINGLE, true);
        m_followingModeSwitch = false;
        return;
    }
    default:
        if (message.GetId() >= 0)
            HandleIncoming(message);
        return;
    }
}

void CNetConnection::HandleIncoming(const CNetMessage& message)
{
    if (!m_window)
        return;
    // A chat line reaches the game no longer than a chat line may be.
    if (message.GetId() == MSG_CHAT)
    {
        CNetMessage cut = message;
        if (CGameMessageCheck::CutChat(m_mode, cut))
        {
            m_window->HandleGameMessage(cut);
            return;
        }
    }
    m_window->HandleGameMessage(message);
}

void CNetConnection::ShowRefusal(const CNetMessage& message)
{
    QString text;
    switch (message.GetId())
    {
    case MSG_REFUSED_FULL: text = Text(ProgramTexts::IDS_NET_REFUSED_FULL); break;
    case MSG_REFUSED_NICKNAME: text = Text(ProgramTexts::IDS_NET_REFUSED_NICKNAME); break;
    case MSG_REFUSED_STARTED: text = Text(ProgramTexts::IDS_NET_REFUSED_STARTED); break;
    case MSG_WRONG_VERSION:
    {
        std::int32_t major = NET_VERSION_MAJOR;
        std::int32_t minor = NET_VERSION_MINOR;
        (void)message.GetLongAt(0, major);
        (void)message.GetLongAt(1, minor);
        if (major == NET_VERSION_MAJOR && minor == NET_VERSION_MINOR)
            return;
        const bool serverNewer = major > NET_VERSION_MAJOR || (major == NET_VERSION_MAJOR && minor > NET_VERSION_MINOR);
        const int id =
            serverNewer ? ProgramTexts::IDS_NET_VERSION_SERVER_NEWER : ProgramTexts::IDS_NET_VERSION_SERVER_OLDER;
        text = QString::asprintf(ProgramTexts::Text(id).c_str(), NET_VERSION_MAJOR, NET_VERSION_MINOR, major, minor);
        break;
    }
    default: return;
    }
    if (m_ui)
        m_ui->ShowMessage(text);
}

void CNetConnection::CloseWaiting()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (m_ui)
        m_ui->CloseWaitDialog();
}

void CNetConnection::OnClientDisconnect(int reason)
{
    if (reason == CNetMessageClient::kConnectFailed)
    {
        // Nothing was ever connected: the game window is not concerned.
        const bool joining = m_waiting;
        auto done = std::exchange(m_connectDone, {});
        CloseWaiting();
        m_joined = false;
        if (done)
            done(false);
        else if (joining && m_ui != nullptr)
            m_ui->ShowMessage(Text(ProgramTexts::IDS_CONN_CONNECT_FAILED));
        return;
    }
    // Nobody will answer any more: the waiting dialog must not stay open.
    CloseWaiting();
    if (m_window)
        m_window->OnConnectionLost(reason);
    m_joined = false;
}
