#include "RegistryStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QObject>
#include <QStandardPaths>
#include <QtGlobal>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr const char* kFileName = "Pellomar II.conf";
// After a failed save the next try waits this long, doubling up to the most.
constexpr int kFirstRetryMs = 250;
constexpr int kLongestRetryMs = 5000;

using SteadyClock = std::chrono::steady_clock;

// An exclusive flock on the lock file. The system drops it when its holder
// ends, however it ends, so no lock is ever left stale.
class FileLock
{
public:
    // Tries until the deadline; giveUp is asked between tries.
    FileLock(const QString& path, SteadyClock::time_point deadline, const std::function<bool()>& giveUp)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0)
        {
            m_error = errno;
            return;
        }
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        {
            if ((errno != EWOULDBLOCK && errno != EINTR) || SteadyClock::now() >= deadline || giveUp())
            {
                m_error = errno == EINTR ? EWOULDBLOCK : errno;
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
    [[nodiscard]] int Error() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
    bool m_locked = false;
};

int64_t Nanoseconds(const timespec& t)
{
    return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
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

RegistryStore::RegistryStore(QString filePath) : m_filePath(std::move(filePath)), m_context(std::make_unique<QObject>())
{
}

RegistryStore::~RegistryStore()
{
    StopWriter();
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

void RegistryStore::SetFailureHandler(FailureHandler handler)
{
    std::lock_guard guard(m_mutex);
    m_failureHandler = std::move(handler);
}

void RegistryStore::SetLockTimeout(int milliseconds)
{
    std::lock_guard shared(m_sharedMutex);
    m_lockTimeoutMs = milliseconds;
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
    Refresh();
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
    Refresh();
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
    Refresh();
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
    Refresh();
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
    Refresh();
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
    Refresh();
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
    if (--m_store.m_batchDepth == 0)
        m_store.Commit();
}

void RegistryStore::Close()
{
    {
        std::lock_guard guard(m_mutex);
        m_rootPath.clear();
        m_subKeyName.clear();
        m_subKeyParts.clear();
    }
    (void)Flush(kCloseTimeoutMs);
}

int RegistryStore::Flush(int timeoutMs)
{
    {
        std::lock_guard guard(m_mutex);
        Commit();
    }
    std::unique_lock shared(m_sharedMutex);
    if (m_unsaved.empty() && !m_setAsideWanted)
        return RESULT_OK;
    // Whatever the thread is waiting for, it tries now. A try that starts
    // from now on takes every change made so far: the answer is its outcome.
    const uint64_t covering = m_attemptsStarted + 1;
    m_hurry = true;
    m_wake.notify_all();
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    m_settled.wait_until(shared, deadline,
                         [&] { return (m_unsaved.empty() && !m_setAsideWanted) || m_attemptsFinished >= covering; });
    return m_unsaved.empty() && !m_setAsideWanted ? RESULT_OK : RESULT_FAILED;
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

RegistryStore::FileContent RegistryStore::ReadFile() const
{
    FileContent content;
    const QByteArray name = QFile::encodeName(m_filePath);
    // Opened without waiting (a named pipe would wait for a writer) and then
    // checked: only a regular file is read.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
    {
        // No file is a first run; so is a symbolic link to a file not made
        // yet (saving makes it, or reports why it cannot).
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR)
        {
            content.state = FileContent::State::Unreadable;
            content.reason = ErrorText(error);
        }
        return content;
    }
    struct stat info
    {
    };
    content.state = FileContent::State::Unreadable;
    if (::fstat(fd, &info) != 0)
    {
        content.reason = ErrorText(errno);
    }
    else if (!S_ISREG(info.st_mode))
    {
        content.reason =
            S_ISDIR(info.st_mode) ? QStringLiteral("a folder, not a file") : QStringLiteral("not a regular file");
    }
    else if (info.st_size > CRegistryTree::kMaxFileBytes)
    {
        content.reason = QStringLiteral("larger than %1 bytes").arg(CRegistryTree::kMaxFileBytes);
    }
    else
    {
        content.stamp = {
            true, info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
        QByteArray bytes;
        char buffer[65536];
        for (;;)
        {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
            {
                content.reason = ErrorText(errno);
                break;
            }
            if (got == 0)
                break;
            bytes.append(buffer, got);
            if (bytes.size() > CRegistryTree::kMaxFileBytes)
            {
                content.reason = QStringLiteral("larger than %1 bytes").arg(CRegistryTree::kMaxFileBytes);
                break;
            }
        }
        if (content.reason.isEmpty())
        {
            CRegistryTree::ParseError error;
            if (std::optional<CRegistryTree> tree = CRegistryTree::Parse(bytes, &error))
            {
                content.state = FileContent::State::Read;
                content.tree = std::move(*tree);
            }
            else
            {
                content.reason =
                    error.line > 0 ? QStringLiteral("line %1: %2").arg(error.line).arg(error.reason) : error.reason;
            }
        }
    }
    ::close(fd);
    return content;
}

void RegistryStore::Refresh()
{
    bool reload = false;
    {
        std::lock_guard shared(m_sharedMutex);
        reload = m_reloadWanted;
        m_reloadWanted = false;
    }
    const FileStamp stamp = StampOfFile();
    if (m_loaded && !reload && stamp == m_stamp)
        return;
    FileContent content = ReadFile();
    m_loaded = true;
    m_stamp = content.state == FileContent::State::Read ? content.stamp : stamp;
    m_tree = std::move(content.tree);
    if (!content.reason.isEmpty() && (!m_warned || !(m_warnedStamp == stamp)))
    {
        qWarning().noquote() << QStringLiteral("Pellomar II: the settings file \"%1\" could not be read (%2); the "
                                               "defaults are used.")
                                    .arg(m_filePath, content.reason);
        m_warned = true;
        m_warnedStamp = stamp;
    }
    std::lock_guard shared(m_sharedMutex);
    if (content.state == FileContent::State::Unreadable)
    {
        // The saving thread sets the file aside under the lock.
        m_setAsideWanted = true;
        StartWriter();
        m_wake.notify_all();
    }
    for (const Change& change : m_unsaved)
        ApplyToTree(m_tree, change);
    for (const Change& change : m_batch)
        ApplyToTree(m_tree, change);
}

int RegistryStore::Apply(const std::vector<Change>& changes)
{
    Refresh();
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
        m_batch.push_back(change);
    }
    if (m_batchDepth == 0)
        Commit();
    return refused ? RESULT_FAILED : RESULT_OK;
}

void RegistryStore::Commit()
{
    if (m_batch.empty() || m_batchDepth > 0)
        return;
    std::lock_guard shared(m_sharedMutex);
    m_unsaved.insert(m_unsaved.end(), m_batch.begin(), m_batch.end());
    m_batch.clear();
    StartWriter();
    m_wake.notify_all();
}

// ---------------------------------------------------------------------------
// The saving thread

void RegistryStore::StartWriter()
{
    // Called with m_sharedMutex held.
    if (!m_writer.joinable() && !m_stopping)
        m_writer = std::thread([this] { WriterLoop(); });
}

void RegistryStore::StopWriter()
{
    {
        std::lock_guard shared(m_sharedMutex);
        m_stopping = true;
        m_stopDeadline = SteadyClock::now() + std::chrono::milliseconds(kCloseTimeoutMs);
        m_wake.notify_all();
    }
    if (m_writer.joinable())
        m_writer.join();
    std::lock_guard shared(m_sharedMutex);
    if (!m_unsaved.empty())
        qWarning().noquote() << QStringLiteral("Pellomar II: %1 setting change(s) could not be saved to \"%2\".")
                                    .arg(m_unsaved.size())
                                    .arg(m_filePath);
}

void RegistryStore::WriterLoop()
{
    std::unique_lock shared(m_sharedMutex);
    int retryMs = kFirstRetryMs;
    SteadyClock::time_point notBefore = SteadyClock::now();
    for (;;)
    {
        const auto hasWork = [&] { return !m_unsaved.empty() || m_setAsideWanted; };
        m_wake.wait_until(shared, notBefore, [&] { return m_stopping || m_hurry; });
        m_wake.wait(shared, [&] { return m_stopping || hasWork(); });
        if (!hasWork() || (m_stopping && SteadyClock::now() >= m_stopDeadline))
        {
            if (m_stopping)
                return;
            continue;
        }
        const std::vector<Change> changes = m_unsaved;
        const bool setAside = m_setAsideWanted;
        const int lockTimeoutMs = m_lockTimeoutMs;
        m_hurry = false;
        ++m_attemptsStarted;
        shared.unlock();

        QString reason;
        bool saved = false;
        const QString dir = QFileInfo(m_filePath).absolutePath();
        if (!QDir().mkpath(dir))
        {
            reason = QStringLiteral("the folder \"%1\" cannot be made").arg(dir);
        }
        else
        {
            // The lock is waited for here, never by the program's calls; a
            // store being closed waits no longer than closing may take.
            FileLock lock(m_filePath + ".lock", SteadyClock::now() + std::chrono::milliseconds(lockTimeoutMs), [this] {
                std::lock_guard peek(m_sharedMutex);
                return m_stopping && SteadyClock::now() >= m_stopDeadline;
            });
            if (!lock.IsLocked())
                reason = lock.Error() == EWOULDBLOCK
                             ? QStringLiteral("another program holds the lock \"%1.lock\"").arg(m_filePath)
                             : QStringLiteral("\"%1.lock\": %2").arg(m_filePath, ErrorText(lock.Error()));
            else
                saved = SaveOnce(changes, reason);
        }

        shared.lock();
        ++m_attemptsFinished;
        if (saved)
        {
            m_unsaved.erase(m_unsaved.begin(), m_unsaved.begin() + static_cast<std::ptrdiff_t>(changes.size()));
            if (setAside)
                m_setAsideWanted = false;
            m_reloadWanted = true;
            if (m_failing)
            {
                m_failing = false;
                qWarning().noquote()
                    << QStringLiteral("Pellomar II: the settings are saved to \"%1\" again.").arg(m_filePath);
            }
            retryMs = kFirstRetryMs;
            notBefore = SteadyClock::now();
        }
        else
        {
            if (!m_failing)
            {
                m_failing = true;
                shared.unlock();
                ReportFailure(reason);
                shared.lock();
            }
            notBefore = SteadyClock::now() + std::chrono::milliseconds(retryMs);
            retryMs = std::min(2 * retryMs, kLongestRetryMs);
            if (m_stopping)
            {
                m_settled.notify_all();
                return; // one last try was all the time there was
            }
        }
        m_settled.notify_all();
    }
}

bool RegistryStore::SaveOnce(const std::vector<Change>& changes, QString& reason)
{
    // Under the lock. Another process may have saved since this one last
    // read: start from its file and put this process's changes on top.
    // A file that does not read, under the lock, is no good one another
    // process is just saving: it is set aside, and the defaults stand in.
    FileContent content = ReadFile();
    if (content.state == FileContent::State::Unreadable)
    {
        if (!SetAside(content.reason, reason))
            return false;
        content.tree = CRegistryTree();
    }
    if (changes.empty())
        return true;
    for (const Change& change : changes)
        ApplyToTree(content.tree, change);
    return WriteFileAtomically(content.tree.Serialize(), reason);
}

bool RegistryStore::SetAside(const QString& why, QString& reason) const
{
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString aside = m_filePath + ".corrupt-" + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = m_filePath + ".corrupt-" + stamp + '-' + QString::number(n);
    if (::rename(QFile::encodeName(m_filePath).constData(), QFile::encodeName(aside).constData()) != 0)
    {
        reason = QStringLiteral("the unreadable file could not be renamed (%1)").arg(ErrorText(errno));
        return false;
    }
    qWarning().noquote() << QStringLiteral("Pellomar II: the settings file \"%1\" could not be read (%2); it was "
                                           "renamed to \"%3\" and the defaults are used.")
                                .arg(m_filePath, why, aside);
    return true;
}

bool RegistryStore::WriteFileAtomically(const QByteArray& bytes, QString& reason) const
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
    // of the lock writes here, so a leftover from a process killed mid-save
    // is simply overwritten.
    const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
    {
        reason = QStringLiteral("\"%1\": %2").arg(target + ".saving", ErrorText(errno));
        return false;
    }
    struct stat old
    {
    };
    if (::stat(finalName.constData(), &old) == 0)
        (void)::fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tempName.constData(), finalName.constData()) != 0)
    {
        ok = false;
        error = errno;
    }
    if (!ok)
    {
        reason = QStringLiteral("\"%1\": %2").arg(target, ErrorText(error != 0 ? error : EIO));
        ::unlink(tempName.constData());
        return false;
    }
    return true;
}

void RegistryStore::ReportFailure(const QString& reason)
{
    qWarning().noquote() << QStringLiteral("Pellomar II: the settings could not be saved to \"%1\" (%2); the "
                                           "program keeps trying.")
                                .arg(m_filePath, reason);
    // Delivered on the thread that made the store, which owns the handler.
    QMetaObject::invokeMethod(
        m_context.get(),
        [this, reason] {
            FailureHandler handler;
            {
                std::lock_guard guard(m_mutex);
                handler = m_failureHandler;
            }
            if (handler)
                handler(reason);
        },
        Qt::QueuedConnection);
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
