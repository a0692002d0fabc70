#include "EngineOptionsDlg.h"

#include "EngineAdapter.h"
#include "EngineList.h"
#include "IChessEngineListenerEx.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <mutex>

namespace
{
// Where the engines that dialogs start report: one object for the life of
// the library, so that an engine's late event never reaches a listener that
// is gone. It hands each event to the dialog that started that engine, if
// that dialog is still open, on the dialog's thread.
class CProbeListener final : public IChessEngineListenerEx
{
public:
    static CProbeListener& Instance()
    {
        static CProbeListener* listener = new CProbeListener;
        return *listener;
    }

    void Register(IChessEngine* probe, CEngineOptionsDlg* dialog)
    {
        std::lock_guard lock(m_Mutex);
        m_Dialogs[probe] = dialog;
    }

    void Unregister(IChessEngine* probe)
    {
        std::lock_guard lock(m_Mutex);
        m_Dialogs.erase(probe);
    }

    bool OnEngineMove(int32_t, int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool OnEngineResult(int32_t) override { return true; }
    int32_t GetListenerVersion() override { return kChessEngineListenerExVersion; }
    void OnEngineReady(IChessEngine* source, const char*, int32_t) override
    {
        Forward(source, [source](CEngineOptionsDlg& dialog, CEngineAdapter* probe) {
            if (static_cast<IChessEngine*>(probe) == source)
                dialog.ShowOptions(probe->DeclaredOptions());
        });
    }
    void OnEngineFailed(IChessEngine* source, int32_t, const char*) override
    {
        Forward(source, [](CEngineOptionsDlg& dialog, CEngineAdapter*) { dialog.ShowFailure(); });
    }
    bool OnEngineMoveEx(IChessEngine*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*) override
    {
        return true;
    }
    bool OnEngineResultEx(IChessEngine*, int32_t, const char*) override { return true; }
    void OnEngineThinking(IChessEngine*, const EngineThinking*) override {}
    bool OnEngineDropEx(IChessEngine*, int32_t, int32_t, int32_t, const char*) override { return true; }
    void OnEnginePartnerMessage(IChessEngine*, const char*) override {}

private:
    template <typename Action> void Forward(IChessEngine* source, Action action)
    {
        QPointer<CEngineOptionsDlg> dialog;
        {
            std::lock_guard lock(m_Mutex);
            auto it = m_Dialogs.find(source);
            if (it == m_Dialogs.end())
                return;
            dialog = it->second;
        }
        if (dialog.isNull())
            return;
        QMetaObject::invokeMethod(
            dialog.data(),
            [dialog, source, action] {
                if (dialog.isNull())
                    return;
                // Still the dialog's engine? (It may have been let go of.)
                CProbeListener& self = Instance();
                {
                    std::lock_guard lock(self.m_Mutex);
                    if (self.m_Dialogs.find(source) == self.m_Dialogs.end())
                        return;
                }
                action(*dialog, static_cast<CEngineAdapter*>(source));
            },
            Qt::QueuedConnection);
    }

    std::mutex m_Mutex;
    std::map<IChessEngine*, QPointer<CEngineOptionsDlg>> m_Dialogs;
};

int ToInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}
} // namespace

CEngineOptionsDlg::CEngineOptionsDlg(CEngineList& engines, const std::string& engineName, QWidget* parent)
    : QDialog(parent), m_Engines(engines), m_EngineName(engineName)
{
    setWindowTitle(tr("Engine Options - %1").arg(Q(engineName)));
    m_Status = new QLabel(tr("Reading the engine's options..."), this);
    m_Status->setObjectName(QString::number(IDC_STATUS));
    m_Status->setWordWrap(true);
    auto* area = new QScrollArea(this);
    auto* page = new QWidget(area);
    m_Form = new QFormLayout(page);
    area->setWidget(page);
    area->setWidgetResizable(true);

    m_Ok = new QPushButton(tr("OK"), this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    m_Defaults = new QPushButton(tr("&Defaults"), this);
    for (auto [button, id] : {std::pair{m_Ok, IDC_OK}, {cancel, IDC_CANCEL}, {m_Defaults, IDC_DEFAULTS}})
    {
        button->setObjectName(QString::number(id));
        button->setProperty("controlId", id);
        button->setAutoDefault(false);
    }
    m_Ok->setDefault(true);
    m_Ok->setEnabled(false);
    m_Defaults->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_Defaults);
    buttons->addStretch();
    buttons->addWidget(m_Ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_Status);
    layout->addWidget(area, 1);
    layout->addLayout(buttons);
    resize(420, 460);

    connect(m_Ok, &QPushButton::clicked, this, &CEngineOptionsDlg::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_Defaults, &QPushButton::clicked, this, &CEngineOptionsDlg::OnDefaults);

    // The engine is asked on its own thread; its answer comes as an event.
    std::string commandLine;
    std::string workingDirectory;
    m_Engines.OpenEngineKey(engineName);
    m_Engines.ReadString("CommandLine", commandLine, "");
    m_Engines.ReadString("WorkingDirectory", workingDirectory, "");
    m_Probe = m_Engines.NewAdapter();
    if (m_Probe == nullptr || commandLine.empty())
    {
        ShowFailure();
        return;
    }
    m_Probe->SetEngineOverride(commandLine, workingDirectory);
    CProbeListener::Instance().Register(static_cast<IChessEngine*>(m_Probe), this);
    m_Probe->SetListenerEx(&CProbeListener::Instance());
    m_Probe->StartAsync();
}

CEngineOptionsDlg::~CEngineOptionsDlg()
{
    StopProbe();
}

void CEngineOptionsDlg::StopProbe()
{
    if (m_Probe == nullptr)
        return;
    CProbeListener::Instance().Unregister(static_cast<IChessEngine*>(m_Probe));
    m_Probe->Destroy();
    m_Probe = nullptr;
}

bool CEngineOptionsDlg::IsHidden(const std::string& name)
{
    static const char* const kHidden[] = {"Ponder",       "UCI_Chess960",    "UCI_AnalyseMode",
                                          "UCI_Opponent", "UCI_EngineAbout", "UCI_Variant"};
    return std::any_of(std::begin(kHidden), std::end(kHidden), [&](const char* hidden) { return name == hidden; });
}

void CEngineOptionsDlg::ShowFailure()
{
    StopProbe();
    m_Status->setText(tr("The engine could not be started, so its options cannot be shown."));
}

void CEngineOptionsDlg::ShowOptions(std::vector<EngineOption> options)
{
    StopProbe();
    std::erase_if(options, [](const EngineOption& option) { return IsHidden(option.name); });
    m_Options = std::move(options);
    const EngineOptionValues stored = m_Engines.ReadOptionValues(m_EngineName);
    for (const EngineOption& option : m_Options)
    {
        QWidget* control = nullptr;
        QString label = Q(option.name);
        switch (option.type)
        {
        case EngineOption::Type::Spin:
        {
            auto* spin = new QSpinBox(this);
            spin->setRange(ToInt(option.min), ToInt(option.max));
            control = spin;
            break;
        }
        case EngineOption::Type::Check: control = new QCheckBox(this); break;
        case EngineOption::Type::Combo:
        {
            auto* combo = new QComboBox(this);
            for (const std::string& choice : option.choices)
                combo->addItem(Q(choice));
            control = combo;
            break;
        }
        case EngineOption::Type::String: control = new QLineEdit(this); break;
        case EngineOption::Type::Button:
        {
            // A button acts at once in a running engine; here it is a toggle:
            // pressed at every start of the engine.
            auto* button = new QPushButton(tr("Press at every start"), this);
            button->setCheckable(true);
            button->setAutoDefault(false);
            control = button;
            break;
        }
        }
        control->setObjectName("option:" + Q(option.name));
        m_Controls[option.name] = control;
        m_Form->addRow(label, control);
        const auto value = stored.find(option.name);
        SetValue(option, value != stored.end() ? value->second : option.defaultValue);
    }
    m_Status->setText(m_Options.empty() ? tr("This engine has no options to set.") : QString());
    m_Status->setVisible(m_Options.empty());
    m_Ok->setEnabled(true);
    m_Defaults->setEnabled(!m_Options.empty());
}

QWidget* CEngineOptionsDlg::Control(const std::string& name) const
{
    auto it = m_Controls.find(name);
    return it == m_Controls.end() ? nullptr : it->second;
}

void CEngineOptionsDlg::SetValue(const EngineOption& option, const std::string& value)
{
    QWidget* control = Control(option.name);
    switch (option.type)
    {
    case EngineOption::Type::Spin:
    {
        bool ok = false;
        const qlonglong number = Q(value).toLongLong(&ok);
        const qlonglong fallback = Q(option.defaultValue).toLongLong();
        static_cast<QSpinBox*>(control)->setValue(ToInt(ok ? number : fallback));
        break;
    }
    case EngineOption::Type::Check: static_cast<QCheckBox*>(control)->setChecked(value == "true"); break;
    case EngineOption::Type::Combo:
    {
        auto* combo = static_cast<QComboBox*>(control);
        const int index = combo->findText(Q(value));
        combo->setCurrentIndex(index >= 0 ? index : std::max(0, combo->findText(Q(option.defaultValue))));
        break;
    }
    case EngineOption::Type::String: static_cast<QLineEdit*>(control)->setText(Q(value)); break;
    case EngineOption::Type::Button: static_cast<QPushButton*>(control)->setChecked(value == "true"); break;
    }
}

std::string CEngineOptionsDlg::ValueOf(const EngineOption& option) const
{
    const QWidget* control = Control(option.name);
    if (control == nullptr)
        return option.defaultValue;
    switch (option.type)
    {
    case EngineOption::Type::Spin: return std::to_string(static_cast<const QSpinBox*>(control)->value());
    case EngineOption::Type::Check: return static_cast<const QCheckBox*>(control)->isChecked() ? "true" : "false";
    case EngineOption::Type::Combo: return static_cast<const QComboBox*>(control)->currentText().toStdString();
    case EngineOption::Type::String: return static_cast<const QLineEdit*>(control)->text().toStdString();
    case EngineOption::Type::Button: return static_cast<const QPushButton*>(control)->isChecked() ? "true" : "false";
    }
    return option.defaultValue;
}

void CEngineOptionsDlg::OnDefaults()
{
    for (const EngineOption& option : m_Options)
        SetValue(option, option.type == EngineOption::Type::Button ? "false" : option.defaultValue);
}

void CEngineOptionsDlg::OnOk()
{
    // Only what differs from the engine's defaults is kept: the engine
    // starts with those anyway, and a later version may change them.
    EngineOptionValues values;
    for (const EngineOption& option : m_Options)
    {
        const std::string value = ValueOf(option);
        const bool isDefault =
            option.type == EngineOption::Type::Button ? value == "false" : value == option.defaultValue;
        if (!isDefault)
            values[option.name] = value;
    }
    m_Engines.WriteOptionValues(m_EngineName, values);
    accept();
}
