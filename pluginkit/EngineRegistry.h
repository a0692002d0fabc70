#pragma once

#include "EngineList.h"

#include <filesystem>
#include <string>
#include <vector>

// The WinBoard plug-in's engine list: below "Winboard-Compatible Engines",
// with the default engine fixed, and every engine installed in a subfolder of
// an "Engines/Winboard" folder registered under that subfolder's name.
class CEngineRegistry
{
public:
    CEngineRegistry() = delete;

    // The library's list, made on first use on the user's settings file.
    [[nodiscard]] static CEngineList& Instance();
    // Makes the library's list anew on another file (tests).
    static void ResetInstance(const std::string& filePath);

    [[nodiscard]] static EngineListSetup Setup();
    // The program's "Engines/Winboard" folder and the installed one.
    [[nodiscard]] static std::vector<std::filesystem::path> DefaultEnginesFolders();
};
