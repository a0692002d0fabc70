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
