#pragma once

#include <string>

// The program's string table: every text shown to the user, by its numeric id.
namespace ProgramTexts
{
inline constexpr int IDS_PGN_LOAD_ERROR = 184;
inline constexpr int IDS_PGN_SAVE_ERROR = 185;

// The text with that id, or an empty string for an unknown id.
[[nodiscard]] const std::string& Text(int id);
} // namespace ProgramTexts
