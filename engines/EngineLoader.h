#pragma once

#include "IChessEngine.h"
#include "IChessEngineEx.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

class IChessEngineEx;
class IChessEngineListener;
class IChessEngineListenerEx;

// Finds the plug-in libraries, makes two engine objects per library (one for
// each colour) and keeps the white and black engine lists for the life of the
// program. Entries with the same index come from the same library. Libraries
// are never unloaded.
class CEngineLoader
{
public:
    // The folders searched by default: the running program's folder and the
    // installed plug-in folder.
    [[nodiscard]] static std::vector<std::filesystem::path> DefaultSearchRoots();

    // Empties both lists, then searches each root depth-first (a folder's
    // subfolders before its own libraries, names in sorted order) for "*.so"
    // files exporting CreateChessEngine. A library that does not load or
    // lacks the export is skipped silently; a library reached twice (through
    // two roots or a link) is taken once. A library that also exports
    // GetChessEngineEx gives each object its extension, which is kept when
    // its version is 1 or more and, when `listenerEx` is given, is handed
    // that listener (the objects then report their events there).
    void Load(const std::vector<std::filesystem::path>& roots, IChessEngineListener* listener,
              IChessEngineListenerEx* listenerEx = nullptr);

    [[nodiscard]] const std::vector<IChessEngine*>& WhiteList() const { return m_WhiteList; }
    [[nodiscard]] const std::vector<IChessEngine*>& BlackList() const { return m_BlackList; }

    // The engine for a stored player type: null for "Human" or a name that no
    // engine type has. The name is looked up, byte by byte, in the white list
    // for both sides; the side then takes the entry of its own list.
    [[nodiscard]] IChessEngine* EngineForPlayerType(const std::string& name, int32_t colour) const;

    // The extension of an engine object, or null when its library has none.
    [[nodiscard]] IChessEngineEx* Extension(const IChessEngine* engine) const;
    // The extension's version as the program may use it: the lower of the
    // object's and the program's own (kChessEngineExVersion); 0 without one.
    [[nodiscard]] int32_t ExtensionVersion(const IChessEngine* engine) const;

    // Index in the black list, else in the white list, else -1.
    [[nodiscard]] int IndexOf(const IChessEngine* engine) const;

    // Swaps white and black entry i and tells each its new colour.
    void ExchangeColours(int index);

    // Switch Color: exchanges the colours of the current white and black
    // engines (null for a human side) and swaps the two pointers.
    void SwitchColour(IChessEngine*& whiteEngine, IChessEngine*& blackEngine);

    // Destroys every engine object (at exit); the lists are empty afterwards.
    void DestroyAll();

    // The engines of the plug-in lists that can be run one per object (see
    // ListChessEngines), each with the index of its library.
    struct NamedEngine
    {
        int index = -1;
        std::string name;
    };
    [[nodiscard]] std::vector<NamedEngine> NamedEngines() const;
    // A new object of library `index` running the engine of that name, with
    // the listeners the library's objects have and its extension known to
    // Extension; null when the library cannot make one. The caller ends it
    // with DestroyEngine.
    [[nodiscard]] IChessEngine* CreateNamedEngine(int index, const std::string& name);
    void DestroyEngine(IChessEngine* engine);

private:
    struct Listeners
    {
        IChessEngineListener* listener;
        IChessEngineListenerEx* listenerEx;
    };
    struct ExtensionEntry
    {
        IChessEngineEx* extension;
        int32_t version;
    };

    void SearchFolder(const std::filesystem::path& folder, const Listeners& listeners, int depth);
    void LoadLibrary(const std::filesystem::path& file, const Listeners& listeners);

    // What each library of the lists offers beyond its two objects.
    struct LibraryEntry
    {
        ListChessEnginesFunction list = nullptr;
        CreateNamedChessEngineFunction createNamed = nullptr;
        GetChessEngineExFunction getExtension = nullptr;
        Listeners listeners{};
    };
    void KeepExtension(IChessEngine* engine, GetChessEngineExFunction getExtension, const Listeners& listeners);

    std::vector<LibraryEntry> m_Libraries; // by index
    std::vector<IChessEngine*> m_WhiteList;
    std::vector<IChessEngine*> m_BlackList;
    std::set<std::filesystem::path> m_SeenFolders;
    std::set<std::filesystem::path> m_SeenLibraries;
    std::map<const IChessEngine*, ExtensionEntry> m_Extensions;
};
