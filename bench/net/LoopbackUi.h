#pragma once

#include "NetConnection.h"

#include <QEventLoop>
#include <QString>

#include <optional>

// The connection dialogs of a benchmark's program on loopback: the dialog
// confirms at once (a server on a free port, or a client of the port given),
// and the wait dialog is an event loop of its own, as the real one is.
class CLoopbackUi : public INetConnectionUi
{
public:
    std::optional<QString> RunConnectionDialog(bool) override
    {
        const bool ok = m_server ? m_link->StartServer(0) : m_link->OpenClientConnection("127.0.0.1", m_port);
        return ok ? std::optional<QString>(m_nickname) : std::nullopt;
    }
    void ShowWaitDialog() override
    {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    void CloseWaitDialog() override
    {
        if (m_loop)
            m_loop->quit();
    }
    void ShowMessage(const QString&) override {}

    // The link's dialogs are these; it joins a bughouse game as a server or
    // as a client of the port, under the nickname.
    void Join(CNetConnection& link, bool server, int port, const QString& nickname)
    {
        link.SetUi(this);
        m_link = &link;
        m_server = server;
        m_port = port;
        m_nickname = nickname;
        link.Join(GAME_MODE_DOUBLE, true);
    }

    CNetConnection* m_link = nullptr;
    bool m_server = false;
    int m_port = 0;
    QString m_nickname;

private:
    QEventLoop* m_loop = nullptr;
};
