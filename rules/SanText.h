#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

// The text of one move as the rules core writes it, held in place: SAN such
// as "Qh4xe1", "exd8=Q+" or "O-O-O+", or a drop such as "N@f3+". None is
// longer than seven characters, so a game file's millions of moves need no
// string of their own.
class CSanText
{
public:
    static constexpr size_t kCapacity = 7;

    CSanText() = default;
    // Keeps the text when it fits, and is empty otherwise: no move the rules
    // core writes is longer, so a longer text is not a move.
    explicit CSanText(std::string_view text)
    {
        if (text.size() <= kCapacity)
            for (size_t i = 0; i < text.size(); ++i)
                m_Text[i] = text[i];
    }

    [[nodiscard]] std::string_view View() const { return std::string_view(m_Text); }
    operator std::string_view() const { return View(); }
    [[nodiscard]] std::string Str() const { return std::string(View()); }
    [[nodiscard]] const char* c_str() const { return m_Text; }
    [[nodiscard]] size_t size() const { return View().size(); }
    [[nodiscard]] bool empty() const { return m_Text[0] == '\0'; }
    [[nodiscard]] char back() const { return empty() ? '\0' : m_Text[size() - 1]; }

    // Adds a character when there is room; false otherwise.
    bool Append(char c)
    {
        const size_t length = size();
        if (length >= kCapacity || c == '\0')
            return false;
        m_Text[length] = c;
        return true;
    }
    // Replaces the last character (a "+" by "#", say); nothing when empty.
    void SetBack(char c)
    {
        if (!empty() && c != '\0')
            m_Text[size() - 1] = c;
    }

    friend bool operator==(const CSanText& a, const CSanText& b) { return a.View() == b.View(); }
    friend bool operator==(const CSanText& a, std::string_view b) { return a.View() == b; }
    friend bool operator==(const CSanText& a, const char* b) { return a.View() == std::string_view(b); }
    friend bool operator==(const CSanText& a, const std::string& b) { return a.View() == b; }
    friend std::ostream& operator<<(std::ostream& out, const CSanText& san) { return out << san.View(); }

private:
    char m_Text[kCapacity + 1] = {}; // always ends in '\0'
};
