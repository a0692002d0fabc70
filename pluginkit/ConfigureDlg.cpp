#include "ConfigureDlg.h"

#include "EngineOptionsDlg.h"
#include "EngineRegistry.h"
#include "NewEngineDlg.h"
#include "PluginMessages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

namespace
{
CConfigureDlg::NewEngineRunner& Runner()
{
    static CConfigureDlg::NewEngineRunner runner;
    return runner;
}

CConfigureDlg::OptionsRunner& OptionsDialogRunner()
{
    static CConfigureDlg::OptionsRunner runner;
    return runner;
}
} // namespace

CConfigureDlg::CConfigureDlg(bool white, QWidget* parent) : CConfigureDlg(CEngineRegistry::Instance(), white, parent) {}

CConfigureDlg::CConfigureDlg(CEngineList& engines, bool white, QWidget* parent)
    : QDialog(parent), m_Engines(engines), m_White(white)
{
    setWindowTitle(tr("Configure Engines"));
    m_List = new QListWidget(this);
    m_List->setObjectName(QString::number(IDC_ENGINE_LIST));
    m_List->setProperty("controlId", IDC_ENGINE_LIST);
    m_List->setSortingEnabled(false);
    m_CommandLine = new QLineEdit(this);
    m_WorkingDirectory = new QLineEdit(this);
    for (auto [edit, id] : {std::pair{m_CommandLine, IDC_COMMAND_LINE}, {m_WorkingDirectory, IDC_WORKING_DIRECTORY}})
    {
        edit->setReadOnly(true);
        edit->setObjectName(QString::number(id));
        edit->setProperty("controlId", id);
    }

    auto* listLabel = new QLabel(QString::fromStdString(engines.Setup().listLabel), this);
    listLabel->setBuddy(m_List);
    QPushButton* ok = AddButton(IDC_OK, tr("OK"));
    ok->setDefault(true);
    QPushButton* add = AddButton(IDC_ADD, tr("&Add..."));
    m_Modify = AddButton(IDC_MODIFY, tr("&Modify..."));
    m_Remove = AddButton(IDC_REMOVE, tr("&Remove"));
    m_Options = AddButton(IDC_OPTIONS, tr("&Options..."));

    auto* side = new QVBoxLayout;
    side->addWidget(ok);
    side->addSpacing(12);
    side->addWidget(add);
    side->addWidget(m_Modify);
    side->addWidget(m_Remove);
    side->addSpacing(12);
    side->addWidget(m_Options);
    side->addStretch();
    auto* top = new QHBoxLayout;
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(listLabel);
    listColumn->addWidget(m_List);
    top->addLayout(listColumn);
    top->addLayout(side);
    auto* details = new QGridLayout;
    details->addWidget(new QLabel(tr("Command-line:"), this), 0, 0);
    details->addWidget(m_CommandLine, 0, 1);
    details->addWidget(new QLabel(tr("Working directory:"), this), 1, 0);
    details->addWidget(m_WorkingDirectory, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(details);
    // 224 x 146 dialog units at the usual 8-point font.
    resize(336, 237);

    connect(ok, &QPushButton::clicked, this, &CConfigureDlg::OnOk);
    connect(add, &QPushButton::clicked, this, &CConfigureDlg::OnAdd);
    connect(m_Modify, &QPushButton::clicked, this, &CConfigureDlg::OnModify);
    connect(m_Remove, &QPushButton::clicked, this, &CConfigureDlg::OnRemove);
    connect(m_Options, &QPushButton::clicked, this, &CConfigureDlg::OnOptions);
    // The selection, not the current row: a click makes the row current
    // before it selects it, so the current row's signal comes too early.
    connect(m_List, &QListWidget::itemSelectionChanged, this, &CConfigureDlg::ShowDetails);

    m_Engines.OpenRoot(m_Engines.ProductKey());
    FillList();
}

QPushButton* CConfigureDlg::AddButton(int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::number(id));
    button->setProperty("controlId", id);
    button->setAutoDefault(false);
    return button;
}

void CConfigureDlg::SetNewEngineRunner(NewEngineRunner runner)
{
    Runner() = std::move(runner);
}

void CConfigureDlg::SetOptionsRunner(CConfigureDlg::OptionsRunner runner)
{
    OptionsDialogRunner() = std::move(runner);
}

int CConfigureDlg::RunNewEngineDialog(CNewEngineDlg& dialog)
{
    return Runner() ? Runner()(dialog) : dialog.exec();
}

std::string CConfigureDlg::SelectedName() const
{
    const QList<QListWidgetItem*> selected = m_List->selectedItems();
    return selected.isEmpty() ? std::string() : selected.constFirst()->text().toStdString();
}

void CConfigureDlg::FillList()
{
    m_Engines.OpenEnginesKey();
    const QSignalBlocker blocker(m_List);
    m_List->clear();
    std::vector<std::string> names;
    m_Engines.ListSubKeys(names);
    std::string selection;
    m_Engines.ReadString(CEngineList::SelectionValue(m_White), selection, m_Engines.DefaultEngineName());
    int selected = -1;
    for (const std::string& name : names)
    {
        if (name == selection && selected < 0)
            selected = m_List->count();
        m_List->addItem(QString::fromStdString(name));
    }
    if (m_List->count() > 0)
        m_List->setCurrentRow(selected < 0 ? 0 : selected);
    ShowDetails();
}

void CConfigureDlg::ShowDetails()
{
    if (m_List->count() == 0)
    {
        m_CommandLine->clear();
        m_WorkingDirectory->clear();
        m_Modify->setEnabled(false);
        m_Remove->setEnabled(false);
        m_Options->setEnabled(false);
        return;
    }
    if (SelectedName().empty())
    {
        const QSignalBlocker blocker(m_List);
        m_List->setCurrentRow(0);
    }
    const std::string name = SelectedName();
    const bool editable = m_Engines.IsEditable(name);
    m_Modify->setEnabled(editable);
    m_Remove->setEnabled(editable);
    m_Options->setEnabled(!name.empty());
    m_Engines.OpenEngineKey(name);
    std::string commandLine;
    std::string workingDirectory;
    m_Engines.ReadString("CommandLine", commandLine, "");
    m_Engines.ReadString("WorkingDirectory", workingDirectory, "");
    m_CommandLine->setText(QString::fromStdString(commandLine));
    m_WorkingDirectory->setText(QString::fromStdString(workingDirectory));
}

void CConfigureDlg::OnAdd()
{
    CNewEngineDlg dialog(m_Engines, m_White, m_Engines.Setup().addCaption, "", "", "", "", this);
    if (RunNewEngineDialog(dialog) == QDialog::Accepted)
        FillList();
}

void CConfigureDlg::OnModify()
{
    const std::string name = SelectedName();
    if (name.empty())
        return;
    CNewEngineDlg dialog(m_Engines, m_White, m_Engines.Setup().modifyCaption, name, name,
                         m_CommandLine->text().toStdString(), m_WorkingDirectory->text().toStdString(), this);
    if (RunNewEngineDialog(dialog) == QDialog::Accepted)
        FillList();
}

void CConfigureDlg::OnRemove()
{
    const std::string name = SelectedName();
    const bool yes = CPluginMessages::Show(CPluginMessages::Kind::Question, windowTitle().toStdString(),
                                           m_Engines.Setup().confirmRemove);
    if (!yes || name.empty())
        return;
    m_Engines.DeleteEngine(name);
    FillList();
}

void CConfigureDlg::OnOptions()
{
    const std::string name = SelectedName();
    if (name.empty())
        return;
    CEngineOptionsDlg dialog(m_Engines, name, this);
    if (OptionsDialogRunner())
        OptionsDialogRunner()(dialog);
    else
        dialog.exec();
}

void CConfigureDlg::OnOk()
{
    m_Engines.OpenEnginesKey();
    const std::string name = SelectedName();
    if (!name.empty())
        m_Engines.WriteString(CEngineList::SelectionValue(m_White), name);
    accept();
}
