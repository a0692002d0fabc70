#pragma once

#include "EngineOption.h"

#include <QDialog>

#include <map>
#include <string>
#include <vector>

class CEngineAdapter;
class CEngineList;
class QLabel;
class QFormLayout;
class QPushButton;

// Engine Options: the options one engine of a plug-in's list declares, each
// with a control of its kind (a number box for a spin, a check box, a list
// for a combo, a text box for a string, a toggle for a button that is to be
// pressed at every start), filled with the values stored for the engine or
// else the engine's defaults. The dialog starts the engine on its own thread
// to learn its options and shows them when the engine has answered; OK stores
// the values that differ from the defaults, sent at every start of it.
class CEngineOptionsDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId
    {
        IDC_OK = 1,
        IDC_CANCEL = 2,
        IDC_DEFAULTS = 1101,
        IDC_STATUS = 1102,
    };

    CEngineOptionsDlg(CEngineList& engines, const std::string& engineName, QWidget* parent = nullptr);
    ~CEngineOptionsDlg() override;

    // Shows these options with the stored values (normally the engine's answer).
    void ShowOptions(std::vector<EngineOption> options);
    // The engine could not be started: there is nothing to show.
    void ShowFailure();
    // Sets every control to the engine's default.
    void OnDefaults();
    void OnOk();

    // The options shown (none until the engine has answered).
    [[nodiscard]] const std::vector<EngineOption>& Options() const { return m_Options; }
    // The control of an option; its object name is "option:" and the name.
    [[nodiscard]] QWidget* Control(const std::string& name) const;
    // The value a control holds, as it would be stored.
    [[nodiscard]] std::string ValueOf(const EngineOption& option) const;

    // Options the program sets by itself, never shown: pondering follows
    // the program's setting, the others belong to other kinds of games.
    [[nodiscard]] static bool IsHidden(const std::string& name);

private:
    void SetValue(const EngineOption& option, const std::string& value);
    void StopProbe();

    CEngineList& m_Engines;
    std::string m_EngineName;
    CEngineAdapter* m_Probe = nullptr;
    std::vector<EngineOption> m_Options;
    std::map<std::string, QWidget*> m_Controls;
    QLabel* m_Status;
    QFormLayout* m_Form;
    QPushButton* m_Ok;
    QPushButton* m_Defaults;
};
