// The built plug-in library as the program sees it: found by the loader,
// configured through the shared settings file, and playing through the
// program's listener with the hand-over onto the user-interface thread.
#include "EngineListener.h"
#include "EngineLoader.h"
#include "EngineMove.h"
#include "RegistryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(RavelinLibrary, IsLoadedAndPlaysThroughTheProgramsListener)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const fs::path root = dir.path().toStdString();
    fs::create_directories(root / "plugins");
    fs::copy_file(RAVELIN_LIBRARY, root / "plugins" / "libravelin.so");

    // The plug-in reads the user's settings file, shared with the program.
    const std::string script = (root / "script").string();
    std::ofstream(script) << "on protover say feature done=1\nmoves e7e5\n";
    {
        RegistryStore store(RegistryStore::DefaultFilePath());
        store.OpenRoot("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II");
        store.OpenSubKey("Winboard-Compatible Engines\\Scripted");
        store.WriteString("CommandLine", QString(FAKE_ENGINE " %1 /dev/null").arg(QString::fromStdString(script)));
        store.WriteString("WorkingDirectory", dir.path());
        store.OpenSubKey("Winboard-Compatible Engines");
        store.WriteString("BlackEngine", "Scripted");
    }

    CEngineListener listener;
    std::vector<quint32> moves;
    QObject::connect(&listener, &CEngineListener::EngineMoveArrived, [&moves](quint32 word) { moves.push_back(word); });
    CEngineLoader loader;
    loader.Load({root}, &listener);
    ASSERT_EQ(loader.WhiteList().size(), 1u);
    EXPECT_STREQ(loader.WhiteList()[0]->GetName(), "Winboard-Compatible Engine");
    IChessEngine* black = loader.EngineForPlayerType("Winboard-Compatible Engine", 1);
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
}
