// Reads the input as a bughouse game file (BPGN). Whatever it is, the reader
// must end; every game it reads must replay onto fresh boards to its final
// positions, export, and read back to the same moves, clocks and comments,
// and its export must read back to the same text.
#include "BpgnExport.h"
#include "BpgnReader.h"
#include "BughouseBoards.h"

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
    (void)CBpgnReader::LooksLikeBpgn(text);
    const std::vector<CBpgnGame> games = CBpgnReader::ReadAll(text);
    for (size_t i = 0; i < games.size(); ++i)
    {
        const CBpgnGame& game = games[i];
        Check(game.number == static_cast<int>(i + 1));
        Check(!game.error || game.error->game == game.number);

        CBughouseBoards boards;
        Check(game.Replay(boards));
        Check(boards.Fen(0) == game.finalFen[0] && boards.Fen(1) == game.finalFen[1]);

        const std::string exported = CBpgnExport::ExportGame(game);
        const std::vector<CBpgnGame> back = CBpgnReader::ReadAll(exported);
        Check(back.size() == 1);
        const CBpgnGame& copy = back.front();
        // A set-up position is refused again on reading back (the tag is kept,
        // not dropped); anything else written must read without an error.
        const bool setUp = !game.Tag("FEN").empty() || game.Tag("SetUp") == "1";
        Check(!copy.error || setUp);
        Check(copy.moves == game.moves);
        Check(copy.result == game.result && copy.leadingComment == game.leadingComment);
        Check(copy.finalFen[0] == game.finalFen[0] && copy.finalFen[1] == game.finalFen[1]);
        Check(CBpgnExport::ExportGame(copy) == exported);
    }
    return 0;
}
