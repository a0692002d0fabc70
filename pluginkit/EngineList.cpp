#include "EngineList.h"

#include <algorithm>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

std::vector<fs::path> SortedEntries(const fs::path& folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::map<CEngineList::SetupFunction, std::unique_ptr<CEngineList>>& SharedLists()
{
    static std::map<CEngineList::SetupFunction, std::unique_ptr<CEngineList>> lists;
    return lists;
}

bool IsProgram(const fs::path& file)
{
    std::error_code error;
    return fs::is_regular_file(file, error) && access(file.c_str(), X_OK) == 0;
}
} // namespace

CEngineList::CEngineList(EngineListSetup setup) : m_Setup(std::move(setup)), m_Store(std::make_unique<RegistryStore>())
{
}

CEngineList::CEngineList(EngineListSetup setup, const std::string& filePath)
    : m_Setup(std::move(setup)), m_Store(std::make_unique<RegistryStore>(Q(filePath)))
{
}

CEngineList& CEngineList::Shared(SetupFunction setup)
{
    std::unique_ptr<CEngineList>& list = SharedLists()[setup];
    if (!list)
        list = std::make_unique<CEngineList>(setup());
    return *list;
}

void CEngineList::ResetShared(SetupFunction setup, const std::string& filePath)
{
    SharedLists()[setup] = std::make_unique<CEngineList>(setup(), filePath);
}

int CEngineList::OpenRoot(const std::string& path)
{
    return m_Store->OpenRoot(Q(path));
}

int CEngineList::OpenSubKey(const std::string& name)
{
    return m_Store->OpenSubKey(Q(name));
}

int CEngineList::ReadString(const std::string& valueName, std::string& out, const std::string& defaultText)
{
    QString text;
    const int result = m_Store->ReadString(Q(valueName), text, Q(defaultText));
    out = text.toStdString();
    return result;
}

int CEngineList::WriteString(const std::string& valueName, const std::string& text)
{
    return m_Store->WriteString(Q(valueName), Q(text));
}

int CEngineList::ListSubKeys(std::vector<std::string>& names)
{
    QStringList list;
    const int result = m_Store->ListSubKeys(list);
    for (const QString& name : list)
        names.push_back(name.toStdString());
    return result;
}

int CEngineList::DeleteSubKey()
{
    return m_Store->DeleteSubKey();
}

const char* CEngineList::SelectionValue(bool white)
{
    return white ? "WhiteEngine" : "BlackEngine";
}

bool CEngineList::IsEditable(const std::string& name) const
{
    return !m_Setup.defaultEngineFixed || name != m_Setup.defaultEngine;
}

void CEngineList::OpenEnginesKey()
{
    OpenRoot(ProductKey());
    OpenSubKey(EnginesKey());
}

void CEngineList::OpenEngineKey(const std::string& name)
{
    OpenRoot(ProductKey());
    OpenSubKey(EnginesKey() + "\\" + name);
}

bool CEngineList::HasEngine(const std::string& name)
{
    OpenEnginesKey();
    std::vector<std::string> names;
    ListSubKeys(names);
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::string> CEngineList::EngineNames()
{
    OpenEnginesKey();
    std::vector<std::string> names;
    ListSubKeys(names);
    return names;
}

bool CEngineList::ReadEngine(const std::string& name, std::string& commandLine, std::string& workingDirectory)
{
    commandLine.clear();
    workingDirectory.clear();
    if (name.empty() || !HasEngine(name))
        return false;
    OpenEngineKey(name);
    ReadString("CommandLine", commandLine, "");
    ReadString("WorkingDirectory", workingDirectory, "");
    return !commandLine.empty();
}

void CEngineList::ReadEngineOf(bool white, std::string& name, std::string& commandLine, std::string& workingDirectory)
{
    OpenEnginesKey();
    ReadString(SelectionValue(white), name, DefaultEngineName());
    commandLine.clear();
    workingDirectory.clear();
    if (name.empty() || (!m_Setup.lookupCreatesMissingEngine && !HasEngine(name)))
        return;
    OpenEngineKey(name);
    ReadString("CommandLine", commandLine, "");
    ReadString("WorkingDirectory", workingDirectory, "");
}

std::vector<std::string> CEngineList::SubKeysOf(const std::string& name, const std::string& path)
{
    // Each level is listed before it is opened, since opening creates.
    std::vector<std::string> names;
    if (!HasEngine(name))
        return names;
    std::string key = EnginesKey() + "\\" + name;
    for (size_t start = 0; start < path.size();)
    {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        OpenRoot(ProductKey());
        OpenSubKey(key);
        std::vector<std::string> children;
        ListSubKeys(children);
        if (std::find(children.begin(), children.end(), part) == children.end())
            return names;
        key += "\\" + part;
        start = end + 1;
    }
    OpenRoot(ProductKey());
    OpenSubKey(key);
    ListSubKeys(names);
    return names;
}

EngineOptionValues CEngineList::ReadOptionValues(const std::string& name)
{
    EngineOptionValues values;
    for (const std::string& option : SubKeysOf(name, "Options"))
    {
        OpenRoot(ProductKey());
        OpenSubKey(EnginesKey() + "\\" + name + "\\Options\\" + option);
        std::string value;
        ReadString("Value", value, "");
        values[option] = value;
    }
    return values;
}

void CEngineList::DeleteOptionKeys(const std::string& name)
{
    for (const std::string& option : SubKeysOf(name, "Options"))
    {
        OpenRoot(ProductKey());
        OpenSubKey(EnginesKey() + "\\" + name + "\\Options\\" + option);
        DeleteSubKey();
    }
    const std::vector<std::string> keys = SubKeysOf(name, "");
    if (std::find(keys.begin(), keys.end(), "Options") != keys.end())
    {
        OpenRoot(ProductKey());
        OpenSubKey(EnginesKey() + "\\" + name + "\\Options");
        DeleteSubKey();
    }
}

void CEngineList::WriteOptionValues(const std::string& name, const EngineOptionValues& values)
{
    if (!HasEngine(name))
        return;
    RegistryStore::Batch batch(*m_Store);
    DeleteOptionKeys(name);
    for (const auto& [option, value] : values)
    {
        const bool usable =
            !option.empty() && option.size() <= 255 && std::none_of(option.begin(), option.end(), [](char c) {
                return c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
            });
        if (!usable)
            continue;
        OpenRoot(ProductKey());
        if (OpenSubKey(EnginesKey() + "\\" + name + "\\Options\\" + option) == 1)
            WriteString("Value", value);
    }
}

void CEngineList::DeleteEngine(const std::string& name)
{
    if (!HasEngine(name))
        return;
    RegistryStore::Batch batch(*m_Store);
    DeleteOptionKeys(name);
    OpenEngineKey(name);
    DeleteSubKey();
}

void CEngineList::RegisterInstalledEngines()
{
    RegisterInstalledEngines(m_Setup.engineFolders, m_Setup.defaultEngineCandidates);
}

void CEngineList::RegisterInstalledEngines(const std::vector<fs::path>& engineFolders,
                                           const std::vector<fs::path>& defaultEngineCandidates)
{
    RegistryStore::Batch batch(*m_Store);
    OpenEnginesKey();
    std::string ignored;
    ReadString(SelectionValue(true), ignored, DefaultEngineName());
    ReadString(SelectionValue(false), ignored, DefaultEngineName());
    for (const fs::path& folder : engineFolders)
    {
        for (const fs::path& engineFolder : SortedEntries(folder))
        {
            std::error_code error;
            if (!fs::is_directory(engineFolder, error))
                continue;
            for (const fs::path& file : SortedEntries(engineFolder))
                if (IsProgram(file))
                    RegisterEngine(engineFolder.filename().string(), file, engineFolder);
        }
    }
    if (defaultEngineCandidates.empty() || HasEngine(DefaultEngineName()))
        return;
    for (const fs::path& file : defaultEngineCandidates)
    {
        if (IsProgram(file))
        {
            RegisterEngine(DefaultEngineName(), file, file.parent_path());
            return;
        }
    }
}

void CEngineList::RegisterEngine(const std::string& name, const fs::path& program, const fs::path& folder)
{
    OpenRoot(ProductKey() + "\\" + EnginesKey());
    OpenSubKey(name);
    WriteString("CommandLine", program.string());
    WriteString("WorkingDirectory", folder.string() + "/");
}
