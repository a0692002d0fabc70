// The built UCI plug-in as the program sees it: found by the loader beside
// other plug-ins, configured through the shared settings file, and playing
// through the program's listener.
#include "PluginLibraryGame.h"
#include "UciTestSupport.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

TEST(UciLibrary, IsLoadedAndPlaysThroughTheProgramsListener)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CScriptedUciEngine engine("moves e7e5\n");
    ExpectLibraryAnswersE2E4(dir.path().toStdString(), UCI_LIBRARY, "libuci.so", QStringLiteral("UCI Engines"),
                             QString::fromStdString(engine.CommandLine()), QString::fromStdString(engine.Folder()),
                             "UCI Engine");
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
