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
