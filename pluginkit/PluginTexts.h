#pragma once

#include "EngineList.h"

#include <map>
#include <string>

// What the string tables of both plug-in libraries share: the ids of the
// texts each of them has (the same number in both), the lookup, and the
// engine list's keys and dialog texts taken from a table.
namespace PluginTexts
{
inline constexpr int IDS_PRODUCT_KEY = 1;
inline constexpr int IDS_ENGINES_KEY = 2;
inline constexpr int IDS_EXECUTABLE_FILTER = 3;
inline constexpr int IDS_ADD_ENGINE = 5;
inline constexpr int IDS_MODIFY_ENGINE = 6;
inline constexpr int IDS_DEFAULT_ENGINE = 7;
inline constexpr int IDS_CONFIRM_REMOVE = 8;
inline constexpr int IDS_HELP_TEXT = 9;
inline constexpr int IDS_NEW_ENGINE = 10;
inline constexpr int IDS_HELP_CAPTION = 11;
inline constexpr int IDS_START_ERROR = 12;
inline constexpr int IDS_ENGINE_TYPE_NAME = 13;
inline constexpr int IDS_FILL_ALL = 15;

// The text with that id in the table, or an empty string for an unknown id.
[[nodiscard]] const std::string& Find(const std::map<int, std::string>& table, int id);

// The engine list's keys, default engine and dialog texts (all but the
// list's label) from a plug-in's table.
[[nodiscard]] EngineListSetup ListSetup(const std::string& (*text)(int id));
} // namespace PluginTexts
