#pragma once

#include "PellomarDialog.h"

#include <QString>

class GameSettings;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;
class CSpinButton;

// What the three Settings dialogs share: the game time with its bonus, the
// rule and display check boxes, OK with its checks, and Cancel.
class CSettingsDlg : public CPellomarDialog
{
    Q_OBJECT

public:
    // Control ids
    static constexpr int kHoursId = 1059;
    static constexpr int kMinutesId = 1061;
    static constexpr int kSecondsId = 1062;
    static constexpr int kBonusId = 1060;
    static constexpr int kHoursSpinId = 1080;
    static constexpr int kMinutesSpinId = 1082;
    static constexpr int kSecondsSpinId = 1083;
    static constexpr int kBonusSpinId = 1081;
    static constexpr int kKingCaptureId = 1051;
    static constexpr int kTimeCallId = 1054;
    static constexpr int kHighlightId = 1052;
    static constexpr int kSoundId = 1053;
    static constexpr int kInfiniteId = 1077;
    static constexpr int kCustomId = 1076;
    // Local games only: an engine's time a move with no time limit, and the engines' thinking shown.
    static constexpr int kMoveSecondsId = 1090;
    static constexpr int kMoveSecondsSpinId = 1091;
    static constexpr int kShowThinkingId = 1092;
    // Local games only: the zoom of the whole program, from its next start.
    static constexpr int kZoomId = 1093;

    // The control with that id, or null.
    [[nodiscard]] QWidget* Control(int controlId) const;
    // OK: checks and stores the fields; the dialog stays open when a check fails.
    void OnOk();
    // Runs the enabling rules again (after a click on Infinite or Custom, or a change of a type list).
    virtual void UpdateEnabling() = 0;

protected:
    enum class Flavour
    {
        Local,
        Network,
        Bughouse,
    };

    CSettingsDlg(int templateId, Flavour flavour, GameSettings& settings, QSize sizeInDialogUnits, QWidget* parent);

    // Builders for the subclasses, in the order the dialog shows its groups.
    QGroupBox* AddGameTimeGroup(QVBoxLayout* layout);
    QGroupBox* AddGameSettingsGroup(QVBoxLayout* layout);
    QGroupBox* AddOptionsGroup(QVBoxLayout* layout);
    void AddButtons(QVBoxLayout* layout);
    // Loads the common fields from the settings record and sizes the dialog.
    void LoadCommonFields();
    void SetTimeFieldsEnabled(bool enabled);
    [[nodiscard]] bool IsCustomSelected() const;
    // Writes the subclass's own fields after the common ones.
    virtual void StoreOwnFields() {}

    GameSettings& m_Settings;
    Flavour m_Flavour;
    QSize m_SizeDu;
    QRadioButton* m_Infinite = nullptr;
    QRadioButton* m_Custom = nullptr;
    QLineEdit* m_Hours = nullptr;
    QLineEdit* m_Minutes = nullptr;
    QLineEdit* m_Seconds = nullptr;
    QLineEdit* m_Bonus = nullptr;
    CSpinButton* m_HoursSpin = nullptr;
    CSpinButton* m_MinutesSpin = nullptr;
    CSpinButton* m_SecondsSpin = nullptr;
    CSpinButton* m_BonusSpin = nullptr;
    QCheckBox* m_KingCapture = nullptr;
    QCheckBox* m_TimeCall = nullptr;
    QCheckBox* m_Highlight = nullptr;
    QCheckBox* m_Sound = nullptr;
    QLineEdit* m_MoveSeconds = nullptr;
    CSpinButton* m_MoveSecondsSpin = nullptr;
    QCheckBox* m_ShowThinking = nullptr;
    QComboBox* m_Zoom = nullptr;

private:
    // The typed value of a field within its range; shows the standard message and fails otherwise.
    bool TakeField(QLineEdit* field, int minimum, int maximum, int& value);
};
