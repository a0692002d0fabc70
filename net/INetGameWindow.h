#pragma once

#include <QString>

class CNetMessage;

// What the network link needs from the game window in use (network chess or
// network bughouse). The link does the joining and relaying; the window plays.
class INetGameWindow
{
public:
    virtual ~INetGameWindow() = default;

    // A join request passed every check and its answer has gone out; the
    // player is in the roster. The window redraws its panels.
    virtual void OnPlayerAdmitted(int userId, const QString& nickname) = 0;
    // A game message: from the server at a client, or relayed at the server.
    virtual void HandleGameMessage(const CNetMessage& message) = 0;
    // Server: the connection of a seated user has ended.
    virtual void OnSeatedUserGone(int userId) = 0;
    // Client: the connection to the server has ended, with the client's reason.
    virtual void OnConnectionLost(int reason) = 0;
    // Server: whether a game is being played (a bughouse server then refuses newcomers).
    [[nodiscard]] virtual bool IsGameRunning() const = 0;
    // A notice line for the chat output.
    virtual void PrintNotice(const QString& text) = 0;
};
