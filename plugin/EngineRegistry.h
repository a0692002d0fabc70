#pragma once

#include "RegistryStore.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The plug-in's list of WinBoard engines in the settings store, below
// "<product key>\Winboard-Compatible Engines": one subkey per engine (its
// display name) with "CommandLine" and "WorkingDirectory", and the values
// "WhiteEngine" and "BlackEngine" naming the engine of each colour. One
// object per library, shared by every engine object and dialog, so each user
// opens the root and subkey it needs before reading or writing.
class CEngineRegistry
{
public:
    // The library's object, made on first use on the user's settings file.
    [[nodiscard]] static CEngineRegistry& Instance();
    // Makes the library's object anew on another file (tests).
    static void ResetInstance(const std::string& filePath);

    // The store operations, for string values only, with their result codes.
    int OpenRoot(const std::string& path);
    int OpenSubKey(const std::string& name);
    int ReadString(const std::string& valueName, std::string& out, const std::string& defaultText);
    int WriteString(const std::string& valueName, const std::string& text);
    int ListSubKeys(std::vector<std::string>& names);
    int DeleteSubKey();

    // Texts of the layout.
    [[nodiscard]] static const std::string& ProductKey();
    [[nodiscard]] static const std::string& EnginesKey();
    [[nodiscard]] static const std::string& DefaultEngineName();
    // "WhiteEngine" or "BlackEngine".
    [[nodiscard]] static const char* SelectionValue(bool white);

    // Opens the engines key as the current subkey.
    void OpenEnginesKey();
    // The engine chosen for a colour and its command line and working
    // directory; missing values are created (the selection with the default
    // engine name, the other two empty).
    void ReadEngineOf(bool white, std::string& name, std::string& commandLine, std::string& workingDirectory);

    // Creates the selection values when missing, then registers every
    // executable found in a subfolder of each "Engines/Winboard" folder under
    // its subfolder's name (the last one in name order when there are
    // several), replacing what the user changed in those entries.
    void RegisterInstalledEngines(const std::vector<std::filesystem::path>& enginesFolders);
    // The program's "Engines/Winboard" folder and the installed one.
    [[nodiscard]] static std::vector<std::filesystem::path> DefaultEnginesFolders();

private:
    explicit CEngineRegistry(std::unique_ptr<RegistryStore> store);

    std::unique_ptr<RegistryStore> m_Store;
};
