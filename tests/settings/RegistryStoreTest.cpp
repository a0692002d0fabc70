#include "RegistryStore.h"
#include "RegistryTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
const QString kProductKey = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II";

class RegistryStoreTest : public ::testing::Test
{
protected:
    QString FilePath() const { return m_dir.filePath("Pellomar II.conf"); }
    QByteArray FileBytes() const
    {
        QFile file(FilePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void WriteFile(const QByteArray& bytes) const
    {
        QFile file(FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // A store on the test file with the product key and a subkey open.
    std::unique_ptr<RegistryStore> OpenStore(const QString& subKey = "Settings") const
    {
        auto store = std::make_unique<RegistryStore>(FilePath());
        EXPECT_EQ(store->OpenRoot(kProductKey), RegistryStore::RESULT_OK);
        EXPECT_EQ(store->OpenSubKey(subKey), RegistryStore::RESULT_OK);
        return store;
    }

    QTemporaryDir m_dir;
};
} // namespace

TEST_F(RegistryStoreTest, OpenRootAcceptsTheFourRootNamesOnlyAndKeepsThePreviousRootOnFailure)
{
    RegistryStore store(FilePath());
    struct Case
    {
        QString path;
        int result;
        QString rootAfter;
    };
    const Case cases[] = {
        {"HKEY_LOCAL_MACHINE", RegistryStore::RESULT_OK, "HKEY_LOCAL_MACHINE\\"},
        {"HKEY_USERS\\a\\b\\", RegistryStore::RESULT_OK, "HKEY_USERS\\a\\b\\"},
        {"HKEY_CLASSES_ROOT\\x\\\\y", RegistryStore::RESULT_OK, "HKEY_CLASSES_ROOT\\x\\y\\"},
        {"", RegistryStore::RESULT_EMPTY_PATH, "HKEY_CLASSES_ROOT\\x\\y\\"},
        {"HKEY_CURRENT_CONFIG\\Software", RegistryStore::RESULT_UNKNOWN_ROOT, "HKEY_CLASSES_ROOT\\x\\y\\"},
        {"hkey_current_user\\Software", RegistryStore::RESULT_UNKNOWN_ROOT, "HKEY_CLASSES_ROOT\\x\\y\\"},
        {"\\HKEY_CURRENT_USER\\Software", RegistryStore::RESULT_UNKNOWN_ROOT, "HKEY_CLASSES_ROOT\\x\\y\\"},
        {"HKEY_CURRENT_USER\\bad\x01name", RegistryStore::RESULT_FAILED, "HKEY_CLASSES_ROOT\\x\\y\\"},
        {"HKEY_CURRENT_USER\\" + QString(256, 'k'), RegistryStore::RESULT_FAILED, "HKEY_CLASSES_ROOT\\x\\y\\"},
        {kProductKey, RegistryStore::RESULT_OK, kProductKey + "\\"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(store.OpenRoot(c.path), c.result) << c.path.toStdString();
        EXPECT_EQ(store.RootPath(), c.rootAfter) << c.path.toStdString();
    }
}

TEST_F(RegistryStoreTest, OperationsNeedARootAndASubKey)
{
    RegistryStore store(FilePath());
    QStringList names;
    EXPECT_EQ(store.ListSubKeys(names), RegistryStore::RESULT_NO_ROOT);
    EXPECT_EQ(store.OpenSubKey("Settings"), RegistryStore::RESULT_FAILED);
    store.OpenRoot(kProductKey);
    int32_t dword = 1;
    QString text = "x";
    EXPECT_EQ(store.ReadDword("a", dword, 42), RegistryStore::RESULT_NO_SUBKEY);
    EXPECT_EQ(dword, 42);
    EXPECT_EQ(store.ReadString("a", text, "def"), RegistryStore::RESULT_NO_SUBKEY);
    EXPECT_EQ(text, "def");
    EXPECT_EQ(store.WriteDword("a", 1), RegistryStore::RESULT_NO_SUBKEY);
    EXPECT_EQ(store.WriteString("a", "b"), RegistryStore::RESULT_NO_SUBKEY);
    EXPECT_EQ(store.ListSubKeys(names), RegistryStore::RESULT_NO_SUBKEY);
    EXPECT_EQ(store.DeleteSubKey(), RegistryStore::RESULT_NO_SUBKEY);
    // A failed OpenSubKey leaves no subkey open.
    EXPECT_EQ(store.OpenSubKey("Settings"), RegistryStore::RESULT_OK);
    EXPECT_EQ(store.OpenSubKey("\\\\"), RegistryStore::RESULT_FAILED);
    EXPECT_EQ(store.SubKeyName(), "");
    EXPECT_EQ(store.WriteDword("a", 1), RegistryStore::RESULT_NO_SUBKEY);
}

TEST_F(RegistryStoreTest, ReadsWriteTheirDefaultOnceAndThenReadIt)
{
    auto store = OpenStore();
    int32_t dword = 0;
    EXPECT_EQ(store->ReadDword("Port", dword, 5555), RegistryStore::RESULT_DEFAULT_WRITTEN);
    EXPECT_EQ(dword, 5555);
    EXPECT_EQ(store->ReadDword("Port", dword, 1), RegistryStore::RESULT_READ);
    EXPECT_EQ(dword, 5555);
    QString text;
    EXPECT_EQ(store->ReadString("Ip", text, "127.0.0.1"), RegistryStore::RESULT_DEFAULT_WRITTEN);
    EXPECT_EQ(store->ReadString("Ip", text, "other"), RegistryStore::RESULT_OK);
    EXPECT_EQ(text, "127.0.0.1");
    // Names are exact: another case is another value.
    EXPECT_EQ(store->ReadDword("port", dword, 7), RegistryStore::RESULT_DEFAULT_WRITTEN);

    // All of it is in the file for the next process, once saved.
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    auto next = OpenStore();
    EXPECT_EQ(next->ReadDword("Port", dword, 1), RegistryStore::RESULT_READ);
    EXPECT_EQ(dword, 5555);
    EXPECT_EQ(next->ReadDword("port", dword, 1), RegistryStore::RESULT_READ);
    EXPECT_EQ(dword, 7);
}

TEST_F(RegistryStoreTest, DwordsKeepAll32Bits)
{
    auto store = OpenStore("WindowPosition");
    for (int32_t value : {0, -1, -32000, 2147483647, -2147483647 - 1})
    {
        EXPECT_EQ(store->WriteDword("wp.left", value), RegistryStore::RESULT_OK);
        ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
        int32_t read = 0;
        EXPECT_EQ(OpenStore("WindowPosition")->ReadDword("wp.left", read, 3), RegistryStore::RESULT_READ);
        EXPECT_EQ(read, value);
    }
}

TEST_F(RegistryStoreTest, AValueOfTheOtherTypeYieldsTheDefaultAndStaysUnchanged)
{
    auto store = OpenStore();
    store->WriteString("NbMinutes", "7");
    store->WriteDword("WhiteEngine", 3);
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    const QByteArray before = FileBytes();

    int32_t dword = 0;
    QString text;
    EXPECT_EQ(store->ReadDword("NbMinutes", dword, 5), RegistryStore::RESULT_WRONG_TYPE);
    EXPECT_EQ(dword, 5);
    EXPECT_EQ(store->ReadString("WhiteEngine", text, "Human"), RegistryStore::RESULT_WRONG_TYPE);
    EXPECT_EQ(text, "Human");
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    EXPECT_EQ(FileBytes(), before);
    EXPECT_TRUE(FileBytes().contains("\"NbMinutes\"=\"7\""));
}

TEST_F(RegistryStoreTest, StringsOfAtMost256CharactersAreStoredAndLongerOnesRefused)
{
    auto store = OpenStore();
    const QString longest(RegistryStore::kMaxStringLength, QChar(0x00e9));
    const QString tooLong(RegistryStore::kMaxStringLength + 1, 'a');
    EXPECT_EQ(store->WriteString("s", longest), RegistryStore::RESULT_OK);
    EXPECT_EQ(store->WriteString("s", tooLong), RegistryStore::RESULT_TOO_LONG);
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    QString text;
    EXPECT_EQ(OpenStore()->ReadString("s", text, ""), RegistryStore::RESULT_OK);
    EXPECT_EQ(text, longest);

    // A long default is handed out but not written.
    EXPECT_EQ(store->ReadString("t", text, tooLong), RegistryStore::RESULT_TOO_LONG);
    EXPECT_EQ(text, tooLong);
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    EXPECT_FALSE(FileBytes().contains("\"t\"="));

    // A string made longer by hand in the file is not read.
    WriteFile(FileBytes() + "\"u\"=\"" + QByteArray(300, 'x') + "\"\n");
    EXPECT_EQ(OpenStore()->ReadString("u", text, "def"), RegistryStore::RESULT_TOO_LONG);
    EXPECT_EQ(text, "def");
}

TEST_F(RegistryStoreTest, NamesAndStringsWithAnyCharacterSurviveTheFile)
{
    const QStringList texts = {"",
                               "say \"hi\"",
                               "C:\\Engines\\Fruit\\",
                               "two\nlines\r\n",
                               "tab\there",
                               QString("bell") + QChar(7) + QChar(0x7f),
                               QString::fromUtf8("Ärger ♞ 王"),
                               "[not a key]",
                               "\"=dword:00000001",
                               "; not a comment"};
    const QString key = QString::fromUtf8("Winboard-Compatible Engines\\Fairy-Max 5.0b [x] é");
    {
        auto store = OpenStore(key);
        for (int i = 0; i < texts.size(); ++i)
            EXPECT_EQ(store->WriteString(texts[i] + QString::number(i), texts[i]), RegistryStore::RESULT_OK);
    }
    ASSERT_TRUE(CRegistryTree::Parse(FileBytes()).has_value()) << FileBytes().toStdString();
    auto store = OpenStore(key);
    for (int i = 0; i < texts.size(); ++i)
    {
        QString text;
        EXPECT_EQ(store->ReadString(texts[i] + QString::number(i), text, "?"), RegistryStore::RESULT_OK) << i;
        EXPECT_EQ(text, texts[i]) << i;
    }
}

TEST_F(RegistryStoreTest, SubKeysAreListedAlphabeticallyAndDeletedOnlyWhenTheyHaveNoSubKeys)
{
    RegistryStore store(FilePath());
    store.OpenRoot(kProductKey);
    for (const char* name : {"fruit", "Crafty", "GNU Chess", "Fairy-Max", "crafty"})
    {
        store.OpenSubKey(QString("Winboard-Compatible Engines\\") + name);
        store.WriteString("CommandLine", QString("/usr/games/") + name);
    }
    store.OpenSubKey("Winboard-Compatible Engines");
    store.WriteString("WhiteEngine", "GNU Chess");
    QStringList names{"kept"};
    EXPECT_EQ(store.ListSubKeys(names), RegistryStore::RESULT_OK);
    EXPECT_EQ(names, QStringList({"kept", "Crafty", "crafty", "Fairy-Max", "fruit", "GNU Chess"}));

    // The engines key has subkeys: its values go, the key stays.
    EXPECT_EQ(store.DeleteSubKey(), RegistryStore::RESULT_FAILED);
    EXPECT_EQ(store.SubKeyName(), "");
    store.OpenSubKey("Winboard-Compatible Engines");
    QString text;
    EXPECT_EQ(store.ReadString("WhiteEngine", text, "none"), RegistryStore::RESULT_DEFAULT_WRITTEN);

    store.OpenSubKey("Winboard-Compatible Engines\\Fairy-Max");
    EXPECT_EQ(store.DeleteSubKey(), RegistryStore::RESULT_OK);
    EXPECT_EQ(store.WriteString("CommandLine", "x"), RegistryStore::RESULT_NO_SUBKEY);

    ASSERT_EQ(store.Flush(), RegistryStore::RESULT_OK);
    RegistryStore other(FilePath());
    other.OpenRoot(kProductKey);
    other.OpenSubKey("Winboard-Compatible Engines");
    names.clear();
    other.ListSubKeys(names);
    EXPECT_EQ(names, QStringList({"Crafty", "crafty", "fruit", "GNU Chess"}));
    EXPECT_FALSE(FileBytes().contains("/usr/games/Fairy-Max"));
}

TEST_F(RegistryStoreTest, TwoStoresOnOneFileSeeAndKeepEachOthersChanges)
{
    auto first = OpenStore();
    auto second = OpenStore();
    first->WriteDword("a", 1);
    second->WriteDword("b", 2);
    ASSERT_EQ(first->Flush(), RegistryStore::RESULT_OK);
    ASSERT_EQ(second->Flush(), RegistryStore::RESULT_OK);
    int32_t value = 0;
    EXPECT_EQ(second->ReadDword("a", value, 0), RegistryStore::RESULT_READ);
    EXPECT_EQ(value, 1);
    first->WriteDword("b", 3);
    ASSERT_EQ(first->Flush(), RegistryStore::RESULT_OK);
    EXPECT_EQ(second->ReadDword("b", value, 0), RegistryStore::RESULT_READ);
    EXPECT_EQ(value, 3);

    auto third = OpenStore();
    EXPECT_EQ(third->ReadDword("a", value, 0), RegistryStore::RESULT_READ);
    EXPECT_EQ(value, 1);
}

TEST_F(RegistryStoreTest, ABatchSavesOnceAtItsEnd)
{
    auto store = OpenStore();
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    const QByteArray before = FileBytes();
    {
        RegistryStore::Batch batch(*store);
        {
            RegistryStore::Batch inner(*store);
            store->WriteDword("a", 1);
        }
        int32_t value = 0;
        EXPECT_EQ(store->ReadDword("b", value, 2), RegistryStore::RESULT_DEFAULT_WRITTEN);
        EXPECT_EQ(store->Flush(), RegistryStore::RESULT_OK); // holds nothing back from an open batch
        EXPECT_EQ(FileBytes(), before);
        EXPECT_EQ(store->ReadDword("a", value, 0), RegistryStore::RESULT_READ);
        EXPECT_EQ(value, 1);
    }
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    EXPECT_TRUE(FileBytes().contains("\"a\"=dword:00000001\n\"b\"=dword:00000002\n")) << FileBytes().toStdString();
}

TEST_F(RegistryStoreTest, WritingTheStoredValueAgainLeavesTheFileAlone)
{
    auto store = OpenStore();
    store->WriteString("Name", "Player");
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    // A save would drop this comment; writing an unchanged value must not save.
    WriteFile(FileBytes() + "; kept by hand\n");
    const QByteArray edited = FileBytes();
    EXPECT_EQ(store->WriteString("Name", "Player"), RegistryStore::RESULT_OK);
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    EXPECT_EQ(FileBytes(), edited);
    EXPECT_EQ(store->WriteString("Name", "Other"), RegistryStore::RESULT_OK);
    ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);
    EXPECT_FALSE(FileBytes().contains("; kept by hand"));
}

TEST_F(RegistryStoreTest, ChangesThatCannotBeSavedAreKeptAndSavedLater)
{
    // The folder cannot be made while a plain file holds its name.
    const QString dir = m_dir.filePath("blocked");
    QFile blocker(dir);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RegistryStore store(dir + "/Pellomar II.conf");
    std::vector<QString> reports;
    store.SetFailureHandler([&](const QString& reason) { reports.push_back(reason); });
    store.OpenRoot(kProductKey);
    store.OpenSubKey("Settings");
    // Taken at once: the call never waits for the file.
    EXPECT_EQ(store.WriteDword("a", 9), RegistryStore::RESULT_OK);
    int32_t value = 0;
    EXPECT_EQ(store.ReadDword("a", value, 0), RegistryStore::RESULT_READ);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(store.Flush(), RegistryStore::RESULT_FAILED);
    EXPECT_EQ(store.Flush(), RegistryStore::RESULT_FAILED);
    // Reported once, however often it is tried.
    QCoreApplication::processEvents();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].contains("blocked")) << reports[0].toStdString();

    ASSERT_TRUE(QFile::remove(dir));
    EXPECT_EQ(store.Flush(), RegistryStore::RESULT_OK);
    RegistryStore other(dir + "/Pellomar II.conf");
    other.OpenRoot(kProductKey);
    other.OpenSubKey("Settings");
    EXPECT_EQ(other.ReadDword("a", value, 0), RegistryStore::RESULT_READ);
    EXPECT_EQ(value, 9);
}

TEST_F(RegistryStoreTest, AFileThatCannotBeReadIsSetAsideAndTheDefaultsAreUsed)
{
    const QByteArray header = "PELLOMAR-REGISTRY 1\n[HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II\\Settings]\n";
    const QByteArray badFiles[] = {
        header + "\"NbMinutes\"=dword:0000000G\n",
        header + "\"NbMinutes\"=dword:00000007\n\"WhiteEngine\"=\"\xc3\x28\"\n", "<?xml version=\"1.0\"?><settings/>",
        QByteArray(), // stands for a folder in the file's place
    };
    for (const QByteArray& bad : badFiles)
    {
        QDir(m_dir.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(m_dir.path()));
        if (bad.isEmpty())
            ASSERT_TRUE(QDir().mkpath(FilePath() + "/inside"));
        else
            WriteFile(bad);

        auto store = OpenStore();
        int32_t value = 0;
        EXPECT_EQ(store->ReadDword("NbMinutes", value, 5), RegistryStore::RESULT_DEFAULT_WRITTEN);
        EXPECT_EQ(value, 5);
        ASSERT_EQ(store->Flush(), RegistryStore::RESULT_OK);

        // The unreadable file is kept aside untouched; the new one parses.
        const QStringList aside =
            QDir(m_dir.path()).entryList({"Pellomar II.conf.corrupt-*"}, QDir::Files | QDir::Dirs);
        ASSERT_EQ(aside.size(), 1) << bad.toStdString();
        if (!bad.isEmpty())
        {
            QFile kept(m_dir.filePath(aside.first()));
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), bad);
        }
        EXPECT_TRUE(CRegistryTree::Parse(FileBytes()).has_value());
    }
}

TEST_F(RegistryStoreTest, NamesTheStoreCannotHoldAreRefused)
{
    auto store = OpenStore();
    const QString hugeName(CRegistryTree::kMaxValueNameLength + 1, 'n');
    int32_t value = 0;
    EXPECT_EQ(store->WriteDword(hugeName, 1), RegistryStore::RESULT_FAILED);
    EXPECT_EQ(store->ReadDword(hugeName, value, 4), RegistryStore::RESULT_FAILED);
    EXPECT_EQ(value, 4);
    EXPECT_EQ(store->OpenSubKey("nested\\\\key"), RegistryStore::RESULT_OK); // a backslash nests keys
    EXPECT_EQ(store->SubKeyName(), "nested\\key");
    EXPECT_EQ(store->OpenSubKey("bad\tname"), RegistryStore::RESULT_FAILED);
    EXPECT_FALSE(FileBytes().contains(hugeName.toUtf8()));
}

TEST_F(RegistryStoreTest, ASymbolicLinkToTheFileStaysALink)
{
    const QString target = m_dir.filePath("real.conf");
    ASSERT_TRUE(QFile::link(target, FilePath()));
    OpenStore()->WriteDword("a", 1); // saved at the latest when the store goes
    EXPECT_TRUE(QFileInfo(FilePath()).isSymLink());
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("\"a\"=dword:00000001"));
}

TEST(RegistryTree, ParseRejectsEveryMalformedFile)
{
    const QByteArray header = "PELLOMAR-REGISTRY 1\n";
    const QByteArray key = "[HKEY_CURRENT_USER\\A]\n";
    const QByteArray bad[] = {
        "garbage",
        "PELLOMAR-REGISTRY 2\n",
        " PELLOMAR-REGISTRY 1\n",
        header + "\"a\"=dword:1\n",
        header + "[HKEY_CURRENT_USER\\A\n",
        header + "[HKEY_NOWHERE\\A]\n",
        header + "[HKEY_CURRENT_USER\\\\A]\n",
        header + "[HKEY_CURRENT_USER\\A\x01]\n",
        header + "[]\n",
        header + key + "\"a\"=dword:\n",
        header + key + "\"a\"=dword:123456789\n",
        header + key + "\"a\"=dword:-1\n",
        header + key + "\"a\"=dword:1 2\n",
        header + key + "\"a\"=word:1\n",
        header + key + "\"a\"=\"unterminated\n",
        header + key + "\"a\"=\"x\" trailing\n",
        header + key + "\"a\"=\"bad \\q escape\"\n",
        header + key + "\"a\"=\"\\x4\"\n",
        header + key + "\"a\"=\"\\x+4\"\n",
        header + key + "a=\"x\"\n",
        header + key + "\"a\"\"x\"\n",
        header + key + "\"a\"=\"\xff\xfe\"\n",
        header + key + "\"a\"=hex:01,02\n",
    };
    for (const QByteArray& bytes : bad)
    {
        CRegistryTree::ParseError error;
        EXPECT_FALSE(CRegistryTree::Parse(bytes, &error).has_value()) << bytes.toStdString();
        EXPECT_FALSE(error.reason.isEmpty());
    }
}

TEST(RegistryTree, ParseAcceptsCommentsBlankLinesCrLfAndAnEmptyFile)
{
    EXPECT_TRUE(CRegistryTree::Parse(QByteArray()).has_value());
    const auto tree = CRegistryTree::Parse("PELLOMAR-REGISTRY 1\r\n\r\n; note\r\n  [HKEY_USERS\\A\\B]  \r\n"
                                           "\"n\"=dword:FF\r\n\"s\"=\"\\x41\\\\\"\r\n[HKEY_USERS\\A\\Empty]\n"
                                           "[HKEY_CLASSES_ROOT]\n[HKEY_LOCAL_MACHINE]\n\"top\"=dword:1\n");
    ASSERT_TRUE(tree.has_value());
    ASSERT_NE(tree->FindValue({"HKEY_USERS", "A", "B"}, "n"), nullptr);
    EXPECT_EQ(tree->FindValue({"HKEY_USERS", "A", "B"}, "n")->dword, 255u);
    EXPECT_EQ(tree->FindValue({"HKEY_USERS", "A", "B"}, "s")->text, "A\\");
    EXPECT_NE(tree->FindKey({"HKEY_USERS", "A", "Empty"}), nullptr);
    // What it writes, it reads back the same, root-level keys and values
    // included (a round trip the fuzzer once broke).
    const auto again = CRegistryTree::Parse(tree->Serialize());
    ASSERT_TRUE(again.has_value());
    EXPECT_TRUE(*again == *tree);
}

TEST(RegistryStorePath, ComesFromPellomarConfigDirOrTheXdgConfigFolder)
{
    const QByteArray savedConfigDir = qgetenv("PELLOMAR_CONFIG_DIR");
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir xdg;
    qputenv("XDG_CONFIG_HOME", xdg.path().toLocal8Bit());

    qputenv("PELLOMAR_CONFIG_DIR", "/some/where");
    EXPECT_EQ(RegistryStore::DefaultFilePath(), "/some/where/Pellomar II.conf");
    qputenv("PELLOMAR_CONFIG_DIR", "");
    EXPECT_EQ(RegistryStore::DefaultFilePath(), xdg.path() + "/Zentrique/Pellomar II.conf");
    qunsetenv("PELLOMAR_CONFIG_DIR");
    EXPECT_EQ(RegistryStore::DefaultFilePath(), xdg.path() + "/Zentrique/Pellomar II.conf");

    // The folder is made by the first save.
    {
        RegistryStore store;
        store.OpenRoot(kProductKey);
        EXPECT_EQ(store.OpenSubKey("Settings"), RegistryStore::RESULT_OK);
    }
    EXPECT_TRUE(QFile::exists(xdg.path() + "/Zentrique/Pellomar II.conf"));

    qputenv("PELLOMAR_CONFIG_DIR", savedConfigDir);
    if (savedXdg.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedXdg);
}
