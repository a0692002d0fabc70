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

// Local chess window, main frame and main menu.
inline constexpr int IDS_COMPANY_KEY = 181;
inline constexpr int IDS_LOCAL_WHITE = 63500;
inline constexpr int IDS_LOCAL_BLACK = 63501;
inline constexpr int IDS_CLICK_ON_NEW_GAME = 63502;
inline constexpr int IDS_GAME_PAUSED = 63503;
inline constexpr int IDS_GAME_DRAWN_AGREED = 63504;
inline constexpr int IDS_ENGINE_RESIGNED = 63505;
inline constexpr int IDS_CHECKMATE = 63506;
inline constexpr int IDS_STALEMATE = 63507;
inline constexpr int IDS_WHITE_TIME_EXPIRED = 63508;
inline constexpr int IDS_BLACK_TIME_EXPIRED = 63509;
inline constexpr int IDS_PGN_FILTER = 63510;
inline constexpr int IDS_PGN_EXTENSION = 63511;
inline constexpr int IDS_DEFAULT_SAVE_NAME = 63512;
inline constexpr int IDS_TITLE_YOUR_TURN = 63513;
inline constexpr int IDS_NEW_GAME = 63520;
inline constexpr int IDS_START_GAME = 63521;
inline constexpr int IDS_PAUSE_GAME = 63522;
inline constexpr int IDS_CONTINUE_GAME = 63523;
inline constexpr int IDS_ABORT_GAME = 63524;
inline constexpr int IDS_OFFER_DRAW = 63525;
inline constexpr int IDS_CANCEL_OFFER = 63526;
inline constexpr int IDS_ACCEPT_DRAW = 63527;
inline constexpr int IDS_TAKEBACK_MOVE = 63528;
inline constexpr int IDS_SWITCH_COLOR = 63529;
inline constexpr int IDS_LOAD_GAME = 63530;
inline constexpr int IDS_SAVE_GAME = 63531;
inline constexpr int IDS_HELP_BUTTON = 63532;
inline constexpr int IDS_MENU = 63534;
inline constexpr int IDS_MENU_LOCAL_CHESS = 63540;
inline constexpr int IDS_MENU_NETWORK_CHESS = 63541;
inline constexpr int IDS_MENU_BUGHOUSE = 63542;
inline constexpr int IDS_MENU_CREDITS = 63543;
inline constexpr int IDS_MENU_DEVELOPER_ZONE = 63544;
inline constexpr int IDS_MENU_EXIT = 63545;
inline constexpr int IDS_DISPLAY_TOO_SMALL = 63546;
inline constexpr int IDS_CONFIRM_QUIT_NETWORK = 63547;

// The text with that id, or an empty string for an unknown id.
[[nodiscard]] const std::string& Text(int id);
} // namespace ProgramTexts
