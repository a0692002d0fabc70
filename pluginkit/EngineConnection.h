#pragma once

#include "EngineProcess.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <thread>

// One running engine program seen from an adapter: the child process, its
// input for the adapter's writes, and a reader thread that cuts the program's
// output into lines and hands each to the adapter's line handler. Letting go
// of the engine never waits for a listener call in progress (that call may be
// waiting for the very thread that lets go), and the reader never touches the
// adapter: everything it uses lives in the shared channel.
class CEngineConnection
{
public:
    using Clock = std::chrono::steady_clock;

    // What the adapter and the reader thread share. Adapters derive from it
    // to add the state their line handler keeps, guarded by `mutex`.
    struct Channel
    {
        virtual ~Channel();

        // Runs a listener call unless the adapter has let go of the engine;
        // false once it has (the reader then stops). Called on the reader
        // thread without `mutex` held.
        bool Deliver(const std::function<void()>& call);

        // The engine has ended by itself while the adapter still holds it:
        // runs onDeath, once, whoever noticed first (the reader at the end of
        // the output, or the reaper when the process ended).
        void ReportDeath();

        // Runs on the reader thread for each line, newline included; false
        // stops reading.
        std::function<bool(const std::string& line)> onLine;
        // Runs once when the engine has ended by itself (see ReportDeath), on
        // the reader's or the reaper's thread; it must not wait.
        std::function<void()> onDeath;
        // When set, the reader also wakes at the time it returns (Clock's max
        // for none) and then runs onWake on its thread; false stops reading.
        std::function<Clock::time_point()> wakeAt;
        std::function<bool()> onWake;

        std::mutex mutex;
        std::condition_variable changed;
        bool cancelled = false; // no listener call may begin any more
        bool inCall = false;    // a listener call is in progress
        bool finished = false;  // the reader has stopped
        bool dead = false;      // the engine has ended by itself

    private:
        friend class CEngineConnection;
        int m_Output = -1;        // read end of the engine's output
        int m_Wake[2] = {-1, -1}; // written once to stop the reader
        bool m_DeathReported = false;
    };

    CEngineConnection() = default;
    ~CEngineConnection();
    CEngineConnection(const CEngineConnection&) = delete;
    CEngineConnection& operator=(const CEngineConnection&) = delete;

    // Lets go of any engine still held, starts the program (see
    // CEngineProcess::Start) and the reader thread over the channel. False,
    // with nothing left running, on failure.
    bool Start(const std::string& commandLine, const std::string& workingDirectory, std::shared_ptr<Channel> channel);

    // Stops the reader without waiting for a hand-over in progress, closes
    // the pipes and hands the process to the reaper, which ends it (and its
    // process group) after the grace period.
    void Release(std::chrono::milliseconds grace);

    // Writes the whole text to the engine; ignored when no engine runs.
    void Write(std::string_view text) { m_Process.Write(text); }

    [[nodiscard]] bool IsRunning() const { return m_Process.IsRunning(); }
    [[nodiscard]] pid_t Pid() const { return m_Process.Pid(); }
    // The channel of the engine held now, or null.
    [[nodiscard]] const std::shared_ptr<Channel>& GetChannel() const { return m_Channel; }

private:
    static void ReaderMain(std::shared_ptr<Channel> channel);

    CEngineProcess m_Process;
    std::thread m_Reader;
    std::shared_ptr<Channel> m_Channel;
};
