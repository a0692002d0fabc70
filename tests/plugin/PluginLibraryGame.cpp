#include "PluginLibraryGame.h"

#include "EngineListener.h"
#include "EngineLoader.h"
#include "EngineMove.h"
#include "RegistryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

namespace fs = std::filesystem;

void ExpectLibraryAnswersE2E4(const std::string& root, const char* library, const char* fileName,
                              const QString& enginesKey, const QString& commandLine, const QString& workingDirectory,
                              const char* playerType)
{
    fs::create_directories(fs::path(root) / "plugins");
    fs::copy_file(library, fs::path(root) / "plugins" / fileName);
    {
        // The plug-in reads the user's settings file, shared with the program.
        RegistryStore store(RegistryStore::DefaultFilePath());
        store.OpenRoot("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II");
        store.OpenSubKey(enginesKey + "\\Scripted");
        store.WriteString("CommandLine", commandLine);
        store.WriteString("WorkingDirectory", workingDirectory);
        store.OpenSubKey(enginesKey);
        store.WriteString("BlackEngine", "Scripted");
    }

    CEngineListener listener;
    std::vector<quint32> moves;
    QObject::connect(&listener, &CEngineListener::EngineMoveArrived, [&moves](quint32 word) { moves.push_back(word); });
    CEngineLoader loader;
    loader.Load({fs::path(root)}, &listener);
    ASSERT_EQ(loader.WhiteList().size(), 1u);
    EXPECT_STREQ(loader.WhiteList()[0]->GetName(), playerType);
    IChessEngine* black = loader.EngineForPlayerType(playerType, 1);
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
