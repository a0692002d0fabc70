#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What a PGN text is made of, one token at a time.
enum class PgnToken
{
    End,            // no text left
    TagOpen,        // [
    TagClose,       // ]
    String,         // "..." with its escapes still in place
    Symbol,         // move numbers, SAN, results ("*" included), tag names
    Period,         // one or more "."
    Nag,            // $n: the digits
    Annotation,     // !, ?, !!, ??, !?, ?!
    Comment,        // {...} or ; to the end of the line: the text inside
    VariationOpen,  // (
    VariationClose, // )
    Error,          // something that is no token; ErrorText() says what
};

// Splits a PGN text into tokens. Works on a view of the whole text and never
// copies it; every token is bounded in length. A "%" in the first column
// escapes its line, a byte-order mark at the start is skipped, CR LF and LF
// both end lines. After an error it goes on where reading can sensibly resume.
class CPgnTokenizer
{
public:
    static constexpr size_t kMaxSymbol = 255;
    static constexpr size_t kMaxString = 8192;
    static constexpr size_t kMaxComment = size_t{1} << 20;

    // `atLineStart` says whether the text begins a line (for "%" escapes);
    // with `drops`, "@" is part of a symbol, as in the bughouse drop "N@f3".
    explicit CPgnTokenizer(std::string_view text, bool atLineStart = true, bool drops = false);

    PgnToken Next();
    // The text of the last token (see PgnToken).
    [[nodiscard]] std::string_view Text() const { return m_Token; }
    // Where the last token starts in the text.
    [[nodiscard]] size_t Offset() const { return m_Start; }
    // Where reading goes on.
    [[nodiscard]] size_t Position() const { return m_Pos; }
    [[nodiscard]] const char* ErrorText() const { return m_Error; }
    // Reads again from an earlier place, such as the start of a token.
    void Rewind(size_t offset) { m_Pos = offset; }
    // The line (from 1) of an offset in the text. Counted on from the offset
    // asked for before, so that offsets asked for in order cost one pass.
    [[nodiscard]] int LineAt(size_t offset);
    // Skips what is left of the current line.
    void SkipLine();
    // Where the next token starts, white space and escaped lines skipped.
    [[nodiscard]] size_t PeekOffset()
    {
        SkipSpaceAndEscapes();
        return m_Pos;
    }

    // Reads the rest of a tag after its "[": the name, the value in double
    // quotes and the "]". Null with the name and the value (without its
    // escapes), or the fault.
    [[nodiscard]] const char* ReadTag(std::string_view& name, std::string& value);
    // A tag value without its escapes: \" and \\ stand for " and \.
    [[nodiscard]] static std::string Unescape(std::string_view raw);
    // A piece of the text for a message: in double quotes, cut after
    // `shown` characters, bytes that are not printable ASCII as \xNN.
    [[nodiscard]] static std::string Quote(std::string_view text, size_t shown = 32);
    // Adds comment text to what a move already has: each run of white space
    // folded into one space, trimmed, one space between the parts.
    static void AppendComment(std::string& target, std::string_view text);

private:
    // An error token; `showText` says whether its text is worth quoting.
    PgnToken Fail(const char* error, bool showText = true);
    void SkipSpaceAndEscapes();
    PgnToken ReadComment();
    PgnToken ReadString();
    [[nodiscard]] unsigned char ClassOf(char c) const { return m_Classes[static_cast<unsigned char>(c)]; }

    std::string_view m_Text;
    const unsigned char* m_Classes; // the class of each byte: other, space or symbol
    size_t m_Pos = 0;
    size_t m_Start = 0;
    std::string_view m_Token;
    const char* m_Error = "";
    bool m_AtLineStart = true;
    size_t m_LineOffset = 0; // the line of this offset is known: m_Line
    int m_Line = 1;
};
