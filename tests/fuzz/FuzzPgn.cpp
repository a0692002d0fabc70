// Reads the input as a PGN file; the reader must end, whatever it is given.
#include "ChessPosition.h"
#include "PgnFile.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CChessPosition position;
    std::string white;
    std::string black;
    std::string result = "*";
    const bool loaded = CPgnFile::ReadPgn(position, in, white, black, result);
    // Whatever was read must write back and read again to the same moves.
    const std::string text = CPgnFile::FormatPgn(position, white, black, "*");
    std::istringstream again(text);
    CChessPosition copy;
    std::string w2;
    std::string b2;
    std::string r2;
    const bool reloaded = CPgnFile::ReadPgn(copy, again, w2, b2, r2);
    if (loaded && white.find('"') == std::string::npos && black.find('"') == std::string::npos &&
        (!reloaded || copy.MoveTexts() != position.MoveTexts()))
        __builtin_trap();
    return 0;
}
