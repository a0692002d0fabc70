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
// Saving: every change is written through at once (or, inside a Batch, when
// the outermost batch ends). Holding an exclusive flock on "<file>.lock"
// (which the system releases when its holder dies) the store reads the
// file again if another process changed it, applies its own changes on top,
// writes "<file>.saving", flushes it to disk and renames it over the file. A
// process killed mid-save therefore leaves the old file or the new one, and two
// processes saving at once both keep their changes. Reads notice changes made
// by other processes.

#include "RegistryTree.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <vector>

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

    // A store on the default file (see above).
    RegistryStore();
    // A store on a given file (tests, tools).
    explicit RegistryStore(QString filePath);
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;
    // Tries once more to save changes that could not be saved before.
    virtual ~RegistryStore();

    // The process-wide store, made on first use on the default file.
    [[nodiscard]] static RegistryStore& Instance();
    // Closes and destroys the process-wide store (the next Instance() makes a new one).
    static void Release();
    // The default file: from PELLOMAR_CONFIG_DIR or the XDG config folder.
    [[nodiscard]] static QString DefaultFilePath();

    [[nodiscard]] const QString& FilePath() const { return m_filePath; }

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
    // 11 other type; 3 no subkey; 0 the default could not be saved.
    int ReadString(const QString& name, QString& out, const QString& def);
    // 1 saved; 3 no subkey; 10 string too long (refused); 0 not saved (the
    // value is kept for this process and saved with the next change).
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
    // meanwhile at once: one file write instead of one per value. Nests.
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

    // Closes root and subkey and saves anything still unsaved.
    void Close();
    // Saves changes that an earlier save could not write: 1 saved or nothing
    // to save; 0 still unsaved.
    int Flush();

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

    [[nodiscard]] FileStamp StampOfFile() const;
    // Reloads the file when another process changed it; m_tree is then the
    // file's content with the unsaved changes applied.
    void Refresh(bool holdingLock);
    // Reads and parses the file; an unreadable one is set aside (only when
    // holdingLock) and yields an empty tree.
    [[nodiscard]] CRegistryTree LoadFile(bool holdingLock);
    void SetAside(const QString& reason);
    // Applies changes in memory and saves them with the ones still unsaved:
    // RESULT_OK, or RESULT_FAILED when the file could not be written (the
    // changes then stay in memory and are saved with the next change).
    int Apply(const std::vector<Change>& changes);
    // Under the file lock: rereads the file if needed and writes the tree.
    int Save();
    static bool ApplyToTree(CRegistryTree& tree, const Change& change);
    [[nodiscard]] bool WriteFileAtomically(const QByteArray& bytes);
    [[nodiscard]] QStringList SubKeyPath() const;

    std::recursive_mutex m_mutex;
    QString m_filePath;
    QStringList m_rootPath; // root name first; empty when no root is open
    QString m_subKeyName;   // empty when no subkey is open
    QStringList m_subKeyParts;
    CRegistryTree m_tree; // file content plus unsaved changes
    FileStamp m_stamp;    // of the file as last read or written
    bool m_loaded = false;
    int m_batchDepth = 0;
    bool m_unreadableFile = false; // the file did not parse and could not be set aside yet
    std::vector<Change> m_unsaved;

    static std::unique_ptr<RegistryStore> s_instance;
};
