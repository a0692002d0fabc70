#pragma once

#include <QString>

// Where the compiled-in bitmaps and sounds live, by their resource names
// ("IDB_BOARD", "IDR_PLAY_MOVE", ...).
namespace ResourceData
{
// Makes sure the compiled-in resources are registered (safe to call often).
void Register();
// ":/pellomar/<name>.png" for a bitmap name, upper case.
[[nodiscard]] QString BitmapPath(const QString& name);
// ":/pellomar/<name>.wav" for a wave name, upper case.
[[nodiscard]] QString SoundPath(const QString& name);
} // namespace ResourceData
