#include "FakeEngineInput.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

CFakeEngineInput::CFakeEngineInput(const char* logPath)
    : m_Log(open(logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644))
{
    // A write to a closed output fails instead of ending the process.
    signal(SIGPIPE, SIG_IGN);
}

CFakeEngineInput::~CFakeEngineInput()
{
    if (m_Log >= 0)
        close(m_Log);
}

bool CFakeEngineInput::NextLine(std::string& line)
{
    size_t end;
    while ((end = m_Pending.find('\n')) == std::string::npos)
    {
        char buffer[4096];
        const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        if (m_Log >= 0) [[maybe_unused]]
            ssize_t ignored = write(m_Log, buffer, static_cast<size_t>(count));
        m_Pending.append(buffer, static_cast<size_t>(count));
    }
    line = m_Pending.substr(0, end);
    m_Pending.erase(0, end + 1);
    return true;
}

void CFakeEngineInput::Print(const std::string& text)
{
    size_t done = 0;
    while (done < text.size())
    {
        const ssize_t n = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}
