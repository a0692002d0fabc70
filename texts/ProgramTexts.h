#pragma once

#include <string>

// The program's string table: every text shown to the user, by its numeric id.
namespace ProgramTexts
{
inline constexpr int IDS_FIFTY_MOVE_RULE = 178;
inline constexpr int IDS_INSUFFICIENT_MATERIAL = 179;
inline constexpr int IDS_THREEFOLD_REPETITION = 180;
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
inline constexpr int IDS_INTEGER_RANGE = 63031;     // "%1" and "%2" are the bounds
inline constexpr int IDS_HELP_PAGE_MISSING = 63032; // "%1" is the page's path
inline constexpr int IDS_BROWSE_START = 63033;
inline constexpr int IDS_BROWSE_BACK = 63034;
inline constexpr int IDS_BROWSE_FORWARD = 63035;
inline constexpr int IDS_BROWSE_END = 63036;
inline constexpr int IDS_SECONDS_PER_MOVE = 63037;
inline constexpr int IDS_SHOW_THINKING = 63038;
inline constexpr int IDS_THINKING_DEPTH = 63039; // "%1" is the depth
inline constexpr int IDS_THINKING_NODES = 63040; // "%1" is the count
inline constexpr int IDS_THINKING_SPEED = 63041; // "%1" is the speed in thousands of nodes a second
inline constexpr int IDS_FLIP_BOARD = 63090;
inline constexpr int IDS_ZOOM = 63070;
inline constexpr int IDS_ZOOM_NEXT_START = 63071;

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
// "%1" the engine's colour, "%2" its name, "%3" the move or claim, "%4" the other colour.
inline constexpr int IDS_ENGINE_ILLEGAL_MOVE = 63514;
inline constexpr int IDS_ENGINE_FALSE_CLAIM = 63515;
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
// Network bughouse texts (66000 and up).
inline constexpr int IDS_BUGHOUSE_YOU_MATED = 66000;
inline constexpr int IDS_BUGHOUSE_OPPONENT_MATED = 66001;
inline constexpr int IDS_BUGHOUSE_OWN_TEAM_MATED = 66002;
inline constexpr int IDS_BUGHOUSE_OTHER_TEAM_MATED = 66003;
inline constexpr int IDS_BUGHOUSE_STALEMATE = 66004;
inline constexpr int IDS_BUGHOUSE_PARTNER_RESIGNED = 66005;
inline constexpr int IDS_BUGHOUSE_OPPONENT_RESIGNED = 66006;
inline constexpr int IDS_BUGHOUSE_PARTNER_TIME = 66007;
inline constexpr int IDS_BUGHOUSE_OPPONENT_TIME = 66008;
inline constexpr int IDS_BUGHOUSE_OWN_TIME = 66009;
inline constexpr int IDS_BUGHOUSE_DRAW = 66010;
inline constexpr int IDS_BUGHOUSE_ABORTED = 66011;
inline constexpr int IDS_BUGHOUSE_POSITION_CHANGED = 66012;
inline constexpr int IDS_BUGHOUSE_COLORS_SWITCHING = 66013;
inline constexpr int IDS_BUGHOUSE_GAME_STARTED = 66014;
inline constexpr int IDS_BUGHOUSE_PARTNER_OFFERS_DRAW = 66015;
inline constexpr int IDS_BUGHOUSE_OPPONENT_OFFERS_DRAW = 66016;
inline constexpr int IDS_BUGHOUSE_DRAW_NEXT_MOVE = 66017;
inline constexpr int IDS_BUGHOUSE_LEAVES = 66018;
inline constexpr int IDS_BUGHOUSE_CONNECTED_AS = 66019;
inline constexpr int IDS_BUGHOUSE_IS_IN_GAME = 66020;
inline constexpr int IDS_BUGHOUSE_SERVER_LEFT = 66021;
inline constexpr int IDS_BUGHOUSE_COMM_ERROR = 66022;
inline constexpr int IDS_BUGHOUSE_CONFIRM_RESIGN = 66023;
inline constexpr int IDS_BUGHOUSE_CONFIRM_ABORT = 66024;
inline constexpr int IDS_BUGHOUSE_CONFIRM_QUIT = 66025;
inline constexpr int IDS_BUGHOUSE_SERVER_STARTED = 66026;
inline constexpr int IDS_BUGHOUSE_REFUSED_MOVE = 66027;

// Network chess: connection dialog, LAN search, command line, game window (65000 and up).
inline constexpr int IDS_LAN_SEARCH_BUTTON = 145;
inline constexpr int IDS_CONN_CONNECT = 167;
inline constexpr int IDS_CONN_START = 273;
inline constexpr int IDS_CONN_HELP = 143;
inline constexpr int IDS_CONN_KEY = 254;
inline constexpr int IDS_CONN_DEFAULT_NICKNAME = 237;
inline constexpr int IDS_CONN_IP_VALUE = 202;
inline constexpr int IDS_CONN_CAPTION = 65000;
inline constexpr int IDS_CONN_NICKNAME_LABEL = 65001;
inline constexpr int IDS_CONN_CLIENT = 65002;
inline constexpr int IDS_CONN_IP_LABEL = 65003;
inline constexpr int IDS_CONN_CLIENT_PORT_LABEL = 65004;
inline constexpr int IDS_CONN_SERVER = 65005;
inline constexpr int IDS_CONN_SERVER_PORT_LABEL = 65006;
inline constexpr int IDS_CONN_EMPTY_NICKNAME = 65007;
inline constexpr int IDS_CONN_LONG_NICKNAME = 65008;
inline constexpr int IDS_CONN_START_FAILED = 65009;
inline constexpr int IDS_CONN_CONNECT_FAILED = 65010;
inline constexpr int IDS_WAIT_CAPTION = 65011;
inline constexpr int IDS_WAIT_TEXT = 65012;
inline constexpr int IDS_LAN_CAPTION = 65013;
inline constexpr int IDS_LAN_LABEL = 65014;
inline constexpr int IDS_LAN_REFRESH = 65015;
inline constexpr int IDS_LAN_NONE = 65016;
inline constexpr int IDS_SERVER_STARTED_AT = 65017;
inline constexpr int IDS_CMDLINE_INVALID = 65018;
inline constexpr int IDS_CONN_BAD_PORT = 65050;
inline constexpr int IDS_CONN_HOST_NOT_FOUND = 66114;
inline constexpr int IDS_CONN_FORWARD_PORT = 66115;
inline constexpr int IDS_UPNP_FORWARDED = 66116;
inline constexpr int IDS_UPNP_NO_ROUTER = 66117;
inline constexpr int IDS_LAN_SEARCHING = 65051;

inline constexpr int IDS_NC_RESET_BOARD = 65100;
inline constexpr int IDS_NC_START_GAME = 65101;
inline constexpr int IDS_NC_TIME_CALL = 65102;
inline constexpr int IDS_NC_ABORT_GAME = 65103;
inline constexpr int IDS_NC_RESIGN = 65104;
inline constexpr int IDS_NC_OFFER_DRAW = 65105;
inline constexpr int IDS_NC_CANCEL_OFFER = 65106;
inline constexpr int IDS_NC_ACCEPT_DRAW = 65107;
inline constexpr int IDS_NC_TAKEBACK = 65108;
inline constexpr int IDS_NC_ACCEPT_TAKEBACK = 65109;
inline constexpr int IDS_NC_SWITCH_COLOR = 65110;
inline constexpr int IDS_NC_LOAD_GAME = 65111;
inline constexpr int IDS_NC_SAVE_GAME = 65112;
inline constexpr int IDS_NC_SETTINGS = 65113;
inline constexpr int IDS_NC_MENU = 65114;
inline constexpr int IDS_NC_CLICK_START = 65115;
inline constexpr int IDS_NC_ONLY_SERVER = 65116;
inline constexpr int IDS_NC_GAME_STARTED = 65117;
inline constexpr int IDS_NC_CONNECTED_AS = 65118;
inline constexpr int IDS_NC_IS_IN_GAME = 65119;
inline constexpr int IDS_NC_DRAW_OFFERED = 65120;
inline constexpr int IDS_NC_KING_IN_CHECK = 65121;
inline constexpr int IDS_NC_DRAW_WITH_NEXT = 65122;
inline constexpr int IDS_NC_TAKEBACK_ASKED = 65123;
inline constexpr int IDS_NC_TAKEBACK_ACCEPTED = 65124;
inline constexpr int IDS_NC_COLORS_SWITCHING = 65125;
inline constexpr int IDS_NC_LEAVES = 65126;
inline constexpr int IDS_NC_CHECKMATE = 65127;
inline constexpr int IDS_NC_STALEMATE = 65128;
inline constexpr int IDS_NC_DRAW = 65129;
inline constexpr int IDS_NC_ASK_RESIGN = 65130;
inline constexpr int IDS_NC_OPPONENT_RESIGNED = 65131;
inline constexpr int IDS_NC_ASK_ABORT = 65132;
inline constexpr int IDS_NC_ABORTED = 65133;
inline constexpr int IDS_NC_MY_TIME_EXPIRED = 65134;
inline constexpr int IDS_NC_OPPONENT_TIME_EXPIRED = 65135;
inline constexpr int IDS_NC_ASK_QUIT = 65136;
inline constexpr int IDS_NC_SERVER_LEFT = 65137;
inline constexpr int IDS_NC_COMM_ERROR = 65138;
inline constexpr int IDS_NC_WHITE = 65139;
inline constexpr int IDS_NC_BLACK = 65140;
inline constexpr int IDS_NC_SAVE_NAME = 65141;
inline constexpr int IDS_NC_SAVE_NAME_ALONE = 65142;
inline constexpr int IDS_NC_PGN_FILTER = 65143;
// Feedback of network games beyond the original texts.
inline constexpr int IDS_NC_TAKEBACK_SENT = 65144;
inline constexpr int IDS_NC_OPPONENT_FLAG_FELL = 65145;

// Network bughouse buttons.
inline constexpr int IDS_BH_START = 66100;
inline constexpr int IDS_BH_RESIGN = 66101;
inline constexpr int IDS_BH_TIME_CALL = 66102;
inline constexpr int IDS_BH_ABORT_GAME = 66103;
inline constexpr int IDS_BH_OFFER_DRAW = 66104;
inline constexpr int IDS_BH_ACCEPT_DRAW = 66105;
inline constexpr int IDS_BH_CANCEL_OFFER = 66106;
inline constexpr int IDS_BH_ROTATE_PLAYERS = 66107;
inline constexpr int IDS_BH_SWITCH_PARTNER = 66108;
inline constexpr int IDS_BH_SWITCH_COLOR = 66109;
inline constexpr int IDS_BH_SETTINGS = 66110;
inline constexpr int IDS_BH_RULES = 66111;
inline constexpr int IDS_BH_HELP = 66112;
inline constexpr int IDS_BH_MENU = 66113;

// Network bughouse: engines in the seats (66200 and up).
inline constexpr int IDS_BH_ADD_COMPUTER = 66200;
inline constexpr int IDS_BH_REMOVE_COMPUTER = 66201;
inline constexpr int IDS_BUGHOUSE_COMPUTER_NAME = 66202;
inline constexpr int IDS_BUGHOUSE_ENGINE_ILLEGAL_LOSE = 66203;
inline constexpr int IDS_BUGHOUSE_ENGINE_ILLEGAL_WIN = 66204;
inline constexpr int IDS_BUGHOUSE_ENGINE_NO_BUGHOUSE = 66205;
inline constexpr int IDS_BUGHOUSE_ENGINE_FAILED = 66206;
inline constexpr int IDS_BUGHOUSE_ENGINE_ILLEGAL_CHAT = 66207;
inline constexpr int IDS_BUGHOUSE_ADD_COMPUTER_TITLE = 66208;
inline constexpr int IDS_BUGHOUSE_ADD_COMPUTER_LABEL = 66209;
inline constexpr int IDS_BUGHOUSE_REMOVE_COMPUTER_TITLE = 66210;
inline constexpr int IDS_BUGHOUSE_REMOVE_COMPUTER_LABEL = 66211;

// Games from other programs: the board's menu, positions from FEN, the list
// of the games of a file.
inline constexpr int IDS_MENU_COPY_FEN = 67000;
inline constexpr int IDS_MENU_PASTE_FEN = 67001;
inline constexpr int IDS_MENU_COPY_PGN = 67002;
inline constexpr int IDS_MENU_PASTE_PGN = 67003;
inline constexpr int IDS_MENU_EXPORT_PGN = 67004;
inline constexpr int IDS_FEN_REFUSED = 67010;
inline constexpr int IDS_NET_SETUP_REFUSED = 67011;
inline constexpr int IDS_ENGINE_SETUP_REFUSED = 67012;
inline constexpr int IDS_PGN_EXPORT_ERROR = 67013;
inline constexpr int IDS_GAME_LIST_TITLE = 67020;
inline constexpr int IDS_GAME_LIST_NUMBER = 67021;
inline constexpr int IDS_GAME_LIST_WHITE = 67022;
inline constexpr int IDS_GAME_LIST_BLACK = 67023;
inline constexpr int IDS_GAME_LIST_RESULT = 67024;
inline constexpr int IDS_GAME_LIST_EVENT = 67025;
inline constexpr int IDS_GAME_LIST_DATE = 67026;

// Bughouse records (BPGN): the bughouse window's Save Game and Load Game.
inline constexpr int IDS_BH_SAVE_GAME = 67040;
inline constexpr int IDS_BH_LOAD_GAME = 67041;
inline constexpr int IDS_BPGN_FILTER = 67042;
inline constexpr int IDS_BPGN_EXTENSION = 67043;
inline constexpr int IDS_BPGN_SAVE_NAME = 67044;
inline constexpr int IDS_BPGN_LOAD_ERROR = 67045;
inline constexpr int IDS_BPGN_SAVE_ERROR = 67046;

// The text with that id, or an empty string for an unknown id.
[[nodiscard]] const std::string& Text(int id);
} // namespace ProgramTexts
