#include "AppTestSupport.h"

#include "BoardView.h"
#include "Coordinate.h"
#include "EngineLoader.h"
#include "GameSettings.h"
#include "IChessEngine.h"
#include "IChessEngineListenerEx.h"
#include "MessageDlg.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <dlfcn.h>
#include <unistd.h>

namespace AppTest
{
void Drag(CBoardView* board, const char* from, const char* to)
{
    const QPoint start = board->SquareRect(CCoordinate::FromText(from)).center();
    const QPoint end = board->SquareRect(CCoordinate::FromText(to)).center();
    QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(board, end);
    QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, end);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

QStringList TakeMessages()
{
    QStringList texts;
    for (const auto& entry : CMessageService::History())
        texts << entry.text;
    CMessageService::ClearHistory();
    return texts;
}

void LoadTestEngines(CEngineLoader& loader, IChessEngineListener* listener)
{
    loader.Load({std::filesystem::path(APP_TEST_PLUGIN_DIR)}, listener,
                dynamic_cast<IChessEngineListenerEx*>(listener));
}

void ConfigureEngine(IChessEngine* engine, const std::string& commandLine, const std::string& workingDirectory)
{
    using Configure = void (*)(IChessEngine*, const char*, const char*);
    static Configure configure = [] {
        void* library = dlopen(APP_TEST_PLUGIN_DIR "/libapp_test_engine.so", RTLD_NOW | RTLD_NOLOAD);
        return library == nullptr ? nullptr : reinterpret_cast<Configure>(dlsym(library, "ConfigureAppTestEngine"));
    }();
    if (configure != nullptr)
        configure(engine, commandLine.c_str(), workingDirectory.c_str());
}

std::string FakeEngineCommand(const QString& folder, const QString& name, const QString& script, QString* logPath)
{
    const QString scriptPath = QDir(folder).filePath(name + QStringLiteral(".script"));
    QFile file(scriptPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(script.toUtf8());
    file.close();
    const QString log = QDir(folder).filePath(name + QStringLiteral(".log"));
    if (logPath != nullptr)
        *logPath = log;
    return std::string(FAKE_ENGINE) + " '" + scriptPath.toStdString() + "' '" + log.toStdString() + "'";
}

QString EngineTypeName()
{
    return QStringLiteral("Winboard-Compatible Engine");
}
void SetTimedGameOfPeople(GameSettings& settings, int minutes)
{
    settings.SetIsTimeInfinite(false);
    settings.SetGameTime(0, minutes, 0);
    settings.SetNbSecondsBonus(0);
    settings.SetBottomPlayerName(QStringLiteral("Anna"));
    settings.SetTopPlayerName(QStringLiteral("Boris"));
    settings.SetWhiteEngine(QStringLiteral("Human"));
    settings.SetBlackEngine(QStringLiteral("Human"));
}

QStringList ChildProcesses()
{
    QStringList children;
    const QString self = QString::number(getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(entry));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        QString name;
        QString parent;
        for (const QByteArray& line : status.readAll().split('\n'))
        {
            if (line.startsWith("Name:"))
                name = QString::fromUtf8(line.mid(5)).trimmed();
            else if (line.startsWith("PPid:"))
                parent = QString::fromUtf8(line.mid(5)).trimmed();
        }
        if (parent == self)
            children << entry + QLatin1Char(' ') + name;
    }
    children.sort();
    return children;
}
} // namespace AppTest
