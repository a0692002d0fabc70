// Starts an engine through the adapter, prints its process id and ends
// without quitting it, as a program that is closed abruptly would.
#include "WinboardAdapter.h"

#include <cstdio>

// Reachable to the end, like the program's engine objects.
CWinboardAdapter* g_Adapter = nullptr;

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    auto* adapter = g_Adapter = new CWinboardAdapter;
    CWinboardAdapter::Timings timings;
    timings.startDelay = std::chrono::milliseconds(0);
    timings.firstAnswerWait = std::chrono::milliseconds(100);
    adapter->SetTimings(timings);
    adapter->SetEngineOverride(argv[1], "");
    if (!adapter->Start() || !adapter->WaitUntilIdle() || !adapter->HasProcess())
        return 1;
    std::printf("%d\n", static_cast<int>(adapter->ProcessId()));
    std::fflush(stdout);
    return 0; // the adapter is never destroyed
}
