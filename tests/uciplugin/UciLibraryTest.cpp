// The built UCI plug-in as the program sees it: found by the loader beside
// other plug-ins, configured through the shared settings file, and playing
// through the program's listener.
#include "UciTestSupport.h"

#include "EngineListener.h"
#include "EngineLoader.h"
#include "RegistryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(UciLibrary, IsLoadedAndPlaysThroughTheProgramsListener)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const fs::path root = dir.path().toStdString();
    fs::create_directories(root / "plugins");
    fs::copy_file(UCI_LIBRARY, root / "plugins" / "libuci.so");

    CScriptedUciEngine engine("moves e7e5\n");
    {
        RegistryStore store(RegistryStore::DefaultFilePath());
        store.OpenRoot("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II");
        store.OpenSubKey("UCI Engines\\Scripted");
        store.WriteString("CommandLine", QString::fromStdString(engine.CommandLine()));
        store.WriteString("WorkingDirectory", QString::fromStdString(engine.Folder()));
        store.OpenSubKey("UCI Engines");
        store.WriteString("BlackEngine", "Scripted");
    }

    CEngineListener listener;
    std::vector<quint32> moves;
    QObject::connect(&listener, &CEngineListener::EngineMoveArrived, [&moves](quint32 word) { moves.push_back(word); });
    CEngineLoader loader;
    loader.Load({root}, &listener);
    ASSERT_EQ(loader.WhiteList().size(), 1u);
    EXPECT_STREQ(loader.WhiteList()[0]->GetName(), "UCI Engine");
    IChessEngine* black = loader.EngineForPlayerType("UCI Engine", 1);
    ASSERT_EQ(black, loader.BlackList()[0]);

    EXPECT_TRUE(black->Start());
    listener.BeginGame();
    black->ClearMoves();
    black->StartGame(300, 0);
    black->OpponentMove(3, 1, 3, 3, 0, 30000, 30000);
    QElapsedTimer timer;
    timer.start();
    while (moves.empty() && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(UnpackEngineMove(moves[0]), (EngineMove{3, 6, 3, 4, 0}));
    listener.EndGame();
    black->StopGame();
    loader.DestroyAll();
    EXPECT_TRUE(
        engine.WaitForLogEnd("position startpos moves e2e4\ngo wtime 300000 btime 300000 winc 0 binc 0\nquit\n"));
}

TEST(UciLibrary, ExportsOnlyTheFactoryAndTheExtension)
{
    void* handle = dlopen(UCI_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    EXPECT_NE(dlsym(handle, "CreateChessEngine"), nullptr);
    EXPECT_NE(dlsym(handle, "GetChessEngineEx"), nullptr);
    // The adapter's and the registry's code stay inside the library.
    for (const char* hidden : {"_ZN11CUciAdapter7DestroyEv", "_ZN12CUciRegistry8InstanceEv",
                               "_ZN14CEngineProcess5StartERKNSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEES7_"})
        EXPECT_EQ(dlsym(handle, hidden), nullptr) << hidden;
    dlclose(handle);
}
