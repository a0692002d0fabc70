#include "PluginTexts.h"

namespace PluginTexts
{
const std::string& Find(const std::map<int, std::string>& table, int id)
{
    static const std::string empty;
    auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}

EngineListSetup ListSetup(const std::string& (*text)(int id))
{
    EngineListSetup setup;
    setup.productKey = text(IDS_PRODUCT_KEY);
    setup.enginesKey = text(IDS_ENGINES_KEY);
    setup.defaultEngine = text(IDS_DEFAULT_ENGINE);
    setup.executableFilter = text(IDS_EXECUTABLE_FILTER);
    setup.addCaption = text(IDS_ADD_ENGINE);
    setup.modifyCaption = text(IDS_MODIFY_ENGINE);
    setup.confirmRemove = text(IDS_CONFIRM_REMOVE);
    setup.newEngineName = text(IDS_NEW_ENGINE);
    setup.helpCaption = text(IDS_HELP_CAPTION);
    setup.helpText = text(IDS_HELP_TEXT);
    setup.fillAll = text(IDS_FILL_ALL);
    return setup;
}
} // namespace PluginTexts
