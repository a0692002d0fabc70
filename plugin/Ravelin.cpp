// The one export of the plug-in library.
#include "EngineRegistry.h"
#include "WinboardAdapter.h"

#include <new>

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateChessEngine()
{
    // The engines installed below the program are registered each time an
    // object is made, so a fresh machine has its opponents at once.
    CEngineRegistry::Instance().RegisterInstalledEngines();
    return new (std::nothrow) CWinboardAdapter;
}
