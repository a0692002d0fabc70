#include "LanSearchDlg.h"

#include "LanSearch.h"
#include "MessageDlg.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

using namespace ProgramTexts;

CLanSearchDlg::CLanSearchDlg(int port, QList<QHostAddress> targets, int waitMs, QWidget* parent)
    : CPellomarDialog(kTemplateId, parent), m_Search(std::make_unique<CLanSearch>(std::move(targets), port)),
      m_WaitMs(waitMs)
{
    setWindowTitle(UiText(IDS_LAN_CAPTION));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(UiText(IDS_LAN_LABEL), this));
    m_List = new QListWidget(this);
    m_List->setProperty(kControlIdProperty, kListId);
    layout->addWidget(m_List);
    auto* buttons = new QHBoxLayout;
    auto* ok = new CSkinButton(UiText(IDS_OK), this, IDOK);
    auto* cancel = new CSkinButton(UiText(IDS_CANCEL), this, IDCANCEL);
    m_Refresh = new CSkinButton(UiText(IDS_LAN_REFRESH), this, kRefreshId);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(m_Refresh);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CLanSearchDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CLanSearchDlg::reject);
    connect(m_Refresh, &QPushButton::clicked, this, &CLanSearchDlg::Refresh);
    connect(m_Search.get(), &CLanSearch::HostFound, this, &CLanSearchDlg::OnHostFound);
    connect(m_Search.get(), &CLanSearch::Finished, this, &CLanSearchDlg::OnFinished);
    ok->setDefault(true);
    Refresh();
}

CLanSearchDlg::~CLanSearchDlg() = default;

bool CLanSearchDlg::IsSearching() const
{
    return m_Search->IsRunning();
}

void CLanSearchDlg::ShowPlaceholder(int textId)
{
    m_List->clear();
    m_List->addItem(UiText(textId));
    m_List->setCurrentRow(-1);
    m_List->setEnabled(false);
}

void CLanSearchDlg::Refresh()
{
    ShowPlaceholder(IDS_LAN_SEARCHING);
    m_Refresh->setEnabled(false);
    setCursor(Qt::BusyCursor);
    m_Search->Start(m_WaitMs);
}

void CLanSearchDlg::OnHostFound(const QString& host)
{
    // The first answer replaces the searching line; the first host is selected.
    if (!m_List->isEnabled())
    {
        m_List->clear();
        m_List->setEnabled(true);
        m_List->addItem(host);
        m_List->setCurrentRow(0);
        return;
    }
    m_List->addItem(host);
}

void CLanSearchDlg::OnFinished()
{
    m_Refresh->setEnabled(true);
    unsetCursor();
    if (m_Search->GetHosts().isEmpty())
        ShowPlaceholder(IDS_LAN_NONE);
}

void CLanSearchDlg::accept()
{
    const QStringList& hosts = m_Search->GetHosts();
    const int row = m_List->isEnabled() ? m_List->currentRow() : -1;
    m_Result = (!hosts.isEmpty() && row >= 0 && row < hosts.size()) ? hosts[row] : QString();
    m_Search->Stop();
    CPellomarDialog::accept();
}
