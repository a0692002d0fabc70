#include "LayerCheck.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace
{
bool IsSource(const fs::path& path)
{
    const std::string ext = path.extension().string();
    return ext == ".cpp" || ext == ".h" || ext == ".hpp" || ext == ".cc";
}

struct Include
{
    std::string name;
    bool angled = false;
    int line = 0;
};

std::vector<Include> IncludesOf(const fs::path& file)
{
    static const std::regex pattern(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<Include> includes;
    std::ifstream in(file);
    std::string text;
    int line = 0;
    while (std::getline(in, text))
    {
        ++line;
        std::smatch match;
        if (std::regex_search(text, match, pattern))
            includes.push_back({match[2].str(), match[1].str() == "<", line});
    }
    return includes;
}

// The first folder of a path below the root ("tests/net/X.cpp" -> "tests").
std::string TopFolder(const fs::path& relative)
{
    auto it = relative.begin();
    return it == relative.end() ? std::string() : it->string();
}
} // namespace

std::vector<std::string> CLayerCheck::SplitList(const std::string& list)
{
    std::vector<std::string> items;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty())
            items.push_back(item);
    return items;
}

CLayerCheck::CLayerCheck(fs::path root, Table table) : m_Root(std::move(root)), m_Table(std::move(table)) {}

bool CLayerCheck::IsKnown(const std::string& folder) const
{
    for (const auto* list : {&m_Table.layers, &m_Table.pluginLayers, &m_Table.topFolders})
        if (std::find(list->begin(), list->end(), folder) != list->end())
            return true;
    return false;
}

std::set<std::string> CLayerCheck::Allowed(const std::string& folder) const
{
    std::set<std::string> allowed;
    const auto& layers = m_Table.layers;
    const auto& plugins = m_Table.pluginLayers;
    if (auto it = std::find(layers.begin(), layers.end(), folder); it != layers.end())
    {
        allowed.insert(layers.begin(), it + 1);
        return allowed;
    }
    if (auto it = std::find(plugins.begin(), plugins.end(), folder); it != plugins.end())
    {
        allowed.insert(m_Table.pluginBase.begin(), m_Table.pluginBase.end());
        allowed.insert(plugins.begin(), it + 1);
        return allowed;
    }
    if (std::find(m_Table.topFolders.begin(), m_Table.topFolders.end(), folder) != m_Table.topFolders.end())
    {
        allowed.insert(layers.begin(), layers.end());
        allowed.insert(plugins.begin(), plugins.end());
        allowed.insert(m_Table.topFolders.begin(), m_Table.topFolders.end());
    }
    return allowed;
}

std::vector<std::string> CLayerCheck::Faults() const
{
    std::vector<std::string> faults;
    // Every source file, and where each header name lives.
    std::vector<fs::path> sources;
    std::map<std::string, std::string> folderOfHeader;
    for (auto it = fs::recursive_directory_iterator(m_Root); it != fs::recursive_directory_iterator(); ++it)
    {
        const fs::path relative = fs::relative(it->path(), m_Root);
        const std::string top = TopFolder(relative);
        if (it->is_directory() && it.depth() == 0 && (top.empty() || top[0] == '.' || top.rfind("build", 0) == 0))
        {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file() || !IsSource(it->path()) || it.depth() == 0)
            continue;
        sources.push_back(relative);
        const std::string ext = relative.extension().string();
        if (ext != ".h" && ext != ".hpp")
            continue;
        // Test and benchmark helpers are never included by the program's code.
        if (top == "tests" || top == "bench" || top == "tools")
            continue;
        const std::string name = relative.filename().string();
        auto [where, inserted] = folderOfHeader.emplace(name, top);
        if (!inserted && where->second != top)
            faults.push_back("header " + name + " stands in both " + where->second + "/ and " + top + "/");
    }
    std::sort(sources.begin(), sources.end());

    std::set<std::string> reportedFolders;
    for (const fs::path& relative : sources)
    {
        const std::string folder = TopFolder(relative);
        if (!IsKnown(folder))
        {
            if (reportedFolders.insert(folder).second)
                faults.push_back("folder " + folder + "/ is not in the layer table");
            continue;
        }
        const std::set<std::string> allowed = Allowed(folder);
        for (const Include& include : IncludesOf(m_Root / relative))
        {
            const std::string where = relative.string() + ":" + std::to_string(include.line);
            if (include.angled)
            {
                if (m_Table.noQt.count(folder) != 0 && include.name.size() > 1 && include.name[0] == 'Q')
                    faults.push_back(where + ": " + folder + "/ must not use Qt (<" + include.name + ">)");
                continue;
            }
            const std::string name = fs::path(include.name).filename().string();
            auto found = folderOfHeader.find(name);
            if (found == folderOfHeader.end())
                continue; // a generated file, or a header of the same test folder
            if (allowed.count(found->second) == 0)
                faults.push_back(where + ": " + folder + "/ includes " + name + " from " + found->second +
                                 "/, which is not below it");
        }
    }
    return faults;
}
