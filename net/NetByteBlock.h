#pragma once

#include <cstdint>
#include <vector>

// A block of raw bytes carried by an ELEM_BYTES element. Copying copies the bytes.
class CNetByteBlock
{
public:
    CNetByteBlock() = default;
    CNetByteBlock(const void* data, std::uint32_t length);

    [[nodiscard]] const std::uint8_t* GetData() const { return m_bytes.data(); }
    [[nodiscard]] std::uint32_t GetLength() const { return static_cast<std::uint32_t>(m_bytes.size()); }
    [[nodiscard]] const std::vector<std::uint8_t>& GetBytes() const { return m_bytes; }

    void Assign(const void* data, std::uint32_t length);
    void Clear() { m_bytes.clear(); }

    bool operator==(const CNetByteBlock& other) const = default;

private:
    std::vector<std::uint8_t> m_bytes;
};
