// The one export of the plug-in library.
#include "WinboardAdapter.h"

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateChessEngine()
{
    return new CWinboardAdapter;
}
