#include "ProgramFolders.h"

#include "UiText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ProgramFolders
{
QString ProgramFolder()
{
    QString folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

QString HelpFolder()
{
    const QString help = UiText(ProgramTexts::IDS_HELP_FOLDER);
    const QString candidates[] = {
        ProgramFolder() + help,
        ProgramFolder() + QStringLiteral("../share/pellomar/") + help,
        QStringLiteral(PELLOMAR_SOURCE_HELP_DIR "/"),
    };
    for (const QString& folder : candidates)
        if (QFileInfo(folder + UiText(ProgramTexts::IDS_CREDITS_PAGE)).isFile())
            return QDir::cleanPath(folder) + '/';
    return candidates[0];
}

QString GamesFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return QString();
    const QString folder = documents + '/' + UiText(ProgramTexts::IDS_GAMES_FOLDER);
    QDir().mkpath(folder); // a failure is ignored: the file dialogs then start elsewhere
    return folder;
}
} // namespace ProgramFolders
