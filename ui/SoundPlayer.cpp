#include "SoundPlayer.h"

#include "ResourceData.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <QHash>
#include <QSoundEffect>
#include <QUrl>

#include <algorithm>

namespace
{
bool g_Muted = false;
int g_Requests = 0;

QHash<QString, QSoundEffect*>& Effects()
{
    static QHash<QString, QSoundEffect*> effects;
    return effects;
}
} // namespace

void CSoundPlayer::Play(const QString& waveName, bool synchronous)
{
    ++g_Requests;
    if (IsMuted() || QCoreApplication::instance() == nullptr)
        return;
    const QString key = waveName.toUpper();
    QSoundEffect*& effect = Effects()[key];
    if (effect == nullptr)
    {
        // Parented to the application so it goes away with it.
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl(QStringLiteral("qrc") + ResourceData::SoundPath(key)));
    }
    if (effect->status() == QSoundEffect::Error)
        return;
    effect->play();
    if (!synchronous)
        return;
    // Wait for the length of the sound without running the event loop, so that
    // no game message is handled in the middle of the caller's work.
    if (effect->status() != QSoundEffect::Ready)
        return;
    QFile wave(ResourceData::SoundPath(key));
    constexpr qint64 kHeader = 44;
    constexpr qint64 kBytesPerSecond = 22050 * 2;
    const qint64 ms = std::min<qint64>(1000, std::max<qint64>(0, wave.size() - kHeader) * 1000 / kBytesPerSecond);
    QThread::msleep(static_cast<unsigned long>(ms));
}

void CSoundPlayer::SetMuted(bool muted)
{
    g_Muted = muted;
}

bool CSoundPlayer::IsMuted()
{
    return g_Muted || qEnvironmentVariableIntValue("PELLOMAR_MUTE") != 0;
}

int CSoundPlayer::RequestCount()
{
    return g_Requests;
}
