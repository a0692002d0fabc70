#pragma once

#include "NetElement.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Control messages of the message layer; they never reach the game.
inline constexpr std::int32_t NET_SERVER_STOPPING = -1;
inline constexpr std::int32_t NET_PING_FROM_CLIENT = -2;
inline constexpr std::int32_t NET_PING_FROM_SERVER = -3;
inline constexpr std::int32_t NET_CLIENT_LEAVING = -4;
inline constexpr std::int32_t NET_DISCONNECTED = -5;

// A network message: an id and an ordered list of typed elements.
//
// Wire form: id (int32 LE), element count (int32 LE), then each element as a
// tag byte followed by its value. Messages follow each other on the stream
// with no framing, so the end of a message is only known by parsing it.
class CNetMessage
{
public:
    // A peer is a stranger: whatever a message claims is checked against these
    // bounds before anything is allocated. Real messages stay far below them.
    static constexpr std::size_t kMaxMessageBytes = 1u << 20;
    static constexpr std::int32_t kMaxElements = 4096;

    enum class ParseStatus
    {
        Complete,   // one whole message was read
        Incomplete, // the bytes so far are a valid beginning; more are needed
        Malformed,  // the bytes can never become a valid message
    };

    CNetMessage() = default;
    explicit CNetMessage(std::int32_t id) : m_id(id) {}

    void SetId(std::int32_t id) { m_id = id; }
    [[nodiscard]] std::int32_t GetId() const { return m_id; }
    [[nodiscard]] int GetElementCount() const { return static_cast<int>(m_elements.size()); }
    [[nodiscard]] const std::vector<CNetElement>& GetElements() const { return m_elements; }
    [[nodiscard]] int GetCursor() const { return m_cursor; }

    // Appending
    void AddInt(std::int32_t value);
    void AddLong(std::int32_t value);
    void AddString(const std::string& text);
    void AddBytes(const CNetByteBlock& block);

    // Replacing: a negative index does nothing; an index at or past the end
    // first grows the list with default (empty string) elements.
    void SetIntAt(int index, std::int32_t value);
    void SetStringAt(int index, const std::string& text);

    // Reading at an index: false and the out-parameter untouched when the index
    // is outside the list; otherwise the value is copied out and the result says
    // whether the element has the kind asked for.
    bool GetIntAt(int index, std::int32_t& value) const;
    bool GetLongAt(int index, std::int32_t& value) const;
    bool GetStringAt(int index, std::string& text) const;
    bool GetBytesAt(int index, CNetByteBlock& block) const;

    // Reading at the cursor: as above, and the cursor advances even on failure.
    bool GetNextInt(std::int32_t& value);
    bool GetNextLong(std::int32_t& value);
    bool GetNextString(std::string& text);

    // The element's tag, or ELEM_STRING for an index outside the list.
    [[nodiscard]] std::int32_t GetTypeAt(int index) const;

    // Appends the wire form of this message to out.
    void Write(std::string& out) const;
    [[nodiscard]] std::string ToBytes() const;

    // How far the reading of a message that arrives in pieces has come: the
    // header and the elements taken so far, and where the next element starts.
    struct ReadState
    {
        bool haveHeader = false;
        std::int32_t id = 0;
        std::uint32_t count = 0;
        std::size_t position = 0; // bytes from the start of the message
        std::vector<CNetElement> elements;
    };

    // Reads one message from the front of data. On Complete the id and elements
    // are replaced, the cursor is reset and used tells how many bytes the message
    // took. On Incomplete, needed tells how many bytes from the start must be
    // there before another attempt can get further. Otherwise the message is left
    // unchanged.
    ParseStatus Read(const void* data, std::size_t size, std::size_t& used, std::size_t& needed);
    // The same, carrying on from state: data still starts at the message's
    // first byte, but what state holds is not read again, so a message that
    // arrives in pieces costs time in proportion to its bytes. state is left
    // ready for the next message on Complete.
    ParseStatus Resume(const void* data, std::size_t size, ReadState& state, std::size_t& used, std::size_t& needed);

    bool operator==(const CNetMessage& other) const;

private:
    [[nodiscard]] const CNetElement* ElementAt(int index) const;
    CNetElement* GrowTo(int index);

    std::int32_t m_id = 0;
    std::int32_t m_cursor = 0;
    std::vector<CNetElement> m_elements;
};
