#include "NewEngineDlg.h"

#include "EngineList.h"
#include "PluginMessages.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
CNewEngineDlg::FileChooser& Chooser()
{
    static CNewEngineDlg::FileChooser chooser;
    return chooser;
}

// The Linux stand-in for "Executable Files (*.exe)": programs have no
// extension here, so every file is offered.
QString ExecutableFilter(const std::string& filter)
{
    return QString::fromStdString(filter).section('|', 0, 0).replace("*.exe", "*");
}
} // namespace

CNewEngineDlg::CNewEngineDlg(CEngineList& engines, bool white, const std::string& caption,
                             const std::string& displayName, const std::string& previousName,
                             const std::string& commandLine, const std::string& workingDirectory, QWidget* parent)
    : QDialog(parent), m_Engines(engines), m_White(white), m_PreviousName(previousName)
{
    setWindowTitle(QString::fromStdString(caption));
    m_Name = new QLineEdit(QString::fromStdString(displayName), this);
    m_CommandLine = new QLineEdit(QString::fromStdString(commandLine), this);
    m_WorkingDirectory = new QLineEdit(QString::fromStdString(workingDirectory), this);
    for (auto [edit, id] :
         {std::pair{m_Name, IDC_NAME}, {m_CommandLine, IDC_COMMAND_LINE}, {m_WorkingDirectory, IDC_WORKING_DIRECTORY}})
    {
        edit->setObjectName(QString::number(id));
        edit->setProperty("controlId", id);
    }

    auto* fields = new QGridLayout;
    auto* nameLabel = new QLabel(tr("&Display name:"), this);
    nameLabel->setBuddy(m_Name);
    auto* commandLabel = new QLabel(tr("&Command-line:"), this);
    commandLabel->setBuddy(m_CommandLine);
    auto* folderLabel = new QLabel(tr("&Working directory:"), this);
    folderLabel->setBuddy(m_WorkingDirectory);
    fields->addWidget(nameLabel, 0, 0);
    fields->addWidget(m_Name, 0, 1);
    fields->addWidget(commandLabel, 1, 0);
    fields->addWidget(m_CommandLine, 1, 1);
    fields->addWidget(AddButton(IDC_BROWSE, tr("&Browse...")), 1, 2);
    fields->addWidget(folderLabel, 2, 0);
    fields->addWidget(m_WorkingDirectory, 2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton* ok = AddButton(IDC_OK, tr("OK"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(AddButton(IDC_CANCEL, tr("Cancel")));
    buttons->addWidget(AddButton(IDC_HELP, tr("&Help")));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    // 277 x 111 dialog units at the usual 8-point font.
    resize(416, 180);

    connect(findChild<QPushButton*>(QString::number(IDC_OK)), &QPushButton::clicked, this, &CNewEngineDlg::OnOk);
    connect(findChild<QPushButton*>(QString::number(IDC_CANCEL)), &QPushButton::clicked, this, &QDialog::reject);
    connect(findChild<QPushButton*>(QString::number(IDC_HELP)), &QPushButton::clicked, this, &CNewEngineDlg::OnHelp);
    connect(findChild<QPushButton*>(QString::number(IDC_BROWSE)), &QPushButton::clicked, this,
            &CNewEngineDlg::OnBrowse);

    if (m_Name->text().isEmpty())
        m_Name->setText(QString::fromStdString(engines.Setup().newEngineName));
    m_Name->setFocus();
    m_Name->selectAll();
}

QPushButton* CNewEngineDlg::AddButton(int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::number(id));
    button->setProperty("controlId", id);
    button->setAutoDefault(false);
    return button;
}

void CNewEngineDlg::SetFileChooser(FileChooser chooser)
{
    Chooser() = std::move(chooser);
}

void CNewEngineDlg::OnBrowse()
{
    QString path;
    if (Chooser())
        path = Chooser()(this);
    else
        path = QFileDialog::getOpenFileName(this, QString(), m_WorkingDirectory->text(),
                                            ExecutableFilter(m_Engines.Setup().executableFilter));
    if (path.isEmpty())
        return;
    const QFileInfo file(path);
    if (!file.exists())
        return;
    m_CommandLine->setText(file.absoluteFilePath());
    m_WorkingDirectory->setText(file.absolutePath());
    if (m_Name->text().isEmpty())
        m_Name->setText(file.completeBaseName().isEmpty() ? file.fileName() : file.completeBaseName());
}

void CNewEngineDlg::OnHelp()
{
    CPluginMessages::Show(CPluginMessages::Kind::Information, m_Engines.Setup().helpCaption,
                          m_Engines.Setup().helpText);
}

void CNewEngineDlg::OnOk()
{
    const std::string name = m_Name->text().toStdString();
    const std::string commandLine = m_CommandLine->text().toStdString();
    const std::string workingDirectory = m_WorkingDirectory->text().toStdString();
    if (name.empty() || commandLine.empty() || workingDirectory.empty())
    {
        CPluginMessages::Show(CPluginMessages::Kind::Information, m_Engines.Setup().helpCaption,
                              m_Engines.Setup().fillAll);
        return;
    }
    // The engine's option values go with it to its new name.
    EngineOptionValues options;
    if (!m_PreviousName.empty())
    {
        options = m_Engines.ReadOptionValues(m_PreviousName);
        m_Engines.DeleteEngine(m_PreviousName);
    }
    m_Engines.OpenEngineKey(name);
    m_Engines.WriteString("CommandLine", commandLine);
    m_Engines.WriteString("WorkingDirectory", workingDirectory);
    if (!options.empty())
        m_Engines.WriteOptionValues(name, options);
    m_Engines.OpenEnginesKey();
    m_Engines.WriteString(CEngineList::SelectionValue(m_White), name);
    accept();
}
