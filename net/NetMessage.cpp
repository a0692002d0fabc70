#include "NetMessage.h"

#include <cstring>
#include <utility>

namespace
{
void PutU8(std::string& out, std::uint8_t value)
{
    out.push_back(static_cast<char>(value));
}

void PutU16(std::string& out, std::uint16_t value)
{
    PutU8(out, static_cast<std::uint8_t>(value & 0xFF));
    PutU8(out, static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        PutU8(out, static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void PutU64(std::string& out, std::uint64_t value)
{
    PutU32(out, static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
    PutU32(out, static_cast<std::uint32_t>(value >> 32));
}

// Appends the code point as UTF-8, the 8-bit character set of this program.
void PutUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80)
    {
        PutU8(out, static_cast<std::uint8_t>(code));
    }
    else if (code < 0x800)
    {
        PutU8(out, static_cast<std::uint8_t>(0xC0 | (code >> 6)));
        PutU8(out, static_cast<std::uint8_t>(0x80 | (code & 0x3F)));
    }
    else if (code < 0x10000)
    {
        PutU8(out, static_cast<std::uint8_t>(0xE0 | (code >> 12)));
        PutU8(out, static_cast<std::uint8_t>(0x80 | ((code >> 6) & 0x3F)));
        PutU8(out, static_cast<std::uint8_t>(0x80 | (code & 0x3F)));
    }
    else
    {
        PutU8(out, static_cast<std::uint8_t>(0xF0 | (code >> 18)));
        PutU8(out, static_cast<std::uint8_t>(0x80 | ((code >> 12) & 0x3F)));
        PutU8(out, static_cast<std::uint8_t>(0x80 | ((code >> 6) & 0x3F)));
        PutU8(out, static_cast<std::uint8_t>(0x80 | (code & 0x3F)));
    }
}

// Converts little-endian UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(const std::uint8_t* data, std::size_t characters)
{
    std::string text;
    text.reserve(characters);
    auto unit = [data](std::size_t i) { return static_cast<std::uint32_t>(data[2 * i] | (data[2 * i + 1] << 8)); };
    for (std::size_t i = 0; i < characters; ++i)
    {
        const std::uint32_t first = unit(i);
        if (first >= 0xD800 && first < 0xDC00 && i + 1 < characters)
        {
            const std::uint32_t second = unit(i + 1);
            if (second >= 0xDC00 && second < 0xE000)
            {
                PutUtf8(text, 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00));
                ++i;
                continue;
            }
        }
        PutUtf8(text, first >= 0xD800 && first < 0xE000 ? 0xFFFD : first);
    }
    return text;
}

// Reads little-endian values from the front of a byte range. A read that runs
// past the available bytes records how many bytes would be needed; one that
// would run past the message size limit marks the input malformed.
class CWireReader
{
public:
    CWireReader(const void* data, std::size_t size, std::size_t position = 0)
        : m_data(static_cast<const std::uint8_t*>(data)), m_size(size), m_pos(position)
    {
    }

    // True when count more bytes are available at the current position.
    bool Has(std::uint64_t count)
    {
        if (m_failed)
            return false;
        if (count > CNetMessage::kMaxMessageBytes - m_pos)
        {
            m_malformed = true;
            m_failed = true;
            return false;
        }
        if (m_size - m_pos < count)
        {
            m_needed = m_pos + static_cast<std::size_t>(count);
            m_failed = true;
            return false;
        }
        return true;
    }

    bool U8(std::uint8_t& value)
    {
        if (!Has(1))
            return false;
        value = m_data[m_pos++];
        return true;
    }

    bool U16(std::uint16_t& value)
    {
        if (!Has(2))
            return false;
        value = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }

    bool U32(std::uint32_t& value)
    {
        if (!Has(4))
            return false;
        value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | m_data[m_pos + i];
        m_pos += 4;
        return true;
    }

    bool U64(std::uint64_t& value)
    {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        if (!U32(low) || !U32(high))
            return false;
        value = (static_cast<std::uint64_t>(high) << 32) | low;
        return true;
    }

    // Points at count bytes and moves past them.
    bool Bytes(std::uint64_t count, const std::uint8_t*& bytes)
    {
        if (!Has(count))
            return false;
        bytes = m_data + m_pos;
        m_pos += static_cast<std::size_t>(count);
        return true;
    }

    void SetMalformed()
    {
        m_malformed = true;
        m_failed = true;
    }

    [[nodiscard]] bool IsMalformed() const { return m_malformed; }
    [[nodiscard]] std::size_t GetPosition() const { return m_pos; }
    [[nodiscard]] std::size_t GetNeeded() const { return m_needed; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos;
    std::size_t m_needed = 0;
    bool m_failed = false;
    bool m_malformed = false;
};

// Reads a string length prefix in any of its forms. wide tells whether the
// wide-string marker came first (the length then counts 16-bit characters).
bool ReadStringLength(CWireReader& reader, std::uint64_t& length, bool& wide)
{
    wide = false;
    for (;;)
    {
        std::uint8_t small = 0;
        if (!reader.U8(small))
            return false;
        if (small < 0xFF)
        {
            length = small;
            return true;
        }
        std::uint16_t medium = 0;
        if (!reader.U16(medium))
            return false;
        if (medium == 0xFFFE)
        {
            // Wide marker: the prefix starts again, and only once.
            if (wide)
            {
                reader.SetMalformed();
                return false;
            }
            wide = true;
            continue;
        }
        if (medium < 0xFFFF)
        {
            length = medium;
            return true;
        }
        std::uint32_t large = 0;
        if (!reader.U32(large))
            return false;
        if (large < 0xFFFFFFFFu)
        {
            length = large;
            return true;
        }
        std::uint64_t huge = 0;
        if (!reader.U64(huge))
            return false;
        if (huge > 0x7FFFFFFFu)
        {
            reader.SetMalformed();
            return false;
        }
        length = huge;
        return true;
    }
}

bool ReadElement(CWireReader& reader, CNetElement& element)
{
    std::uint8_t tag = 0;
    if (!reader.U8(tag))
        return false;
    if (tag == ELEM_STRING)
    {
        std::uint64_t length = 0;
        bool wide = false;
        if (!ReadStringLength(reader, length, wide))
            return false;
        const std::uint8_t* bytes = nullptr;
        if (!reader.Bytes(wide ? 2 * length : length, bytes))
            return false;
        const auto count = static_cast<std::size_t>(length);
        element = CNetElement::MakeString(wide ? WideToUtf8(bytes, count)
                                               : std::string(reinterpret_cast<const char*>(bytes), count));
        return true;
    }
    if (tag == ELEM_BYTES)
    {
        std::uint32_t length = 0;
        const std::uint8_t* bytes = nullptr;
        if (!reader.U32(length) || !reader.Bytes(length, bytes))
            return false;
        element = CNetElement::MakeBytes(CNetByteBlock(bytes, length));
        return true;
    }
    // Every other tag carries eight bytes: a 32-bit value and four ignored bytes.
    std::uint32_t value = 0;
    std::uint32_t ignored = 0;
    if (!reader.Has(8) || !reader.U32(value) || !reader.U32(ignored))
        return false;
    element = CNetElement::MakeNumber(tag, static_cast<std::int32_t>(value));
    return true;
}

void WriteStringLength(std::string& out, std::uint64_t length)
{
    if (length < 0xFF)
    {
        PutU8(out, static_cast<std::uint8_t>(length));
        return;
    }
    PutU8(out, 0xFF);
    if (length < 0xFFFE)
    {
        PutU16(out, static_cast<std::uint16_t>(length));
        return;
    }
    PutU16(out, 0xFFFF);
    if (length < 0xFFFFFFFFu)
    {
        PutU32(out, static_cast<std::uint32_t>(length));
        return;
    }
    PutU32(out, 0xFFFFFFFFu);
    PutU64(out, length);
}
} // namespace

void CNetMessage::AddInt(std::int32_t value)
{
    m_elements.push_back(CNetElement::MakeInt(value));
}

void CNetMessage::AddLong(std::int32_t value)
{
    m_elements.push_back(CNetElement::MakeLong(value));
}

void CNetMessage::AddString(const std::string& text)
{
    m_elements.push_back(CNetElement::MakeString(text));
}

void CNetMessage::AddBytes(const CNetByteBlock& block)
{
    m_elements.push_back(CNetElement::MakeBytes(block));
}

CNetElement* CNetMessage::GrowTo(int index)
{
    if (index < 0)
        return nullptr;
    if (static_cast<std::size_t>(index) >= m_elements.size())
        m_elements.resize(static_cast<std::size_t>(index) + 1);
    return &m_elements[static_cast<std::size_t>(index)];
}

void CNetMessage::SetIntAt(int index, std::int32_t value)
{
    if (CNetElement* element = GrowTo(index))
        *element = CNetElement::MakeInt(value);
}

void CNetMessage::SetStringAt(int index, const std::string& text)
{
    if (CNetElement* element = GrowTo(index))
        *element = CNetElement::MakeString(text);
}

const CNetElement* CNetMessage::ElementAt(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_elements.size())
        return nullptr;
    return &m_elements[static_cast<std::size_t>(index)];
}

bool CNetMessage::GetIntAt(int index, std::int32_t& value) const
{
    const CNetElement* element = ElementAt(index);
    if (element == nullptr)
        return false;
    value = element->GetNumber();
    return element->GetTag() == ELEM_INT;
}

bool CNetMessage::GetLongAt(int index, std::int32_t& value) const
{
    const CNetElement* element = ElementAt(index);
    if (element == nullptr)
        return false;
    value = element->GetNumber();
    return element->GetTag() == ELEM_LONG;
}

bool CNetMessage::GetStringAt(int index, std::string& text) const
{
    const CNetElement* element = ElementAt(index);
    if (element == nullptr)
        return false;
    text = element->GetString();
    return element->GetTag() == ELEM_STRING;
}

bool CNetMessage::GetBytesAt(int index, CNetByteBlock& block) const
{
    const CNetElement* element = ElementAt(index);
    if (element == nullptr)
        return false;
    block = element->GetBytes();
    return element->GetTag() == ELEM_BYTES;
}

bool CNetMessage::GetNextInt(std::int32_t& value)
{
    return GetIntAt(m_cursor++, value);
}

bool CNetMessage::GetNextLong(std::int32_t& value)
{
    return GetLongAt(m_cursor++, value);
}

bool CNetMessage::GetNextString(std::string& text)
{
    return GetStringAt(m_cursor++, text);
}

std::int32_t CNetMessage::GetTypeAt(int index) const
{
    const CNetElement* element = ElementAt(index);
    return element == nullptr ? ELEM_STRING : element->GetTag();
}

void CNetMessage::Write(std::string& out) const
{
    PutU32(out, static_cast<std::uint32_t>(m_id));
    PutU32(out, static_cast<std::uint32_t>(m_elements.size()));
    for (const CNetElement& element : m_elements)
    {
        const std::int32_t tag = element.GetTag();
        PutU8(out, static_cast<std::uint8_t>(tag));
        if (tag == ELEM_STRING)
        {
            const std::string& text = element.GetString();
            WriteStringLength(out, text.size());
            out.append(text);
        }
        else if (tag == ELEM_BYTES)
        {
            const CNetByteBlock& block = element.GetBytes();
            PutU32(out, block.GetLength());
            out.append(reinterpret_cast<const char*>(block.GetData()), block.GetLength());
        }
        else
        {
            PutU32(out, static_cast<std::uint32_t>(element.GetNumber()));
            PutU32(out, 0);
        }
    }
}

std::string CNetMessage::ToBytes() const
{
    std::string out;
    Write(out);
    return out;
}

CNetMessage::ParseStatus CNetMessage::Read(const void* data, std::size_t size, std::size_t& used, std::size_t& needed)
{
    ReadState state;
    return Resume(data, size, state, used, needed);
}

CNetMessage::ParseStatus CNetMessage::Resume(const void* data, std::size_t size, ReadState& state, std::size_t& used,
                                             std::size_t& needed)
{
    if (size < state.position)
        return ParseStatus::Malformed; // not the bytes the state was made from
    CWireReader reader(data, size, state.position);
    if (!state.haveHeader)
    {
        std::uint32_t id = 0;
        std::uint32_t count = 0;
        if (reader.U32(id) && reader.U32(count))
        {
            if (static_cast<std::int32_t>(count) < 0 || static_cast<std::int32_t>(count) > kMaxElements)
                return ParseStatus::Malformed;
            state.haveHeader = true;
            state.id = static_cast<std::int32_t>(id);
            state.count = count;
            state.position = reader.GetPosition();
        }
    }
    // Grown one element at a time: the count is only a claim until the bytes are there.
    while (state.haveHeader && state.elements.size() < state.count)
    {
        CNetElement element;
        if (!ReadElement(reader, element))
            break;
        state.elements.push_back(std::move(element));
        state.position = reader.GetPosition();
    }
    if (reader.IsMalformed())
        return ParseStatus::Malformed;
    if (!state.haveHeader || state.elements.size() < state.count)
    {
        needed = reader.GetNeeded();
        return ParseStatus::Incomplete;
    }
    m_id = state.id;
    m_elements = std::move(state.elements);
    m_cursor = 0;
    used = state.position;
    state = ReadState();
    return ParseStatus::Complete;
}

bool CNetMessage::operator==(const CNetMessage& other) const
{
    return m_id == other.m_id && m_elements == other.m_elements;
}
