#include "NetConnectionUi.h"

#include "ConnectionDlg.h"
#include "MessageDlg.h"
#include "WaitServerDlg.h"

CNetConnectionUi::CNetConnectionUi(CNetConnection& link, RegistryStore& store, QWidget* parent)
    : m_Link(link), m_Store(store), m_Parent(parent)
{
}

CNetConnectionUi::~CNetConnectionUi()
{
    if (m_Wait)
        m_Wait->reject();
}

std::optional<QString> CNetConnectionUi::RunConnectionDialog(bool autoConfirm)
{
    CConnectionDlg dialog(m_Link, m_Store, m_Parent);
    if (m_HasTargets)
        dialog.SetSearchTargets(m_Targets, m_WaitMs);
    if (dialog.Run(autoConfirm) != IDOK)
        return std::nullopt;
    return dialog.Nickname();
}

void CNetConnectionUi::ShowWaitDialog()
{
    CWaitServerDlg dialog(m_Parent);
    m_Wait = &dialog;
    dialog.exec();
    m_Wait = nullptr;
}

void CNetConnectionUi::CloseWaitDialog()
{
    if (m_Wait)
        m_Wait->accept();
}

void CNetConnectionUi::ShowMessage(const QString& text)
{
    CMessageDlg::ShowInformation(text, m_Parent);
}

void CNetConnectionUi::SetSearchTargets(QList<QHostAddress> targets, int waitMs)
{
    m_Targets = std::move(targets);
    m_WaitMs = waitMs;
    m_HasTargets = true;
}
