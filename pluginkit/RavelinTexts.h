#pragma once

#include <string>

// The plug-in library's own string table (separate from the program's).
namespace RavelinTexts
{
inline constexpr int IDS_PRODUCT_KEY = 1;
inline constexpr int IDS_ENGINES_KEY = 2;
inline constexpr int IDS_EXECUTABLE_FILTER = 3;
inline constexpr int IDS_EXECUTABLE_EXTENSION = 4;
inline constexpr int IDS_ADD_ENGINE = 5;
inline constexpr int IDS_MODIFY_ENGINE = 6;
inline constexpr int IDS_DEFAULT_ENGINE = 7;
inline constexpr int IDS_CONFIRM_REMOVE = 8;
inline constexpr int IDS_HELP_TEXT = 9;
inline constexpr int IDS_NEW_ENGINE = 10;
inline constexpr int IDS_HELP_CAPTION = 11;
inline constexpr int IDS_START_ERROR = 12;
inline constexpr int IDS_ENGINE_TYPE_NAME = 13;
inline constexpr int IDS_ENGINES_FOLDER = 14;
inline constexpr int IDS_FILL_ALL = 15;
inline constexpr int IDS_ENGINE_DIED = 16;
inline constexpr int IDS_POSITION_REFUSED = 17;
inline constexpr int IDS_VARIANT_REFUSED = 18;

// The text with that id, or an empty string for an unknown id.
[[nodiscard]] const std::string& Text(int id);
} // namespace RavelinTexts
