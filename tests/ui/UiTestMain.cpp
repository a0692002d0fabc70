// Widget tests run headless and silent; no test ever waits on a modal dialog:
// the message service answers every message.
#include "MessageDlg.h"
#include "SoundPlayer.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings go to a folder of this run, never to the user's own.
    QTemporaryDir config;
    qputenv("PELLOMAR_CONFIG_DIR", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    CSoundPlayer::SetMuted(true);
    CMessageService::AnswerAutomatically(IDYES);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
