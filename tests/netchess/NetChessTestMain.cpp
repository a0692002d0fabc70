#include <QApplication>

#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv)
{
    // A peer that has gone makes a write fail instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
