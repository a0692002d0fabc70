#pragma once

#include <QString>

// Plays the compiled-in wave resources ("IDR_PLAY_MOVE", "IDR_BUTTON_PRESS").
// Without a sound device, or when muted, it stays silent and returns at once.
class CSoundPlayer
{
public:
    // Synchronous play returns when the sound is done (bounded by a short timeout).
    static void Play(const QString& waveName, bool synchronous = false);
    // Tests and headless tools mute the program; PELLOMAR_MUTE=1 does the same.
    static void SetMuted(bool muted);
    [[nodiscard]] static bool IsMuted();
    // How many sounds were asked for since start (played or not); for tests.
    [[nodiscard]] static int RequestCount();
};
