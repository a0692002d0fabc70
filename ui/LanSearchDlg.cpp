#include "LanSearchDlg.h"

#include "LanSearch.h"
#include "MessageDlg.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QApplication>
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
    auto* refresh = new CSkinButton(UiText(IDS_LAN_REFRESH), this, kRefreshId);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(refresh);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CLanSearchDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CLanSearchDlg::reject);
    connect(refresh, &QPushButton::clicked, this, &CLanSearchDlg::Refresh);
    ok->setDefault(true);
    Refresh();
}

CLanSearchDlg::~CLanSearchDlg() = default;

void CLanSearchDlg::Refresh()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QStringList& hosts = m_Search->Run(m_WaitMs);
    QApplication::restoreOverrideCursor();
    m_List->clear();
    if (hosts.isEmpty())
    {
        m_List->addItem(UiText(IDS_LAN_NONE));
        m_List->setCurrentRow(-1);
        m_List->setEnabled(false);
        return;
    }
    m_List->addItems(hosts);
    m_List->setEnabled(true);
    m_List->setCurrentRow(0);
}

void CLanSearchDlg::accept()
{
    const QStringList& hosts = m_Search->GetHosts();
    const int row = m_List->currentRow();
    m_Result = (!hosts.isEmpty() && row >= 0 && row < hosts.size()) ? hosts[row] : QString();
    CPellomarDialog::accept();
}
