// The chat as the network games show and carry it.
//
//   ChatPaneAppend/N: adding one line to a shown chat pane that already
//   holds N lines, and drawing it; the cost must not depend on N.
//   ChatRelayAt200LinesPerSecond: a bughouse server (the program's own
//   bughouse window and game, shown) and three clients on loopback, in this
//   one thread as in the program; one client sends 2,000 chat lines at 200 a
//   second, the server relays them and draws them in its window, and every
//   client draws each line it gets in a chat pane. Reported: the delay from
//   sending a line to the two other clients drawing it (p50, p99, max), and
//   whether every line arrived, in order.
#include "BitmapCache.h"
#include "BughouseWnd.h"
#include "GameSettings.h"
#include "LoopbackUi.h"
#include "NetConnection.h"
#include "OutputPane.h"
#include "PlayerRoster.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

void ChatPaneAppend(benchmark::State& state)
{
    COutputPane pane;
    pane.resize(360, 120);
    pane.show();
    const auto lines = static_cast<int>(state.range(0));
    for (int i = 0; i < lines; ++i)
        pane.AddLine(QStringLiteral("Ann: line %1 of the chat, long enough to wrap once in the pane").arg(i),
                     COutputPane::ChatFont(), COutputPane::OpponentChatColour());
    QApplication::processEvents();
    int n = lines;
    for (auto _ : state)
    {
        pane.AddLine(QStringLiteral("Ben: line %1 of the chat, long enough to wrap once in the pane").arg(n++),
                     COutputPane::ChatFont(), COutputPane::OwnChatColour());
        pane.repaint();
    }
}
BENCHMARK(ChatPaneAppend)->Arg(100)->Arg(10000)->Iterations(500)->Unit(benchmark::kMicrosecond);

// A game window as far as the chat goes: every chat line is drawn in its pane.
class CChatWindow : public INetGameWindow
{
public:
    CChatWindow()
    {
        m_pane.resize(360, 120);
        m_pane.show();
    }
    void OnPlayerAdmitted(int, const QString&) override {}
    void HandleGameMessage(const CNetMessage& message) override
    {
        std::string name;
        std::string text;
        if (message.GetId() != MSG_CHAT || !message.GetStringAt(0, name) || !message.GetStringAt(1, text))
            return;
        m_pane.AddLine(QString::fromStdString(name + ": " + text), COutputPane::ChatFont(),
                       COutputPane::OpponentChatColour());
        m_pane.repaint();
        const int index = std::stoi(text.substr(text.find('#') + 1));
        if (index != m_next)
            m_outOfOrder = true;
        m_next = index + 1;
        if (m_arrivals)
            m_arrivals->push_back({index, Clock::now()});
    }
    void OnSeatedUserGone(int) override {}
    void OnConnectionLost(int) override {}
    bool IsGameRunning() const override { return false; }
    void PrintNotice(const QString& text) override
    {
        m_pane.AddLine(text, COutputPane::ChatFont(), COutputPane::NoticeColour());
    }

    struct Arrival
    {
        int index;
        Clock::time_point at;
    };
    std::vector<Arrival>* m_arrivals = nullptr;
    int m_next = 0;
    bool m_outOfOrder = false;

private:
    COutputPane m_pane;
};

struct CChatProgram
{
    PlayerRoster roster;
    GameSettings settings;
    CChatWindow window;
    CLoopbackUi ui;
    CNetConnection link{roster, settings};

    CChatProgram(bool server, int port, const QString& nickname)
    {
        link.SetGameWindows(&window, &window);
        ui.Join(link, server, port, nickname);
    }
};

// The server: the bughouse window over its game, as the program shows it.
struct CServerProgram
{
    PlayerRoster roster;
    GameSettings settings;
    CLoopbackUi ui;
    CNetConnection link{roster, settings};
    CBughouseWnd window{link, roster, settings, CBitmapCache::Instance()};

    CServerProgram()
    {
        link.SetGameWindows(nullptr, &window.Session());
        link.SetStartedFromCommandLine(true);
        window.Session().SetStartedFromCommandLine(true);
        ui.Join(link, true, 0, QStringLiteral("Host"));
        window.Open();
        window.show();
    }
    ~CServerProgram()
    {
        link.Leave(false);
        link.SetGameWindows(nullptr, nullptr);
    }
};

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

void ChatRelayAt200LinesPerSecond(benchmark::State& state)
{
    constexpr int kLines = 2000;
    constexpr auto kInterval = std::chrono::milliseconds(5);
    std::vector<double> delays;
    int lost = 0;
    bool reordered = false;
    for (auto _ : state)
    {
        CServerProgram server;
        CChatProgram ann(false, server.link.GetPort(), "Ann");
        CChatProgram ben(false, server.link.GetPort(), "Ben");
        CChatProgram cid(false, server.link.GetPort(), "Cid");
        std::vector<CChatWindow::Arrival> arrivals;
        ben.window.m_arrivals = &arrivals;
        cid.window.m_arrivals = &arrivals;
        std::vector<Clock::time_point> sent(kLines);

        // Sends on a steady beat: line i leaves at start + i * 5 ms.
        QEventLoop loop;
        QTimer beat;
        beat.setTimerType(Qt::PreciseTimer);
        beat.setInterval(1);
        const Clock::time_point start = Clock::now() + std::chrono::milliseconds(20);
        int next = 0;
        QObject::connect(&beat, &QTimer::timeout, &loop, [&] {
            while (next < kLines && Clock::now() >= start + next * kInterval)
            {
                CNetMessage chat(MSG_CHAT);
                chat.AddString("Ann");
                chat.AddString("line #" + std::to_string(next));
                sent[static_cast<std::size_t>(next)] = Clock::now();
                if (!ann.link.Send(chat))
                    loop.quit();
                ++next;
            }
            if (next == kLines && arrivals.size() == 2u * kLines)
                loop.quit();
        });
        beat.start();
        QTimer::singleShot(kLines * 5 + 20000, &loop, &QEventLoop::quit);
        loop.exec();

        for (const CChatWindow::Arrival& arrival : arrivals)
            delays.push_back(
                std::chrono::duration<double, std::milli>(arrival.at - sent[static_cast<std::size_t>(arrival.index)])
                    .count());
        lost += 2 * kLines - static_cast<int>(arrivals.size());
        reordered = reordered || ben.window.m_outOfOrder || cid.window.m_outOfOrder;
        server.link.Leave(true);
    }
    state.counters["p50_ms"] = Percentile(delays, 0.50);
    state.counters["p99_ms"] = Percentile(delays, 0.99);
    state.counters["max_ms"] = Percentile(delays, 1.0);
    state.counters["lost"] = lost;
    state.counters["reordered"] = reordered ? 1 : 0;
    if (lost != 0 || reordered)
        state.SkipWithError("chat lines lost or reordered");
}
BENCHMARK(ChatRelayAt200LinesPerSecond)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
