// The UCI engines' configuration in the shared store: the automatic
// registration of stockfish, the engine of each colour and the dialogs.
#include "EngineRegistry.h"
#include "NewEngineDlg.h"
#include "UciConfigureDlg.h"
#include "UciRegistry.h"
#include "UciTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace
{
const std::string kRoot = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II";

class UciConfigTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Dir.isValid());
        CUciRegistry::ResetInstance(Path("settings.ini"));
    }

    std::string Path(const std::string& name) const { return m_Dir.path().toStdString() + "/" + name; }

    // A file in the test folder, executable or not.
    std::string MakeFile(const std::string& name, bool executable)
    {
        const std::string path = Path(name);
        std::ofstream(path) << "#!/bin/sh\n";
        chmod(path.c_str(), executable ? 0755 : 0644);
        return path;
    }

    std::string Value(const std::string& key, const std::string& name)
    {
        CEngineList& registry = CUciRegistry::Instance();
        registry.OpenRoot(kRoot);
        registry.OpenSubKey(key);
        std::string text;
        registry.ReadString(name, text, "");
        return text;
    }

    std::vector<std::string> Engines()
    {
        CEngineList& registry = CUciRegistry::Instance();
        registry.OpenRoot(kRoot);
        registry.OpenSubKey("UCI Engines");
        std::vector<std::string> names;
        registry.ListSubKeys(names);
        return names;
    }

    QTemporaryDir m_Dir;
    CMessageRecorder m_Messages;
};

TEST_F(UciConfigTest, RegistersTheFirstInstalledStockfishOnce)
{
    const std::string notExecutable = MakeFile("plain", false);
    const std::string stockfish = MakeFile("stockfish", true);
    CUciRegistry::Instance().RegisterInstalledEngines(
        {}, {Path("missing"), notExecutable, m_Dir.path().toStdString(), stockfish});
    EXPECT_EQ(Engines(), std::vector<std::string>{"Stockfish"});
    EXPECT_EQ(Value("UCI Engines\\Stockfish", "CommandLine"), stockfish);
    EXPECT_EQ(Value("UCI Engines\\Stockfish", "WorkingDirectory"), m_Dir.path().toStdString() + "/");
    EXPECT_EQ(Value("UCI Engines", "WhiteEngine"), "Stockfish");
    EXPECT_EQ(Value("UCI Engines", "BlackEngine"), "Stockfish");

    // The user's own command line for it survives the next registration.
    CEngineList& registry = CUciRegistry::Instance();
    registry.OpenRoot(kRoot);
    registry.OpenSubKey("UCI Engines\\Stockfish");
    registry.WriteString("CommandLine", stockfish + " --threads 2");
    registry.RegisterInstalledEngines({}, {MakeFile("other", true)});
    EXPECT_EQ(Value("UCI Engines\\Stockfish", "CommandLine"), stockfish + " --threads 2");

    // The WinBoard engines' key is not touched.
    registry.OpenRoot("HKEY_CURRENT_USER\\Software\\Zentrique");
    registry.OpenSubKey("Pellomar II");
    std::vector<std::string> keys;
    registry.ListSubKeys(keys);
    EXPECT_EQ(keys, std::vector<std::string>{"UCI Engines"});
}

TEST_F(UciConfigTest, NothingInstalledRegistersNothing)
{
    CUciRegistry::Instance().RegisterInstalledEngines({}, {Path("missing"), MakeFile("plain", false)});
    EXPECT_TRUE(Engines().empty());
    std::string name, commandLine, folder;
    CUciRegistry::Instance().ReadEngineOf(true, name, commandLine, folder);
    EXPECT_EQ(name, "Stockfish");
    EXPECT_TRUE(commandLine.empty());
    // Looking up a missing engine does not make an empty entry of it.
    EXPECT_TRUE(Engines().empty());

    // The adapter then fails to start with its message.
    UciAdapterPtr adapter(new CUciAdapter);
    EXPECT_FALSE(adapter->Start());
    EXPECT_EQ(m_Messages.Texts(), std::vector<std::string>{"An error occured when initializing UCI engine."});
}

TEST_F(UciConfigTest, EachColourPlaysItsOwnEngine)
{
    CScriptedUciEngine first("moves e2e4\n");
    CScriptedUciEngine second("moves e7e5\n");
    CEngineList& registry = CUciRegistry::Instance();
    for (auto [name, engine] : {std::pair{"First", &first}, {"Second", &second}})
    {
        registry.OpenRoot(kRoot);
        registry.OpenSubKey(std::string("UCI Engines\\") + name);
        registry.WriteString("CommandLine", engine->CommandLine());
        registry.WriteString("WorkingDirectory", engine->Folder());
    }
    registry.OpenSubKey("UCI Engines");
    registry.WriteString("WhiteEngine", "First");
    registry.WriteString("BlackEngine", "Second");

    UciAdapterPtr white(new CUciAdapter);
    UciAdapterPtr black(new CUciAdapter);
    white->SetTimings(FastUciTimings());
    black->SetTimings(FastUciTimings());
    black->SetColour(1);
    ASSERT_TRUE(white->Start());
    ASSERT_TRUE(black->Start());
    EXPECT_TRUE(first.WaitForLogEnd("uci\n"));
    EXPECT_TRUE(second.WaitForLogEnd("uci\n"));
}

TEST_F(UciConfigTest, AddModifyAndChooseInTheDialogs)
{
    // Add: written below the UCI key and chosen for the dialog's colour.
    CNewEngineDlg add(CUciRegistry::Instance(), false, "Add Engine", "", "", "", "");
    add.findChild<QLineEdit*>("1007")->setText("Toga");
    add.findChild<QLineEdit*>("1002")->setText("/opt/toga/toga");
    add.findChild<QLineEdit*>("1004")->setText("/opt/toga/");
    add.OnOk();
    EXPECT_EQ(add.result(), QDialog::Accepted);
    EXPECT_EQ(Value("UCI Engines\\Toga", "CommandLine"), "/opt/toga/toga");
    EXPECT_EQ(Value("UCI Engines", "BlackEngine"), "Toga");

    // Empty fields are refused with the program's message.
    CNewEngineDlg empty(CUciRegistry::Instance(), false, "Add Engine", "Empty", "", "", "");
    empty.OnOk();
    EXPECT_NE(empty.result(), QDialog::Accepted);
    EXPECT_EQ(m_Messages.Texts().back(), "Please fill all members.");

    // Modify with a new name replaces the old entry.
    CNewEngineDlg modify(CUciRegistry::Instance(), false, "Modify Engine", "Toga", "Toga", "/opt/toga/toga",
                         "/opt/toga/");
    modify.findChild<QLineEdit*>("1007")->setText("Toga II");
    modify.OnOk();
    EXPECT_EQ(Engines(), std::vector<std::string>{"Toga II"});
    EXPECT_EQ(Value("UCI Engines", "BlackEngine"), "Toga II");

    // Configure lists the UCI engines only and OK chooses for its colour.
    CUciRegistry::Instance().RegisterInstalledEngines({}, {MakeFile("stockfish", true)});
    CUciConfigureDlg configure(true);
    auto* list = configure.findChild<QListWidget*>("1001");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Stockfish");
    EXPECT_EQ(configure.findChild<QLineEdit*>("1002")->text().toStdString(), Path("stockfish"));
    list->setCurrentRow(1);
    EXPECT_EQ(configure.findChild<QLineEdit*>("1002")->text(), "/opt/toga/toga");
    configure.OnOk();
    EXPECT_EQ(Value("UCI Engines", "WhiteEngine"), "Toga II");

    // Remove asks first; No keeps the engine.
    CUciConfigureDlg remove(true);
    m_Messages.SetAnswer(false);
    remove.OnRemove();
    EXPECT_EQ(Engines().size(), 2u);
    m_Messages.SetAnswer(true);
    remove.OnRemove();
    EXPECT_EQ(Engines(), std::vector<std::string>{"Stockfish"});
}

// Both plug-ins' lists share the store and the dialogs' code, and each keeps
// to its own key, texts and default engine.
TEST_F(UciConfigTest, EachPluginsDialogShowsItsOwnEngines)
{
    CEngineRegistry::ResetInstance(Path("settings.ini"));
    fs::create_directories(Path("Winboard/Phalanx"));
    MakeFile("Winboard/Phalanx/phalanx", true);
    CEngineRegistry::Instance().RegisterInstalledEngines({Path("Winboard")}, {});
    CUciRegistry::Instance().RegisterInstalledEngines({}, {MakeFile("stockfish", true)});

    CConfigureDlg winboard(true);
    CUciConfigureDlg uci(true);
    struct Expected
    {
        CConfigureDlg* dialog;
        const char* label;
        const char* engine;
        bool defaultEditable;
    };
    for (const Expected& expected : {Expected{&winboard, "&Available Winboard engines:", "Phalanx", false},
                                     Expected{&uci, "&Available UCI engines:", "Stockfish", true}})
    {
        SCOPED_TRACE(expected.engine);
        auto* list = expected.dialog->findChild<QListWidget*>("1001");
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text().toStdString(), expected.engine);
        bool labelled = false;
        for (const QLabel* label : expected.dialog->findChildren<QLabel*>())
            labelled = labelled || label->text() == expected.label;
        EXPECT_TRUE(labelled);
        // Only the WinBoard plug-in fixes its default engine.
        EXPECT_EQ(expected.dialog->findChild<QPushButton*>("1008")->isEnabled(), expected.defaultEditable);
        EXPECT_EQ(expected.dialog->findChild<QPushButton*>("1006")->isEnabled(), expected.defaultEditable);
    }

    // Adding through the UCI dialog writes below the UCI key only.
    CConfigureDlg::SetNewEngineRunner([](CNewEngineDlg& add) {
        add.findChild<QLineEdit*>("1007")->setText("Toga");
        add.findChild<QLineEdit*>("1002")->setText("/opt/toga/toga");
        add.findChild<QLineEdit*>("1004")->setText("/opt/toga/");
        add.OnOk();
        return add.result();
    });
    uci.OnAdd();
    CConfigureDlg::SetNewEngineRunner({});
    EXPECT_EQ(uci.findChild<QListWidget*>("1001")->count(), 2);
    EXPECT_EQ(Engines(), (std::vector<std::string>{"Stockfish", "Toga"}));
    EXPECT_EQ(Value("UCI Engines", "WhiteEngine"), "Toga");
    EXPECT_EQ(Value("Winboard-Compatible Engines", "WhiteEngine"), "Phalanx");
    winboard.FillList();
    EXPECT_EQ(winboard.findChild<QListWidget*>("1001")->count(), 1);
}
} // namespace
