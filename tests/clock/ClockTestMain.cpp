#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// The clock tests run with an event loop (for the clock's timer) and with the
// process-wide settings store in a folder of their own, so that no test ever
// reads or writes the user's real settings.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir configDir;
    if (!configDir.isValid())
        return 2;
    qputenv("PELLOMAR_CONFIG_DIR", configDir.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
