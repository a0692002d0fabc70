// Cost of the settings store: reading a value (a file check and a lookup),
// parsing and writing a typical file, a change as the caller sees it (kept
// in memory and handed to the saving thread), and one change until it is
// saved (lock, write, flush to disk, rename).

#include "RegistryStore.h"
#include "RegistryTree.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace
{
const QString kProductKey = "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II";

// Settings, connection, window placement and ten engines: a well-used file.
QByteArray TypicalFile()
{
    CRegistryTree tree;
    const QStringList root = kProductKey.split('\\');
    for (const char* name :
         {"IsTimeInfinite", "NbHours", "NbMinutes", "NbSeconds", "NbSecondsBonus", "IsKingCanBeCaptured",
          "IsWinOnOpponentTimeZero", "IsCurrentMoveHighlighted", "PlaySoundOnOpponentMove"})
        tree.SetValue(root + QStringList{"Settings"}, name, CRegistryValue::FromDword(1));
    for (const char* name : {"WhiteEngine", "BlackEngine", "BottomPlayerName", "TopPlayerName"})
        tree.SetValue(root + QStringList{"Settings"}, name, CRegistryValue::FromString("Winboard-Compatible Engine"));
    for (int i = 0; i < 10; ++i)
    {
        tree.SetValue(root + QStringList{"Connection"}, QString("Ip%1").arg(i),
                      CRegistryValue::FromString("192.168.1.10"));
        tree.SetValue(root + QStringList{"WindowPosition"}, QString("wp.field%1").arg(i),
                      CRegistryValue::FromDword(0xFFFFFFFF));
        const QStringList engine = root + QStringList{"Winboard-Compatible Engines", QString("Engine %1").arg(i)};
        tree.SetValue(engine, "CommandLine", CRegistryValue::FromString("/usr/games/fairymax --some \"quoted\" args"));
        tree.SetValue(engine, "WorkingDirectory", CRegistryValue::FromString("/home/user/engines/fairymax/"));
    }
    return tree.Serialize();
}

void BM_ParseTypicalFile(benchmark::State& state)
{
    const QByteArray bytes = TypicalFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(CRegistryTree::Parse(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ParseTypicalFile);

void BM_SerializeTypicalFile(benchmark::State& state)
{
    const auto tree = CRegistryTree::Parse(TypicalFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(tree->Serialize());
}
BENCHMARK(BM_SerializeTypicalFile);

void BM_ReadStoredDword(benchmark::State& state)
{
    QTemporaryDir dir;
    RegistryStore store(dir.filePath("Pellomar II.conf"));
    store.OpenRoot(kProductKey);
    store.OpenSubKey("Settings");
    int32_t value = 0;
    store.ReadDword("NbMinutes", value, 5);
    for (auto _ : state)
        benchmark::DoNotOptimize(store.ReadDword("NbMinutes", value, 5));
}
BENCHMARK(BM_ReadStoredDword);

void BM_ChangeOnTheCallersThread(benchmark::State& state)
{
    QTemporaryDir dir;
    RegistryStore store(dir.filePath("Pellomar II.conf"));
    store.OpenRoot(kProductKey);
    store.OpenSubKey("Settings");
    int32_t value = 0;
    for (auto _ : state)
        store.WriteDword("NbSecondsBonus", ++value);
}
BENCHMARK(BM_ChangeOnTheCallersThread)->Unit(benchmark::kMicrosecond);

void BM_SaveOneChange(benchmark::State& state)
{
    QTemporaryDir dir;
    RegistryStore store(dir.filePath("Pellomar II.conf"));
    store.OpenRoot(kProductKey);
    store.OpenSubKey("Settings");
    int32_t value = 0;
    for (auto _ : state)
    {
        store.WriteDword("NbSecondsBonus", ++value);
        if (store.Flush() != RegistryStore::RESULT_OK)
            state.SkipWithError("not saved");
    }
}
BENCHMARK(BM_SaveOneChange)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
