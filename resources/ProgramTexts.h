#pragma once

#include <string>

// The program's string table: every text shown to the user, by its numeric id.
namespace ProgramTexts
{
inline constexpr int IDS_PGN_LOAD_ERROR = 184;
inline constexpr int IDS_PGN_SAVE_ERROR = 185;
inline constexpr int IDS_HUMAN = 196;
inline constexpr int IDS_PRODUCT_KEY = 256;

// Settings record, clock and statistics texts.
inline constexpr int IDS_CLOCK_MIN_SEC = 900;
inline constexpr int IDS_NO_TIME_LIMIT = 901;
inline constexpr int IDS_SETTINGS_SUMMARY = 902;
inline constexpr int IDS_SETTINGS_BONUS = 903;
inline constexpr int IDS_SETTINGS_KING_CAPTURE = 904;
inline constexpr int IDS_SETTINGS_TIME_CALL = 905;
inline constexpr int IDS_STATISTICS = 906;
inline constexpr int IDS_WINBOARD_ENGINE = 907;
inline constexpr int IDS_DEFAULT_BOTTOM_PLAYER = 908;
inline constexpr int IDS_DEFAULT_TOP_PLAYER = 909;

// The text with that id, or an empty string for an unknown id.
[[nodiscard]] const std::string& Text(int id);
} // namespace ProgramTexts
