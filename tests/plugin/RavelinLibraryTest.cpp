// The built plug-in library as the program sees it: found by the loader,
// configured through the shared settings file, and playing through the
// program's listener with the hand-over onto the user-interface thread.
#include "PluginLibraryGame.h"

#include <QTemporaryDir>

#include <fstream>
#include <gtest/gtest.h>

TEST(RavelinLibrary, IsLoadedAndPlaysThroughTheProgramsListener)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string script = dir.filePath(QStringLiteral("script")).toStdString();
    std::ofstream(script) << "on protover say feature done=1\nmoves e7e5\n";
    ExpectLibraryAnswersE2E4(dir.path().toStdString(), RAVELIN_LIBRARY, "libravelin.so",
                             QStringLiteral("Winboard-Compatible Engines"),
                             QString(FAKE_ENGINE " %1 /dev/null").arg(QString::fromStdString(script)), dir.path(),
                             "Winboard-Compatible Engine");
}
