// The exports of the UCI plug-in library: the engine objects and their extension.
#include "UciAdapter.h"
#include "UciRegistry.h"

#include <new>

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateChessEngine()
{
    // Debian's stockfish is registered when it is installed, so a fresh
    // machine has an opponent at once.
    CEngineList& engines = CUciRegistry::Instance();
    engines.RegisterInstalledEngines();
    engines.SetAdapterFactory([]() -> CEngineAdapter* { return new (std::nothrow) CUciAdapter; });
    return new (std::nothrow) CUciAdapter;
}

extern "C" __attribute__((visibility("default"))) IChessEngineEx* GetChessEngineEx(IChessEngine* engine)
{
    return engine == nullptr ? nullptr : static_cast<CUciAdapter*>(engine);
}
