#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Cuts an engine's output into lines. Carriage returns are dropped wherever
// they are; the unfinished last line of one read is kept for the next. A line
// longer than the limit is thrown away up to its newline, so an engine that
// floods its output without newlines cannot make the buffer grow for ever.
class CLineSplitter
{
public:
    static constexpr size_t kDefaultMaxLine = 64 * 1024;

    explicit CLineSplitter(size_t maxLine = kDefaultMaxLine) : m_MaxLine(maxLine) {}

    // Appends the bytes and calls onLine for each finished line, newline included.
    void Feed(std::string_view bytes, const std::function<void(const std::string&)>& onLine);

    [[nodiscard]] const std::string& Pending() const { return m_Pending; }

private:
    size_t m_MaxLine;
    std::string m_Pending;
    bool m_Discarding = false; // inside an over-long line, waiting for its newline
};
