// Runs store operations in a process of its own, for the store tests.
//
//   store_test_helper read FILE ROOT SUBKEY NAME
//       prints "<result> <value>" of ReadDword, or of ReadString when the
//       value is not a dword
//   store_test_helper churn FILE ROUNDS COUNT TAG
//       below ROOT\Churn, saves COUNT long strings named "TAG-nnn" per round,
//       all holding the round number, one batch (one save) per round; prints
//       "ready" after the first round; ROUNDS 0 runs until killed
//   store_test_helper settings DIR
//       loads the game settings from the file in DIR as the program does
//       and prints "loaded <minutes> <bonus>"; then takes commands, one a
//       line on standard input, and answers "ok" to each: "time H M S",
//       "bonus N", "quit" (releases the settings and the store as the
//       program does at its end)
//   store_test_helper hold-lock FILE
//       takes the store's lock of FILE, prints "locked" and holds it until
//       standard input ends or the process is killed
#include "GameSettings.h"
#include "RegistryStore.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace
{
const char* const kRoot = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II";

int Read(const QStringList& args)
{
    if (args.size() != 6)
        return 2;
    RegistryStore store(args[2]);
    store.OpenRoot(args[3]);
    store.OpenSubKey(args[4]);
    int32_t dword = 0;
    const int result = store.ReadDword(args[5], dword, 0);
    if (result != RegistryStore::RESULT_WRONG_TYPE)
    {
        std::printf("%d %d\n", result, dword);
        return 0;
    }
    QString text;
    const int stringResult = store.ReadString(args[5], text, QString());
    std::printf("%d %s\n", stringResult, text.toUtf8().constData());
    return 0;
}

int Churn(const QStringList& args)
{
    if (args.size() != 6)
        return 2;
    RegistryStore store(args[2]);
    const long long rounds = args[3].toLongLong();
    const int count = args[4].toInt();
    const QString tag = args[5];
    store.OpenRoot(kRoot);
    store.OpenSubKey("Churn");
    for (long long round = 1; rounds == 0 || round <= rounds; ++round)
    {
        {
            RegistryStore::Batch batch(store);
            const QString value = (tag + '-' + QString::number(round) + ' ').leftJustified(200, '.');
            for (int i = 0; i < count; ++i)
                store.WriteString(tag + '-' + QString::number(i).rightJustified(3, '0'), value);
        }
        if (store.Flush() != RegistryStore::RESULT_OK)
            return 1;
        if (round == 1)
        {
            std::printf("ready\n");
            std::fflush(stdout);
        }
    }
    return 0;
}
} // namespace

int Settings(const QStringList& args)
{
    if (args.size() != 3)
        return 2;
    qputenv("PELLOMAR_CONFIG_DIR", args[2].toLocal8Bit());
    RegistryStore store;
    GameSettings settings;
    settings.Load(store);
    settings.SaveChangesTo(&store);
    std::printf("loaded %d %d\n", settings.GetNbMinutes(), settings.GetNbSecondsBonus());
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line))
    {
        int h = 0;
        int m = 0;
        int sec = 0;
        if (std::sscanf(line.c_str(), "time %d %d %d", &h, &m, &sec) == 3)
            settings.SetGameTime(h, m, sec);
        else if (std::sscanf(line.c_str(), "bonus %d", &sec) == 1)
            settings.SetNbSecondsBonus(sec);
        else if (line == "quit")
            break;
        else
            return 2;
        std::printf("ok\n");
        std::fflush(stdout);
    }
    settings.SaveChangesTo(nullptr);
    store.Close();
    std::printf("ok\n");
    return 0;
}

int HoldLock(const QStringList& args)
{
    if (args.size() != 3)
        return 2;
    const int fd = ::open(QFile::encodeName(args[2] + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line))
    {
    }
    ::close(fd);
    return 0;
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 1 && args[1] == "read")
        return Read(args);
    if (args.size() > 1 && args[1] == "churn")
        return Churn(args);
    if (args.size() > 1 && args[1] == "settings")
        return Settings(args);
    if (args.size() > 1 && args[1] == "hold-lock")
        return HoldLock(args);
    return 2;
}
