#pragma once

#include "EngineOption.h"
#include "RegistryStore.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What sets one plug-in's engine list apart from another's: where it lives in
// the store, its texts, and which engines it registers by itself.
struct EngineListSetup
{
    // Full path of the product key ("HKEY_CURRENT_USER\...").
    std::string productKey;
    // The subkey of the product key that holds the engines.
    std::string enginesKey;
    // Default of both selection values.
    std::string defaultEngine;
    // The default engine's entry can be neither modified nor removed.
    bool defaultEngineFixed = false;
    // Looking up the engine of a colour creates its values, empty, when the
    // engine has no entry; otherwise a missing engine is left missing.
    bool lookupCreatesMissingEngine = false;

    // Texts of the dialogs.
    std::string listLabel;        // above the engine list
    std::string executableFilter; // of the file-open dialog
    std::string addCaption;
    std::string modifyCaption;
    std::string confirmRemove;
    std::string newEngineName; // put in an empty name box
    std::string helpCaption;   // also the caption of the empty-fields message
    std::string helpText;
    std::string fillAll;

    // Automatic registration. Each subfolder of an engine folder that holds
    // an executable is registered under its own name, the last executable in
    // name order, replacing what the user changed in that entry.
    std::vector<std::filesystem::path> engineFolders;
    // The first of these that is an executable is registered under the
    // default engine's name, unless that entry exists already.
    std::vector<std::filesystem::path> defaultEngineCandidates;
};

// A plug-in's list of engines in the settings store, below
// "<product key>\<engines key>": one subkey per engine (its display name)
// with "CommandLine" and "WorkingDirectory", and the values "WhiteEngine" and
// "BlackEngine" naming the engine of each colour. The values chosen for an
// engine's options live below its key, one subkey per option under
// "Options" holding the string "Value". One object per library,
// shared by every engine object and dialog of it, so each user opens the
// root and subkey it needs before reading or writing.
class CEngineList
{
public:
    // A list on the user's settings file, or on another file (tests).
    explicit CEngineList(EngineListSetup setup);
    CEngineList(EngineListSetup setup, const std::string& filePath);

    // The one list of a library, known by the function that gives its
    // setup: made on first use on the user's settings file.
    using SetupFunction = EngineListSetup (*)();
    [[nodiscard]] static CEngineList& Shared(SetupFunction setup);
    // Makes that list anew on another file (tests).
    static void ResetShared(SetupFunction setup, const std::string& filePath);

    [[nodiscard]] const EngineListSetup& Setup() const { return m_Setup; }

    // The store operations, for string values only, with their result codes.
    int OpenRoot(const std::string& path);
    int OpenSubKey(const std::string& name);
    int ReadString(const std::string& valueName, std::string& out, const std::string& defaultText);
    int WriteString(const std::string& valueName, const std::string& text);
    int ListSubKeys(std::vector<std::string>& names);
    int DeleteSubKey();

    [[nodiscard]] const std::string& ProductKey() const { return m_Setup.productKey; }
    [[nodiscard]] const std::string& EnginesKey() const { return m_Setup.enginesKey; }
    [[nodiscard]] const std::string& DefaultEngineName() const { return m_Setup.defaultEngine; }
    // "WhiteEngine" or "BlackEngine".
    [[nodiscard]] static const char* SelectionValue(bool white);
    // Whether the dialogs may modify or remove the entry of that name.
    [[nodiscard]] bool IsEditable(const std::string& name) const;

    // Opens the engines key as the current subkey.
    void OpenEnginesKey();
    // Opens the entry of one engine as the current subkey.
    void OpenEngineKey(const std::string& name);
    // The engine chosen for a colour with its command line and working
    // directory; a missing selection is created with the default engine.
    void ReadEngineOf(bool white, std::string& name, std::string& commandLine, std::string& workingDirectory);

    // How the plug-in makes an engine object (see CEngineAdapter), for the
    // options dialog, which asks an engine which options it has.
    using AdapterFactory = std::function<class CEngineAdapter*()>;
    void SetAdapterFactory(AdapterFactory factory) { m_AdapterFactory = std::move(factory); }
    // A new engine object, or null when the plug-in gave no factory; the
    // caller ends it with Destroy.
    [[nodiscard]] class CEngineAdapter* NewAdapter() const { return m_AdapterFactory ? m_AdapterFactory() : nullptr; }

    // Whether the list has an entry of that name.
    [[nodiscard]] bool HasEngine(const std::string& name);
    // The names of the list's engines, in the store's order.
    [[nodiscard]] std::vector<std::string> EngineNames();
    // The command line and working directory of an engine of the list; false
    // when it has no entry or no command line.
    bool ReadEngine(const std::string& name, std::string& commandLine, std::string& workingDirectory);
    // The option values stored for an engine (none for an engine without
    // an entry; nothing is created).
    [[nodiscard]] EngineOptionValues ReadOptionValues(const std::string& name);
    // Replaces the option values stored for an engine that has an entry.
    // Names that cannot be key names (with a backslash or a control
    // character, empty, or too long) are not stored.
    void WriteOptionValues(const std::string& name, const EngineOptionValues& values);
    // Removes an engine's entry with its option values.
    void DeleteEngine(const std::string& name);

    // Creates the selection values when missing, then registers the installed
    // engines of the setup.
    void RegisterInstalledEngines();
    // The same with other places to look (tests).
    void RegisterInstalledEngines(const std::vector<std::filesystem::path>& engineFolders,
                                  const std::vector<std::filesystem::path>& defaultEngineCandidates);

private:
    void RegisterEngine(const std::string& name, const std::filesystem::path& program,
                        const std::filesystem::path& folder);
    // The subkey names below "<engine>\<path>", creating nothing.
    [[nodiscard]] std::vector<std::string> SubKeysOf(const std::string& name, const std::string& path);
    void DeleteOptionKeys(const std::string& name);

    EngineListSetup m_Setup;
    std::unique_ptr<RegistryStore> m_Store;
    AdapterFactory m_AdapterFactory;
};
