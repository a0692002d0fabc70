#include "UciConfigureDlg.h"

#include "UciRegistry.h"
#include "UciNewEngineDlg.h"
#include "PluginMessages.h"
#include "UciTexts.h"

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
CUciConfigureDlg::NewEngineRunner& Runner()
{
    static CUciConfigureDlg::NewEngineRunner runner;
    return runner;
}
} // namespace

CUciConfigureDlg::CUciConfigureDlg(bool white, QWidget* parent) : QDialog(parent), m_White(white)
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

    auto* listLabel = new QLabel(QString::fromStdString(UciTexts::Text(UciTexts::IDS_LIST_LABEL)), this);
    listLabel->setBuddy(m_List);
    QPushButton* ok = AddButton(IDC_OK, tr("OK"));
    ok->setDefault(true);
    QPushButton* add = AddButton(IDC_ADD, tr("&Add..."));
    m_Modify = AddButton(IDC_MODIFY, tr("&Modify..."));
    m_Remove = AddButton(IDC_REMOVE, tr("&Remove"));

    auto* side = new QVBoxLayout;
    side->addWidget(ok);
    side->addSpacing(12);
    side->addWidget(add);
    side->addWidget(m_Modify);
    side->addWidget(m_Remove);
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

    connect(ok, &QPushButton::clicked, this, &CUciConfigureDlg::OnOk);
    connect(add, &QPushButton::clicked, this, &CUciConfigureDlg::OnAdd);
    connect(m_Modify, &QPushButton::clicked, this, &CUciConfigureDlg::OnModify);
    connect(m_Remove, &QPushButton::clicked, this, &CUciConfigureDlg::OnRemove);
    connect(m_List, &QListWidget::currentRowChanged, this, [this](int) { ShowDetails(); });

    CUciRegistry::Instance().OpenRoot(CUciRegistry::ProductKey());
    FillList();
}

QPushButton* CUciConfigureDlg::AddButton(int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::number(id));
    button->setProperty("controlId", id);
    button->setAutoDefault(false);
    return button;
}

void CUciConfigureDlg::SetNewEngineRunner(NewEngineRunner runner)
{
    Runner() = std::move(runner);
}

int CUciConfigureDlg::RunNewEngineDialog(CUciNewEngineDlg& dialog)
{
    return Runner() ? Runner()(dialog) : dialog.exec();
}

std::string CUciConfigureDlg::SelectedName() const
{
    const QListWidgetItem* item = m_List->currentItem();
    return item != nullptr && item->isSelected() ? item->text().toStdString() : std::string();
}

void CUciConfigureDlg::FillList()
{
    CUciRegistry& registry = CUciRegistry::Instance();
    registry.OpenRoot(CUciRegistry::ProductKey());
    registry.OpenSubKey(CUciRegistry::EnginesKey());
    const QSignalBlocker blocker(m_List);
    m_List->clear();
    std::vector<std::string> names;
    registry.ListSubKeys(names);
    std::string selection;
    registry.ReadString(CUciRegistry::SelectionValue(m_White), selection, CUciRegistry::DefaultEngineName());
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

void CUciConfigureDlg::ShowDetails()
{
    if (m_List->count() == 0)
    {
        m_CommandLine->clear();
        m_WorkingDirectory->clear();
        m_Modify->setEnabled(false);
        m_Remove->setEnabled(false);
        return;
    }
    if (SelectedName().empty())
    {
        const QSignalBlocker blocker(m_List);
        m_List->setCurrentRow(0);
    }
    const std::string name = SelectedName();
    // Every entry may be changed: the registered Stockfish too, since the
    // user may want it with other arguments.
    m_Modify->setEnabled(true);
    m_Remove->setEnabled(true);
    CUciRegistry& registry = CUciRegistry::Instance();
    registry.OpenRoot(CUciRegistry::ProductKey());
    registry.OpenSubKey(CUciRegistry::EnginesKey() + "\\" + name);
    std::string commandLine;
    std::string workingDirectory;
    registry.ReadString("CommandLine", commandLine, "");
    registry.ReadString("WorkingDirectory", workingDirectory, "");
    m_CommandLine->setText(QString::fromStdString(commandLine));
    m_WorkingDirectory->setText(QString::fromStdString(workingDirectory));
}

void CUciConfigureDlg::OnAdd()
{
    CUciNewEngineDlg dialog(m_White, UciTexts::Text(UciTexts::IDS_ADD_ENGINE), "", "", "", "", this);
    if (RunNewEngineDialog(dialog) == QDialog::Accepted)
        FillList();
}

void CUciConfigureDlg::OnModify()
{
    const std::string name = SelectedName();
    if (name.empty())
        return;
    CUciNewEngineDlg dialog(m_White, UciTexts::Text(UciTexts::IDS_MODIFY_ENGINE), name, name,
                         m_CommandLine->text().toStdString(), m_WorkingDirectory->text().toStdString(), this);
    if (RunNewEngineDialog(dialog) == QDialog::Accepted)
        FillList();
}

void CUciConfigureDlg::OnRemove()
{
    const std::string name = SelectedName();
    const bool yes = CPluginMessages::Show(CPluginMessages::Kind::Question, windowTitle().toStdString(),
                                           UciTexts::Text(UciTexts::IDS_CONFIRM_REMOVE));
    if (!yes || name.empty())
        return;
    CUciRegistry& registry = CUciRegistry::Instance();
    registry.OpenRoot(CUciRegistry::ProductKey());
    registry.OpenSubKey(CUciRegistry::EnginesKey() + "\\" + name);
    registry.DeleteSubKey();
    FillList();
}

void CUciConfigureDlg::OnOk()
{
    CUciRegistry& registry = CUciRegistry::Instance();
    registry.OpenRoot(CUciRegistry::ProductKey());
    registry.OpenSubKey(CUciRegistry::EnginesKey());
    const std::string name = SelectedName();
    if (!name.empty())
        registry.WriteString(CUciRegistry::SelectionValue(m_White), name);
    accept();
}
