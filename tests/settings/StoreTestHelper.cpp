// Runs store operations in a process of its own, for the store tests.
//
//   store_test_helper read FILE ROOT SUBKEY NAME
//       prints "<result> <value>" of ReadDword, or of ReadString when the
//       value is not a dword
//   store_test_helper churn FILE ROUNDS COUNT TAG
//       below ROOT\Churn, saves COUNT long strings named "TAG-nnn" per round,
//       all holding the round number, one batch (one save) per round; prints
//       "ready" after the first round; ROUNDS 0 runs until killed
#include "RegistryStore.h"

#include <QCoreApplication>

#include <cstdio>

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

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 1 && args[1] == "read")
        return Read(args);
    if (args.size() > 1 && args[1] == "churn")
        return Churn(args);
    return 2;
}
