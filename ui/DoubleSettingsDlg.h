#pragma once

#include "SettingsDlg.h"

// Settings of the bughouse game: a game time always (no Infinite choice), the
// rules, and the display options. Only the server may change time and rules.
class CDoubleSettingsDlg : public CSettingsDlg
{
    Q_OBJECT

public:
    static constexpr int kTemplateId = 293;

    CDoubleSettingsDlg(GameSettings& settings, bool isServer, bool readOnly, QWidget* parent = nullptr);
    void UpdateEnabling() override;

private:
    bool m_Editable;
};
