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
