// The exports of the plug-in library: the engine objects and their extension.
#include "EngineRegistry.h"
#include "WinboardAdapter.h"

#include <new>

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
