#pragma once

#include "NetByteBlock.h"

#include <cstdint>
#include <string>

// Element tags as they travel on the wire (one byte each).
inline constexpr std::int32_t ELEM_INT = 5;
inline constexpr std::int32_t ELEM_LONG = 7;
inline constexpr std::int32_t ELEM_STRING = 10;
inline constexpr std::int32_t ELEM_BYTES = 11;

// One typed value of a CNetMessage. Tags other than the four above are
// carried as an opaque number, so a message from a newer peer still parses.
class CNetElement
{
public:
    // A default element is an empty string, which is what a growing message fills in.
    CNetElement() = default;

    static CNetElement MakeInt(std::int32_t value) { return MakeNumber(ELEM_INT, value); }
    static CNetElement MakeLong(std::int32_t value) { return MakeNumber(ELEM_LONG, value); }
    static CNetElement MakeNumber(std::int32_t tag, std::int32_t value);
    static CNetElement MakeString(std::string text);
    static CNetElement MakeBytes(CNetByteBlock block);

    [[nodiscard]] std::int32_t GetTag() const { return m_tag; }
    [[nodiscard]] std::int32_t GetNumber() const { return m_number; }
    [[nodiscard]] const std::string& GetString() const { return m_string; }
    [[nodiscard]] const CNetByteBlock& GetBytes() const { return m_bytes; }

    bool operator==(const CNetElement& other) const = default;

private:
    std::int32_t m_tag = ELEM_STRING;
    std::int32_t m_number = 0;
    std::string m_string;
    CNetByteBlock m_bytes;
};
