#include "ByteArchive.h"

void CByteArchive::WriteInt32(int32_t value)
{
    const auto u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        m_Bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

bool CByteArchive::ReadInt32(int32_t& value)
{
    if (m_Bytes.size() - m_ReadPos < 4)
        return false;
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<uint32_t>(m_Bytes[m_ReadPos + i]) << (8 * i);
    m_ReadPos += 4;
    value = static_cast<int32_t>(u);
    return true;
}
