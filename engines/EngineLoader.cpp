#include "EngineLoader.h"

#include "ChessTypes.h"
#include "IChessEngineEx.h"

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

void CEngineLoader::Load(const std::vector<fs::path>& roots, IChessEngineListener* listener,
                         IChessEngineListenerEx* listenerEx)
{
    m_WhiteList.clear();
    m_BlackList.clear();
    m_SeenFolders.clear();
    m_SeenLibraries.clear();
    m_Extensions.clear();
    m_Libraries.clear();
    for (const auto& root : roots)
        SearchFolder(root, Listeners{listener, listenerEx}, 0);
}

void CEngineLoader::SearchFolder(const fs::path& folder, const Listeners& listeners, int depth)
{
    if (depth > kMaxDepth || !m_SeenFolders.insert(Canonical(folder)).second)
        return;
    const auto entries = SortedEntries(folder);
    std::error_code error;
    for (const auto& entry : entries)
    {
        if (entry.is_directory(error))
            SearchFolder(entry.path(), listeners, depth + 1);
    }
    for (const auto& entry : entries)
    {
        if (entry.path().extension() == ".so" && !entry.is_directory(error) && entry.is_regular_file(error))
            LoadLibrary(entry.path(), listeners);
    }
}

void CEngineLoader::LoadLibrary(const fs::path& file, const Listeners& listeners)
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
    white->SetListener(listeners.listener);
    black->SetListener(listeners.listener);

    // The extension is optional: a library built against IChessEngine alone
    // has no such export and is used through IChessEngine only.
    auto getExtension = reinterpret_cast<GetChessEngineExFunction>(dlsym(library, kGetChessEngineExExport));
    LibraryEntry entry;
    entry.list = reinterpret_cast<ListChessEnginesFunction>(dlsym(library, kListChessEnginesExport));
    entry.createNamed = reinterpret_cast<CreateNamedChessEngineFunction>(dlsym(library, kCreateNamedChessEngineExport));
    entry.getExtension = getExtension;
    entry.listeners = listeners;
    m_Libraries.push_back(entry);
    for (IChessEngine* engine : {white, black})
        KeepExtension(engine, getExtension, listeners);
}

void CEngineLoader::KeepExtension(IChessEngine* engine, GetChessEngineExFunction getExtension,
                                  const Listeners& listeners)
{
    if (getExtension == nullptr)
        return;
    IChessEngineEx* extension = getExtension(engine);
    if (extension == nullptr)
        return;
    const int32_t version = std::min(extension->GetVersion(), kChessEngineExVersion);
    if (version < 1)
        return;
    m_Extensions[engine] = ExtensionEntry{extension, version};
    if (listeners.listenerEx != nullptr)
        extension->SetListenerEx(listeners.listenerEx);
}

std::vector<CEngineLoader::NamedEngine> CEngineLoader::NamedEngines() const
{
    std::vector<NamedEngine> engines;
    for (size_t index = 0; index < m_Libraries.size(); ++index)
    {
        const LibraryEntry& entry = m_Libraries[index];
        if (entry.list == nullptr || entry.createNamed == nullptr)
            continue;
        const char* names = entry.list();
        std::string text = names != nullptr ? names : "";
        size_t start = 0;
        while (start < text.size())
        {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            if (end > start)
                engines.push_back(NamedEngine{static_cast<int>(index), text.substr(start, end - start)});
            start = end + 1;
        }
    }
    return engines;
}

IChessEngine* CEngineLoader::CreateNamedEngine(int index, const std::string& name)
{
    if (index < 0 || index >= static_cast<int>(m_Libraries.size()))
        return nullptr;
    const LibraryEntry& entry = m_Libraries[static_cast<size_t>(index)];
    if (entry.createNamed == nullptr)
        return nullptr;
    IChessEngine* engine = entry.createNamed(name.c_str());
    if (engine == nullptr)
        return nullptr;
    engine->SetListener(entry.listeners.listener);
    KeepExtension(engine, entry.getExtension, entry.listeners);
    return engine;
}

void CEngineLoader::DestroyEngine(IChessEngine* engine)
{
    if (engine == nullptr)
        return;
    m_Extensions.erase(engine);
    engine->Destroy();
}

IChessEngineEx* CEngineLoader::Extension(const IChessEngine* engine) const
{
    auto it = m_Extensions.find(engine);
    return it == m_Extensions.end() ? nullptr : it->second.extension;
}

int32_t CEngineLoader::ExtensionVersion(const IChessEngine* engine) const
{
    auto it = m_Extensions.find(engine);
    return it == m_Extensions.end() ? 0 : it->second.version;
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
    m_Extensions.clear();
    m_Libraries.clear();
}
