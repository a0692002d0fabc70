#pragma once

#include "PluginTexts.h"

#include <string>

// The UCI plug-in library's own string table.
namespace UciTexts
{
// The ids both plug-ins share, and these of its own.
using namespace PluginTexts;
inline constexpr int IDS_LIST_LABEL = 16;
inline constexpr int IDS_ENGINE_DIED = 17;

// The text with that id, or an empty string for an unknown id.
[[nodiscard]] const std::string& Text(int id);
} // namespace UciTexts
