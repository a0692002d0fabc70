#include "EngineRegistry.h"

#include "RavelinTexts.h"

#include <algorithm>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
std::unique_ptr<CEngineRegistry>& Slot()
{
    static std::unique_ptr<CEngineRegistry> registry;
    return registry;
}

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
} // namespace

CEngineRegistry::CEngineRegistry(std::unique_ptr<RegistryStore> store) : m_Store(std::move(store)) {}

CEngineRegistry& CEngineRegistry::Instance()
{
    auto& slot = Slot();
    if (!slot)
        slot.reset(new CEngineRegistry(std::make_unique<RegistryStore>()));
    return *slot;
}

void CEngineRegistry::ResetInstance(const std::string& filePath)
{
    Slot().reset(new CEngineRegistry(std::make_unique<RegistryStore>(Q(filePath))));
}

int CEngineRegistry::OpenRoot(const std::string& path)
{
    return m_Store->OpenRoot(Q(path));
}

int CEngineRegistry::OpenSubKey(const std::string& name)
{
    return m_Store->OpenSubKey(Q(name));
}

int CEngineRegistry::ReadString(const std::string& valueName, std::string& out, const std::string& defaultText)
{
    QString text;
    const int result = m_Store->ReadString(Q(valueName), text, Q(defaultText));
    out = text.toStdString();
    return result;
}

int CEngineRegistry::WriteString(const std::string& valueName, const std::string& text)
{
    return m_Store->WriteString(Q(valueName), Q(text));
}

int CEngineRegistry::ListSubKeys(std::vector<std::string>& names)
{
    QStringList list;
    const int result = m_Store->ListSubKeys(list);
    for (const QString& name : list)
        names.push_back(name.toStdString());
    return result;
}

int CEngineRegistry::DeleteSubKey()
{
    return m_Store->DeleteSubKey();
}

const std::string& CEngineRegistry::ProductKey()
{
    return RavelinTexts::Text(RavelinTexts::IDS_PRODUCT_KEY);
}

const std::string& CEngineRegistry::EnginesKey()
{
    return RavelinTexts::Text(RavelinTexts::IDS_ENGINES_KEY);
}

const std::string& CEngineRegistry::DefaultEngineName()
{
    return RavelinTexts::Text(RavelinTexts::IDS_DEFAULT_ENGINE);
}

const char* CEngineRegistry::SelectionValue(bool white)
{
    return white ? "WhiteEngine" : "BlackEngine";
}

void CEngineRegistry::OpenEnginesKey()
{
    OpenRoot(ProductKey());
    OpenSubKey(EnginesKey());
}

void CEngineRegistry::ReadEngineOf(bool white, std::string& name, std::string& commandLine,
                                   std::string& workingDirectory)
{
    OpenEnginesKey();
    ReadString(SelectionValue(white), name, DefaultEngineName());
    commandLine.clear();
    workingDirectory.clear();
    if (name.empty())
        return;
    OpenSubKey(EnginesKey() + "\\" + name);
    ReadString("CommandLine", commandLine, "");
    ReadString("WorkingDirectory", workingDirectory, "");
}

void CEngineRegistry::RegisterInstalledEngines(const std::vector<fs::path>& enginesFolders)
{
    RegistryStore::Batch batch(*m_Store);
    OpenEnginesKey();
    std::string ignored;
    ReadString("WhiteEngine", ignored, DefaultEngineName());
    ReadString("BlackEngine", ignored, DefaultEngineName());
    for (const fs::path& folder : enginesFolders)
    {
        for (const fs::path& engineFolder : SortedEntries(folder))
        {
            std::error_code error;
            if (!fs::is_directory(engineFolder, error))
                continue;
            for (const fs::path& file : SortedEntries(engineFolder))
            {
                if (!fs::is_regular_file(file, error) || access(file.c_str(), X_OK) != 0)
                    continue;
                OpenRoot(ProductKey() + "\\" + EnginesKey());
                OpenSubKey(engineFolder.filename().string());
                WriteString("CommandLine", file.string());
                WriteString("WorkingDirectory", engineFolder.string() + "/");
            }
        }
    }
}

std::vector<fs::path> CEngineRegistry::DefaultEnginesFolders()
{
    const std::string relative = RavelinTexts::Text(RavelinTexts::IDS_ENGINES_FOLDER);
    std::vector<fs::path> folders;
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        folders.push_back(program.parent_path().string() + relative);
#ifdef PELLOMAR_ENGINES_DIR
    const fs::path installed = PELLOMAR_ENGINES_DIR;
    if (folders.empty() || fs::weakly_canonical(installed, error) != fs::weakly_canonical(folders[0], error))
        folders.push_back(installed);
#endif
    return folders;
}
