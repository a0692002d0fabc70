#pragma once

#include "INetAdvertiser.h"
#include "INetConnectionUi.h"
#include "INetGameWindow.h"
#include "NetMessageClient.h"
#include "NetMessageServer.h"
#include "NetProtocol.h"
#include "PlayerRoster.h"

#include <QString>

#include <functional>
#include <memory>
#include <set>
#include <vector>

class CUpnpPortMapper;
class GameSettings;
class QObject;

// The network link of the program: the server of a network game (which is
// also a player) or a client of another server. It admits or refuses players,
// relays each player's game messages to the others and hands game messages
// to the game window in use.
class CNetConnection : public CNetMessageServer
{
public:
    // Pause between telling a newcomer the game is full and dropping it.
    static constexpr int kRefusedFullDelayMs = 500;

    // How long a newcomer may stay connected without asking to join. It
    // holds no seat meanwhile: only an admitted player does.
    static constexpr int kDefaultJoinRequestTimeoutMs = 5000;
    // How long a client waits for the answer to its join request.
    static constexpr int kDefaultAnswerTimeoutMs = 30000;
    // Connections a server keeps open at most, players and newcomers together;
    // more are closed as soon as they are accepted.
    static constexpr int kMaxConnections = 32;

    using AdvertiserFactory = std::function<std::unique_ptr<INetAdvertiser>(int port)>;
    // Decides at the server whether a seated client's game message (a known
    // id, in the sender's own name) is relayed and handled; false drops it
    // (the filter may react to it itself). The game installs it to refuse
    // what only it can judge: a move its own board refuses, a draw accepted
    // with no offer open to the sender. A message that passes but is not well
    // formed is never relayed, but reaches the server's own game, which
    // judges it as it judges whatever arrives.
    using RelayFilter = std::function<bool(int userId, const CNetMessage& message)>;

    CNetConnection(PlayerRoster& roster, GameSettings& settings);
    ~CNetConnection() override;

    // The two game windows and the dialogs; any may be null.
    void SetGameWindows(INetGameWindow* chessWindow, INetGameWindow* bughouseWindow);
    void SetUi(INetConnectionUi* ui) { m_ui = ui; }
    void SetAdvertiserFactory(AdvertiserFactory factory) { m_advertiserFactory = std::move(factory); }
    // A program started from its command line does not advertise its server.
    void SetStartedFromCommandLine(bool fromCommandLine) { m_fromCommandLine = fromCommandLine; }
    void SetJoinRequestTimeout(int milliseconds) { m_joinRequestTimeoutMs = milliseconds; }
    void SetAnswerTimeout(int milliseconds) { m_answerTimeoutMs = milliseconds; }
    void SetRelayFilter(RelayFilter filter) { m_relayFilter = std::move(filter); }
    void SetRefusedFullDelay(int milliseconds) { m_refusedFullDelayMs = milliseconds; }

    // GAME_MODE_SINGLE (network chess, one other player) or GAME_MODE_DOUBLE
    // (bughouse, three): chooses the game window in use and the maximum.
    void SetMode(int mode);
    [[nodiscard]] int GetMode() const { return m_mode; }

    // Whether a server started from now on asks the home router to forward its
    // port (UPnP); the outcome is told in the game window's chat.
    void SetForwardPort(bool forward) { m_forwardPort = forward; }
    [[nodiscard]] bool IsForwardPortAsked() const { return m_forwardPort; }
    // The router's address and port that reach this server, once a router
    // forwards them; empty and 0 otherwise.
    [[nodiscard]] QString ExternalAddress() const;
    [[nodiscard]] int ExternalPort() const;

    // Starts listening; on success a fresh LAN advertisement for port + 1 and,
    // when asked for, the router's forwarding of the port.
    bool StartServer(int port);
    // Starts opening the client connection (for the connection dialog), after
    // delayMs when given, and returns at once; false, with nothing started,
    // for an address or port that cannot be used. done, when given, is told
    // the outcome once; without it a failure is shown through the dialogs.
    bool OpenClientConnection(const QString& host, int port, std::function<void(bool connected)> done = {},
                              int delayMs = 0);
    // Runs the joining procedure: connection dialog, then as server or client.
    void Join(int mode, bool switchWindow);
    // Sends a game message: to each seated user at the server, else to the server.
    // True when every send succeeded.
    bool Send(const CNetMessage& message);
    // Leaves the network game; announce sends MSG_PLAYER_LEFT first when joined.
    void Leave(bool announce);

    [[nodiscard]] bool IsServer() const { return IsStarted(); }
    [[nodiscard]] bool IsJoined() const { return m_joined; }
    [[nodiscard]] bool IsClientConnected() const;
    [[nodiscard]] bool IsClientConnecting() const;
    // The last failed connection attempt found no host of that name.
    [[nodiscard]] bool WasHostNotFound() const;
    // Both sides' echo requests and silence timeout, for connections made from now on.
    void SetKeepAlive(int intervalMs, int timeoutMs);
    // The admitted players' user ids, in order of admission.
    [[nodiscard]] const std::vector<int>& GetSeatedIds() const { return m_seated; }
    // Connected users that have not asked to join yet.
    [[nodiscard]] int GetNewcomerCount() const { return static_cast<int>(m_newcomers.size()); }
    [[nodiscard]] int GetMaximumSeated() const { return m_maxSeated; }
    [[nodiscard]] const QString& GetNickname() const { return m_nickname; }
    [[nodiscard]] INetGameWindow* GetGameWindow() const { return m_window; }
    // Takes a user off the seated ids (the window does this when a player leaves).
    void RemoveSeatedUser(int userId);

protected:
    bool OnIsConnectionAccepted() override;
    void OnConnect(int userId) override;
    void OnMessage(int userId, const CNetMessage& message) override;
    void OnDisconnect(int userId, int reason) override;

private:
    class CClientSide;
    friend class CClientSide;

    void OnClientConnected();
    CUpnpPortMapper& PortMapper();
    void OnPortMapped(const QString& address, int port);
    void OnPortNotMapped();
    void OnClientMessage(const CNetMessage& message);
    void OnClientDisconnect(int reason);
    // A game message at a client, or one relayed at the server.
    void HandleIncoming(const CNetMessage& message);
    void HandleJoinRequest(int userId, const CNetMessage& request);
    void HandleChessJoin(int userId, const CNetMessage& request);
    void HandleBughouseJoin(int userId, const CNetMessage& request);
    void RefuseOldVersion(int userId);
    void Refuse(int userId, const CNetMessage& answer);
    void RefuseAsFull(int userId);
    // A join request of another protocol version (elements 2 and 3) is
    // refused with this side's version; true when it was.
    bool RefusedForVersion(int userId, const CNetMessage& request);
    // A join request for the other kind of game is refused with this side's
    // mode and the nickname sent; true when it was.
    bool RefusedForMode(int userId, std::int32_t mode, std::int32_t ownMode, const std::string& nickname);
    void AdmitChessPlayer(int userId, const QString& nickname);
    void AdmitBughousePlayer(int userId, const QString& nickname);
    static void AddSeatsTo(CNetMessage& message, const std::vector<PlayerEntry>& players);
    void ShowRefusal(const CNetMessage& message);
    void CloseWaiting();
    // Whether a client may send this id for the server to relay.
    [[nodiscard]] bool IsRelayable(int id) const;
    // Whether a seated client's message is one the game may get: a known id
    // from an admitted player, in the sender's own name.
    [[nodiscard]] bool IsAcceptedFromClient(int userId, const CNetMessage& message) const;
    [[nodiscard]] bool IsSeated(int userId) const;
    // Whether a client's bughouse message names its sender as the one who
    // acts: the seat of a move, drop, resignation, time call or time loss,
    // the nickname of a chat line or a departure.
    [[nodiscard]] bool SpeaksForSender(int userId, const CNetMessage& message) const;

    PlayerRoster& m_roster;
    GameSettings& m_settings;
    std::unique_ptr<CClientSide> m_client;
    std::unique_ptr<QObject> m_timerContext; // owns the pending delayed drops
    INetGameWindow* m_chessWindow = nullptr;
    INetGameWindow* m_bughouseWindow = nullptr;
    INetGameWindow* m_window = nullptr;
    INetConnectionUi* m_ui = nullptr;
    std::function<void(bool connected)> m_connectDone;
    AdvertiserFactory m_advertiserFactory;
    std::unique_ptr<INetAdvertiser> m_advertiser;
    bool m_fromCommandLine = false;
    bool m_forwardPort = false;
    std::unique_ptr<CUpnpPortMapper> m_portMapper; // made when first asked for
    int m_joinRequestTimeoutMs = kDefaultJoinRequestTimeoutMs;
    int m_answerTimeoutMs = kDefaultAnswerTimeoutMs;
    RelayFilter m_relayFilter;
    int m_refusedFullDelayMs = kRefusedFullDelayMs;
    std::uint64_t m_joinSerial = 0; // tells a stale wait timeout from the current one

    int m_mode = GAME_MODE_SINGLE;
    bool m_joined = false;
    bool m_waiting = false;
    bool m_followingModeSwitch = false;
    std::vector<int> m_seated;
    int m_maxSeated = 0;
    QString m_nickname;
    std::set<int> m_newcomers; // connected, join request not sent yet
    std::set<int> m_refused;   // users told the game is full, waiting to be dropped
};
