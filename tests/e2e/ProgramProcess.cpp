#include "ProgramProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QThread>

namespace
{
constexpr int kPollMs = 50;
}

CProgramProcess::CProgramProcess(QString label) : m_Label(std::move(label))
{
    m_Process.setProgram(QStringLiteral(PELLOMAR_PROGRAM));
}

CProgramProcess::~CProgramProcess()
{
    if (!IsRunning())
        return;
    if (m_Socket.state() == QLocalSocket::ConnectedState)
        Quit();
    if (IsRunning())
    {
        // Ends only the process this object started.
        m_Process.kill();
        m_Process.waitForFinished(kTimeoutMs);
    }
}

int CProgramProcess::FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return -1;
    return probe.serverPort();
}

bool CProgramProcess::Start(const QStringList& arguments)
{
    if (!m_Folder.isValid())
        return false;
    const QString socketPath = m_Folder.filePath(QStringLiteral("automation"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("PELLOMAR_CONFIG_DIR"), m_Folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("PELLOMAR_AUTOMATION"), socketPath);
    environment.insert(QStringLiteral("PELLOMAR_MUTE"), QStringLiteral("1"));
    // A LAN search of the program probes loopback only, never a real network;
    // only a program in a test's own namespace may broadcast.
    if (!m_LanTargets.isEmpty())
        environment.insert(QStringLiteral("PELLOMAR_LAN_TARGETS"), m_LanTargets);
    else if (m_Namespace.isEmpty())
        return false;
    else
        environment.remove(QStringLiteral("PELLOMAR_LAN_TARGETS"));
    // The documents folder, where the games folder is made, stays inside the test's folder.
    environment.insert(QStringLiteral("HOME"), m_Folder.path());
    environment.insert(QStringLiteral("XDG_DOCUMENTS_DIR"), m_Folder.filePath(QStringLiteral("Documents")));
    m_Process.setProcessEnvironment(environment);
    if (m_Namespace.isEmpty())
        m_Process.setArguments(arguments);
    else
    {
        // "ip netns exec" replaces itself with the program: the process id stays the program's.
        m_Process.setProgram(QStringLiteral("ip"));
        m_Process.setArguments(QStringList{QStringLiteral("netns"), QStringLiteral("exec"), m_Namespace,
                                           QStringLiteral(PELLOMAR_PROGRAM)} +
                               arguments);
    }
    // Into files: a full pipe must never stall the program.
    m_Process.setStandardOutputFile(m_Folder.filePath(QStringLiteral("stdout.txt")));
    m_Process.setStandardErrorFile(m_Folder.filePath(QStringLiteral("stderr.txt")));
    m_Process.start();
    if (!m_Process.waitForStarted(kTimeoutMs))
        return false;
    // The channel appears once the program has set itself up.
    QDeadlineTimer deadline(kTimeoutMs);
    while (!deadline.hasExpired() && IsRunning())
    {
        m_Socket.connectToServer(socketPath);
        if (m_Socket.waitForConnected(1000))
            return true;
        m_Socket.abort();
        m_Process.waitForFinished(kPollMs);
    }
    return false;
}

QString CProgramProcess::Request(const QString& line)
{
    if (m_Socket.state() != QLocalSocket::ConnectedState)
        return QStringLiteral("error not connected");
    m_Socket.write(line.toUtf8() + '\n');
    if (!m_Socket.waitForBytesWritten(kTimeoutMs))
        return QStringLiteral("error write failed");
    QDeadlineTimer deadline(kTimeoutMs);
    while (!m_Socket.canReadLine())
    {
        if (deadline.hasExpired() || m_Socket.state() != QLocalSocket::ConnectedState)
            return QStringLiteral("error no reply to ") + line;
        m_Socket.waitForReadyRead(kPollMs);
    }
    QString reply = QString::fromUtf8(m_Socket.readLine());
    reply.chop(1);
    return reply;
}

QJsonValue CProgramProcess::Ask(const QString& line)
{
    const QString reply = Request(line);
    if (reply == QLatin1String("ok") || !reply.startsWith(QLatin1String("ok ")))
        return QJsonValue();
    // A bare JSON value is wrapped so that the parser takes it.
    const QByteArray json = '[' + reply.mid(3).toUtf8() + ']';
    const QJsonDocument document = QJsonDocument::fromJson(json);
    return document.isArray() && !document.array().isEmpty() ? document.array().first() : QJsonValue();
}

QString CProgramProcess::Text(const QString& name)
{
    return Ask(QStringLiteral("text ") + name).toString();
}

QJsonObject CProgramProcess::Board(const QString& name)
{
    return Ask(QStringLiteral("board ") + name).toObject();
}

QJsonArray CProgramProcess::Messages()
{
    return Ask(QStringLiteral("messages")).toArray();
}

QStringList CProgramProcess::MessageTexts()
{
    QStringList texts;
    for (const QJsonValue& entry : Messages())
        texts << entry.toObject().value(QStringLiteral("text")).toString();
    return texts;
}

QJsonObject CProgramProcess::WidgetEntry(const QString& path)
{
    const QString name = path.section(QLatin1Char('/'), -1);
    for (const QJsonValue& window : Ask(QStringLiteral("list")).toArray())
        for (const QJsonValue& widget : window.toObject().value(QStringLiteral("widgets")).toArray())
            if (widget.toObject().value(QStringLiteral("name")).toString() == name)
                return widget.toObject();
    return {};
}

bool CProgramProcess::IsShown(const QString& path)
{
    return WidgetEntry(path).value(QStringLiteral("visible")).toBool();
}

bool CProgramProcess::IsWindowOpen(const QString& className)
{
    for (const QJsonValue& window : Ask(QStringLiteral("list")).toArray())
        if (window.toObject().value(QStringLiteral("class")).toString() == className)
            return true;
    return false;
}

bool CProgramProcess::SawMessage(const QString& part)
{
    for (const QJsonValue& entry : Messages())
        if (entry.toObject().value(QStringLiteral("text")).toString().contains(part))
            return true;
    return false;
}

bool CProgramProcess::WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (true)
    {
        if (condition())
            return true;
        if (deadline.hasExpired() || !IsRunning())
            return false;
        QThread::msleep(kPollMs);
    }
}

bool CProgramProcess::WaitForText(const QString& name, const QString& part, int timeoutMs)
{
    return WaitFor([&] { return Text(name).contains(part); }, timeoutMs);
}

bool CProgramProcess::WaitForMessage(const QString& part, int timeoutMs)
{
    return WaitFor([&] { return SawMessage(part); }, timeoutMs);
}

bool CProgramProcess::Quit()
{
    if (Request(QStringLiteral("quit")) != QLatin1String("ok"))
        return false;
    if (!m_Process.waitForFinished(kTimeoutMs))
        return false;
    m_Socket.abort();
    return m_Process.exitStatus() == QProcess::NormalExit && m_Process.exitCode() == 0;
}

QString CProgramProcess::ErrorOutput()
{
    QFile file(m_Folder.filePath(QStringLiteral("stderr.txt")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}
