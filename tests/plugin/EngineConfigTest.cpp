#include "ConfigureDlg.h"
#include "EngineOptionsDlg.h"
#include "EngineRegistry.h"
#include "NewEngineDlg.h"
#include "PluginTestSupport.h"
#include "RavelinTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{
template <typename T> T* Control(QWidget& dialog, int id)
{
    T* control = dialog.findChild<T*>(QString::number(id));
    EXPECT_NE(control, nullptr) << "control " << id;
    return control;
}

void MakeExecutable(const fs::path& path)
{
    std::ofstream(path) << "#!/bin/sh\n";
    fs::permissions(path, fs::perms::owner_all);
}

class EngineConfigTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Dir.isValid());
        m_Root = m_Dir.path().toStdString();
        CEngineRegistry::ResetInstance((m_Root / "store.conf").string());
    }

    void TearDown() override
    {
        CConfigureDlg::SetNewEngineRunner({});
        CConfigureDlg::SetOptionsRunner({});
        CNewEngineDlg::SetFileChooser({});
    }

    CEngineList& Registry() { return CEngineRegistry::Instance(); }

    std::string Selection(bool white)
    {
        Registry().OpenEnginesKey();
        std::string name;
        Registry().ReadString(CEngineList::SelectionValue(white), name, "?");
        return name;
    }

    std::vector<std::string> Engines()
    {
        Registry().OpenEnginesKey();
        std::vector<std::string> names;
        Registry().ListSubKeys(names);
        return names;
    }

    void AddEngine(const std::string& name, const std::string& commandLine, const std::string& folder)
    {
        Registry().OpenRoot(Registry().ProductKey());
        Registry().OpenSubKey(Registry().EnginesKey() + "\\" + name);
        Registry().WriteString("CommandLine", commandLine);
        Registry().WriteString("WorkingDirectory", folder);
    }

    std::string Value(const std::string& engine, const std::string& value)
    {
        Registry().OpenRoot(Registry().ProductKey());
        Registry().OpenSubKey(Registry().EnginesKey() + "\\" + engine);
        std::string text;
        Registry().ReadString(value, text, "<missing>");
        return text;
    }

    // Registers the default engine and "Alpha" from a folder tree.
    void InstallTwoEngines()
    {
        const fs::path engines = m_Root / "Engines" / "Winboard";
        fs::create_directories(engines / "Phalanx");
        fs::create_directories(engines / "Alpha");
        MakeExecutable(engines / "Phalanx" / "phalanx");
        MakeExecutable(engines / "Alpha" / "alpha");
        Registry().RegisterInstalledEngines({engines}, {});
    }

    QTemporaryDir m_Dir;
    fs::path m_Root;
    CMessageRecorder m_Messages;
};
} // namespace

TEST_F(EngineConfigTest, FirstUseCreatesTheSelectionsAndRegistersInstalledEngines)
{
    const std::string defaultName = Registry().DefaultEngineName();
    const fs::path engines = m_Root / "Engines" / "Winboard";
    fs::create_directories(engines / defaultName);
    fs::create_directories(engines / "Two Programs");
    fs::create_directories(engines / "Nothing Runnable");
    MakeExecutable(engines / defaultName / "engine");
    MakeExecutable(engines / "Two Programs" / "first");
    MakeExecutable(engines / "Two Programs" / "second");
    std::ofstream(engines / "Nothing Runnable" / "readme.txt") << "text\n";
    MakeExecutable(engines / "loose-program");

    Registry().RegisterInstalledEngines({engines, m_Root / "missing"}, {});
    EXPECT_EQ(Selection(true), defaultName);
    EXPECT_EQ(Selection(false), defaultName);
    EXPECT_EQ(Engines(), (std::vector<std::string>{defaultName, "Two Programs"}));
    EXPECT_EQ(Value(defaultName, "CommandLine"), (engines / defaultName / "engine").string());
    EXPECT_EQ(Value(defaultName, "WorkingDirectory"), (engines / defaultName).string() + "/");
    EXPECT_EQ(Value("Two Programs", "CommandLine"), (engines / "Two Programs" / "second").string());

    // A user's change to an installed engine is replaced at the next
    // registration; the user's selections stay.
    AddEngine("Two Programs", "/elsewhere", "/");
    Registry().OpenEnginesKey();
    Registry().WriteString("BlackEngine", "Two Programs");
    Registry().RegisterInstalledEngines({engines}, {});
    EXPECT_EQ(Value("Two Programs", "CommandLine"), (engines / "Two Programs" / "second").string());
    EXPECT_EQ(Selection(false), "Two Programs");
}

TEST_F(EngineConfigTest, ConfigureShowsTheListAndProtectsTheDefaultEngine)
{
    InstallTwoEngines();
    CConfigureDlg dialog(true);
    auto* list = Control<QListWidget>(dialog, CConfigureDlg::IDC_ENGINE_LIST);
    auto* modify = Control<QPushButton>(dialog, CConfigureDlg::IDC_MODIFY);
    auto* remove = Control<QPushButton>(dialog, CConfigureDlg::IDC_REMOVE);
    auto* commandLine = Control<QLineEdit>(dialog, CConfigureDlg::IDC_COMMAND_LINE);
    auto* folder = Control<QLineEdit>(dialog, CConfigureDlg::IDC_WORKING_DIRECTORY);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(dialog.SelectedName(), Registry().DefaultEngineName());
    EXPECT_FALSE(modify->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_TRUE(commandLine->isReadOnly());
    EXPECT_EQ(commandLine->text().toStdString(), (m_Root / "Engines/Winboard/Phalanx/phalanx").string());

    list->setCurrentRow(0); // "Alpha"
    EXPECT_EQ(dialog.SelectedName(), "Alpha");
    EXPECT_TRUE(modify->isEnabled());
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_EQ(folder->text().toStdString(), (m_Root / "Engines/Winboard/Alpha").string() + "/");

    // OK in the White dialog changes White's engine only.
    Control<QPushButton>(dialog, CConfigureDlg::IDC_OK)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Selection(true), "Alpha");
    EXPECT_EQ(Selection(false), Registry().DefaultEngineName());

    // A selection naming no engine shows the first entry; an empty list disables both buttons.
    Registry().OpenEnginesKey();
    Registry().WriteString("BlackEngine", "Gone");
    CConfigureDlg black(false);
    EXPECT_EQ(black.SelectedName(), "Alpha");
    for (const std::string& name : Engines())
    {
        Registry().OpenRoot(Registry().ProductKey());
        Registry().OpenSubKey(Registry().EnginesKey() + "\\" + name);
        Registry().DeleteSubKey();
    }
    black.FillList();
    EXPECT_EQ(Control<QListWidget>(black, CConfigureDlg::IDC_ENGINE_LIST)->count(), 0);
    EXPECT_FALSE(Control<QPushButton>(black, CConfigureDlg::IDC_MODIFY)->isEnabled());
    EXPECT_TRUE(Control<QLineEdit>(black, CConfigureDlg::IDC_COMMAND_LINE)->text().isEmpty());
}

TEST_F(EngineConfigTest, AddRefusesEmptyFieldsThenWritesAndSelectsTheEngine)
{
    InstallTwoEngines();
    CConfigureDlg dialog(false);
    std::vector<std::string> captions;
    int attempts = 0;
    CConfigureDlg::SetNewEngineRunner([&](CNewEngineDlg& add) {
        captions.push_back(add.windowTitle().toStdString());
        auto* name = Control<QLineEdit>(add, CNewEngineDlg::IDC_NAME);
        EXPECT_EQ(name->text().toStdString(), "<New Engine>");
        EXPECT_EQ(name->selectedText(), name->text());
        Control<QPushButton>(add, CNewEngineDlg::IDC_OK)->click(); // command line still empty
        ++attempts;
        EXPECT_EQ(add.result(), QDialog::Rejected);
        name->setText("Crafty");
        Control<QLineEdit>(add, CNewEngineDlg::IDC_COMMAND_LINE)->setText("/opt/crafty/crafty");
        Control<QLineEdit>(add, CNewEngineDlg::IDC_WORKING_DIRECTORY)->setText("/opt/crafty");
        Control<QPushButton>(add, CNewEngineDlg::IDC_OK)->click();
        return add.result();
    });
    Control<QPushButton>(dialog, CConfigureDlg::IDC_ADD)->click();
    EXPECT_EQ(captions, std::vector<std::string>{"Add Engine"});
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(m_Messages.Texts(), std::vector<std::string>{"Please fill all members."});
    EXPECT_EQ(m_Messages.Captions(), std::vector<std::string>{"Help"});
    EXPECT_EQ(Engines(), (std::vector<std::string>{"Alpha", "Crafty", "Phalanx"}));
    EXPECT_EQ(Value("Crafty", "CommandLine"), "/opt/crafty/crafty");
    EXPECT_EQ(dialog.SelectedName(), "Crafty");
    EXPECT_EQ(Selection(false), "Crafty");
    EXPECT_EQ(Selection(true), Registry().DefaultEngineName());
}

TEST_F(EngineConfigTest, ModifyWithRenameReplacesTheOldKey)
{
    InstallTwoEngines();
    CConfigureDlg dialog(true);
    Control<QListWidget>(dialog, CConfigureDlg::IDC_ENGINE_LIST)->setCurrentRow(0); // Alpha
    bool cancelled = false;
    CConfigureDlg::SetNewEngineRunner([&](CNewEngineDlg& modify) {
        EXPECT_EQ(modify.windowTitle().toStdString(), "Modify Engine");
        EXPECT_EQ(Control<QLineEdit>(modify, CNewEngineDlg::IDC_NAME)->text().toStdString(), "Alpha");
        EXPECT_EQ(Control<QLineEdit>(modify, CNewEngineDlg::IDC_COMMAND_LINE)->text().toStdString(),
                  (m_Root / "Engines/Winboard/Alpha/alpha").string());
        if (!cancelled)
        {
            cancelled = true;
            Control<QPushButton>(modify, CNewEngineDlg::IDC_CANCEL)->click();
            return modify.result();
        }
        Control<QLineEdit>(modify, CNewEngineDlg::IDC_NAME)->setText("Alpha Two");
        Control<QPushButton>(modify, CNewEngineDlg::IDC_OK)->click();
        return modify.result();
    });
    auto* modify = Control<QPushButton>(dialog, CConfigureDlg::IDC_MODIFY);
    modify->click();
    EXPECT_EQ(Engines(), (std::vector<std::string>{"Alpha", "Phalanx"}));
    modify->click();
    EXPECT_EQ(Engines(), (std::vector<std::string>{"Alpha Two", "Phalanx"}));
    EXPECT_EQ(Value("Alpha Two", "CommandLine"), (m_Root / "Engines/Winboard/Alpha/alpha").string());
    EXPECT_EQ(dialog.SelectedName(), "Alpha Two");
    EXPECT_EQ(Selection(true), "Alpha Two");
}

TEST_F(EngineConfigTest, RemoveAsksAndOnlyYesRemoves)
{
    InstallTwoEngines();
    CConfigureDlg dialog(true);
    Control<QListWidget>(dialog, CConfigureDlg::IDC_ENGINE_LIST)->setCurrentRow(0); // Alpha
    auto* remove = Control<QPushButton>(dialog, CConfigureDlg::IDC_REMOVE);
    m_Messages.SetAnswer(false);
    remove->click();
    EXPECT_EQ(Engines(), (std::vector<std::string>{"Alpha", "Phalanx"}));
    EXPECT_EQ(dialog.SelectedName(), "Alpha");
    m_Messages.SetAnswer(true);
    remove->click();
    EXPECT_EQ(Engines(), std::vector<std::string>{"Phalanx"});
    EXPECT_EQ(dialog.SelectedName(), "Phalanx");
    EXPECT_EQ(m_Messages.Texts(), (std::vector<std::string>(2, "Are you sure to remove the selected engine?")));
    EXPECT_EQ(m_Messages.Kinds(), (std::vector<CPluginMessages::Kind>(2, CPluginMessages::Kind::Question)));
}

TEST_F(EngineConfigTest, BrowseFillsTheFieldsAndHelpExplainsThem)
{
    const fs::path program = m_Root / "engines" / "crafty-25";
    fs::create_directories(program.parent_path());
    MakeExecutable(program);
    CNewEngineDlg::SetFileChooser([&](QWidget*) { return QString::fromStdString(program.string()); });
    CNewEngineDlg dialog(Registry(), true, "Add Engine", "", "", "", "");
    auto* name = Control<QLineEdit>(dialog, CNewEngineDlg::IDC_NAME);
    auto* browse = Control<QPushButton>(dialog, CNewEngineDlg::IDC_BROWSE);
    browse->click();
    EXPECT_EQ(Control<QLineEdit>(dialog, CNewEngineDlg::IDC_COMMAND_LINE)->text().toStdString(), program.string());
    EXPECT_EQ(Control<QLineEdit>(dialog, CNewEngineDlg::IDC_WORKING_DIRECTORY)->text().toStdString(),
              program.parent_path().string());
    EXPECT_EQ(name->text().toStdString(), "<New Engine>"); // the name is taken only from an empty box
    name->clear();
    browse->click();
    EXPECT_EQ(name->text().toStdString(), "crafty-25");

    Control<QPushButton>(dialog, CNewEngineDlg::IDC_HELP)->click();
    ASSERT_EQ(m_Messages.Texts().size(), 1u);
    EXPECT_EQ(m_Messages.Captions()[0], "Help");
    const std::string help = m_Messages.Texts()[0];
    EXPECT_NE(help.find("Display name:\n   This is the name by which you will refer to the engine.\n"),
              std::string::npos);
    EXPECT_NE(help.find("\"" + Registry().DefaultEngineName() + "\""), std::string::npos);
    EXPECT_NE(help.find("\n\nWorking folder:\n   This folder is usually the same"), std::string::npos);
    EXPECT_NE(help.find("   We suggest you keep the default value."), std::string::npos);
}

TEST_F(EngineConfigTest, StartRunsTheEngineConfiguredForItsColour)
{
    AddEngine("Fake", std::string(FAKE_ENGINE) + " /dev/null /dev/null", m_Root.string());
    Registry().OpenEnginesKey();
    Registry().WriteString("BlackEngine", "Fake");
    for (bool white : {false, true})
    {
        AdapterPtr adapter(new CWinboardAdapter);
        adapter->SetTimings(FastTimings());
        adapter->SetColour(white ? 2 : 1);
        // Black has the fake engine; White's default engine has no entry here.
        EXPECT_EQ(adapter->Start(), !white);
        ASSERT_TRUE(adapter->WaitUntilIdle());
        EXPECT_EQ(adapter->HasProcess(), !white);
        adapter->Quit();
        ASSERT_TRUE(adapter->WaitUntilIdle());
    }
    EXPECT_EQ(m_Messages.Texts(), std::vector<std::string>{RavelinTexts::Text(RavelinTexts::IDS_START_ERROR)});
    // Reading the default engine's entry created it with empty values.
    EXPECT_EQ(Value(Registry().DefaultEngineName(), "CommandLine"), "");
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(std::chrono::seconds(5)));
}

// A click on a row selects that engine: its details are shown and OK takes
// it. (The details used to follow the current row, which a click changes
// before it selects the row: they showed the first engine, and OK kept the
// old choice.)
TEST_F(EngineConfigTest, AClickedEngineIsShownAndChosen)
{
    InstallTwoEngines();
    Registry().OpenEnginesKey();
    Registry().WriteString("WhiteEngine", "Alpha");
    CConfigureDlg dialog(true);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* list = Control<QListWidget>(dialog, CConfigureDlg::IDC_ENGINE_LIST);
    auto* commandLine = Control<QLineEdit>(dialog, CConfigureDlg::IDC_COMMAND_LINE);
    ASSERT_EQ(dialog.SelectedName(), "Alpha");
    // A click on the second row, as a person does it.
    QListWidgetItem* phalanx = list->item(1);
    ASSERT_EQ(phalanx->text(), "Phalanx");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(phalanx).center());
    EXPECT_TRUE(phalanx->isSelected());
    EXPECT_EQ(dialog.SelectedName(), "Phalanx");
    EXPECT_EQ(commandLine->text().toStdString(), (m_Root / "Engines/Winboard/Phalanx/phalanx").string());
    EXPECT_FALSE(Control<QPushButton>(dialog, CConfigureDlg::IDC_MODIFY)->isEnabled());
    QTest::mouseClick(Control<QPushButton>(dialog, CConfigureDlg::IDC_OK), Qt::LeftButton);
    EXPECT_EQ(Selection(true), "Phalanx");
}

TEST_F(EngineConfigTest, TheOptionsDialogAsksTheEngineAndStoresWhatDiffersFromItsDefaults)
{
    const std::string script = (m_Root / "options-script").string();
    std::ofstream(script) << "on protover say feature memory=1 done=0\n"
                             "on protover say feature option=\"Skill Level -spin 20 0 20\"\n"
                             "on protover say feature option=\"Book -check 0\"\n"
                             "on protover say feature option=\"Style -combo *Solid /// Risky\"\n"
                             "on protover say feature option=\"Book File -string book.bin\"\n"
                             "on protover say feature option=\"Clear Hash -button\"\n"
                             "on protover say feature option=\"Ponder -check 1\"\n"
                             "on protover say feature done=1\n";
    AddEngine("Optioned", std::string(FAKE_ENGINE) + " " + script + " /dev/null", m_Root.string());
    Registry().SetAdapterFactory([]() -> CEngineAdapter* {
        auto* adapter = new CWinboardAdapter;
        adapter->SetTimings(FastTimings());
        return adapter;
    });
    Registry().WriteOptionValues("Optioned", {{"Skill Level", "7"}});
    Registry().OpenEnginesKey();
    Registry().WriteString("WhiteEngine", "Optioned");

    CConfigureDlg configure(true);
    ASSERT_EQ(configure.SelectedName(), "Optioned");
    int shown = 0;
    CConfigureDlg::SetOptionsRunner([&](CEngineOptionsDlg& dialog) -> int {
        ++shown;
        // The engine answers on its own thread; the dialog fills in then.
        EXPECT_FALSE(Control<QPushButton>(dialog, CEngineOptionsDlg::IDC_OK)->isEnabled());
        EXPECT_TRUE(PumpUntil([&] { return !dialog.Options().empty(); }));
        std::vector<std::string> names;
        for (const EngineOption& option : dialog.Options())
            names.push_back(option.name);
        // Pondering follows the program's setting: not shown.
        EXPECT_EQ(names, (std::vector<std::string>{"Skill Level", "Book", "Style", "Book File", "Clear Hash", "Hash"}));
        auto* skill = qobject_cast<QSpinBox*>(dialog.Control("Skill Level"));
        auto* book = qobject_cast<QCheckBox*>(dialog.Control("Book"));
        auto* style = qobject_cast<QComboBox*>(dialog.Control("Style"));
        auto* file = qobject_cast<QLineEdit*>(dialog.Control("Book File"));
        auto* clear = qobject_cast<QPushButton*>(dialog.Control("Clear Hash"));
        auto* hash = qobject_cast<QSpinBox*>(dialog.Control("Hash"));
        if (!(skill && book && style && file && clear && hash))
        {
            ADD_FAILURE() << "a control of the wrong kind";
            return QDialog::Rejected;
        }
        if (shown == 1)
        {
            // The stored value, else the defaults.
            EXPECT_EQ(skill->value(), 7);
            EXPECT_EQ(skill->maximum(), 20);
            EXPECT_FALSE(book->isChecked());
            EXPECT_EQ(style->currentText(), "Solid");
            EXPECT_EQ(file->text(), "book.bin");
            EXPECT_FALSE(clear->isChecked());
            EXPECT_EQ(hash->value(), 16);
            skill->setValue(3);
            book->setChecked(true);
            style->setCurrentText("Risky");
            hash->setValue(64);
            clear->setChecked(true);
            QTest::mouseClick(Control<QPushButton>(dialog, CEngineOptionsDlg::IDC_OK), Qt::LeftButton);
        }
        else
        {
            EXPECT_EQ(skill->value(), 3);
            EXPECT_TRUE(book->isChecked());
            EXPECT_EQ(style->currentText(), "Risky");
            EXPECT_TRUE(clear->isChecked());
            // Defaults, then Cancel: nothing changes.
            QTest::mouseClick(Control<QPushButton>(dialog, CEngineOptionsDlg::IDC_DEFAULTS), Qt::LeftButton);
            EXPECT_EQ(skill->value(), 20);
            EXPECT_FALSE(clear->isChecked());
            QTest::mouseClick(Control<QPushButton>(dialog, CEngineOptionsDlg::IDC_CANCEL), Qt::LeftButton);
        }
        return dialog.result();
    });
    QTest::mouseClick(Control<QPushButton>(configure, CConfigureDlg::IDC_OPTIONS), Qt::LeftButton);
    EXPECT_EQ(Registry().ReadOptionValues("Optioned"),
              (EngineOptionValues{
                  {"Skill Level", "3"}, {"Book", "true"}, {"Style", "Risky"}, {"Clear Hash", "true"}, {"Hash", "64"}}));
    QTest::mouseClick(Control<QPushButton>(configure, CConfigureDlg::IDC_OPTIONS), Qt::LeftButton);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(Registry().ReadOptionValues("Optioned").size(), 5u);

    // Renaming the engine takes its options along; removing it removes them.
    configure.SetNewEngineRunner([](CNewEngineDlg& modify) {
        Control<QLineEdit>(modify, CNewEngineDlg::IDC_NAME)->setText("Renamed");
        Control<QPushButton>(modify, CNewEngineDlg::IDC_OK)->click();
        return modify.result();
    });
    Control<QPushButton>(configure, CConfigureDlg::IDC_MODIFY)->click();
    EXPECT_EQ(Engines(), std::vector<std::string>{"Renamed"});
    EXPECT_EQ(Registry().ReadOptionValues("Renamed").size(), 5u);
    EXPECT_TRUE(Registry().ReadOptionValues("Optioned").empty());
    Control<QPushButton>(configure, CConfigureDlg::IDC_REMOVE)->click();
    EXPECT_TRUE(Engines().empty());

    // An engine that cannot be started has no options to show.
    AddEngine("Broken", (m_Root / "missing-program").string(), m_Root.string());
    CEngineOptionsDlg broken(Registry(), "Broken");
    EXPECT_TRUE(PumpUntil([&] {
        return Control<QLabel>(broken, CEngineOptionsDlg::IDC_STATUS)->text().contains("could not be started");
    }));
    EXPECT_FALSE(Control<QPushButton>(broken, CEngineOptionsDlg::IDC_OK)->isEnabled());
    CConfigureDlg::SetOptionsRunner({});
    Registry().SetAdapterFactory({});
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(std::chrono::seconds(5)));
}
