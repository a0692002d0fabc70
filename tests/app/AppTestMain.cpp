// The program's tests run headless and silent, with settings, documents and
// games in folders of this run; the message service answers every message.
#include "MessageDlg.h"
#include "SoundPlayer.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("PELLOMAR_CONFIG_DIR", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QApplication app(argc, argv);
    // Closing the frame in a test must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    CSoundPlayer::SetMuted(true);
    CMessageService::AnswerAutomatically(IDYES);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
