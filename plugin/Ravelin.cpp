// The exports of the plug-in library: the engine objects and their extension.
#include "EngineRegistry.h"
#include "WinboardAdapter.h"

#include <chrono>
#include <mutex>
#include <new>
#include <string>

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateChessEngine()
{
    // The engines installed below the program are registered each time an
    // object is made, so a fresh machine has its opponents at once.
    CEngineList& engines = CEngineRegistry::Instance();
    engines.RegisterInstalledEngines();
    engines.SetAdapterFactory([]() -> CEngineAdapter* { return new (std::nothrow) CWinboardAdapter; });
    return new (std::nothrow) CWinboardAdapter;
}

extern "C" __attribute__((visibility("default"))) IChessEngineEx* GetChessEngineEx(IChessEngine* engine)
{
    // Every object of this library is an adapter; the program passes back
    // only what CreateChessEngine gave it.
    return engine == nullptr ? nullptr : static_cast<CWinboardAdapter*>(engine);
}

extern "C" __attribute__((visibility("default"))) const char* ListChessEngines()
{
    // Kept by the library until the next call; the program calls it on its
    // user-interface thread only.
    static std::mutex mutex;
    static std::string names;
    std::lock_guard lock(mutex);
    CEngineList& engines = CEngineRegistry::Instance();
    engines.RegisterInstalledEngines();
    names.clear();
    for (const std::string& name : engines.EngineNames())
        names += name + "\n";
    return names.c_str();
}

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateNamedChessEngine(const char* name)
{
    // An object that runs that engine of the list whatever its colour.
    if (name == nullptr)
        return nullptr;
    CEngineList& engines = CEngineRegistry::Instance();
    engines.RegisterInstalledEngines();
    std::string commandLine;
    std::string workingDirectory;
    if (!engines.ReadEngine(name, commandLine, workingDirectory))
        return nullptr;
    engines.SetAdapterFactory([]() -> CEngineAdapter* { return new (std::nothrow) CWinboardAdapter; });
    auto* adapter = new (std::nothrow) CWinboardAdapter;
    if (adapter == nullptr)
        return nullptr;
    adapter->SetEngineOverride(commandLine, workingDirectory, name);
    // Such objects start together (three bughouse seats at once), and an
    // engine that sets up its tables first, as Sjeng does, may take seconds
    // to begin its features on a busy machine: it is not taken for a
    // protocol 1 engine that soon.
    CEngineAdapter::Timings timings;
    timings.firstAnswerWait = std::chrono::seconds(10);
    timings.handshakeWait = std::chrono::seconds(10);
    adapter->SetTimings(timings);
    return adapter;
}
