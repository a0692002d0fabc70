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

// Game protocol texts: joining, refusals and departures.
inline constexpr int IDS_NET_OLD_VERSION_JOIN = 64000;
inline constexpr int IDS_NET_JOINS_GAME = 64001;
inline constexpr int IDS_NET_REFUSED_FULL = 64002;
inline constexpr int IDS_NET_REFUSED_NICKNAME = 64003;
inline constexpr int IDS_NET_REFUSED_STARTED = 64004;
inline constexpr int IDS_NET_VERSION_SERVER_NEWER = 64005;
inline constexpr int IDS_NET_VERSION_SERVER_OLDER = 64006;

// Dialogs, buttons and help pages.
inline constexpr int IDS_NETWORK_BUGHOUSE_HELP_TITLE = 134;
inline constexpr int IDS_NETWORK_BUGHOUSE_HELP_PAGE = 135;
inline constexpr int IDS_BUGHOUSE_RULES_TITLE = 136;
inline constexpr int IDS_BUGHOUSE_RULES_PAGE = 137;
inline constexpr int IDS_CONFIGURE = 140;
inline constexpr int IDS_NO = 146;
inline constexpr int IDS_OK = 147;
inline constexpr int IDS_YES = 156;
inline constexpr int IDS_CONNECTION_HELP_TITLE = 168;
inline constexpr int IDS_CONNECTION_HELP_PAGE = 169;
inline constexpr int IDS_CREDITS_TITLE = 171;
inline constexpr int IDS_CREDITS_PAGE = 172;
inline constexpr int IDS_DEVELOPER_ZONE_TITLE = 174;
inline constexpr int IDS_DEVELOPER_ZONE_PAGE = 175;
inline constexpr int IDS_GAMES_FOLDER = 190;
inline constexpr int IDS_HELP_FOLDER = 195;
inline constexpr int IDS_INFORMATION = 198;
inline constexpr int IDS_QUESTION = 241;
inline constexpr int IDS_LOCAL_CHESS_HELP_TITLE = 268;
inline constexpr int IDS_NETWORK_CHESS_HELP_PAGE = 269;
inline constexpr int IDS_NETWORK_CHESS_HELP_TITLE = 271;
inline constexpr int IDS_LOCAL_CHESS_HELP_PAGE = 272;
inline constexpr int IDS_APP_TITLE = 57344;

// Texts of the user interface that have no number of their own (63000 and up).
inline constexpr int IDS_CANCEL = 63000;
inline constexpr int IDS_SETTINGS = 63001;
inline constexpr int IDS_GAME_TIME_TOO_SHORT = 63002;
inline constexpr int IDS_WAITING_FOR_CLIENT = 63003;
inline constexpr int IDS_COMPUTER_MARK = 63004;
inline constexpr int IDS_PLAYER_AT_TOP = 63007;
inline constexpr int IDS_PLAYER_AT_BOTTOM = 63008;
inline constexpr int IDS_GAME_TIME = 63009;
inline constexpr int IDS_GAME_SETTINGS = 63010;
inline constexpr int IDS_OPTIONS = 63011;
inline constexpr int IDS_INFINITE_LOCAL = 63012;
inline constexpr int IDS_CUSTOM_LOCAL = 63013;
inline constexpr int IDS_INFINITE_NET = 63014;
inline constexpr int IDS_CUSTOM_NET = 63015;
inline constexpr int IDS_CONFIGURE_BOTTOM = 63016;
inline constexpr int IDS_FISHER_STYLE = 63017;
inline constexpr int IDS_SECONDS_IN_BONUS = 63018;
inline constexpr int IDS_CAN_CAPTURE_KING_NET = 63019;
inline constexpr int IDS_CAN_CAPTURE_KING_BUGHOUSE = 63020;
inline constexpr int IDS_TIME_CALL_NET = 63021;
inline constexpr int IDS_TIME_CALL_BUGHOUSE = 63022;
inline constexpr int IDS_HIGHLIGHT_MOVE = 63023;
inline constexpr int IDS_PLAY_SOUND_LOCAL = 63024;
inline constexpr int IDS_PLAY_SOUND_NET = 63025;
inline constexpr int IDS_HOURS = 63026;
inline constexpr int IDS_MINUTES = 63027;
inline constexpr int IDS_SECONDS = 63028;
inline constexpr int IDS_NAME = 63029;
inline constexpr int IDS_TYPE = 63030;
inline constexpr int IDS_INTEGER_RANGE = 63031; // "%1" and "%2" are the bounds
inline constexpr int IDS_HELP_PAGE_MISSING = 63032; // "%1" is the page's path
inline constexpr int IDS_BROWSE_START = 63033;
inline constexpr int IDS_BROWSE_BACK = 63034;
inline constexpr int IDS_BROWSE_FORWARD = 63035;
inline constexpr int IDS_BROWSE_END = 63036;

// Network bughouse texts (65000 and up).
inline constexpr int IDS_BUGHOUSE_YOU_MATED = 65000;
inline constexpr int IDS_BUGHOUSE_OPPONENT_MATED = 65001;
inline constexpr int IDS_BUGHOUSE_OWN_TEAM_MATED = 65002;
inline constexpr int IDS_BUGHOUSE_OTHER_TEAM_MATED = 65003;
inline constexpr int IDS_BUGHOUSE_STALEMATE = 65004;
inline constexpr int IDS_BUGHOUSE_PARTNER_RESIGNED = 65005;
inline constexpr int IDS_BUGHOUSE_OPPONENT_RESIGNED = 65006;
inline constexpr int IDS_BUGHOUSE_PARTNER_TIME = 65007;
inline constexpr int IDS_BUGHOUSE_OPPONENT_TIME = 65008;
inline constexpr int IDS_BUGHOUSE_OWN_TIME = 65009;
inline constexpr int IDS_BUGHOUSE_DRAW = 65010;
inline constexpr int IDS_BUGHOUSE_ABORTED = 65011;
inline constexpr int IDS_BUGHOUSE_POSITION_CHANGED = 65012;
inline constexpr int IDS_BUGHOUSE_COLORS_SWITCHING = 65013;
inline constexpr int IDS_BUGHOUSE_GAME_STARTED = 65014;
inline constexpr int IDS_BUGHOUSE_PARTNER_OFFERS_DRAW = 65015;
inline constexpr int IDS_BUGHOUSE_OPPONENT_OFFERS_DRAW = 65016;
inline constexpr int IDS_BUGHOUSE_DRAW_NEXT_MOVE = 65017;
inline constexpr int IDS_BUGHOUSE_LEAVES = 65018;
inline constexpr int IDS_BUGHOUSE_CONNECTED_AS = 65019;
inline constexpr int IDS_BUGHOUSE_IS_IN_GAME = 65020;
inline constexpr int IDS_BUGHOUSE_SERVER_LEFT = 65021;
inline constexpr int IDS_BUGHOUSE_COMM_ERROR = 65022;
inline constexpr int IDS_BUGHOUSE_CONFIRM_RESIGN = 65023;
inline constexpr int IDS_BUGHOUSE_CONFIRM_ABORT = 65024;
inline constexpr int IDS_BUGHOUSE_CONFIRM_QUIT = 65025;
inline constexpr int IDS_BUGHOUSE_SERVER_STARTED = 65026;
inline constexpr int IDS_BUGHOUSE_REFUSED_MOVE = 65027;

// The text with that id, or an empty string for an unknown id.
[[nodiscard]] const std::string& Text(int id);
} // namespace ProgramTexts
