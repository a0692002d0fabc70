// The one export of the UCI plug-in library.
#include "UciAdapter.h"
#include "UciRegistry.h"

#include <new>

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateChessEngine()
{
    // Debian's stockfish is registered when it is installed, so a fresh
    // machine has an opponent at once.
    CUciRegistry::Instance().RegisterInstalledEngines();
    return new (std::nothrow) CUciAdapter;
}
