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
    EngineListSetup setup = PluginTexts::ListSetup(&RavelinTexts::Text);
    setup.defaultEngineFixed = true;
    // Start then fails on the empty command line it created.
    setup.lookupCreatesMissingEngine = true;
    setup.listLabel = "&Available Winboard engines:";
    setup.engineFolders = DefaultEnginesFolders();
    return setup;
}

std::vector<fs::path> CEngineRegistry::DefaultEnginesFolders()
{
    const std::string relative = RavelinTexts::Text(RavelinTexts::IDS_ENGINES_FOLDER);
    std::vector<fs::path> folders;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    auto add = [&folders, &error](const fs::path& folder) {
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
