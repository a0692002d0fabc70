// Lines an engine may write, read as WinBoard and as UCI output; whatever
// they say, the parsers and the conversion of a principal variation to SAN
// must neither crash nor loop.
#include "ChessPosition.h"
#include "EngineOption.h"
#include "ThinkingText.h"
#include "UciParser.h"
#include "WinboardParser.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    static const CChessPosition start;
    size_t begin = 0;
    while (begin <= text.size())
    {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;

        const WinboardLine winboard = CWinboardParser::ParseLine(line, (line.size() & 1) != 0);
        if (winboard.kind == WinboardLine::Kind::Thinking)
            (void)CThinkingText::PvToSan(start, winboard.pv);
        for (const EngineOption& option : winboard.featureOptions)
            (void)option.ValueToSend(line);

        const UciLine uci = CUciParser::ParseLine(line);
        if (uci.kind == UciLine::Kind::Thinking)
            (void)CThinkingText::PvToSan(start, uci.pv);
        if (uci.kind == UciLine::Kind::Option)
            (void)CUciParser::SetOptionText(uci.option, uci.option.ValueToSend(line).value_or(""));
        (void)CThinkingText::PvToSan(start, line);
    }
    return 0;
}
