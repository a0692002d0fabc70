#include "RegistryTree.h"

#include <QStringDecoder>

#include <algorithm>

namespace
{
constexpr const char* kHeader = "PELLOMAR-REGISTRY 1";

bool HasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

void AppendQuoted(QString& out, const QString& text)
{
    out += '"';
    for (QChar c : text)
    {
        const char16_t u = c.unicode();
        switch (u)
        {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (u < 0x20 || u == 0x7f)
                out += QLatin1String("\\x") + QString::number(u, 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    out += '"';
}

bool IsHexDigits(const QString& text)
{
    auto isHex = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
    };
    return !text.isEmpty() && text.size() <= 8 && std::all_of(text.begin(), text.end(), isHex);
}
// Reads a quoted text starting at pos (at the opening quote); pos ends after
// the closing quote. False for a malformed text.
bool ReadQuoted(const QString& line, qsizetype& pos, QString& out)
{
    if (pos >= line.size() || line[pos] != '"')
        return false;
    ++pos;
    out.clear();
    while (pos < line.size())
    {
        const QChar c = line[pos++];
        if (c == '"')
            return true;
        if (c != '\\')
        {
            out += c;
            continue;
        }
        if (pos >= line.size())
            return false;
        const QChar e = line[pos++];
        switch (e.unicode())
        {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x':
        {
            if (pos + 2 > line.size())
                return false;
            const QString digits = line.mid(pos, 2);
            if (!IsHexDigits(digits))
                return false;
            const uint code = digits.toUInt(nullptr, 16);
            out += QChar(static_cast<char16_t>(code));
            pos += 2;
            break;
        }
        default: return false;
        }
    }
    return false;
}

} // namespace

bool CRegistryTree::KeyOrder::operator()(const QString& a, const QString& b) const
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return a < b;
}

bool operator==(const CRegistryTree::Key& a, const CRegistryTree::Key& b)
{
    return a.values == b.values && a.children == b.children;
}

bool CRegistryTree::operator==(const CRegistryTree& other) const
{
    return m_top == other.m_top;
}

bool CRegistryTree::IsValidKeyName(const QString& name)
{
    return !name.isEmpty() && name.size() <= kMaxKeyNameLength && !name.contains('\\') && !HasControlCharacter(name);
}

bool CRegistryTree::IsRootName(const QString& name)
{
    return name == "HKEY_CLASSES_ROOT" || name == "HKEY_CURRENT_USER" || name == "HKEY_LOCAL_MACHINE" ||
           name == "HKEY_USERS";
}

bool CRegistryTree::IsValidValueName(const QString& name)
{
    return name.size() <= kMaxValueNameLength;
}

const CRegistryTree::Key* CRegistryTree::FindKey(const QStringList& path) const
{
    return const_cast<CRegistryTree*>(this)->FindMutableKey(path);
}

CRegistryTree::Key* CRegistryTree::FindMutableKey(const QStringList& path)
{
    Key* key = &m_top;
    for (const QString& part : path)
    {
        auto it = key->children.find(part);
        if (it == key->children.end())
            return nullptr;
        key = &it->second;
    }
    return key;
}

bool CRegistryTree::CreateKey(const QStringList& path)
{
    if (!std::all_of(path.begin(), path.end(), IsValidKeyName))
        return false;
    Key* key = &m_top;
    for (const QString& part : path)
        key = &key->children[part];
    return true;
}

const CRegistryValue* CRegistryTree::FindValue(const QStringList& path, const QString& name) const
{
    const Key* key = FindKey(path);
    if (!key)
        return nullptr;
    for (const auto& [valueName, value] : key->values)
    {
        if (valueName == name)
            return &value;
    }
    return nullptr;
}

bool CRegistryTree::SetValue(const QStringList& path, const QString& name, const CRegistryValue& value)
{
    if (!IsValidValueName(name) || !CreateKey(path))
        return false;
    Key* key = &m_top;
    for (const QString& part : path)
        key = &key->children[part];
    for (auto& [valueName, stored] : key->values)
    {
        if (valueName == name)
        {
            stored = value;
            return true;
        }
    }
    key->values.emplace_back(name, value);
    return true;
}

bool CRegistryTree::DeleteValues(const QStringList& path)
{
    Key* found = FindMutableKey(path);
    if (!found)
        return false;
    found->values.clear();
    return true;
}

bool CRegistryTree::DeleteKey(const QStringList& path)
{
    if (path.isEmpty())
        return false;
    Key* parent = FindMutableKey(path.mid(0, path.size() - 1));
    if (!parent)
        return false;
    auto& siblings = parent->children;
    auto it = siblings.find(path.last());
    if (it == siblings.end() || !it->second.children.empty())
        return false;
    siblings.erase(it);
    return true;
}

namespace
{
void SerializeKey(QString& out, const CRegistryTree::Key& key, QStringList& path)
{
    // A key is written when it has values or no subkeys; its parents then
    // exist implicitly.
    if (!path.isEmpty() && (!key.values.empty() || key.children.empty()))
    {
        out += '\n';
        out += '[';
        out += path.join('\\');
        out += "]\n";
        for (const auto& [name, value] : key.values)
        {
            AppendQuoted(out, name);
            out += '=';
            if (value.type == CRegistryValue::Type::Dword)
                out += QLatin1String("dword:") + QString::number(value.dword, 16).rightJustified(8, '0');
            else
                AppendQuoted(out, value.text);
            out += '\n';
        }
    }
    for (const auto& [name, child] : key.children)
    {
        path.append(name);
        SerializeKey(out, child, path);
        path.removeLast();
    }
}
} // namespace

QByteArray CRegistryTree::Serialize() const
{
    QString out = QLatin1String(kHeader);
    out += '\n';
    QStringList path;
    SerializeKey(out, m_top, path);
    // Lone surrogates cannot be encoded; they become U+FFFD rather than
    // making the file unreadable.
    return out.toUtf8();
}

std::optional<CRegistryTree> CRegistryTree::Parse(const QByteArray& bytes, ParseError* error)
{
    auto fail = [error](int line, const QString& reason) -> std::optional<CRegistryTree> {
        if (error)
            *error = {line, reason};
        return std::nullopt;
    };
    if (bytes.size() > kMaxFileBytes)
        return fail(0, "the file is too large");
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return fail(0, "the file is not UTF-8 text");

    CRegistryTree tree;
    if (text.isEmpty())
        return tree;
    const QStringList lines = text.split('\n');
    std::optional<QStringList> section;
    for (qsizetype i = 0; i < lines.size(); ++i)
    {
        const int lineNumber = static_cast<int>(i + 1);
        QString line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (i == 0)
        {
            if (line != kHeader)
                return fail(lineNumber, "the first line is not the format line");
            continue;
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(';'))
            continue;
        if (trimmed.startsWith('['))
        {
            if (!trimmed.endsWith(']'))
                return fail(lineNumber, "a key line does not end with ]");
            const QStringList path = trimmed.mid(1, trimmed.size() - 2).split('\\');
            if (!IsRootName(path.first()) || !tree.CreateKey(path))
                return fail(lineNumber, "invalid key path");
            section = path;
            continue;
        }
        if (!section)
            return fail(lineNumber, "a value comes before any key");
        qsizetype pos = 0;
        QString name;
        if (!ReadQuoted(trimmed, pos, name) || pos >= trimmed.size() || trimmed[pos] != '=')
            return fail(lineNumber, "a value line does not start with a quoted name and =");
        ++pos;
        CRegistryValue value;
        if (trimmed.mid(pos).startsWith("dword:"))
        {
            const QString digits = trimmed.mid(pos + 6);
            if (!IsHexDigits(digits))
                return fail(lineNumber, "invalid dword");
            value = CRegistryValue::FromDword(digits.toUInt(nullptr, 16));
        }
        else
        {
            QString stored;
            if (!ReadQuoted(trimmed, pos, stored) || pos != trimmed.size())
                return fail(lineNumber, "invalid string value");
            value = CRegistryValue::FromString(stored);
        }
        if (!tree.SetValue(*section, name, value))
            return fail(lineNumber, "invalid value name");
    }
    return tree;
}
