#include "ProgramTexts.h"

#include <map>

namespace ProgramTexts
{
namespace
{
const std::map<int, std::string>& Table()
{
    static const std::map<int, std::string> table = {
        {178, "Game is a draw due to 50 ply without capture or pawn movement."},
        {179, "Game is a draw due to insufficient material."},
        {180, "Game is a draw due to three-fold repetition."},
        {IDS_PGN_LOAD_ERROR, "An error occured while loading the PGN file.\n\nThe file might contain invalid data."},
        {IDS_PGN_SAVE_ERROR, "An error occured while saving the PGN file."},
        {IDS_NETWORK_BUGHOUSE_HELP_TITLE, "Network Bughouse Help"},
        {IDS_NETWORK_BUGHOUSE_HELP_PAGE, "Network Bughouse.htm"},
        {IDS_BUGHOUSE_RULES_TITLE, "Bughouse Rules"},
        {IDS_BUGHOUSE_RULES_PAGE, "Bughouse Rules.htm"},
        {IDS_CONFIGURE, "Configure..."},
        {IDS_NO, "No"},
        {IDS_OK, "OK"},
        {IDS_YES, "Yes"},
        {IDS_CONNECTION_HELP_TITLE, "Connection Help"},
        {IDS_CONNECTION_HELP_PAGE, "Connection.htm"},
        {IDS_CREDITS_TITLE, "Credits"},
        {IDS_CREDITS_PAGE, "Credits.htm"},
        {IDS_DEVELOPER_ZONE_TITLE, "Developer Zone"},
        {IDS_DEVELOPER_ZONE_PAGE, "Developer Zone.htm"},
        {IDS_GAMES_FOLDER, "Pellomar Games"},
        {IDS_HELP_FOLDER, "Help/"},
        {IDS_INFORMATION, "Information"},
        {IDS_QUESTION, "Question"},
        {IDS_LOCAL_CHESS_HELP_TITLE, "Local Chess Help"},
        {IDS_NETWORK_CHESS_HELP_PAGE, "Network Chess.htm"},
        {IDS_NETWORK_CHESS_HELP_TITLE, "Network Chess Help"},
        {IDS_LOCAL_CHESS_HELP_PAGE, "Local Chess.htm"},
        {IDS_APP_TITLE, "Pellomar II"},
        {IDS_CANCEL, "Cancel"},
        {IDS_SETTINGS, "Settings"},
        {IDS_GAME_TIME_TOO_SHORT, "The game time must be at least 1 minute."},
        {IDS_WAITING_FOR_CLIENT, "< Waiting for client to connect >"},
        {IDS_COMPUTER_MARK, " (Computer)"},
        {IDS_PLAYER_AT_TOP, "Player at Top"},
        {IDS_PLAYER_AT_BOTTOM, "Player at Bottom"},
        {IDS_GAME_TIME, "Game Time"},
        {IDS_GAME_SETTINGS, "Game Settings"},
        {IDS_OPTIONS, "Options"},
        {IDS_INFINITE_LOCAL, "In&finite"},
        {IDS_CUSTOM_LOCAL, "C&ustom"},
        {IDS_INFINITE_NET, "Infi&nite"},
        {IDS_CUSTOM_NET, "&Custom"},
        {IDS_CONFIGURE_BOTTOM, "Confi&gure..."},
        {IDS_FISHER_STYLE, "&Fisher style:"},
        {IDS_SECONDS_IN_BONUS, "seconds in bonus"},
        {IDS_CAN_CAPTURE_KING_NET, "Can capture the &King"},
        {IDS_CAN_CAPTURE_KING_BUGHOUSE, "&Can capture the King"},
        {IDS_TIME_CALL_NET, "Player must press the button &Time Call when the opponent's time runs out"},
        {IDS_TIME_CALL_BUGHOUSE, "&Player must press the button Time Call when the opponent's time runs out"},
        {IDS_HIGHLIGHT_MOVE, "&Highlight the current move"},
        {IDS_PLAY_SOUND_LOCAL, "Play a &sound on opponent's move"},
        {IDS_PLAY_SOUND_NET, "&Play a sound on opponent's move"},
        {IDS_HOURS, "hours"},
        {IDS_MINUTES, "minutes"},
        {IDS_SECONDS, "seconds"},
        {IDS_NAME, "Name:"},
        {IDS_TYPE, "Type:"},
        {IDS_INTEGER_RANGE, "Please enter an integer between %1 and %2."},
        {IDS_HELP_PAGE_MISSING, "The help page \"%1\" cannot be found."},
        {IDS_BROWSE_START, "<<"},
        {IDS_BROWSE_BACK, "<"},
        {IDS_BROWSE_FORWARD, ">"},
        {IDS_BROWSE_END, ">>"},
        {IDS_HUMAN, "Human"},
        {IDS_PRODUCT_KEY, "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II"},
        {IDS_CLOCK_MIN_SEC, "%d min %d sec"},
        {IDS_NO_TIME_LIMIT, "No time limit"},
        {IDS_SETTINGS_SUMMARY, "Game settings: "},
        {IDS_SETTINGS_BONUS, " with %1!d! sec for increment"},
        {IDS_SETTINGS_KING_CAPTURE, ", king can be captured"},
        {IDS_SETTINGS_TIME_CALL, ", you must press button Time Call when opponent's time runs out"},
        {IDS_STATISTICS, "Victories: %d, Defeats: %d, Draws: %d"},
        {IDS_WINBOARD_ENGINE, "Winboard-Compatible Engine"},
        {IDS_DEFAULT_BOTTOM_PLAYER, "Player 1"},
        {IDS_DEFAULT_TOP_PLAYER, "Player 2"},
        {IDS_NET_OLD_VERSION_JOIN, "Someone is trying to connect but he does not have the same version of Pellomar. "
                                   "He must have the same version as you."},
        {IDS_NET_JOINS_GAME, "%1 joins the game"},
        {IDS_NET_REFUSED_FULL, "Too much users !"},
        {IDS_NET_REFUSED_NICKNAME, "Nickname already exists !"},
        {IDS_NET_REFUSED_STARTED, "Server has started the game !"},
        {IDS_NET_VERSION_SERVER_NEWER, "The version of your Pellomar is %d.%d and the version of the server is %d.%d.\n\n"
                                       "Please install the same version as the server."},
        {IDS_NET_VERSION_SERVER_OLDER, "The version of your Pellomar is %d.%d and the version of the server is %d.%d.\n\n"
                                       "Please tell to the server to install the same version as you."},
        {IDS_BUGHOUSE_YOU_MATED, "You're checkmate.\nYou lose the game !"},
        {IDS_BUGHOUSE_OPPONENT_MATED, "Your opponent is checkmate.\nYou win the game !"},
        {IDS_BUGHOUSE_OWN_TEAM_MATED, "%1 is checkmate.\nYou lose the game !"},
        {IDS_BUGHOUSE_OTHER_TEAM_MATED, "%1 is checkmate.\nYou win the game !"},
        {IDS_BUGHOUSE_STALEMATE, "Stalemate occured.\nThe game is a draw !"},
        {IDS_BUGHOUSE_PARTNER_RESIGNED, "Your partner has resigned.\nYou lose the game !"},
        {IDS_BUGHOUSE_OPPONENT_RESIGNED, "Your opponent has resigned.\nYou win the game !"},
        {IDS_BUGHOUSE_PARTNER_TIME, "Partner's time has expired.\nYou lose the game !"},
        {IDS_BUGHOUSE_OPPONENT_TIME, "Opponent's time has expired\nYou win the game !"},
        {IDS_BUGHOUSE_OWN_TIME, "Your time has expired.\nYou lose the game !"},
        {IDS_BUGHOUSE_DRAW, "Game is a draw !"},
        {IDS_BUGHOUSE_ABORTED, "Game aborted !"},
        {IDS_BUGHOUSE_POSITION_CHANGED, "Position changed"},
        {IDS_BUGHOUSE_COLORS_SWITCHING, "Colors switching"},
        {IDS_BUGHOUSE_GAME_STARTED, "Game %1!d! started"},
        {IDS_BUGHOUSE_PARTNER_OFFERS_DRAW, "Your partner has offered a draw"},
        {IDS_BUGHOUSE_OPPONENT_OFFERS_DRAW, "Opponent has offered a draw"},
        {IDS_BUGHOUSE_DRAW_NEXT_MOVE, "Draw will be offered with your next move"},
        {IDS_BUGHOUSE_LEAVES, "%1 leaves"},
        {IDS_BUGHOUSE_CONNECTED_AS, "You are connected to the game as %1"},
        {IDS_BUGHOUSE_IS_IN_GAME, "%1 is in the game"},
        {IDS_BUGHOUSE_SERVER_LEFT, "The server left the game.\n\nAt this point, you can only return to the main menu."},
        {IDS_BUGHOUSE_COMM_ERROR, "An error occured while communicating with the server."},
        {IDS_BUGHOUSE_CONFIRM_RESIGN, "Are you sure to resign ?"},
        {IDS_BUGHOUSE_CONFIRM_ABORT, "Are you sure to abort this game ?"},
        {IDS_BUGHOUSE_CONFIRM_QUIT, "Connection will be closed.\nAre you sure to quit ?"},
        {IDS_BUGHOUSE_SERVER_STARTED, "Your server started at IP \"%s\" and Port %d"},
        {IDS_BUGHOUSE_REFUSED_MOVE, "A move from %1 does not fit the board here; the game is stopped."},
    };
    return table;
}
} // namespace

const std::string& Text(int id)
{
    static const std::string empty;
    const auto& table = Table();
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}
} // namespace ProgramTexts
