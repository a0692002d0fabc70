#include "PgnTokenizer.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace
{
enum CharClass : unsigned char
{
    kOther = 0,
    kSpace = 1,
    kSymbol = 2,
};

constexpr std::array<unsigned char, 256> BuildClasses(bool drops)
{
    std::array<unsigned char, 256> classes{};
    if (drops)
        classes['@'] = kSymbol;
    for (unsigned char c : {' ', '\t', '\r', '\n', '\v', '\f'})
        classes[c] = kSpace;
    for (int c = 'a'; c <= 'z'; ++c)
        classes[c] = kSymbol;
    for (int c = 'A'; c <= 'Z'; ++c)
        classes[c] = kSymbol;
    for (int c = '0'; c <= '9'; ++c)
        classes[c] = kSymbol;
    for (unsigned char c : {'_', '+', '#', '=', ':', '-', '/'})
        classes[c] = kSymbol;
    return classes;
}

constexpr std::array<unsigned char, 256> kClasses = BuildClasses(false);
constexpr std::array<unsigned char, 256> kDropClasses = BuildClasses(true);
} // namespace

CPgnTokenizer::CPgnTokenizer(std::string_view text, bool atLineStart, bool drops)
    : m_Text(text), m_Classes(drops ? kDropClasses.data() : kClasses.data()), m_AtLineStart(atLineStart)
{
    if (atLineStart && text.substr(0, 3) == "\xEF\xBB\xBF")
        m_Pos = 3;
}

PgnToken CPgnTokenizer::Fail(const char* error, bool showText)
{
    m_Error = error;
    m_Token = showText ? m_Text.substr(m_Start, m_Pos - m_Start) : std::string_view();
    return PgnToken::Error;
}

void CPgnTokenizer::SkipLine()
{
    const size_t end = m_Text.find('\n', m_Pos);
    m_Pos = end == std::string_view::npos ? m_Text.size() : end + 1;
}

void CPgnTokenizer::SkipSpaceAndEscapes()
{
    const size_t size = m_Text.size();
    const char* text = m_Text.data();
    size_t pos = m_Pos;
    for (;;)
    {
        while (pos < size && ClassOf(text[pos]) == kSpace)
            ++pos;
        if (pos >= size || text[pos] != '%')
            break;
        const bool lineStart = pos == 0 ? m_AtLineStart : (text[pos - 1] == '\n' || text[pos - 1] == '\r');
        if (!lineStart)
            break;
        m_Pos = pos;
        SkipLine();
        pos = m_Pos;
    }
    m_Pos = pos;
}

PgnToken CPgnTokenizer::Next()
{
    SkipSpaceAndEscapes();
    m_Start = m_Pos;
    m_Token = {};
    const size_t size = m_Text.size();
    if (m_Pos >= size)
        return PgnToken::End;

    const char c = m_Text[m_Pos];
    if (ClassOf(c) == kSymbol)
    {
        const char* text = m_Text.data();
        size_t end = m_Pos + 1;
        while (end < size && ClassOf(text[end]) == kSymbol)
            ++end;
        m_Pos = end;
        if (end - m_Start > kMaxSymbol)
            return Fail("token too long");
        m_Token = m_Text.substr(m_Start, end - m_Start);
        return PgnToken::Symbol;
    }
    ++m_Pos;
    switch (c)
    {
    case '[': return PgnToken::TagOpen;
    case ']': return PgnToken::TagClose;
    case '(': return PgnToken::VariationOpen;
    case ')': return PgnToken::VariationClose;
    case '*': m_Token = m_Text.substr(m_Start, 1); return PgnToken::Symbol;
    case '{': return ReadComment();
    case '"': return ReadString();
    case '.':
        while (m_Pos < size && m_Text[m_Pos] == '.')
            ++m_Pos;
        return PgnToken::Period;
    case ';':
    {
        size_t end = m_Text.find('\n', m_Pos);
        if (end == std::string_view::npos)
            end = size;
        const size_t start = m_Pos;
        m_Pos = end;
        size_t stop = end;
        if (stop > start && m_Text[stop - 1] == '\r')
            --stop;
        if (stop - start > kMaxComment)
            return Fail("comment too long", false);
        m_Token = m_Text.substr(start, stop - start);
        return PgnToken::Comment;
    }
    case '$':
    {
        int value = 0;
        size_t digits = 0;
        while (m_Pos < size && m_Text[m_Pos] >= '0' && m_Text[m_Pos] <= '9')
        {
            if (++digits <= 3)
                value = value * 10 + (m_Text[m_Pos] - '0');
            ++m_Pos;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return Fail("a NAG is $ and a number from 0 to 255");
        m_Token = m_Text.substr(m_Start + 1, digits);
        return PgnToken::Nag;
    }
    case '!':
    case '?':
        while (m_Pos < size && (m_Text[m_Pos] == '!' || m_Text[m_Pos] == '?'))
            ++m_Pos;
        if (m_Pos - m_Start > 2)
            return Fail("an annotation is one of ! ? !! ?? !? ?!");
        m_Token = m_Text.substr(m_Start, m_Pos - m_Start);
        return PgnToken::Annotation;
    default: return Fail("unexpected character");
    }
}

PgnToken CPgnTokenizer::ReadComment()
{
    const size_t close = m_Text.find('}', m_Pos);
    if (close == std::string_view::npos)
    {
        // Go on at the next line that starts a tag, so that the games after
        // an unclosed comment are not lost.
        const size_t tag = m_Text.find("\n[", m_Pos);
        m_Pos = tag == std::string_view::npos ? m_Text.size() : tag + 1;
        return Fail("comment not closed", false);
    }
    const size_t start = m_Pos;
    m_Pos = close + 1;
    if (close - start > kMaxComment)
        return Fail("comment too long", false);
    m_Token = m_Text.substr(start, close - start);
    return PgnToken::Comment;
}

PgnToken CPgnTokenizer::ReadString()
{
    const size_t size = m_Text.size();
    const size_t start = m_Pos;
    while (m_Pos < size)
    {
        const char c = m_Text[m_Pos];
        if (c == '"')
        {
            m_Token = m_Text.substr(start, m_Pos - start);
            ++m_Pos;
            return PgnToken::String;
        }
        if (c == '\n' || c == '\r')
            return Fail("tag value not closed", false);
        if (m_Pos - start >= kMaxString)
        {
            SkipLine();
            return Fail("tag value too long", false);
        }
        m_Pos += (c == '\\' && m_Pos + 1 < size && m_Text[m_Pos + 1] != '\n' && m_Text[m_Pos + 1] != '\r') ? 2 : 1;
    }
    return Fail("tag value not closed", false);
}

std::string CPgnTokenizer::Unescape(std::string_view raw)
{
    std::string value;
    value.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i)
    {
        if (raw[i] == '\\' && i + 1 < raw.size() && (raw[i + 1] == '"' || raw[i + 1] == '\\'))
            ++i;
        value += raw[i];
    }
    return value;
}

int CPgnTokenizer::LineAt(size_t offset)
{
    offset = std::min(offset, m_Text.size());
    if (offset < m_LineOffset)
    {
        m_LineOffset = 0;
        m_Line = 1;
    }
    m_Line += static_cast<int>(std::count(m_Text.begin() + static_cast<std::ptrdiff_t>(m_LineOffset),
                                          m_Text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
    m_LineOffset = offset;
    return m_Line;
}

const char* CPgnTokenizer::ReadTag(std::string_view& name, std::string& value)
{
    const char* fault = nullptr;
    // The next token of the tag, or the fault: the tokenizer's own when it met one.
    auto expect = [&](PgnToken wanted, const char* otherwise) {
        const PgnToken token = Next();
        if (token != wanted)
            fault = token == PgnToken::Error ? ErrorText() : otherwise;
        return token == wanted;
    };
    if (expect(PgnToken::Symbol, "a tag starts with its name"))
    {
        name = Text();
        if (expect(PgnToken::String, "a tag value is written in double quotes"))
        {
            value = Unescape(Text());
            expect(PgnToken::TagClose, "a tag ends with \"]\"");
        }
    }
    return fault;
}

std::string CPgnTokenizer::Quote(std::string_view text, size_t shown)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (size_t i = 0; i < text.size() && i < shown; ++i)
    {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte >= 0x7F)
            out += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
        else
            out += static_cast<char>(byte);
    }
    if (text.size() > shown)
        out += "...";
    return out + '"';
}

void CPgnTokenizer::AppendComment(std::string& target, std::string_view text)
{
    bool space = !target.empty();
    for (char c : text)
    {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f')
        {
            space = !target.empty();
            continue;
        }
        if (space)
            target += ' ';
        space = false;
        target += c;
    }
}
