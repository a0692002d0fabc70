#pragma once

#include "SettingsDlg.h"

#include <QStringList>

#include <functional>

class QComboBox;
class CSkinButton;

// Settings of the local chess game: the two players (name and Human or an
// engine), the game time and the display options.
class CSingleSettingsDlg : public CSettingsDlg
{
    Q_OBJECT

public:
    static constexpr int kTemplateId = 300;
    static constexpr int kTopNameId = 1066;
    static constexpr int kTopTypeId = 1058;
    static constexpr int kTopConfigureId = 1035;
    static constexpr int kBottomNameId = 1063;
    static constexpr int kBottomTypeId = 1057;
    static constexpr int kBottomConfigureId = 1034;

    enum Player
    {
        Top = 0,
        Bottom = 1,
    };
    // Opens the engine's own configuration for a player's list entry (k >= 1 is engine k - 1).
    using ConfigureEngine = std::function<void(Player player, int entry)>;

    // engineNames: the GetName of every engine in the list of each player's colour.
    // engineIndex: the current engine of each player, -1 for a person.
    CSingleSettingsDlg(GameSettings& settings, const QStringList engineNames[2], const int engineIndex[2],
                       ConfigureEngine configure, QWidget* parent = nullptr);

    // The list entries chosen (0 for "Human", k for engine k - 1); valid after OK.
    [[nodiscard]] int SelectedEntry(Player player) const { return m_Selected[player]; }
    void UpdateEnabling() override;

protected:
    void StoreOwnFields() override;

private:
    QLineEdit* m_Name[2];
    QComboBox* m_Type[2];
    CSkinButton* m_Configure[2];
    int m_EngineCount[2];
    int m_Selected[2] = {0, 0};
    ConfigureEngine m_ConfigureEngine;
};
