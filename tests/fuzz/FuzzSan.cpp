// Plays SAN tokens from the input on a position reached by the first bytes.
#include "ChessPosition.h"
#include "FenText.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kStarts[] = {
        CFenText::kInitialPosition,
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    };
    if (size == 0)
        return 0;
    CChessPosition position;
    position.SetKingCaptureOption((data[0] & 0x80) != 0);
    if (!CFenText::ReadFen(position, kStarts[data[0] % 4]))
        __builtin_trap();
    std::string token;
    for (size_t i = 1; i <= size; ++i)
    {
        if (i == size || data[i] == ' ')
        {
            position.PlaySan(token);
            token.clear();
        }
        else
        {
            token += static_cast<char>(data[i]);
        }
    }
    std::string text;
    while (position.StepBack())
    {
    }
    position.GoToEnd();
    while (position.TakeBack())
    {
    }
    return 0;
}
