// The game sessions run without widgets: a core application is enough.
#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv)
{
    // A peer that has gone makes a write fail instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    // Settings go to a folder of this run, never to the user's own.
    QTemporaryDir config;
    qputenv("PELLOMAR_CONFIG_DIR", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
