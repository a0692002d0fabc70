#include "DoubleSettingsDlg.h"

#include <QCheckBox>
#include <QVBoxLayout>

CDoubleSettingsDlg::CDoubleSettingsDlg(GameSettings& settings, bool isServer, bool readOnly, QWidget* parent)
    : CSettingsDlg(kTemplateId, Flavour::Bughouse, settings, QSize(214, 177), parent), m_Editable(isServer && !readOnly)
{
    auto* layout = new QVBoxLayout(this);
    AddGameTimeGroup(layout);
    AddGameSettingsGroup(layout);
    AddOptionsGroup(layout);
    AddButtons(layout);
    LoadCommonFields();
    UpdateEnabling();
}

void CDoubleSettingsDlg::UpdateEnabling()
{
    SetTimeFieldsEnabled(m_Editable);
    m_KingCapture->setEnabled(m_Editable);
    m_TimeCall->setEnabled(m_Editable);
}
