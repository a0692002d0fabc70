#pragma once

#include "NetMessage.h"

#include <cstddef>
#include <string>

// Collects the bytes of one connection and cuts them into whole messages.
// Parsing carries on where the last attempt stopped, and nothing is parsed
// until enough bytes are there to get further, so a message that arrives in
// pieces costs time in proportion to its bytes; a message that cannot parse
// breaks the reader for good.
class CNetMessageReader
{
public:
    enum class Result
    {
        Message,  // a whole message was taken from the buffer
        NeedMore, // the buffer holds no whole message yet
        Malformed // the buffered bytes are not a valid message
    };

    void Append(const char* data, std::size_t size);

    // Takes the next whole message; on anything but Message it is left unchanged.
    Result Next(CNetMessage& message);

    // Bytes received but not yet taken as a message.
    [[nodiscard]] std::size_t GetUnreadSize() const { return m_buffer.size() - m_start; }
    [[nodiscard]] bool HasUnread() const { return GetUnreadSize() > 0; }
    [[nodiscard]] bool IsBroken() const { return m_broken; }

    void Clear();

private:
    std::string m_buffer;
    std::size_t m_start = 0;        // first unread byte
    std::size_t m_needed = 0;       // unread bytes needed before parsing again
    CNetMessage::ReadState m_state; // of the message being read
    bool m_broken = false;
};
