#include "SingleNetSettingsDlg.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QVBoxLayout>

CSingleNetSettingsDlg::CSingleNetSettingsDlg(GameSettings& settings, bool isServer, bool readOnly, QWidget* parent)
    : CSettingsDlg(kTemplateId, Flavour::Network, settings, QSize(214, 206), parent), m_Editable(isServer && !readOnly)
{
    auto* layout = new QVBoxLayout(this);
    AddGameTimeGroup(layout);
    AddGameSettingsGroup(layout);
    AddOptionsGroup(layout);
    AddButtons(layout);
    LoadCommonFields();
    UpdateEnabling();
}

void CSingleNetSettingsDlg::UpdateEnabling()
{
    m_Infinite->setEnabled(m_Editable);
    m_Custom->setEnabled(m_Editable);
    m_KingCapture->setEnabled(m_Editable);
    m_TimeCall->setEnabled(m_Editable);
    SetTimeFieldsEnabled(m_Editable && IsCustomSelected());
}
