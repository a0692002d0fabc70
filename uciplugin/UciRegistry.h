#pragma once

#include "RegistryStore.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// The plug-in's list of UCI engines in the settings store, below
// "<product key>\UCI Engines", beside the WinBoard engines' key: one subkey
// per engine (its display name) with "CommandLine" and "WorkingDirectory",
// and the values "WhiteEngine" and "BlackEngine" naming the engine of each
// colour. One object per library, shared by every engine object and dialog.
class CUciRegistry
{
public:
    [[nodiscard]] static CUciRegistry& Instance();
    // Makes the library's object anew on another file (tests).
    static void ResetInstance(const std::string& filePath);

    int OpenRoot(const std::string& path);
    int OpenSubKey(const std::string& name);
    int ReadString(const std::string& valueName, std::string& out, const std::string& defaultText);
    int WriteString(const std::string& valueName, const std::string& text);
    int ListSubKeys(std::vector<std::string>& names);
    int DeleteSubKey();

    [[nodiscard]] static const std::string& ProductKey();
    [[nodiscard]] static const std::string& EnginesKey();
    [[nodiscard]] static const std::string& DefaultEngineName();
    // "WhiteEngine" or "BlackEngine".
    [[nodiscard]] static const char* SelectionValue(bool white);

    void OpenEnginesKey();
    // The engine chosen for a colour with its command line and working
    // directory; a missing selection is created with the default engine.
    void ReadEngineOf(bool white, std::string& name, std::string& commandLine, std::string& workingDirectory);

    // Creates the selection values when missing, then registers the first
    // executable of the candidates under the default engine's name unless
    // that entry exists already (a user's change to it is kept).
    void RegisterInstalledEngine(const std::vector<std::filesystem::path>& candidates);
    // Where Debian installs its stockfish package.
    [[nodiscard]] static std::vector<std::filesystem::path> DefaultCandidates();

private:
    explicit CUciRegistry(std::unique_ptr<RegistryStore> store);

    std::unique_ptr<RegistryStore> m_Store;
};
