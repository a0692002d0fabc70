#pragma once

#include "INetConnectionUi.h"

#include <QHostAddress>
#include <QList>
#include <QPointer>

class CNetConnection;
class CWaitServerDlg;
class RegistryStore;
class QWidget;

// The real dialogs of joining: the connection dialog, the waiting dialog and
// the program's message box.
class CNetConnectionUi : public INetConnectionUi
{
public:
    CNetConnectionUi(CNetConnection& link, RegistryStore& store, QWidget* parent);
    ~CNetConnectionUi() override;

    std::optional<QString> RunConnectionDialog(bool autoConfirm) override;
    void ShowWaitDialog() override;
    void CloseWaitDialog() override;
    void ShowMessage(const QString& text) override;

    // Where the connection dialog's LAN search sends its probes.
    void SetSearchTargets(QList<QHostAddress> targets, int waitMs);
    [[nodiscard]] bool IsWaiting() const { return !m_Wait.isNull(); }

private:
    CNetConnection& m_Link;
    RegistryStore& m_Store;
    QWidget* m_Parent;
    QPointer<CWaitServerDlg> m_Wait;
    bool m_HasTargets = false;
    QList<QHostAddress> m_Targets;
    int m_WaitMs = 0;
};
