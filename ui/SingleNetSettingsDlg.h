#pragma once

#include "SettingsDlg.h"

// Settings of the network chess game. Only the server may change the time and
// the rules, and nobody while a game runs; the display options stay free.
class CSingleNetSettingsDlg : public CSettingsDlg
{
    Q_OBJECT

public:
    static constexpr int kTemplateId = 299;

    CSingleNetSettingsDlg(GameSettings& settings, bool isServer, bool readOnly, QWidget* parent = nullptr);
    void UpdateEnabling() override;

private:
    bool m_Editable;
};
