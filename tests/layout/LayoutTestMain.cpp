// The layout check runs headless and silent, with settings in a folder of
// this run; the message service answers every message. At the end it says
// how much it looked at.
#include "DisplayScale.h"
#include "LayoutTestSupport.h"

#include "MessageDlg.h"
#include "SoundPlayer.h"

#include <QApplication>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("PELLOMAR_CONFIG_DIR", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("PELLOMAR_LAN_TARGETS", "127.0.0.1");
    // PELLOMAR_ZOOM runs the whole check on a scaled screen, as the program would be.
    const int zoom = CDisplayScale::ApplyBeforeStart();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    CSoundPlayer::SetMuted(true);
    CMessageService::AnswerAutomatically(IDYES);
    // The scale the windows are drawn at: the screen's own times the zoom.
    std::printf("device pixel ratio %g\n", QApplication::primaryScreen()->devicePixelRatio());
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::printf("layout check at %d %%: %d windows and dialogs in %d states, %d widgets looked at\n", zoom,
                LayoutTest::Counts().kinds, LayoutTest::Counts().states, LayoutTest::Counts().widgets);
    return result;
}
