#include "EngineProcess.h"

#include "ProcessReaper.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace
{
void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat info
    {
    };
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}
} // namespace

CEngineProcess::~CEngineProcess()
{
    Release(std::chrono::milliseconds(0));
}

std::vector<std::string> CEngineProcess::SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (size_t i = 0; i < commandLine.size(); ++i)
    {
        const char c = commandLine[i];
        if (quote == '\'')
        {
            if (c == '\'')
                quote = 0;
            else
                word += c;
        }
        else if (quote == '"')
        {
            if (c == '"')
                quote = 0;
            else if (c == '\\' && i + 1 < commandLine.size() &&
                     (commandLine[i + 1] == '"' || commandLine[i + 1] == '\\'))
                word += commandLine[++i];
            else
                word += c;
        }
        else if (c == ' ' || c == '\t' || c == '\n')
        {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        }
        else
        {
            inWord = true;
            if (c == '\'' || c == '"')
                quote = c;
            else if (c == '\\' && i + 1 < commandLine.size())
                word += commandLine[++i];
            else
                word += c;
        }
    }
    if (quote != 0)
        return {};
    if (inWord)
        words.push_back(word);
    return words;
}

bool CEngineProcess::Start(const std::string& commandLine, const std::string& workingDirectory,
                           std::function<void()> onExit)
{
    Release(std::chrono::milliseconds(0));
    std::vector<std::string> arguments;
    if (IsExecutableFile(commandLine))
        arguments.push_back(commandLine);
    else
        arguments = SplitCommandLine(commandLine);
    if (arguments.empty() || arguments[0].empty())
        return false;

    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (pipe2(input, O_CLOEXEC) != 0)
        return false;
    if (pipe2(output, O_CLOEXEC) != 0)
    {
        CloseFd(input[0]);
        CloseFd(input[1]);
        return false;
    }
    // An engine that stops reading must never block the user-interface thread.
    fcntl(input[1], F_SETFL, fcntl(input[1], F_GETFL) | O_NONBLOCK);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 clears close-on-exec on the child's copies only.
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group (the engine and any helper it starts can be ended
    // together, and a terminal's Ctrl-C does not reach it); default signal
    // handling, in case the program ignores SIGPIPE or blocks signals.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &empty);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(input[0]);
    CloseFd(output[1]);
    if (error != 0)
    {
        CloseFd(input[1]);
        CloseFd(output[0]);
        return false;
    }
    m_Pid = pid;
    CProcessReaper::Instance().Track(pid, std::move(onExit));
    m_Input = input[1];
    m_Output = output[0];
    return true;
}

int CEngineProcess::TakeOutput()
{
    const int fd = m_Output;
    m_Output = -1;
    return fd;
}

void CEngineProcess::Write(std::string_view text)
{
    if (m_Input < 0)
        return;
    // A write to an engine that has gone raises SIGPIPE, which would end the
    // whole program: block it on this thread and swallow the one raised here.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    bool broken = false;
    while (!text.empty())
    {
        const ssize_t written = write(m_Input, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
        {
            broken = errno == EPIPE;
            break;
        }
        text.remove_prefix(static_cast<size_t>(written));
    }
    if (broken)
    {
        const timespec zero{0, 0};
        while (sigtimedwait(&pipeSignal, nullptr, &zero) < 0 && errno == EINTR)
        {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void CEngineProcess::Release(std::chrono::milliseconds grace, int output)
{
    CloseFd(m_Input);
    CloseFd(m_Output);
    if (m_Pid > 0)
        CProcessReaper::Instance().Adopt(m_Pid, grace, output);
    else
        CloseFd(output);
    m_Pid = -1;
}
