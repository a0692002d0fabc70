// The zoom takes effect when the program starts: the stored setting, or the
// PELLOMAR_ZOOM override, scales the whole main window (its picture has that
// many more pixels each way, its layout the same logical size).
#include "DisplayScale.h"
#include "GameSettings.h"
#include "RegistryStore.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
// The real program with its automation channel, settings in a folder of its own.
class StartedProgram
{
public:
    StartedProgram(const QString& configDir, const QString& zoomOverride)
    {
        const QString socketPath = m_Dir.filePath(QStringLiteral("automation"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("PELLOMAR_MUTE"), QStringLiteral("1"));
        environment.insert(QStringLiteral("PELLOMAR_LAN_TARGETS"), QStringLiteral("127.0.0.1"));
        environment.insert(QStringLiteral("PELLOMAR_CONFIG_DIR"), configDir);
        environment.insert(QStringLiteral("PELLOMAR_AUTOMATION"), socketPath);
        environment.insert(QStringLiteral("HOME"), m_Dir.path());
        environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
        environment.remove(QStringLiteral("PELLOMAR_ZOOM"));
        if (!zoomOverride.isEmpty())
            environment.insert(QStringLiteral("PELLOMAR_ZOOM"), zoomOverride);
        m_Process.setProcessEnvironment(environment);
        m_Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_Process.start(QStringLiteral(PELLOMAR_BINARY), {});
        // The channel listens once the program is up; until then a connection is refused.
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000 && m_Process.state() != QProcess::NotRunning)
        {
            m_Socket.connectToServer(socketPath);
            if (m_Socket.waitForConnected(500))
                return;
            m_Process.waitForFinished(100);
        }
    }
    ~StartedProgram()
    {
        if (m_Socket.state() == QLocalSocket::ConnectedState)
            (void)Request(QStringLiteral("quit"));
        if (!m_Process.waitForFinished(10000))
        {
            m_Process.kill();
            m_Process.waitForFinished();
        }
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    [[nodiscard]] bool IsConnected() const { return m_Socket.state() == QLocalSocket::ConnectedState; }
    [[nodiscard]] QString Request(const QString& line)
    {
        m_Socket.write((line + '\n').toUtf8());
        m_Socket.flush();
        QElapsedTimer timer;
        timer.start();
        while (!m_Socket.canReadLine() && timer.elapsed() < 30000)
            if (!m_Socket.waitForReadyRead(1000) && m_Socket.state() != QLocalSocket::ConnectedState)
                break;
        return QString::fromUtf8(m_Socket.readLine()).trimmed();
    }
    // The main window's picture as grabbed, and its logical size.
    void GrabMainFrame(QImage& picture, QSize& logical)
    {
        const QString path = m_Dir.filePath(QStringLiteral("frame.png"));
        ASSERT_EQ(Request(QStringLiteral("grab MainFrame ") + path), QStringLiteral("ok"));
        picture = QImage(path);
        const QString geometry = Request(QStringLiteral("geometry MainFrame"));
        ASSERT_TRUE(geometry.startsWith(QStringLiteral("ok "))) << geometry.toStdString();
        const QJsonObject widget =
            QJsonDocument::fromJson(geometry.mid(3).toUtf8()).object().value(QStringLiteral("widget")).toObject();
        logical = QSize(widget.value(QStringLiteral("width")).toInt(), widget.value(QStringLiteral("height")).toInt());
    }

private:
    QTemporaryDir m_Dir;
    QProcess m_Process;
    QLocalSocket m_Socket;
};

void StoreZoom(const QString& configDir, int percent)
{
    RegistryStore store(configDir + QStringLiteral("/Pellomar II.conf"));
    GameSettings settings;
    settings.Load(store);
    settings.SaveChangesTo(&store);
    settings.SetZoomPercent(percent);
    ASSERT_EQ(store.Flush(), RegistryStore::RESULT_OK);
}
} // namespace

TEST(ZoomStart, TheStoredZoomScalesTheWholeWindowAtTheNextStart)
{
    QTemporaryDir config;
    QSize hundred;
    {
        StartedProgram program(config.path(), QString());
        ASSERT_TRUE(program.IsConnected());
        QImage picture;
        ASSERT_NO_FATAL_FAILURE(program.GrabMainFrame(picture, hundred));
        EXPECT_EQ(picture.size(), hundred);
    }
    StoreZoom(config.path(), 150);
    EXPECT_EQ(GameSettings::ReadZoomPercent(config.path() + QStringLiteral("/Pellomar II.conf")), 150);
    {
        StartedProgram program(config.path(), QString());
        ASSERT_TRUE(program.IsConnected());
        QImage picture;
        QSize logical;
        ASSERT_NO_FATAL_FAILURE(program.GrabMainFrame(picture, logical));
        EXPECT_EQ(logical, hundred) << "the layout keeps its logical size";
        EXPECT_EQ(picture.size(), hundred * 1.5);
    }
    // The override of tests and screenshots wins over the stored zoom.
    {
        StartedProgram program(config.path(), QStringLiteral("200"));
        ASSERT_TRUE(program.IsConnected());
        QImage picture;
        QSize logical;
        ASSERT_NO_FATAL_FAILURE(program.GrabMainFrame(picture, logical));
        EXPECT_EQ(logical, hundred);
        EXPECT_EQ(picture.size(), hundred * 2);
    }
}

TEST(ZoomStart, OverrideAndScaleFactorTexts)
{
    EXPECT_EQ(CDisplayScale::ZoomFromText("150"), 150);
    EXPECT_EQ(CDisplayScale::ZoomFromText(" 200% "), 200);
    EXPECT_EQ(CDisplayScale::ZoomFromText("130"), 125);
    EXPECT_EQ(CDisplayScale::ZoomFromText("5000"), 300);
    EXPECT_EQ(CDisplayScale::ZoomFromText("-40"), 100);
    EXPECT_EQ(CDisplayScale::ZoomFromText(""), 0);
    EXPECT_EQ(CDisplayScale::ZoomFromText("big"), 0);
    EXPECT_EQ(CDisplayScale::ZoomFromText("1.5"), 0);
    // On top of a scale factor the desktop or the user already asked Qt for.
    EXPECT_EQ(CDisplayScale::ScaleFactorText("", 150), QByteArray("1.5"));
    EXPECT_EQ(CDisplayScale::ScaleFactorText("2", 125), QByteArray("2.5"));
    EXPECT_EQ(CDisplayScale::ScaleFactorText("nonsense", 200), QByteArray("2"));
    EXPECT_EQ(CDisplayScale::ScaleFactorText("-3", 175), QByteArray("1.75"));
}
