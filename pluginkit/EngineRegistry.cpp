#include "EngineRegistry.h"

#include "RavelinTexts.h"

namespace fs = std::filesystem;

CEngineList& CEngineRegistry::Instance()
{
    return CEngineList::Shared(&Setup);
}

void CEngineRegistry::ResetInstance(const std::string& filePath)
{
    CEngineList::ResetShared(&Setup, filePath);
}

EngineListSetup CEngineRegistry::Setup()
{
    using namespace RavelinTexts;
    EngineListSetup setup;
    setup.productKey = Text(IDS_PRODUCT_KEY);
    setup.enginesKey = Text(IDS_ENGINES_KEY);
    setup.defaultEngine = Text(IDS_DEFAULT_ENGINE);
    setup.defaultEngineFixed = true;
    // Start then fails on the empty command line it created.
    setup.lookupCreatesMissingEngine = true;
    setup.listLabel = "&Available Winboard engines:";
    setup.executableFilter = Text(IDS_EXECUTABLE_FILTER);
    setup.addCaption = Text(IDS_ADD_ENGINE);
    setup.modifyCaption = Text(IDS_MODIFY_ENGINE);
    setup.confirmRemove = Text(IDS_CONFIRM_REMOVE);
    setup.newEngineName = Text(IDS_NEW_ENGINE);
    setup.helpCaption = Text(IDS_HELP_CAPTION);
    setup.helpText = Text(IDS_HELP_TEXT);
    setup.fillAll = Text(IDS_FILL_ALL);
    setup.engineFolders = DefaultEnginesFolders();
    return setup;
}

std::vector<fs::path> CEngineRegistry::DefaultEnginesFolders()
{
    const std::string relative = RavelinTexts::Text(RavelinTexts::IDS_ENGINES_FOLDER);
    std::vector<fs::path> folders;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        folders.push_back(program.parent_path().string() + relative);
#ifdef PELLOMAR_ENGINES_DIR
    const fs::path installed = PELLOMAR_ENGINES_DIR;
    if (folders.empty() || fs::weakly_canonical(installed, error) != fs::weakly_canonical(folders[0], error))
        folders.push_back(installed);
#endif
    return folders;
}
