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

class IChessEngineListener;

// One running engine program seen from an adapter: the child process, its
// input for the adapter's writes, and a reader thread that cuts the program's
// output into lines and hands each to the adapter's line handler. Letting go
// of the engine never waits for a listener call in progress (that call may be
// waiting for the very thread that lets go), and the reader never touches the
// adapter: everything it uses lives in the shared channel.
class CEngineConnection
{
public:
    // What the adapter and the reader thread share. Adapters derive from it
    // to add the state their line handler keeps, guarded by `mutex`.
    struct Channel
    {
        virtual ~Channel();

        // Calls the listener unless the adapter has let go of the engine;
        // false once it has (the reader then stops). Called on the reader
        // thread without `mutex` held.
        bool Deliver(const std::function<void(IChessEngineListener&)>& call);

        // Runs on the reader thread for each line, newline included; false
        // stops reading.
        std::function<bool(const std::string& line)> onLine;
        // Runs on the reader thread when the engine's output closes while the
        // adapter still holds the engine: the engine has ended by itself.
        std::function<void()> onDeath;

        std::mutex mutex;
        std::condition_variable changed;
        IChessEngineListener* listener = nullptr;
        bool cancelled = false; // no listener call may begin any more
        bool inCall = false;    // a listener call is in progress
        bool finished = false;  // the reader has stopped

    private:
        friend class CEngineConnection;
        int m_Output = -1;        // read end of the engine's output
        int m_Wake[2] = {-1, -1}; // written once to stop the reader
    };

    CEngineConnection() = default;
    ~CEngineConnection();
    CEngineConnection(const CEngineConnection&) = delete;
    CEngineConnection& operator=(const CEngineConnection&) = delete;

    // Lets go of any engine still held, starts the program (see
    // CEngineProcess::Start) and, after `readDelay`, the reader thread over
    // the channel. False, with nothing left running, on failure.
    bool Start(const std::string& commandLine, const std::string& workingDirectory, std::shared_ptr<Channel> channel,
               std::chrono::milliseconds readDelay);

    // Stops the reader without waiting for a hand-over in progress, closes
    // the pipes and hands the process to the reaper, which ends it after the
    // grace period.
    void Release(std::chrono::milliseconds grace);

    // A Channel::onDeath that runs `action` on the application's main thread
    // (the user-interface thread, where the adapters live), unless by then
    // the owner has gone (`alive` has expired) or this connection has let go
    // of the channel's engine. Nothing runs without an application object.
    [[nodiscard]] std::function<void()> DeathNotice(std::weak_ptr<void> alive, const std::shared_ptr<Channel>& channel,
                                                    std::function<void()> action) const;

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
