#pragma once

#include <QString>

// Plays the compiled-in wave resources ("IDR_PLAY_MOVE", "IDR_BUTTON_PRESS").
// Without a sound device, or when muted, it stays silent and returns at once.
class CSoundPlayer
{
public:
    // Starts the sound and returns at once: the user-interface thread never waits for it.
    static void Play(const QString& waveName);
    // Tests and headless tools mute the program; PELLOMAR_MUTE=1 does the same.
    static void SetMuted(bool muted);
    [[nodiscard]] static bool IsMuted();
    // How many sounds were asked for since start (played or not); for tests.
    [[nodiscard]] static int RequestCount();
};
