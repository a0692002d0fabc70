// An engine plug-in for the program's tests: the real WinBoard adapter, with
// a hook that points an object at a chosen program and shortens its waits.
#include "PluginMessages.h"
#include "WinboardAdapter.h"

#include <cstdio>

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateChessEngine()
{
    // No test may wait on a message box: the plug-in's messages go to standard error.
    CPluginMessages::SetHandler([](CPluginMessages::Kind, const std::string& caption, const std::string& text) {
        std::fprintf(stderr, "[plug-in message] %s: %s\n", caption.c_str(), text.c_str());
        return true;
    });
    return new CWinboardAdapter;
}

extern "C" __attribute__((visibility("default"))) void ConfigureAppTestEngine(IChessEngine* engine,
                                                                              const char* commandLine,
                                                                              const char* workingDirectory)
{
    auto* adapter = static_cast<CWinboardAdapter*>(engine);
    adapter->SetEngineOverride(commandLine, workingDirectory);
    // Shorter waits than a real start, but the lines that open a game stay
    // paced: real engines lose or misread them in one burst.
    CWinboardAdapter::Timings timings;
    timings.startDelay = std::chrono::milliseconds(100);
    timings.firstAnswerWait = std::chrono::milliseconds(300);
    timings.quitGrace = std::chrono::milliseconds(500);
    adapter->SetTimings(timings);
}

// The extension, as the real plug-ins give it.
extern "C" __attribute__((visibility("default"))) IChessEngineEx* GetChessEngineEx(IChessEngine* engine)
{
    return engine == nullptr ? nullptr : static_cast<CWinboardAdapter*>(engine);
}
