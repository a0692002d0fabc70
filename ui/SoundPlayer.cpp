#include "SoundPlayer.h"

#include "ResourceData.h"

#include <QCoreApplication>

#include <QHash>
#include <QSoundEffect>
#include <QUrl>

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

void CSoundPlayer::Play(const QString& waveName)
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
