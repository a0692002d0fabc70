#include "UciRegistry.h"

#include "UciTexts.h"

#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
std::unique_ptr<CUciRegistry>& Slot()
{
    static std::unique_ptr<CUciRegistry> registry;
    return registry;
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}
} // namespace

CUciRegistry::CUciRegistry(std::unique_ptr<RegistryStore> store) : m_Store(std::move(store)) {}

CUciRegistry& CUciRegistry::Instance()
{
    auto& slot = Slot();
    if (!slot)
        slot.reset(new CUciRegistry(std::make_unique<RegistryStore>()));
    return *slot;
}

void CUciRegistry::ResetInstance(const std::string& filePath)
{
    Slot().reset(new CUciRegistry(std::make_unique<RegistryStore>(Q(filePath))));
}

int CUciRegistry::OpenRoot(const std::string& path)
{
    return m_Store->OpenRoot(Q(path));
}

int CUciRegistry::OpenSubKey(const std::string& name)
{
    return m_Store->OpenSubKey(Q(name));
}

int CUciRegistry::ReadString(const std::string& valueName, std::string& out, const std::string& defaultText)
{
    QString text;
    const int result = m_Store->ReadString(Q(valueName), text, Q(defaultText));
    out = text.toStdString();
    return result;
}

int CUciRegistry::WriteString(const std::string& valueName, const std::string& text)
{
    return m_Store->WriteString(Q(valueName), Q(text));
}

int CUciRegistry::ListSubKeys(std::vector<std::string>& names)
{
    QStringList list;
    const int result = m_Store->ListSubKeys(list);
    for (const QString& name : list)
        names.push_back(name.toStdString());
    return result;
}

int CUciRegistry::DeleteSubKey()
{
    return m_Store->DeleteSubKey();
}

const std::string& CUciRegistry::ProductKey()
{
    return UciTexts::Text(UciTexts::IDS_PRODUCT_KEY);
}

const std::string& CUciRegistry::EnginesKey()
{
    return UciTexts::Text(UciTexts::IDS_ENGINES_KEY);
}

const std::string& CUciRegistry::DefaultEngineName()
{
    return UciTexts::Text(UciTexts::IDS_DEFAULT_ENGINE);
}

const char* CUciRegistry::SelectionValue(bool white)
{
    return white ? "WhiteEngine" : "BlackEngine";
}

void CUciRegistry::OpenEnginesKey()
{
    OpenRoot(ProductKey());
    OpenSubKey(EnginesKey());
}

void CUciRegistry::ReadEngineOf(bool white, std::string& name, std::string& commandLine, std::string& workingDirectory)
{
    OpenEnginesKey();
    ReadString(SelectionValue(white), name, DefaultEngineName());
    commandLine.clear();
    workingDirectory.clear();
    if (name.empty())
        return;
    std::vector<std::string> names;
    ListSubKeys(names);
    // Reading a value of a missing engine would create an empty entry.
    bool known = false;
    for (const std::string& entry : names)
        known = known || entry == name;
    if (!known)
        return;
    OpenSubKey(EnginesKey() + "\\" + name);
    ReadString("CommandLine", commandLine, "");
    ReadString("WorkingDirectory", workingDirectory, "");
}

void CUciRegistry::RegisterInstalledEngine(const std::vector<fs::path>& candidates)
{
    RegistryStore::Batch batch(*m_Store);
    OpenEnginesKey();
    std::string ignored;
    ReadString("WhiteEngine", ignored, DefaultEngineName());
    ReadString("BlackEngine", ignored, DefaultEngineName());
    std::vector<std::string> names;
    ListSubKeys(names);
    for (const std::string& name : names)
        if (name == DefaultEngineName())
            return;
    for (const fs::path& file : candidates)
    {
        std::error_code error;
        if (!fs::is_regular_file(file, error) || access(file.c_str(), X_OK) != 0)
            continue;
        OpenRoot(ProductKey() + "\\" + EnginesKey());
        OpenSubKey(DefaultEngineName());
        WriteString("CommandLine", file.string());
        WriteString("WorkingDirectory", file.parent_path().string() + "/");
        return;
    }
}

std::vector<fs::path> CUciRegistry::DefaultCandidates()
{
    return {"/usr/games/stockfish", "/usr/bin/stockfish", "/usr/local/bin/stockfish"};
}
