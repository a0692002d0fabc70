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
    auto add = [&folders, &error](const fs::path& folder)
    {
        for (const fs::path& known : folders)
            if (fs::weakly_canonical(folder, error) == fs::weakly_canonical(known, error))
                return;
        folders.push_back(folder);
    };
    if (!error)
    {
        add(program.parent_path().string() + relative);
        // Installed beside bin/ wherever the whole tree was installed.
        const fs::path installed = program.parent_path().parent_path() / "lib" / "pellomar";
        if (fs::is_directory(installed, error))
            add(installed.string() + relative);
    }
#ifdef PELLOMAR_ENGINES_DIR
    add(PELLOMAR_ENGINES_DIR);
#endif
    return folders;
}
