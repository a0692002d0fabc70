// Message layer and relay benchmarks, all on loopback in one thread, as the
// program runs them: a bughouse server with three joined clients.
//
//   RelayMoveLatency: one client sends a move; the time until the two other
//   clients and the server's own game have it, p50 and p99 over the moves.
//   RelayChatBurst: one client sends chat lines back to back; every other
//   player must get all of them, in order.
//   ParsePiecewise/N: a message of N elements arrives one element at a time;
//   the cost per message must grow in proportion to N (the fit is reported).
#include "GameSettings.h"
#include "LoopbackUi.h"
#include "NetConnection.h"
#include "NetMessageReader.h"
#include "PlayerRoster.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

class CBenchWindow : public INetGameWindow
{
public:
    void OnPlayerAdmitted(int, const QString&) override {}
    void HandleGameMessage(const CNetMessage& message) override
    {
        if (message.GetId() == MSG_MOVE)
            m_lastMove = Clock::now();
        if (message.GetId() == MSG_CHAT)
        {
            std::string text;
            (void)message.GetStringAt(1, text);
            if (text != "line " + std::to_string(m_chats))
                m_outOfOrder = true;
            ++m_chats;
        }
        ++m_count;
    }
    void OnSeatedUserGone(int) override {}
    void OnConnectionLost(int) override {}
    bool IsGameRunning() const override { return false; }
    void PrintNotice(const QString&) override {}

    int m_count = 0;
    int m_chats = 0;
    bool m_outOfOrder = false;
    Clock::time_point m_lastMove;
};

struct CBenchProgram
{
    PlayerRoster roster;
    GameSettings settings;
    CBenchWindow window;
    CLoopbackUi ui;
    CNetConnection link{roster, settings};

    CBenchProgram(bool server, int port, const QString& nickname)
    {
        link.SetGameWindows(&window, &window);
        ui.Join(link, server, port, nickname);
    }
};

// A bughouse server with three joined clients.
struct CTable
{
    std::unique_ptr<CBenchProgram> server;
    std::vector<std::unique_ptr<CBenchProgram>> clients;

    CTable()
    {
        server = std::make_unique<CBenchProgram>(true, 0, "Host");
        for (const char* name : {"Ann", "Ben", "Cid"})
            clients.push_back(std::make_unique<CBenchProgram>(false, server->link.GetPort(), name));
        Settle();
    }

    // Lets the joining messages arrive everywhere.
    void Settle()
    {
        const auto until = Clock::now() + std::chrono::milliseconds(100);
        while (Clock::now() < until)
            QCoreApplication::processEvents();
    }

    std::vector<CBenchWindow*> Others() { return {&server->window, &clients[1]->window, &clients[2]->window}; }
};

CNetMessage Move(int n)
{
    CNetMessage message(MSG_MOVE);
    for (int value : {0, 0, 1, n % 8, 3, n % 8, 0, 0, 0, 0, 299000 - n, 0})
        message.AddInt(value);
    return message;
}

// CPU time of this thread: the part of a latency that is the program's own work,
// apart from waiting for the processor on a busy machine.
double ThreadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[index];
}

void RelayMoveLatency(benchmark::State& state)
{
    CTable table;
    std::vector<double> latencies;
    std::vector<double> cpu;
    const auto others = table.Others();
    int n = 0;
    for (auto _ : state)
    {
        std::vector<int> before;
        for (CBenchWindow* w : others)
            before.push_back(w->m_count);
        const auto start = Clock::now();
        const double cpuStart = ThreadCpuMicroseconds();
        if (!table.clients[0]->link.Send(Move(n++)))
        {
            state.SkipWithError("send failed");
            return;
        }
        for (std::size_t i = 0; i < others.size(); ++i)
        {
            while (others[i]->m_count == before[i])
                QCoreApplication::processEvents();
        }
        Clock::time_point last = start;
        for (CBenchWindow* w : others)
            last = std::max(last, w->m_lastMove);
        latencies.push_back(std::chrono::duration<double, std::micro>(last - start).count());
        cpu.push_back(ThreadCpuMicroseconds() - cpuStart);
    }
    state.counters["p50_us"] = Percentile(latencies, 0.50);
    state.counters["p99_us"] = Percentile(latencies, 0.99);
    state.counters["max_us"] = Percentile(latencies, 1.0);
    state.counters["cpu_p50_us"] = Percentile(cpu, 0.50);
    state.counters["cpu_p99_us"] = Percentile(cpu, 0.99);
}
BENCHMARK(RelayMoveLatency)->Iterations(10000)->Unit(benchmark::kMicrosecond);

void RelayChatBurst(benchmark::State& state)
{
    constexpr int kLines = 10000;
    for (auto _ : state)
    {
        state.PauseTiming();
        CTable table;
        const auto others = table.Others();
        state.ResumeTiming();
        for (int i = 0; i < kLines; ++i)
        {
            CNetMessage chat(MSG_CHAT);
            chat.AddString("Ann");
            chat.AddString("line " + std::to_string(i));
            if (!table.clients[0]->link.Send(chat))
            {
                state.SkipWithError("send failed");
                return;
            }
            QCoreApplication::processEvents();
        }
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        auto done = [&] {
            return std::all_of(others.begin(), others.end(), [](CBenchWindow* w) { return w->m_chats >= kLines; });
        };
        while (!done() && Clock::now() < deadline)
            QCoreApplication::processEvents();
        state.PauseTiming();
        int lost = 0;
        bool reordered = false;
        for (CBenchWindow* w : others)
        {
            lost += kLines - w->m_chats;
            reordered = reordered || w->m_outOfOrder;
        }
        state.counters["lost"] = lost;
        state.counters["reordered"] = reordered ? 1 : 0;
        if (lost != 0 || reordered)
            state.SkipWithError("chat lines lost or reordered");
        table.server->link.Leave(true);
        table.Settle();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(RelayChatBurst)->Iterations(3)->Unit(benchmark::kMillisecond);

void ParseMoveStream(benchmark::State& state)
{
    std::string stream;
    for (int i = 0; i < 1000; ++i)
        stream += Move(i).ToBytes();
    for (auto _ : state)
    {
        CNetMessageReader reader;
        reader.Append(stream.data(), stream.size());
        CNetMessage message;
        int count = 0;
        while (reader.Next(message) == CNetMessageReader::Result::Message)
            ++count;
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(ParseMoveStream);

void ParsePiecewise(benchmark::State& state)
{
    const auto elements = static_cast<int>(state.range(0));
    CNetMessage message(MSG_SETTINGS);
    for (int i = 0; i < elements; ++i)
        message.AddInt(i);
    const std::string bytes = message.ToBytes();
    constexpr std::size_t kHeader = 8;
    constexpr std::size_t kElement = 9;
    for (auto _ : state)
    {
        CNetMessageReader reader;
        CNetMessage out;
        reader.Append(bytes.data(), kHeader);
        int complete = 0;
        for (std::size_t at = kHeader; at < bytes.size(); at += kElement)
        {
            reader.Append(bytes.data() + at, kElement);
            complete += reader.Next(out) == CNetMessageReader::Result::Message ? 1 : 0;
        }
        if (complete != 1)
            state.SkipWithError("message not read exactly once");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
    state.SetComplexityN(elements);
}
BENCHMARK(ParsePiecewise)->RangeMultiplier(2)->Range(256, 4096)->Complexity();
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
