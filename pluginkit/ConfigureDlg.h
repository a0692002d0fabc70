#pragma once

#include <QDialog>

#include <functional>
#include <string>

class CEngineList;
class CEngineOptionsDlg;
class CNewEngineDlg;
class QLineEdit;
class QListWidget;
class QPushButton;

// Configure Engines: a plug-in's engines with the command line and working
// directory of the selected one; Add, Modify and Remove edit the list,
// Options sets the selected engine's options, OK makes the selection the
// engine of the dialog's colour. A fixed default engine can be neither
// modified nor removed (its options can be set). There is no Cancel: closing
// the window leaves the colour's engine unchanged.
class CConfigureDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId
    {
        IDC_OK = 1,
        IDC_ADD = 1005,
        IDC_MODIFY = 1008,
        IDC_REMOVE = 1006,
        IDC_ENGINE_LIST = 1001,
        IDC_COMMAND_LINE = 1002,
        IDC_WORKING_DIRECTORY = 1004,
        IDC_OPTIONS = 1010,
    };

    CConfigureDlg(CEngineList& engines, bool white, QWidget* parent = nullptr);
    // The WinBoard plug-in's engines.
    explicit CConfigureDlg(bool white, QWidget* parent = nullptr);

    // Replaces the modal run of the Add/Modify dialog (tests): returns its
    // result, QDialog::Accepted or Rejected.
    using NewEngineRunner = std::function<int(CNewEngineDlg& dialog)>;
    static void SetNewEngineRunner(NewEngineRunner runner);
    // The same for the Engine Options dialog.
    using OptionsRunner = std::function<int(CEngineOptionsDlg& dialog)>;
    static void SetOptionsRunner(OptionsRunner runner);

    void FillList();
    void ShowDetails();
    void OnAdd();
    void OnModify();
    void OnRemove();
    void OnOptions();
    void OnOk();

    // The selected display name; empty when nothing is selected.
    [[nodiscard]] std::string SelectedName() const;

private:
    QPushButton* AddButton(int id, const QString& text);
    int RunNewEngineDialog(CNewEngineDlg& dialog);

    CEngineList& m_Engines;
    bool m_White;
    QListWidget* m_List;
    QLineEdit* m_CommandLine;
    QLineEdit* m_WorkingDirectory;
    QPushButton* m_Modify;
    QPushButton* m_Remove;
    QPushButton* m_Options;
};
