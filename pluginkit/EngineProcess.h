#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// One engine program running as a child process, its standard input and
// output connected to the parent by two pipes. The parent's pipe ends are
// close-on-exec, so no engine inherits another engine's pipes.
class CEngineProcess
{
public:
    CEngineProcess() = default;
    ~CEngineProcess();
    CEngineProcess(const CEngineProcess&) = delete;
    CEngineProcess& operator=(const CEngineProcess&) = delete;

    // Splits a command line into program and arguments with shell-like
    // quoting ('single', "double", backslash escapes). Empty on unbalanced quotes.
    [[nodiscard]] static std::vector<std::string> SplitCommandLine(const std::string& commandLine);

    // Starts the program named by the command line in the working directory
    // (the parent's own directory stays unchanged; an empty one means the
    // parent's). A command line that names an existing file as a whole is
    // taken as that path, spaces and all; otherwise it is split into the
    // program and its arguments. Standard error goes to the output pipe too.
    // The program leads a process group of its own. `onExit` runs once (on
    // another thread) when it ends by itself (see CProcessReaper::Track).
    // False, with nothing left open, when the program cannot be started.
    bool Start(const std::string& commandLine, const std::string& workingDirectory, std::function<void()> onExit = {});

    [[nodiscard]] bool IsRunning() const { return m_Pid > 0; }
    [[nodiscard]] pid_t Pid() const { return m_Pid; }

    // The parent's end of the output pipe. The caller takes it over and must
    // close it; afterwards this object no longer knows it.
    [[nodiscard]] int TakeOutput();

    // One write of the whole text; fails silently when the engine does not
    // read (the pipe is non-blocking) or has gone.
    void Write(std::string_view text);

    // Closes the input pipe and hands the process to the reaper, which ends
    // it if it has not left after the grace period. `output`, when given, is
    // the output taken by TakeOutput: the reaper reads it until the process
    // has left (see CProcessReaper::Adopt).
    void Release(std::chrono::milliseconds grace, int output = -1);

private:
    pid_t m_Pid = -1;
    int m_Input = -1;  // write end of the engine's standard input
    int m_Output = -1; // read end of the engine's standard output
};
