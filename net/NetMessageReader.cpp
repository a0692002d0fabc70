#include "NetMessageReader.h"

void CNetMessageReader::Append(const char* data, std::size_t size)
{
    if (m_broken || size == 0)
        return;
    // Drop the bytes already taken before the buffer grows again.
    if (m_start > 0 && m_start >= m_buffer.size() / 2)
    {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(data, size);
}

CNetMessageReader::Result CNetMessageReader::Next(CNetMessage& message)
{
    if (m_broken)
        return Result::Malformed;
    const std::size_t unread = GetUnreadSize();
    if (unread == 0 || unread < m_needed)
        return Result::NeedMore;
    std::size_t used = 0;
    std::size_t needed = 0;
    switch (message.Resume(m_buffer.data() + m_start, unread, m_state, used, needed))
    {
    case CNetMessage::ParseStatus::Complete:
        m_start += used;
        m_needed = 0;
        if (m_start == m_buffer.size())
        {
            m_buffer.clear();
            m_start = 0;
        }
        return Result::Message;
    case CNetMessage::ParseStatus::Incomplete: m_needed = needed; return Result::NeedMore;
    case CNetMessage::ParseStatus::Malformed: break;
    }
    m_broken = true;
    m_buffer.clear();
    m_start = 0;
    m_state = CNetMessage::ReadState();
    return Result::Malformed;
}

void CNetMessageReader::Clear()
{
    m_buffer.clear();
    m_start = 0;
    m_needed = 0;
    m_state = CNetMessage::ReadState();
    m_broken = false;
}
