#include "NetByteBlock.h"

CNetByteBlock::CNetByteBlock(const void* data, std::uint32_t length)
{
    Assign(data, length);
}

void CNetByteBlock::Assign(const void* data, std::uint32_t length)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (bytes == nullptr || length == 0)
        m_bytes.clear();
    else
        m_bytes.assign(bytes, bytes + length);
}
