// The store's promises across real processes: a process killed mid-save,
// two processes saving at once, the warning for an unreadable file, two
// copies of the program sharing the file, a lock held by another process,
// and a named pipe in place of the file.
#include "RegistryStore.h"
#include "RegistryTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace
{
const QStringList kChurnKey = {"HKEY_CURRENT_USER", "Software", "Zentrique", "Pellomar II", "Churn"};

class StoreProcessTest : public ::testing::Test
{
protected:
    QString FilePath() const { return m_dir.filePath("Pellomar II.conf"); }

    std::unique_ptr<QProcess> StartHelper(const QStringList& args)
    {
        auto process = std::make_unique<QProcess>();
        process->start(STORE_TEST_HELPER, args);
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }

    std::optional<CRegistryTree> ParseFile() const
    {
        QFile file(FilePath());
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return CRegistryTree::Parse(file.readAll());
    }

    // The round whose values all "TAG-nnn" hold, or -1 when they are not all
    // present or not all of one round.
    static int RoundOf(const CRegistryTree& tree, const QString& tag, int count)
    {
        int round = -1;
        for (int i = 0; i < count; ++i)
        {
            const CRegistryValue* value =
                tree.FindValue(kChurnKey, tag + '-' + QString::number(i).rightJustified(3, '0'));
            if (!value || value->type != CRegistryValue::Type::String || value->text.size() != 200)
                return -1;
            const int valueRound = value->text.section(' ', 0, 0).section('-', 1).toInt();
            if (round != -1 && valueRound != round)
                return -1;
            round = valueRound;
        }
        return round;
    }

    QTemporaryDir m_dir;
};
} // namespace

TEST_F(StoreProcessTest, AProcessKilledMidSaveLeavesTheOldOrTheNewFileNeverAMix)
{
    constexpr int kCount = 400; // about 90 kB a save
    const QString saving = FilePath() + ".saving";
    // A leftover of an earlier crash is simply overwritten.
    {
        QFile junk(saving);
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("junk");
    }
    int killedWhileWriting = 0;
    for (int attempt = 0; attempt < 10; ++attempt)
    {
        auto helper = StartHelper({"churn", FilePath(), "0", QString::number(kCount), "K"});
        // "ready" comes after the first complete save; the lock left by the
        // process killed before must not hold this one up.
        ASSERT_TRUE(helper->waitForReadyRead(15000)) << "attempt " << attempt;
        ASSERT_EQ(helper->readLine(), "ready\n");
        if (attempt % 2 == 0)
        {
            // Kill as soon as the next file is being written.
            QFile::remove(saving);
            for (int poll = 0; poll < 200000 && !QFile::exists(saving); ++poll)
                QThread::usleep(20);
        }
        else
        {
            QThread::msleep(static_cast<unsigned long>(3 + attempt * 7));
        }
        helper->kill();
        ASSERT_TRUE(helper->waitForFinished(10000));

        if (QFile::exists(saving))
            ++killedWhileWriting;
        const auto tree = ParseFile();
        ASSERT_TRUE(tree.has_value()) << "attempt " << attempt;
        EXPECT_GE(RoundOf(*tree, "K", kCount), 1) << "attempt " << attempt << ": values of different saves in one file";
    }
    // The test means something only if some kills hit a save in progress.
    EXPECT_GE(killedWhileWriting, 3);
    EXPECT_TRUE(QDir(m_dir.path()).entryList({"*.corrupt-*"}, QDir::Files).isEmpty());
}

TEST_F(StoreProcessTest, TwoProcessesSavingAtOnceLeaveAFileThatParsesWithBothTheirChanges)
{
    constexpr int kRounds = 20;
    constexpr int kCount = 40;
    auto first = StartHelper({"churn", FilePath(), QString::number(kRounds), QString::number(kCount), "A"});
    auto second = StartHelper({"churn", FilePath(), QString::number(kRounds), QString::number(kCount), "B"});
    for (QProcess* helper : {first.get(), second.get()})
    {
        ASSERT_TRUE(helper->waitForFinished(60000));
        EXPECT_EQ(helper->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(helper->exitCode(), 0) << helper->readAllStandardError().toStdString();
    }
    const auto tree = ParseFile();
    ASSERT_TRUE(tree.has_value());
    EXPECT_EQ(RoundOf(*tree, "A", kCount), kRounds);
    EXPECT_EQ(RoundOf(*tree, "B", kCount), kRounds);
}

TEST_F(StoreProcessTest, ReadersNeverSeeAHalfWrittenFileWhileAnotherProcessSaves)
{
    constexpr int kCount = 200;
    auto writer = StartHelper({"churn", FilePath(), "0", QString::number(kCount), "W"});
    ASSERT_TRUE(writer->waitForReadyRead(15000));
    for (int i = 0; i < 100; ++i)
    {
        RegistryStore reader(FilePath());
        reader.OpenRoot("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II");
        reader.OpenSubKey("Churn");
        QString text;
        ASSERT_EQ(reader.ReadString("W-" + QString::number(i % kCount).rightJustified(3, '0'), text, "missing"),
                  RegistryStore::RESULT_OK)
            << "read " << i;
        const auto tree = ParseFile();
        ASSERT_TRUE(tree.has_value());
        EXPECT_GE(RoundOf(*tree, "W", kCount), 1);
        QThread::usleep(500);
    }
    writer->kill();
    ASSERT_TRUE(writer->waitForFinished(10000));
    // A reader that took a file being replaced for a broken one would have set it aside.
    EXPECT_TRUE(QDir(m_dir.path()).entryList({"*.corrupt-*"}, QDir::Files).isEmpty());
}

TEST_F(StoreProcessTest, AnUnreadableFileIsRenamedAsideWithAWarningOnStandardError)
{
    static const char kGarbage[] = "\x00\x01 this is no settings file";
    const QByteArray garbage(kGarbage, sizeof kGarbage - 1);
    {
        QFile file(FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    auto helper = StartHelper(
        {"read", FilePath(), "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II", "Settings", "NbMinutes"});
    ASSERT_TRUE(helper->waitForFinished(10000));
    EXPECT_EQ(helper->exitCode(), 0);
    // The default (0 here) was handed out and written.
    EXPECT_EQ(helper->readAllStandardOutput(), "5 0\n");
    const QString warning = QString::fromLocal8Bit(helper->readAllStandardError());
    const QStringList aside = QDir(m_dir.path()).entryList({"Pellomar II.conf.corrupt-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(warning.contains("could not be read")) << warning.toStdString();
    EXPECT_TRUE(warning.contains(m_dir.filePath(aside.first()))) << warning.toStdString();
    QFile kept(m_dir.filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    EXPECT_TRUE(ParseFile().has_value());
}

namespace
{
// A helper in "settings" mode: the settings of one copy of the program.
class CSettingsCopy
{
public:
    CSettingsCopy(const QString& helper, const QString& dir) { m_process.start(helper, {"settings", dir}); }
    ~CSettingsCopy()
    {
        if (m_process.state() != QProcess::NotRunning)
        {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // Waits for the next line of output.
    QByteArray Line()
    {
        while (!m_process.canReadLine())
        {
            if (!m_process.waitForReadyRead(10000))
                return {};
        }
        return m_process.readLine().trimmed();
    }
    QByteArray Command(const QByteArray& line)
    {
        m_process.write(line + "\n");
        return Line();
    }
    QProcess& Process() { return m_process; }

private:
    QProcess m_process;
};

std::optional<int32_t> StoredDword(const QString& file, const QString& name)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto tree = CRegistryTree::Parse(in.readAll());
    if (!tree)
        return std::nullopt;
    const CRegistryValue* value =
        tree->FindValue({"HKEY_CURRENT_USER", "Software", "Zentrique", "Pellomar II", "Settings"}, name);
    if (!value || value->type != CRegistryValue::Type::Dword)
        return std::nullopt;
    return static_cast<int32_t>(value->dword);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition())
    {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}
} // namespace

TEST_F(StoreProcessTest, TwoCopiesSharingTheFileEachKeepWhatTheyChanged)
{
    {
        RegistryStore store(FilePath());
        store.OpenRoot("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II");
        store.OpenSubKey("Settings");
        store.WriteDword("NbMinutes", 17);
    }
    CSettingsCopy first(STORE_TEST_HELPER, m_dir.path());
    CSettingsCopy second(STORE_TEST_HELPER, m_dir.path());
    ASSERT_EQ(first.Line(), "loaded 17 0");
    ASSERT_EQ(second.Line(), "loaded 17 0");

    // The first sets 9 minutes and quits; the second, which changed only the
    // bonus, quits later and leaves the minutes alone.
    ASSERT_EQ(first.Command("time 0 9 0"), "ok");
    ASSERT_EQ(first.Command("quit"), "ok");
    ASSERT_TRUE(first.Process().waitForFinished(10000));
    ASSERT_EQ(second.Command("bonus 7"), "ok");
    ASSERT_EQ(second.Command("quit"), "ok");
    ASSERT_TRUE(second.Process().waitForFinished(10000));
    EXPECT_EQ(StoredDword(FilePath(), "NbMinutes"), 9);
    EXPECT_EQ(StoredDword(FilePath(), "NbSecondsBonus"), 7);
}

TEST_F(StoreProcessTest, AChangeIsSavedWhenItIsMadeSoAKillLosesNothing)
{
    CSettingsCopy copy(STORE_TEST_HELPER, m_dir.path());
    ASSERT_EQ(copy.Line(), "loaded 5 0");
    ASSERT_EQ(copy.Command("bonus 12"), "ok");
    EXPECT_TRUE(WaitFor([&] { return StoredDword(FilePath(), "NbSecondsBonus") == 12; }));
    copy.Process().kill();
    ASSERT_TRUE(copy.Process().waitForFinished(5000));
    EXPECT_EQ(StoredDword(FilePath(), "NbSecondsBonus"), 12);
}

TEST_F(StoreProcessTest, ALockHeldByAnotherProcessHoldsUpNoCallAndTheChangeIsSavedLater)
{
    QProcess holder;
    holder.start(STORE_TEST_HELPER, {"hold-lock", FilePath()});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readLine(), "locked\n");

    // Every call returns at once, the lock waits of a save included (a
    // save gives up on a held lock after kDefaultLockTimeoutMs).
    RegistryStore store(FilePath());
    QElapsedTimer timer;
    timer.start();
    store.OpenRoot("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II");
    store.OpenSubKey("Settings");
    store.WriteDword("NbMinutes", 9);
    int32_t value = 0;
    store.ReadDword("NbSeconds", value, 30);
    store.ReadDword("NbMinutes", value, 5);
    EXPECT_LT(timer.elapsed(), RegistryStore::kDefaultLockTimeoutMs / 5);
    EXPECT_EQ(value, 9);

    // The save that cannot be made is reported once, with why.
    std::vector<QString> reports;
    store.SetFailureHandler([&](const QString& reason) { reports.push_back(reason); });
    store.SetLockTimeout(50);
    EXPECT_EQ(store.Flush(2000), RegistryStore::RESULT_FAILED);
    EXPECT_EQ(store.Flush(2000), RegistryStore::RESULT_FAILED);
    ASSERT_TRUE(WaitFor([&] { return !reports.empty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].contains("lock")) << reports[0].toStdString();
    EXPECT_FALSE(StoredDword(FilePath(), "NbMinutes").has_value());

    // Once the lock is free the change reaches the file.
    holder.closeWriteChannel();
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_EQ(store.Flush(), RegistryStore::RESULT_OK);
    EXPECT_EQ(StoredDword(FilePath(), "NbMinutes"), 9);
}

TEST_F(StoreProcessTest, ANamedPipeInPlaceOfTheFileIsNotWaitedOn)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(FilePath()).constData(), 0600), 0);
    auto helper = StartHelper(
        {"read", FilePath(), "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II", "Settings", "NbMinutes"});
    const bool finished = helper->waitForFinished(10000);
    if (!finished)
        helper->kill();
    ASSERT_TRUE(finished);
    EXPECT_EQ(helper->exitCode(), 0);
    EXPECT_EQ(helper->readAllStandardOutput(), "5 0\n"); // the default
    const QString warning = QString::fromLocal8Bit(helper->readAllStandardError());
    EXPECT_TRUE(warning.contains("not a regular file")) << warning.toStdString();
    // The pipe is set aside, and a real file stands in its place.
    EXPECT_EQ(QDir(m_dir.path()).entryList({"Pellomar II.conf.corrupt-*"}, QDir::System).size(), 1);
    EXPECT_TRUE(QFileInfo(FilePath()).isFile());
    EXPECT_TRUE(ParseFile().has_value());
}
