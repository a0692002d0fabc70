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
    EngineListSetup setup = PluginTexts::ListSetup(&UciTexts::Text);
    setup.listLabel = UciTexts::Text(UciTexts::IDS_LIST_LABEL);
    setup.defaultEngineCandidates = DefaultCandidates();
    return setup;
}

std::vector<fs::path> CUciRegistry::DefaultCandidates()
{
    return {"/usr/games/stockfish", "/usr/bin/stockfish", "/usr/local/bin/stockfish"};
}
