#pragma once

// The per-user settings store that stands in for the registry.
//
// File: "$PELLOMAR_CONFIG_DIR/Pellomar II.conf" when that variable is set and
// not empty, else "Zentrique/Pellomar II.conf" in the XDG config folder
// (normally ~/.config). All processes of the user share it.
//
// Format (UTF-8 text, one item per line, "\r\n" accepted):
//
//   PELLOMAR-REGISTRY 1
//   ; comment lines and blank lines are ignored
//   [HKEY_CURRENT_USER\Software\Zentrique\Pellomar II\Settings]
//   "NbMinutes"=dword:00000005
//   "WhiteEngine"="Human"
//
// - The first line names the format and its version. Blanks around a line are
//   ignored; an empty file is an empty store; a file over 16 MiB is refused.
// - "[path]" opens a key: a root name (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
//   HKEY_LOCAL_MACHINE, HKEY_USERS) and key names joined by backslashes. Key
//   names are not empty, hold no backslash and no control character, and have
//   at most 255 characters. Parent keys exist implicitly; a section without
//   values keeps an empty key.
// - Below it, one value per line: a quoted name, "=", then either
//   "dword:" with 1 to 8 hex digits (a 32-bit integer) or a quoted string.
//   Inside quotes, \\ \" \n \r \t and \xHH (a character below U+0100) are
//   escapes; every other character stands for itself.
// - Anything else makes the whole file unreadable: it is then renamed aside to
//   "<file>.corrupt-<date>-<time>", a warning goes to standard error, and the
//   store starts empty, so every read yields its default.
//
// Saving: the store in memory is what the program reads; every change is
// kept there at once and saved by a thread of the store's own (changes made
// inside a Batch go together, when the outermost batch ends), so no call ever
// waits for the file or its lock. Holding an exclusive flock on
// "<file>.lock" (which the system releases when its holder dies) the thread
// reads the file again, applies this process's changes on top, writes
// "<file>.saving", flushes it to disk and renames it over the file. A process
// killed mid-save therefore leaves the old file or the new one, two processes
// saving at once both keep their changes, and a process writes only the
// values it changed. Reads notice changes made by other processes.
//
// A save that cannot be made (the lock held for long, a folder that cannot be
// written) is retried, and reported once on standard error and through the
// failure handler until a save succeeds again. Only a regular file is read: a
// named pipe, a folder or anything else in the file's place is unreadable
// like a file that does not parse.

#include "RegistryTree.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <thread>
#include <vector>

class QObject;

class RegistryStore
{
public:
    // Result codes of the operations. Callers may ignore them: a failed read
    // leaves the default in place.
    enum Result : int
    {
        RESULT_EMPTY_PATH = -1,
        RESULT_FAILED = 0,
        RESULT_OK = 1,
        RESULT_NO_ROOT = 2,
        RESULT_NO_SUBKEY = 3,
        RESULT_READ = 4,
        RESULT_DEFAULT_WRITTEN = 5,
        RESULT_TOO_LONG = 10,
        RESULT_WRONG_TYPE = 11,
        RESULT_UNKNOWN_ROOT = 12,
    };

    // Longest string that is stored or read, in characters.
    static constexpr int kMaxStringLength = 256;
    // How long one save waits for another process's lock before it counts
    // as failed (and is retried later).
    static constexpr int kDefaultLockTimeoutMs = 5000;
    // How long closing the store waits for the last changes to be saved.
    static constexpr int kCloseTimeoutMs = 3000;

    // Told, on the thread that made the store (through its event loop), that
    // changes cannot be saved: once, until a save succeeds again.
    using FailureHandler = std::function<void(const QString& reason)>;

    // A store on the default file (see above).
    RegistryStore();
    // A store on a given file (tests, tools).
    explicit RegistryStore(QString filePath);
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;
    // Waits a little (kCloseTimeoutMs at most) for changes still unsaved.
    virtual ~RegistryStore();

    // The default file: from PELLOMAR_CONFIG_DIR or the XDG config folder.
    [[nodiscard]] static QString DefaultFilePath();

    [[nodiscard]] const QString& FilePath() const { return m_filePath; }

    void SetFailureHandler(FailureHandler handler);
    void SetLockTimeout(int milliseconds);

    // Root: "HKEY_xxx\Key\Key" (a final backslash is optional). Creates the
    // missing keys and makes the deepest the root. 12 for an unknown root name,
    // -1 for an empty path, 0 for an invalid key name; on failure the
    // previous root and subkey stay open.
    int OpenRoot(const QString& path);
    // Closes the open subkey, then creates or opens name (may hold backslashes
    // for deeper keys) below the root: 1, or 0 (then no subkey is open).
    int OpenSubKey(const QString& name);

    // out = def first. 4 read; 5 not found, default written; 11 stored with
    // the other type (out keeps def, the stored value stays); 3 no subkey; 0
    // the default could not be saved.
    int ReadDword(const QString& name, int32_t& out, int32_t def);
    // out = def first. 1 read; 5 not found, default written; 10 stored string
    // or default longer than kMaxStringLength (a long default is not written);
    // 11 other type; 3 no subkey; 0 the default could not be stored.
    int ReadString(const QString& name, QString& out, const QString& def);
    // 1 stored (and being saved); 3 no subkey; 10 string too long (refused);
    // 0 a name the store cannot hold.
    int WriteDword(const QString& name, int32_t value);
    int WriteString(const QString& name, const QString& value);

    // Appends the names of the open subkey's subkeys in alphabetical order
    // (case ignored): 1; 2 no root; 3 no subkey.
    int ListSubKeys(QStringList& out);
    // Deletes every value of the open subkey, then the subkey itself, and
    // forgets it: 1; 3 no subkey; 0 when it still has subkeys (it stays,
    // without its values) or the change could not be saved.
    int DeleteSubKey();

    // Holds saves back while it lives and then saves every change made
    // meanwhile at once, so that they reach the file together. Nests.
    class Batch
    {
    public:
        explicit Batch(RegistryStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        RegistryStore& m_store;
    };

    // Closes root and subkey and waits (kCloseTimeoutMs at most) for the
    // changes still unsaved.
    void Close();
    // Saves now what is still unsaved and waits for that save (timeoutMs at
    // most): 1 saved or nothing to save; 0 still unsaved. For tools, tests
    // and the end of the program: the user-interface thread never needs it.
    int Flush(int timeoutMs = kDefaultLockTimeoutMs + 1000);

    [[nodiscard]] bool HasRoot() const;
    // The root path, always ending in a backslash; empty when none is open.
    [[nodiscard]] QString RootPath() const;
    // Name of the open subkey; empty when none is open.
    [[nodiscard]] QString SubKeyName() const;

private:
    struct Change
    {
        enum class Kind
        {
            CreateKey,
            SetValue,
            DeleteValues,
            DeleteKey,
        };
        Kind kind;
        QStringList path;
        QString name;
        CRegistryValue value;
    };
    struct FileStamp
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        int64_t modifiedNs = 0;
        int64_t changedNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    // What reading the file gave.
    struct FileContent
    {
        enum class State
        {
            Missing,    // no file: a first run
            Read,       // tree holds it
            Unreadable, // reason says why
        };
        State state = State::Missing;
        CRegistryTree tree;
        QString reason;
        FileStamp stamp;
    };

    [[nodiscard]] FileStamp StampOfFile() const;
    // Reads and parses the file without ever waiting: only a regular file is read.
    [[nodiscard]] FileContent ReadFile() const;
    // Reloads the file when it changed since it was last read; m_tree is then
    // the file's content with the unsaved changes applied.
    void Refresh();
    // Applies changes in memory and hands them to the saving thread: RESULT_OK,
    // or RESULT_FAILED when a change names what the store cannot hold.
    int Apply(const std::vector<Change>& changes);
    // Makes the changes of a finished batch ready for saving and wakes the thread.
    void Commit();
    static bool ApplyToTree(CRegistryTree& tree, const Change& change);
    [[nodiscard]] QStringList SubKeyPath() const;

    // The saving thread and what it does.
    void StartWriter();
    void StopWriter();
    void WriterLoop();
    // One save under the lock (an unreadable file is set aside first): true
    // when the changes reached the disk; otherwise reason says why.
    bool SaveOnce(const std::vector<Change>& changes, QString& reason);
    [[nodiscard]] bool SetAside(const QString& why, QString& reason) const;
    [[nodiscard]] bool WriteFileAtomically(const QByteArray& bytes, QString& reason) const;
    void ReportFailure(const QString& reason);

    // Used by the calls, on the caller's thread.
    std::recursive_mutex m_mutex;
    QString m_filePath;
    QStringList m_rootPath; // root name first; empty when no root is open
    QString m_subKeyName;   // empty when no subkey is open
    QStringList m_subKeyParts;
    CRegistryTree m_tree; // file content plus unsaved changes
    FileStamp m_stamp;    // of the file as last read
    bool m_loaded = false;
    int m_batchDepth = 0;
    std::vector<Change> m_batch; // changes of the open batch, not yet handed over
    FileStamp m_warnedStamp;     // of the unreadable file last warned about
    bool m_warned = false;
    std::unique_ptr<QObject> m_context; // where failure reports are delivered
    FailureHandler m_failureHandler;

    // Shared with the saving thread, under m_sharedMutex.
    std::mutex m_sharedMutex;
    std::condition_variable m_wake;    // the thread has something to do
    std::condition_variable m_settled; // a save attempt ended
    std::vector<Change> m_unsaved;     // handed over, not yet on disk
    bool m_setAsideWanted = false;     // the file did not read: set it aside under the lock
    bool m_stopping = false;
    std::chrono::steady_clock::time_point m_stopDeadline;
    bool m_hurry = false;        // a flush asks for an attempt now
    bool m_reloadWanted = false; // a save changed the file: the next call reads it again
    bool m_failing = false;
    uint64_t m_attemptsStarted = 0; // saves tried, counted when they take their changes
    uint64_t m_attemptsFinished = 0;
    int m_lockTimeoutMs = kDefaultLockTimeoutMs;
    std::thread m_writer;
};
