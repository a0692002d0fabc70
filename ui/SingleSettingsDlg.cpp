#include "SingleSettingsDlg.h"

#include "GameSettings.h"
#include "SkinButton.h"
#include "UiText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace ProgramTexts;

CSingleSettingsDlg::CSingleSettingsDlg(GameSettings& settings, const QStringList engineNames[2],
                                       const int engineIndex[2], ConfigureEngine configure, QWidget* parent)
    : CSettingsDlg(kTemplateId, Flavour::Local, settings, QSize(240, 250), parent),
      m_ConfigureEngine(std::move(configure))
{
    auto* layout = new QVBoxLayout(this);
    const int nameIds[2] = {kTopNameId, kBottomNameId};
    const int typeIds[2] = {kTopTypeId, kBottomTypeId};
    const int configureIds[2] = {kTopConfigureId, kBottomConfigureId};
    const int titles[2] = {IDS_PLAYER_AT_TOP, IDS_PLAYER_AT_BOTTOM};
    for (int p = 0; p < 2; ++p)
    {
        auto* group = new QGroupBox(UiText(titles[p]), this);
        auto* grid = new QGridLayout(group);
        m_Name[p] = new QLineEdit(group);
        m_Name[p]->setProperty(kControlIdProperty, nameIds[p]);
        m_Name[p]->setMaxLength(255);
        m_Type[p] = new QComboBox(group);
        m_Type[p]->setProperty(kControlIdProperty, typeIds[p]);
        m_Type[p]->addItem(UiText(IDS_HUMAN));
        m_Type[p]->addItems(engineNames[p]);
        m_EngineCount[p] = static_cast<int>(engineNames[p].size());
        // The engine index given by the caller, shown as its list entry (0 is the person).
        const int entry = engineIndex[p] + 1;
        m_Type[p]->setCurrentIndex(entry >= 0 && entry < m_Type[p]->count() ? entry : 0);
        m_Configure[p] = new CSkinButton(IDS_CONFIGURE, group, configureIds[p]);
        grid->addWidget(new QLabel(UiText(IDS_NAME), group), 0, 0);
        grid->addWidget(m_Name[p], 0, 1, 1, 2);
        grid->addWidget(new QLabel(UiText(IDS_TYPE), group), 1, 0);
        grid->addWidget(m_Type[p], 1, 1);
        grid->addWidget(m_Configure[p], 1, 2);
        connect(m_Type[p], &QComboBox::currentIndexChanged, this, [this] { UpdateEnabling(); });
        connect(m_Configure[p], &QPushButton::clicked, this, [this, p] {
            if (m_ConfigureEngine)
                m_ConfigureEngine(static_cast<Player>(p), m_Type[p]->currentIndex());
        });
        layout->addWidget(group);
    }
    m_Name[Top]->setText(settings.GetTopPlayerName());
    m_Name[Bottom]->setText(settings.GetBottomPlayerName());
    AddGameTimeGroup(layout);
    AddOptionsGroup(layout);
    AddButtons(layout);
    LoadCommonFields();
    UpdateEnabling();
}

void CSingleSettingsDlg::UpdateEnabling()
{
    SetTimeFieldsEnabled(IsCustomSelected());
    for (int p = 0; p < 2; ++p)
    {
        const int entry = m_Type[p]->currentIndex();
        m_Configure[p]->setEnabled(entry >= 1 && entry - 1 < m_EngineCount[p]);
    }
}

void CSingleSettingsDlg::StoreOwnFields()
{
    m_Settings.SetBottomPlayerName(m_Name[Bottom]->text());
    m_Settings.SetTopPlayerName(m_Name[Top]->text());
    m_Selected[Top] = m_Type[Top]->currentIndex();
    m_Selected[Bottom] = m_Type[Bottom]->currentIndex();
}
