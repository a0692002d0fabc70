#pragma once

#include "PluginTexts.h"

#include <string>

// The plug-in library's own string table (separate from the program's).
namespace RavelinTexts
{
// The ids both plug-ins share, and these of its own.
using namespace PluginTexts;
inline constexpr int IDS_EXECUTABLE_EXTENSION = 4;
inline constexpr int IDS_ENGINES_FOLDER = 14;
inline constexpr int IDS_ENGINE_DIED = 16;
inline constexpr int IDS_POSITION_REFUSED = 17;
inline constexpr int IDS_VARIANT_REFUSED = 18;

// The text with that id, or an empty string for an unknown id.
[[nodiscard]] const std::string& Text(int id);
} // namespace RavelinTexts
