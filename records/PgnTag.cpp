#include "PgnTag.h"

#include <algorithm>
#include <cctype>
#include <utility>

bool CPgnTag::SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool CPgnTag::IsName(std::string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

const CPgnTag* CPgnTag::Find(const std::vector<CPgnTag>& tags, std::string_view name)
{
    for (const CPgnTag& tag : tags)
        if (tag.name == name)
            return &tag;
    for (const CPgnTag& tag : tags)
        if (SameName(tag.name, name))
            return &tag;
    return nullptr;
}

void CPgnTag::Set(std::vector<CPgnTag>& tags, std::string_view name, std::string_view value)
{
    if (const CPgnTag* tag = Find(tags, name))
    {
        tags[static_cast<size_t>(tag - tags.data())].value = value;
        return;
    }
    tags.push_back({std::string(name), std::string(value)});
}

bool CPgnTag::StoreRead(std::vector<CPgnTag>& tags, std::string_view name, std::string value, size_t most)
{
    for (CPgnTag& tag : tags)
    {
        if (tag.name == name)
        {
            tag.value = std::move(value);
            return true;
        }
    }
    if (tags.size() >= most)
        return false;
    tags.push_back({std::string(name), std::move(value)});
    return true;
}

std::string CPgnTag::Line(std::string_view name, std::string_view value)
{
    std::string line = "[";
    line += name;
    line += " \"";
    for (char c : value)
    {
        if (c == '"' || c == '\\')
            line += '\\';
        // A tag stays on its line.
        line += (static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
    }
    return line + "\"]\n";
}
