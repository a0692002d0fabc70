// Reads the input as FEN; an accepted FEN must write back to a FEN that reads again to the same position.
#include "ChessPosition.h"
#include "FenText.h"
#include "Perft.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string fen(reinterpret_cast<const char*>(data), size);
    CChessPosition position;
    if (!CFenText::ReadFen(position, fen))
        return 0;
    const std::string written = CFenText::WriteFen(position);
    CChessPosition again;
    if (!CFenText::ReadFen(again, written) || CFenText::WriteFen(again) != written)
        __builtin_trap();
    if (std::memcmp(again.State().board, position.State().board, 64) != 0)
        __builtin_trap();
    (void)CPerft::Count(position, 2);
    return 0;
}
