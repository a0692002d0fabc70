#include "RegistryStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

std::unique_ptr<RegistryStore> RegistryStore::s_instance;

namespace
{
constexpr const char* kFileName = "Pellomar II.conf";
// A save takes milliseconds; waiting longer than this for another process's
// lock means something is wrong, and the change stays unsaved for now.
constexpr int kLockTimeoutMs = 5000;

// An exclusive flock on the lock file. The system drops it when its holder
// ends, however it ends, so no lock is ever left stale.
class FileLock
{
public:
    FileLock(const QString& path, int timeoutMs)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0)
            return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
            {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        m_locked = true;
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    [[nodiscard]] bool IsLocked() const { return m_locked; }

private:
    int m_fd = -1;
    bool m_locked = false;
};

int64_t Nanoseconds(const timespec& t)
{
    return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0)
    {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

} // namespace

RegistryStore::RegistryStore() : RegistryStore(DefaultFilePath()) {}

RegistryStore::RegistryStore(QString filePath) : m_filePath(std::move(filePath)) {}

RegistryStore::~RegistryStore()
{
    if (!m_unsaved.empty())
        Save();
}

RegistryStore& RegistryStore::Instance()
{
    if (!s_instance)
        s_instance = std::make_unique<RegistryStore>();
    return *s_instance;
}

void RegistryStore::Release()
{
    if (!s_instance)
        return;
    s_instance->Close();
    s_instance.reset();
}

QString RegistryStore::DefaultFilePath()
{
    const QString dir = qEnvironmentVariable("PELLOMAR_CONFIG_DIR");
    if (!dir.isEmpty())
        return QDir(dir).filePath(kFileName);
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::home().filePath(".config");
    return QDir(config).filePath(QStringLiteral("Zentrique/") + kFileName);
}

bool RegistryStore::HasRoot() const
{
    return !m_rootPath.isEmpty();
}

QString RegistryStore::RootPath() const
{
    return m_rootPath.isEmpty() ? QString() : m_rootPath.join('\\') + '\\';
}

QString RegistryStore::SubKeyName() const
{
    return m_subKeyName;
}

QStringList RegistryStore::SubKeyPath() const
{
    return m_rootPath + m_subKeyParts;
}

int RegistryStore::OpenRoot(const QString& path)
{
    std::lock_guard guard(m_mutex);
    if (path.isEmpty())
        return RESULT_EMPTY_PATH;
    const qsizetype firstSeparator = path.indexOf('\\');
    const QString rootName = firstSeparator < 0 ? path : path.left(firstSeparator);
    if (!CRegistryTree::IsRootName(rootName))
        return RESULT_UNKNOWN_ROOT;
    // Empty parts ("a\\b", a final backslash) name no key and are skipped.
    QStringList parts = path.mid(rootName.size()).split('\\', Qt::SkipEmptyParts);
    parts.prepend(rootName);
    for (qsizetype i = 1; i < parts.size(); ++i)
    {
        if (!CRegistryTree::IsValidKeyName(parts[i]))
            return RESULT_FAILED;
    }
    Refresh(false);
    if (!m_tree.FindKey(parts))
        Apply({{Change::Kind::CreateKey, parts, {}, {}}});
    m_rootPath = parts;
    m_subKeyName.clear();
    m_subKeyParts.clear();
    return RESULT_OK;
}

int RegistryStore::OpenSubKey(const QString& name)
{
    std::lock_guard guard(m_mutex);
    m_subKeyName.clear();
    m_subKeyParts.clear();
    if (m_rootPath.isEmpty())
        return RESULT_FAILED;
    const QStringList parts = name.split('\\', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return RESULT_FAILED;
    for (const QString& part : parts)
    {
        if (!CRegistryTree::IsValidKeyName(part))
            return RESULT_FAILED;
    }
    Refresh(false);
    const QStringList path = m_rootPath + parts;
    // Kept open even when the new key could not be saved yet: it exists in
    // memory and is saved with the next change.
    if (!m_tree.FindKey(path))
        Apply({{Change::Kind::CreateKey, path, {}, {}}});
    m_subKeyParts = parts;
    m_subKeyName = parts.join('\\');
    return RESULT_OK;
}

int RegistryStore::ReadDword(const QString& name, int32_t& out, int32_t def)
{
    std::lock_guard guard(m_mutex);
    out = def;
    if (m_subKeyName.isEmpty())
        return RESULT_NO_SUBKEY;
    Refresh(false);
    if (const CRegistryValue* value = m_tree.FindValue(SubKeyPath(), name))
    {
        if (value->type != CRegistryValue::Type::Dword)
            return RESULT_WRONG_TYPE;
        out = static_cast<int32_t>(value->dword);
        return RESULT_READ;
    }
    const Change change{Change::Kind::SetValue, SubKeyPath(), name,
                        CRegistryValue::FromDword(static_cast<uint32_t>(def))};
    return Apply({change}) == RESULT_OK ? RESULT_DEFAULT_WRITTEN : RESULT_FAILED;
}

int RegistryStore::ReadString(const QString& name, QString& out, const QString& def)
{
    std::lock_guard guard(m_mutex);
    out = def;
    if (m_subKeyName.isEmpty())
        return RESULT_NO_SUBKEY;
    Refresh(false);
    if (const CRegistryValue* value = m_tree.FindValue(SubKeyPath(), name))
    {
        if (value->type != CRegistryValue::Type::String)
            return RESULT_WRONG_TYPE;
        if (value->text.size() > kMaxStringLength)
            return RESULT_TOO_LONG;
        out = value->text;
        return RESULT_OK;
    }
    if (def.size() > kMaxStringLength)
        return RESULT_TOO_LONG;
    const Change change{Change::Kind::SetValue, SubKeyPath(), name, CRegistryValue::FromString(def)};
    return Apply({change}) == RESULT_OK ? RESULT_DEFAULT_WRITTEN : RESULT_FAILED;
}

int RegistryStore::WriteDword(const QString& name, int32_t value)
{
    std::lock_guard guard(m_mutex);
    if (m_subKeyName.isEmpty())
        return RESULT_NO_SUBKEY;
    return Apply(
        {{Change::Kind::SetValue, SubKeyPath(), name, CRegistryValue::FromDword(static_cast<uint32_t>(value))}});
}

int RegistryStore::WriteString(const QString& name, const QString& value)
{
    std::lock_guard guard(m_mutex);
    if (m_subKeyName.isEmpty())
        return RESULT_NO_SUBKEY;
    if (value.size() > kMaxStringLength)
        return RESULT_TOO_LONG;
    return Apply({{Change::Kind::SetValue, SubKeyPath(), name, CRegistryValue::FromString(value)}});
}

int RegistryStore::ListSubKeys(QStringList& out)
{
    std::lock_guard guard(m_mutex);
    if (m_rootPath.isEmpty())
        return RESULT_NO_ROOT;
    if (m_subKeyName.isEmpty())
        return RESULT_NO_SUBKEY;
    Refresh(false);
    if (const CRegistryTree::Key* key = m_tree.FindKey(SubKeyPath()))
    {
        for (const auto& [name, child] : key->children)
            out.append(name);
    }
    return RESULT_OK;
}

int RegistryStore::DeleteSubKey()
{
    std::lock_guard guard(m_mutex);
    if (m_subKeyName.isEmpty())
        return RESULT_NO_SUBKEY;
    Refresh(false);
    const QStringList path = SubKeyPath();
    m_subKeyName.clear();
    m_subKeyParts.clear();
    const CRegistryTree::Key* key = m_tree.FindKey(path);
    if (!key)
        return RESULT_OK;
    // Like the registry, a key that still has subkeys is not deleted.
    const bool hasSubKeys = !key->children.empty();
    std::vector<Change> changes{{Change::Kind::DeleteValues, path, {}, {}}};
    if (!hasSubKeys)
        changes.push_back({Change::Kind::DeleteKey, path, {}, {}});
    const int result = Apply(changes);
    return hasSubKeys ? RESULT_FAILED : result;
}

RegistryStore::Batch::Batch(RegistryStore& store) : m_store(store)
{
    std::lock_guard guard(m_store.m_mutex);
    ++m_store.m_batchDepth;
}

RegistryStore::Batch::~Batch()
{
    std::lock_guard guard(m_store.m_mutex);
    if (--m_store.m_batchDepth == 0 && !m_store.m_unsaved.empty())
        m_store.Save();
}

void RegistryStore::Close()
{
    std::lock_guard guard(m_mutex);
    if (!m_unsaved.empty())
        Save();
    m_rootPath.clear();
    m_subKeyName.clear();
    m_subKeyParts.clear();
}

int RegistryStore::Flush()
{
    std::lock_guard guard(m_mutex);
    return m_unsaved.empty() ? RESULT_OK : Save();
}

RegistryStore::FileStamp RegistryStore::StampOfFile() const
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(m_filePath).constData(), &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
}

void RegistryStore::Refresh(bool holdingLock)
{
    // An unreadable file that could not be set aside yet is tried again only
    // under the lock (before a save), not on every read.
    if (m_loaded && StampOfFile() == m_stamp && !(m_unreadableFile && holdingLock))
        return;
    m_tree = LoadFile(holdingLock);
    m_loaded = true;
    for (const Change& change : m_unsaved)
        ApplyToTree(m_tree, change);
}

CRegistryTree RegistryStore::LoadFile(bool holdingLock)
{
    m_unreadableFile = false;
    m_stamp = StampOfFile();
    if (!m_stamp.exists)
        return {}; // a first run: the defaults stand in

    QString reason;
    QFile file(m_filePath);
    if (file.open(QIODevice::ReadOnly))
    {
        struct stat info
        {
        };
        if (::fstat(file.handle(), &info) == 0)
            m_stamp = {
                true, info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
        const QByteArray bytes = file.read(CRegistryTree::kMaxFileBytes + 1);
        if (file.error() == QFileDevice::NoError)
        {
            CRegistryTree::ParseError error;
            if (std::optional<CRegistryTree> tree = CRegistryTree::Parse(bytes, &error))
                return std::move(*tree);
            reason = error.line > 0 ? QStringLiteral("line %1: %2").arg(error.line).arg(error.reason) : error.reason;
        }
    }
    if (reason.isEmpty())
        reason = file.errorString();

    if (holdingLock)
    {
        SetAside(reason);
        return {};
    }
    // Set the file aside under the lock, after making sure that it is still
    // the same unreadable file and not a good one another process just saved.
    FileLock lock(m_filePath + ".lock", kLockTimeoutMs);
    if (lock.IsLocked())
        return LoadFile(true);
    // Without the lock the file is left alone; the next save tries again.
    m_unreadableFile = true;
    qWarning().noquote() << QStringLiteral(
                                "Pellomar II: the settings file \"%1\" could not be read (%2); the defaults are used.")
                                .arg(m_filePath, reason);
    return {};
}

void RegistryStore::SetAside(const QString& reason)
{
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString aside = m_filePath + ".corrupt-" + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = m_filePath + ".corrupt-" + stamp + '-' + QString::number(n);
    if (::rename(QFile::encodeName(m_filePath).constData(), QFile::encodeName(aside).constData()) == 0)
    {
        m_stamp = StampOfFile();
        qWarning().noquote() << QStringLiteral("Pellomar II: the settings file \"%1\" could not be read (%2); it was "
                                               "renamed to \"%3\" and the defaults are used.")
                                    .arg(m_filePath, reason, aside);
    }
    else
    {
        m_unreadableFile = true;
        qWarning().noquote() << QStringLiteral("Pellomar II: the settings file \"%1\" could not be read (%2) nor "
                                               "renamed; the defaults are used.")
                                    .arg(m_filePath, reason);
    }
}

int RegistryStore::Apply(const std::vector<Change>& changes)
{
    Refresh(false);
    bool changed = false;
    bool refused = false;
    for (const Change& change : changes)
    {
        // Writing what is already stored changes nothing and saves nothing.
        if (change.kind == Change::Kind::SetValue)
        {
            const CRegistryValue* stored = m_tree.FindValue(change.path, change.name);
            if (stored && *stored == change.value)
                continue;
        }
        if (!ApplyToTree(m_tree, change))
        {
            refused = refused || change.kind == Change::Kind::SetValue || change.kind == Change::Kind::CreateKey;
            continue;
        }
        m_unsaved.push_back(change);
        changed = true;
    }
    int result = RESULT_OK;
    if (changed || !m_unsaved.empty())
        result = m_batchDepth > 0 ? RESULT_OK : Save();
    return refused ? RESULT_FAILED : result;
}

int RegistryStore::Save()
{
    const QString dir = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(dir))
        return RESULT_FAILED;
    FileLock lock(m_filePath + ".lock", kLockTimeoutMs);
    if (!lock.IsLocked())
        return RESULT_FAILED;
    // Another process may have saved since this one last read: start from its
    // file and put this process's changes on top.
    Refresh(true);
    if (m_unreadableFile || !WriteFileAtomically(m_tree.Serialize()))
        return RESULT_FAILED;
    m_unsaved.clear();
    m_stamp = StampOfFile();
    return RESULT_OK;
}

bool RegistryStore::WriteFileAtomically(const QByteArray& bytes)
{
    // A symbolic link to the settings file stays a link: the file it points
    // to is replaced.
    QString target = m_filePath;
    for (int depth = 0; depth < 16 && QFileInfo(target).isSymLink(); ++depth)
        target = QFileInfo(target).symLinkTarget();
    const QByteArray finalName = QFile::encodeName(target);
    const QByteArray tempName = QFile::encodeName(target + ".saving");

    // The data reaches the disk before the rename, so that even a machine
    // crash finds the old or the new content under the name. Only the holder
    // of the lock writes here, so a leftover from a process
    // killed mid-save is simply overwritten.
    const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    struct stat old
    {
    };
    if (::stat(finalName.constData(), &old) == 0)
        (void)::fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tempName.constData(), finalName.constData()) == 0;
    if (!ok)
    {
        ::unlink(tempName.constData());
        return false;
    }
    return true;
}

bool RegistryStore::ApplyToTree(CRegistryTree& tree, const Change& change)
{
    switch (change.kind)
    {
    case Change::Kind::CreateKey: return tree.CreateKey(change.path);
    case Change::Kind::SetValue: return tree.SetValue(change.path, change.name, change.value);
    case Change::Kind::DeleteValues: return tree.DeleteValues(change.path);
    case Change::Kind::DeleteKey: return tree.DeleteKey(change.path);
    }
    return false;
}
