// Reads the input as a standard PGN text. Whatever it is, the reader must
// end; every game it reads must replay to its final position, export, and
// read back to the same moves; the index must find the same games.
#include "ChessPosition.h"
#include "FenText.h"
#include "PgnExport.h"
#include "PgnReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace
{
void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const CPgnReadResult read = CPgnReader::ReadAll(text);
    const std::vector<CPgnIndexEntry> index = CPgnReader::ReadIndex(text);
    Check(index.size() == read.games.size());

    for (size_t i = 0; i < read.games.size(); ++i)
    {
        const CPgnGame& game = read.games[i];
        Check(game.number == static_cast<int>(i + 1));
        Check(!game.error || game.error->game == game.number);

        const CPgnGame again = CPgnReader::ReadIndexedGame(text, index[i]);
        Check(again.moves == game.moves && again.finalFen == game.finalFen && again.result == game.result);

        if (game.finalFen.empty())
            continue; // no start position
        CChessPosition replayed;
        Check(game.Replay(replayed));
        Check(CFenText::WriteFen(replayed) == game.finalFen);

        const std::string exported = CPgnExport::ExportGame(game);
        const CPgnReadResult back = CPgnReader::ReadAll(exported);
        Check(back.games.size() == 1);
        const CPgnGame& copy = back.games.front();
        Check(!copy.error);
        Check(copy.finalFen == game.finalFen && copy.result == game.result && copy.startFen == game.startFen);
        Check(copy.moves.size() == game.moves.size());
        for (size_t m = 0; m < game.moves.size(); ++m)
        {
            Check(copy.moves[m].san == game.moves[m].san && copy.moves[m].Notes().nags == game.moves[m].Notes().nags);
            Check(copy.moves[m].clockMs == game.moves[m].clockMs &&
                  copy.moves[m].Notes().eval == game.moves[m].Notes().eval);
        }
        Check(CPgnExport::ExportGame(copy) == exported);
    }
    return 0;
}
