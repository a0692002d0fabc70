#include "UciRegistry.h"

#include "UciTexts.h"

namespace fs = std::filesystem;

CEngineList& CUciRegistry::Instance()
{
    return CEngineList::Shared(&Setup);
}

void CUciRegistry::ResetInstance(const std::string& filePath)
{
    CEngineList::ResetShared(&Setup, filePath);
}

EngineListSetup CUciRegistry::Setup()
{
    using namespace UciTexts;
    EngineListSetup setup;
    setup.productKey = Text(IDS_PRODUCT_KEY);
    setup.enginesKey = Text(IDS_ENGINES_KEY);
    setup.defaultEngine = Text(IDS_DEFAULT_ENGINE);
    setup.listLabel = Text(IDS_LIST_LABEL);
    setup.executableFilter = Text(IDS_EXECUTABLE_FILTER);
    setup.addCaption = Text(IDS_ADD_ENGINE);
    setup.modifyCaption = Text(IDS_MODIFY_ENGINE);
    setup.confirmRemove = Text(IDS_CONFIRM_REMOVE);
    setup.newEngineName = Text(IDS_NEW_ENGINE);
    setup.helpCaption = Text(IDS_HELP_CAPTION);
    setup.helpText = Text(IDS_HELP_TEXT);
    setup.fillAll = Text(IDS_FILL_ALL);
    setup.defaultEngineCandidates = DefaultCandidates();
    return setup;
}

std::vector<fs::path> CUciRegistry::DefaultCandidates()
{
    return {"/usr/games/stockfish", "/usr/bin/stockfish", "/usr/local/bin/stockfish"};
}
