#include "RavelinTexts.h"

#include <map>

namespace RavelinTexts
{
namespace
{
const std::map<int, std::string>& Table()
{
    static const std::map<int, std::string> table = {
        {IDS_PRODUCT_KEY, "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II"},
        {IDS_ENGINES_KEY, "Winboard-Compatible Engines"},
        {IDS_EXECUTABLE_FILTER, "Executable Files (*.exe)|*.exe||"},
        {IDS_EXECUTABLE_EXTENSION, "exe"},
        {IDS_ADD_ENGINE, "Add Engine"},
        {IDS_MODIFY_ENGINE, "Modify Engine"},
        {IDS_DEFAULT_ENGINE, "Phalanx"},
        {IDS_CONFIRM_REMOVE, "Are you sure to remove the selected engine?"},
        {IDS_HELP_TEXT, "Display name:\n"
                        "   This is the name by which you will refer to the engine.\n"
                        "   Example:  \"Phalanx\"\n"
                        "\n"
                        "Command-line:\n"
                        "   Locate the executable file (.exe) of the desired Winboard engine.\n"
                        "   This is usually in the folder in which you installed the engine.\n"
                        "\n"
                        "Working folder:\n"
                        "   This folder is usually the same as the one containing the executable above.\n"
                        "   We suggest you keep the default value."},
        {IDS_NEW_ENGINE, "<New Engine>"},
        {IDS_HELP_CAPTION, "Help"},
        {IDS_START_ERROR, "An error occured when initializing Winboard-compatible engine."},
        {IDS_ENGINE_TYPE_NAME, "Winboard-Compatible Engine"},
        {IDS_ENGINES_FOLDER, "/Engines/Winboard"},
        {IDS_FILL_ALL, "Please fill all members."},
        {IDS_ENGINE_DIED, "The Winboard-compatible engine stopped during the game and could not be started again."},
        {IDS_POSITION_REFUSED, "The Winboard-compatible engine cannot start a game from a set-up position."},
        {IDS_VARIANT_REFUSED, "The Winboard-compatible engine cannot play bughouse."},
    };
    return table;
}
} // namespace

const std::string& Text(int id)
{
    return Find(Table(), id);
}
} // namespace RavelinTexts
