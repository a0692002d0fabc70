// pellomar-pgn [--fen] FILE
// Loads a game with the program's own PGN reader and writes it back in the
// program's own layout (or, with --fen, the position after the last move).

#include "ChessPosition.h"
#include "FenText.h"
#include "PgnFile.h"
#include "ProgramTexts.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    bool fen = false;
    const char* fileName = nullptr;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--fen") == 0)
            fen = true;
        else if (!fileName)
            fileName = argv[i];
        else
            fileName = nullptr, i = argc;
    }
    if (!fileName)
    {
        std::fprintf(stderr, "usage: pellomar-pgn [--fen] FILE\n");
        return 2;
    }

    CChessPosition position;
    std::string white;
    std::string black;
    std::string result = "*";
    bool loaded = false;
    std::ifstream in(fileName, std::ios::binary);
    if (in)
        loaded = CPgnFile::ReadPgn(position, in, white, black, result);
    if (!loaded)
        std::fprintf(stderr, "%s\n", ProgramTexts::Text(ProgramTexts::IDS_PGN_LOAD_ERROR).c_str());

    if (fen)
    {
        std::printf("%s\n", CFenText::WriteFen(position).c_str());
    }
    else
    {
        const std::string text = CPgnFile::FormatPgn(position, white, black, result);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    return loaded ? 0 : 1;
}
