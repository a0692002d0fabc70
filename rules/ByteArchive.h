#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// A byte buffer that values are serialised into and read back from, in
// little-endian order. Reads past the end fail and leave the value untouched.
class CByteArchive
{
public:
    CByteArchive() = default;
    explicit CByteArchive(std::vector<uint8_t> bytes) : m_Bytes(std::move(bytes)) {}

    void WriteInt32(int32_t value);
    [[nodiscard]] bool ReadInt32(int32_t& value);

    [[nodiscard]] const std::vector<uint8_t>& Bytes() const { return m_Bytes; }
    [[nodiscard]] size_t ReadPosition() const { return m_ReadPos; }

private:
    std::vector<uint8_t> m_Bytes;
    size_t m_ReadPos = 0;
};
