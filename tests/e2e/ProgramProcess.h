#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <ostream>

// Test messages show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// One running copy of the program, headless, with its own settings folder,
// driven through its automation channel. The destructor ends the process it
// started (asking it to quit first) and nothing else.
class CProgramProcess
{
public:
    // Generous: the sanitizer builds and a busy machine are slow.
    static constexpr int kTimeoutMs = 30000;

    explicit CProgramProcess(QString label);
    ~CProgramProcess();
    CProgramProcess(const CProgramProcess&) = delete;
    CProgramProcess& operator=(const CProgramProcess&) = delete;

    // Runs the program inside that network namespace (through "ip netns
    // exec"), for tests on a network of namespaces they made themselves.
    void SetNetworkNamespace(const QString& name) { m_Namespace = name; }
    // Where a LAN search probes. Loopback unless told otherwise; an empty
    // list leaves the variable unset, so that the search broadcasts, which
    // only a program inside a test's own namespace may do.
    void SetLanTargets(const QString& targets) { m_LanTargets = targets; }

    // Starts the program with the arguments and connects to its channel.
    [[nodiscard]] bool Start(const QStringList& arguments);
    // One request line; the reply line, or "error <why>" when the channel fails.
    QString Request(const QString& line);
    // A request that must answer "ok ..."; its JSON part (null for a bare "ok").
    QJsonValue Ask(const QString& line);
    // The shortcuts of the commands.
    QString Text(const QString& name);
    QJsonObject Board(const QString& name);
    QJsonArray Messages();
    // The texts of the message dialogs shown so far.
    QStringList MessageTexts();
    // True when a message dialog's text contains the part.
    bool SawMessage(const QString& part);
    // The widget's entry in "list" (found by the last part of a path):
    // its visible and enabled flags, or an empty object.
    QJsonObject WidgetEntry(const QString& path);
    bool IsShown(const QString& path);
    // True when a top-level window of that class is open.
    bool IsWindowOpen(const QString& className);
    // Polls the condition until it holds or the time is out.
    bool WaitFor(const std::function<bool()>& condition, int timeoutMs = kTimeoutMs);
    bool WaitForText(const QString& name, const QString& part, int timeoutMs = kTimeoutMs);
    bool WaitForMessage(const QString& part, int timeoutMs = kTimeoutMs);
    // Asks the program to quit and waits for its end; true when it exited with code 0.
    bool Quit();
    [[nodiscard]] bool IsRunning() const { return m_Process.state() != QProcess::NotRunning; }
    [[nodiscard]] const QString& Label() const { return m_Label; }
    // The program's process id while it runs, else 0.
    [[nodiscard]] qint64 ProcessId() const { return m_Process.processId(); }
    // What the program wrote on its error output (for failure reports).
    QString ErrorOutput();

    // A free TCP port on loopback.
    static int FreePort();

private:
    QString m_Label;
    QString m_Namespace;
    QString m_LanTargets = QStringLiteral("127.0.0.1");
    QTemporaryDir m_Folder;
    QProcess m_Process;
    QLocalSocket m_Socket;
};
