#include "EngineLoader.h"

#include "ChessTypes.h"

#include <algorithm>
#include <dlfcn.h>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
// Deep enough for any real plug-in tree; stops a pathological one.
constexpr int kMaxDepth = 32;

fs::path Canonical(const fs::path& path)
{
    std::error_code error;
    fs::path result = fs::weakly_canonical(path, error);
    return error ? path : result;
}

// The entries of a folder sorted by name, so that the list order does not
// depend on the file system's hashing. Unreadable folders give nothing.
std::vector<fs::directory_entry> SortedEntries(const fs::path& folder)
{
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    return entries;
}
} // namespace

std::vector<fs::path> CEngineLoader::DefaultSearchRoots()
{
    std::vector<fs::path> roots;
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error)
    {
        roots.push_back(program.parent_path());
        // Installed beside bin/ wherever the whole tree was installed (a package
        // installs under /usr whatever prefix the build was configured with).
        const fs::path installed = program.parent_path().parent_path() / "lib" / "pellomar";
        if (fs::is_directory(installed, error))
            roots.push_back(installed);
    }
#ifdef PELLOMAR_PLUGIN_DIR
    const fs::path configured = PELLOMAR_PLUGIN_DIR;
    if (std::none_of(roots.begin(), roots.end(),
                     [&](const fs::path& root) { return fs::equivalent(root, configured, error); }))
        roots.push_back(configured);
#endif
    return roots;
}

void CEngineLoader::Load(const std::vector<fs::path>& roots, IChessEngineListener* listener)
{
    m_WhiteList.clear();
    m_BlackList.clear();
    m_SeenFolders.clear();
    m_SeenLibraries.clear();
    for (const auto& root : roots)
        SearchFolder(root, listener, 0);
}

void CEngineLoader::SearchFolder(const fs::path& folder, IChessEngineListener* listener, int depth)
{
    if (depth > kMaxDepth || !m_SeenFolders.insert(Canonical(folder)).second)
        return;
    const auto entries = SortedEntries(folder);
    std::error_code error;
    for (const auto& entry : entries)
    {
        if (entry.is_directory(error))
            SearchFolder(entry.path(), listener, depth + 1);
    }
    for (const auto& entry : entries)
    {
        if (entry.path().extension() == ".so" && !entry.is_directory(error) && entry.is_regular_file(error))
            LoadLibrary(entry.path(), listener);
    }
}

void CEngineLoader::LoadLibrary(const fs::path& file, IChessEngineListener* listener)
{
    const fs::path canonical = Canonical(file);
    if (!m_SeenLibraries.insert(canonical).second)
        return;
    // Kept loaded for the life of the program, like the objects it makes.
    void* library = dlopen(canonical.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return;
    auto create = reinterpret_cast<CreateChessEngineFunction>(dlsym(library, kCreateChessEngineExport));
    if (create == nullptr)
        return;
    IChessEngine* white = create();
    IChessEngine* black = create();
    if (white == nullptr || black == nullptr)
    {
        if (white != nullptr)
            white->Destroy();
        if (black != nullptr)
            black->Destroy();
        return;
    }
    white->SetColour(COLOUR_WHITE);
    m_WhiteList.push_back(white);
    black->SetColour(COLOUR_BLACK);
    m_BlackList.push_back(black);
    white->SetListener(listener);
    black->SetListener(listener);
}

IChessEngine* CEngineLoader::EngineForPlayerType(const std::string& name, int32_t colour) const
{
    if (name == "Human")
        return nullptr;
    for (size_t i = 0; i < m_WhiteList.size(); ++i)
    {
        const char* engineName = m_WhiteList[i]->GetName();
        if (engineName != nullptr && name == engineName)
            return colour == COLOUR_WHITE ? m_WhiteList[i] : m_BlackList[i];
    }
    return nullptr;
}

int CEngineLoader::IndexOf(const IChessEngine* engine) const
{
    if (engine == nullptr)
        return -1;
    auto black = std::find(m_BlackList.begin(), m_BlackList.end(), engine);
    if (black != m_BlackList.end())
        return static_cast<int>(black - m_BlackList.begin());
    auto white = std::find(m_WhiteList.begin(), m_WhiteList.end(), engine);
    if (white != m_WhiteList.end())
        return static_cast<int>(white - m_WhiteList.begin());
    return -1;
}

void CEngineLoader::ExchangeColours(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_WhiteList.size())
        return;
    std::swap(m_WhiteList[index], m_BlackList[index]);
    m_WhiteList[index]->SetColour(COLOUR_WHITE);
    m_BlackList[index]->SetColour(COLOUR_BLACK);
}

void CEngineLoader::SwitchColour(IChessEngine*& whiteEngine, IChessEngine*& blackEngine)
{
    const int w = IndexOf(whiteEngine);
    const int b = IndexOf(blackEngine);
    if (w != -1)
        ExchangeColours(w);
    if (b != -1 && b != w)
        ExchangeColours(b);
    std::swap(whiteEngine, blackEngine);
}

void CEngineLoader::DestroyAll()
{
    for (IChessEngine* engine : m_WhiteList)
        engine->Destroy();
    for (IChessEngine* engine : m_BlackList)
        engine->Destroy();
    m_WhiteList.clear();
    m_BlackList.clear();
}
