#pragma once

#include <QDialog>

#include <functional>
#include <string>

class CEngineList;
class QLineEdit;
class QPushButton;

// Add/Modify Engine: edits one engine of a plug-in's list, its display name,
// command line and working directory. OK refuses empty fields; otherwise it replaces the
// previous entry (a rename removes the old key), writes the engine and
// selects it for the dialog's colour.
class CNewEngineDlg : public QDialog
{
    Q_OBJECT

public:
    enum ControlId
    {
        IDC_OK = 1,
        IDC_CANCEL = 2,
        IDC_HELP = 1009,
        IDC_NAME = 1007,
        IDC_COMMAND_LINE = 1002,
        IDC_BROWSE = 1003,
        IDC_WORKING_DIRECTORY = 1004,
    };

    // previousName is empty when adding.
    CNewEngineDlg(CEngineList& engines, bool white, const std::string& caption, const std::string& displayName,
                  const std::string& previousName, const std::string& commandLine, const std::string& workingDirectory,
                  QWidget* parent = nullptr);

    // Replaces the file-open dialog of Browse (tests): returns the chosen
    // path, or an empty text for Cancel.
    using FileChooser = std::function<QString(QWidget* parent)>;
    static void SetFileChooser(FileChooser chooser);

    void OnBrowse();
    void OnHelp();
    void OnOk();

private:
    QPushButton* AddButton(int id, const QString& text);

    CEngineList& m_Engines;
    bool m_White;
    std::string m_PreviousName;
    QLineEdit* m_Name;
    QLineEdit* m_CommandLine;
    QLineEdit* m_WorkingDirectory;
};
