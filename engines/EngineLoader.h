#pragma once

#include "IChessEngine.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

class IChessEngineListener;

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
    // two roots or a link) is taken once.
    void Load(const std::vector<std::filesystem::path>& roots, IChessEngineListener* listener);

    [[nodiscard]] const std::vector<IChessEngine*>& WhiteList() const { return m_WhiteList; }
    [[nodiscard]] const std::vector<IChessEngine*>& BlackList() const { return m_BlackList; }

    // The engine for a stored player type: null for "Human" or a name that no
    // engine type has. The name is looked up, byte by byte, in the white list
    // for both sides; the side then takes the entry of its own list.
    [[nodiscard]] IChessEngine* EngineForPlayerType(const std::string& name, int32_t colour) const;

    // Index in the black list, else in the white list, else -1.
    [[nodiscard]] int IndexOf(const IChessEngine* engine) const;

    // Swaps white and black entry i and tells each its new colour.
    void ExchangeColours(int index);

    // Switch Color: exchanges the colours of the current white and black
    // engines (null for a human side) and swaps the two pointers.
    void SwitchColour(IChessEngine*& whiteEngine, IChessEngine*& blackEngine);

    // Destroys every engine object (at exit); the lists are empty afterwards.
    void DestroyAll();

private:
    void SearchFolder(const std::filesystem::path& folder, IChessEngineListener* listener, int depth);
    void LoadLibrary(const std::filesystem::path& file, IChessEngineListener* listener);

    std::vector<IChessEngine*> m_WhiteList;
    std::vector<IChessEngine*> m_BlackList;
    std::set<std::filesystem::path> m_SeenFolders;
    std::set<std::filesystem::path> m_SeenLibraries;
};
