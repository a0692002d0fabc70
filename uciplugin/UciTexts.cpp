#include "UciTexts.h"

#include <map>

namespace UciTexts
{
namespace
{
const std::map<int, std::string>& Table()
{
    static const std::map<int, std::string> table = {
        {IDS_PRODUCT_KEY, "HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II"},
        {IDS_ENGINES_KEY, "UCI Engines"},
        {IDS_EXECUTABLE_FILTER, "Executable Files (*)"},
        {IDS_ADD_ENGINE, "Add Engine"},
        {IDS_MODIFY_ENGINE, "Modify Engine"},
        {IDS_DEFAULT_ENGINE, "Stockfish"},
        {IDS_CONFIRM_REMOVE, "Are you sure to remove the selected engine?"},
        {IDS_HELP_TEXT, "Display name:\n"
                        "   This is the name by which you will refer to the engine.\n"
                        "   Example:  \"Stockfish\"\n"
                        "\n"
                        "Command-line:\n"
                        "   Locate the executable file of the desired UCI engine.\n"
                        "   This is usually in the folder in which you installed the engine.\n"
                        "\n"
                        "Working folder:\n"
                        "   This folder is usually the same as the one containing the executable above.\n"
                        "   We suggest you keep the default value."},
        {IDS_NEW_ENGINE, "<New Engine>"},
        {IDS_HELP_CAPTION, "Help"},
        {IDS_START_ERROR, "An error occured when initializing UCI engine."},
        {IDS_ENGINE_TYPE_NAME, "UCI Engine"},
        {IDS_FILL_ALL, "Please fill all members."},
        {IDS_LIST_LABEL, "&Available UCI engines:"},
        {IDS_ENGINE_DIED, "The UCI engine stopped during the game and could not be started again."},
    };
    return table;
}
} // namespace

const std::string& Text(int id)
{
    return Find(Table(), id);
}
} // namespace UciTexts
