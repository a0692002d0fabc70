#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One tag pair, as written (the value without quotes or escapes), and what
// the game records of both kinds do with their lists of tags.
struct CPgnTag
{
    std::string name;
    std::string value;
    bool operator==(const CPgnTag&) const = default;

    // Tag names that differ only in case name the same tag.
    [[nodiscard]] static bool SameName(std::string_view a, std::string_view b);
    // A tag name is a symbol of letters, digits and underscores.
    [[nodiscard]] static bool IsName(std::string_view name);
    // The tag of that name: an exact match first, so that two tags differing
    // only in case stay apart, else one differing in case; null if none.
    [[nodiscard]] static const CPgnTag* Find(const std::vector<CPgnTag>& tags, std::string_view name);
    // Gives the tag Find finds the value, or adds the tag.
    static void Set(std::vector<CPgnTag>& tags, std::string_view name, std::string_view value);
    // A tag as read from a file: a repeated tag (the same name to the letter)
    // keeps the last value. False, and nothing added, when the list already
    // holds `most` tags.
    [[nodiscard]] static bool StoreRead(std::vector<CPgnTag>& tags, std::string_view name, std::string value,
                                        size_t most);
    // The export line of a tag: [Name "value"] and a new line, with quotes
    // and backslashes escaped and control characters as blanks.
    [[nodiscard]] static std::string Line(std::string_view name, std::string_view value);
};
