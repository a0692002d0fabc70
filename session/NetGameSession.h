#pragma once

#include "GameSession.h"
#include "INetGameWindow.h"

class CNetConnection;
class CNetMessage;

// What both network games share over the game flow of CGameSession: the
// network link, the game counter, the notices and statistics of the chat
// output, the settings summary and the server's address. The link hands the
// session the messages of its game (INetGameWindow).
class CNetGameSession : public CGameSession, public INetGameWindow
{
public:
    CNetGameSession(GameSettings& settings, PlayerRoster& roster, CNetConnection& link, int boards, int panels);

    // A server started from the command line does not offer its address for copying.
    void SetStartedFromCommandLine(bool fromCommandLine) { m_FromCommandLine = fromCommandLine; }
    [[nodiscard]] bool IsStartedFromCommandLine() const { return m_FromCommandLine; }

    [[nodiscard]] bool IsServer() const;
    [[nodiscard]] int GameNumber() const { return m_GameNumber; }

    // A line typed into the chat input.
    virtual void SendChat(const QString& text) = 0;

    // INetGameWindow
    [[nodiscard]] bool IsGameRunning() const override { return m_Running; }
    void PrintNotice(const QString& text) override { Notice(text); }

protected:
    bool Send(const CNetMessage& message);
    // "Victories: 1, Defeats: 0, Draws: 2" into the chat output.
    void ReportStats();
    // Prints the settings summary when it differs from the last one printed;
    // true when it did.
    bool PrintSummaryIfNew(const QString& summary);
    void ForgetSummary() { m_LastSummary.clear(); }
    // "Your server started at ..." and, unless told not to, the address for copying.
    void AnnounceServer(bool offerAddress);
    // "Game %1!d! started" with the next game number.
    void CountGameStarted(int textId);

    CNetConnection& m_Link;
    bool m_FromCommandLine = false;
    int m_GameNumber = 0;

private:
    QString m_LastSummary;
};
