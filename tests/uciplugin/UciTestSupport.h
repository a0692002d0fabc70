#pragma once

#include "PluginTestSupport.h"
#include "UciAdapter.h"

#include <QTemporaryDir>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

struct UciAdapterDeleter
{
    void operator()(CUciAdapter* adapter) const { adapter->Destroy(); }
};
using UciAdapterPtr = std::unique_ptr<CUciAdapter, UciAdapterDeleter>;

// Short waits so the suite stays fast; the behaviour is the same.
inline CEngineAdapter::Timings FastUciTimings()
{
    CEngineAdapter::Timings timings;
    timings.startDelay = std::chrono::milliseconds(0);
    timings.handshakeWait = Scaled(std::chrono::milliseconds(2000));
    // Long enough for a fake engine on a busy machine to read its "quit".
    timings.quitGrace = Scaled(std::chrono::milliseconds(1000));
    return timings;
}

// A real engine allocates its tables while it answers the handshake: on a
// busy machine that takes seconds, which the fake engines' wait does not allow.
inline CEngineAdapter::Timings RealUciTimings()
{
    CEngineAdapter::Timings timings = FastUciTimings();
    timings.handshakeWait = Scaled(std::chrono::seconds(20));
    return timings;
}

// A scripted engine in a folder of its own with the log of what it received.
class CScriptedUciEngine
{
public:
    explicit CScriptedUciEngine(const std::string& script) { std::ofstream(Path("script")) << script; }

    [[nodiscard]] std::string CommandLine() const
    {
        return std::string(FAKE_UCI_ENGINE) + " " + Path("script") + " " + Path("log");
    }
    [[nodiscard]] std::string Folder() const { return m_Dir.path().toStdString(); }
    [[nodiscard]] std::string Path(const char* name) const { return m_Dir.path().toStdString() + "/" + name; }

    [[nodiscard]] std::string Log() const
    {
        std::ifstream file(Path("log"));
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // True once the log holds the text.
    bool WaitForLog(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (Log().find(text) == std::string::npos)
        {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // True once the log ends with the text (what the adapter wrote last).
    bool WaitForLogEnd(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(5)) const
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;)
        {
            const std::string log = Log();
            if (log.size() >= text.size() && log.compare(log.size() - text.size(), text.size(), text) == 0)
                return true;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

private:
    QTemporaryDir m_Dir;
};
