#include "GameListDlg.h"

#include "MessageDlg.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace ProgramTexts;

CGameListDlg::CGameListDlg(const std::vector<Row>& rows, QWidget* parent) : CPellomarDialog(kTemplateId, parent)
{
    setObjectName(QStringLiteral("GameListDlg"));
    setWindowTitle(UiText(IDS_GAME_LIST_TITLE));
    auto* layout = new QVBoxLayout(this);
    m_List = new QTreeWidget(this);
    m_List->setObjectName(QStringLiteral("gameList"));
    m_List->setProperty(kControlIdProperty, kListId);
    m_List->setRootIsDecorated(false);
    m_List->setUniformRowHeights(true);
    m_List->setSelectionMode(QAbstractItemView::SingleSelection);
    m_List->setHeaderLabels({UiText(IDS_GAME_LIST_NUMBER), UiText(IDS_GAME_LIST_WHITE), UiText(IDS_GAME_LIST_BLACK),
                             UiText(IDS_GAME_LIST_RESULT), UiText(IDS_GAME_LIST_EVENT), UiText(IDS_GAME_LIST_DATE)});
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const Row& row : rows)
        items.append(new QTreeWidgetItem(row));
    m_List->addTopLevelItems(items);
    m_List->header()->setStretchLastSection(true);
    for (int column = 0; column < 5; ++column)
        m_List->resizeColumnToContents(column);
    if (!items.isEmpty())
        m_List->setCurrentItem(items.front());
    layout->addWidget(m_List);
    auto* buttons = new QHBoxLayout;
    auto* ok = new CSkinButton(UiText(IDS_OK), this, IDOK);
    auto* cancel = new CSkinButton(UiText(IDS_CANCEL), this, IDCANCEL);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CGameListDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CGameListDlg::reject);
    connect(m_List, &QTreeWidget::itemActivated, this, [this] { accept(); });
    ok->setDefault(true);
    resize(560, 320);
}

void CGameListDlg::accept()
{
    m_Chosen = m_List->currentItem() != nullptr ? m_List->indexOfTopLevelItem(m_List->currentItem()) : -1;
    CPellomarDialog::accept();
}
