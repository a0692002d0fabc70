#pragma once

#include "EngineList.h"

#include <filesystem>
#include <string>
#include <vector>

// The UCI plug-in's engine list: below "UCI Engines", beside the WinBoard
// engines' key, with Debian's stockfish registered as the default engine
// when it is installed. Every entry may be changed, the registered one too,
// since a user may want it with other arguments.
class CUciRegistry
{
public:
    CUciRegistry() = delete;

    // The library's list, made on first use on the user's settings file.
    [[nodiscard]] static CEngineList& Instance();
    // Makes the library's list anew on another file (tests).
    static void ResetInstance(const std::string& filePath);

    [[nodiscard]] static EngineListSetup Setup();
    // Where Debian installs its stockfish package, and where others put it.
    [[nodiscard]] static std::vector<std::filesystem::path> DefaultCandidates();
};
