#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// One typed value of the store: a 32-bit integer (a registry DWORD) or a string.
struct CRegistryValue
{
    enum class Type
    {
        Dword,
        String,
    };

    Type type = Type::Dword;
    uint32_t dword = 0;
    QString text;

    [[nodiscard]] static CRegistryValue FromDword(uint32_t value) { return {Type::Dword, value, {}}; }
    [[nodiscard]] static CRegistryValue FromString(const QString& value) { return {Type::String, 0, value}; }
    [[nodiscard]] bool operator==(const CRegistryValue& other) const
    {
        return type == other.type && (type == Type::Dword ? dword == other.dword : text == other.text);
    }
};

// The whole content of the store file in memory: a tree of keys, each with
// its values in the order they were first written. The top level holds the
// root names (HKEY_CURRENT_USER, ...). Paths are lists of key names.
// Qt Core only; no file access here (RegistryStore does that).
class CRegistryTree
{
public:
    // Key and value names are compared exactly; keys are listed in
    // alphabetical order without regard to case (as the registry enumerates them).
    struct KeyOrder
    {
        bool operator()(const QString& a, const QString& b) const;
    };
    struct Key
    {
        std::vector<std::pair<QString, CRegistryValue>> values;
        std::map<QString, Key, KeyOrder> children;
    };

    // Limits that a path or name must respect to be stored.
    static constexpr int kMaxKeyNameLength = 255;
    static constexpr int kMaxValueNameLength = 16383;
    static constexpr qsizetype kMaxFileBytes = 16 * 1024 * 1024;

    // True for a usable key name: not empty, at most kMaxKeyNameLength
    // characters, no backslash and no control character.
    [[nodiscard]] static bool IsValidKeyName(const QString& name);
    [[nodiscard]] static bool IsValidValueName(const QString& name);
    // One of HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS (exact).
    [[nodiscard]] static bool IsRootName(const QString& name);

    // The key at path, or null when some part of it does not exist.
    [[nodiscard]] const Key* FindKey(const QStringList& path) const;
    // Creates every missing key along path; false (tree unchanged) for an invalid name.
    bool CreateKey(const QStringList& path);
    // The value, or null when the key or the value does not exist.
    [[nodiscard]] const CRegistryValue* FindValue(const QStringList& path, const QString& name) const;
    // Sets a value, creating the key path; false (tree unchanged) for an invalid name.
    bool SetValue(const QStringList& path, const QString& name, const CRegistryValue& value);
    // Removes every value of the key; false when the key does not exist.
    bool DeleteValues(const QStringList& path);
    // Removes the key; refused (false) when it has subkeys or does not exist.
    bool DeleteKey(const QStringList& path);

    [[nodiscard]] bool operator==(const CRegistryTree& other) const;

    // The text form described at the top of RegistryStore.h.
    [[nodiscard]] QByteArray Serialize() const;

    struct ParseError
    {
        int line = 0; // 1-based; 0 for an error about the whole file
        QString reason;
    };
    // Parses the text form strictly; any malformed line rejects the whole
    // file. An empty file is an empty tree.
    [[nodiscard]] static std::optional<CRegistryTree> Parse(const QByteArray& bytes, ParseError* error = nullptr);

private:
    [[nodiscard]] Key* FindMutableKey(const QStringList& path);

    Key m_top;
};

bool operator==(const CRegistryTree::Key& a, const CRegistryTree::Key& b);
