// pellomar-pgn [--fen] [--game N] FILE
// pellomar-pgn --export [--game N] FILE
// pellomar-pgn --list FILE
// Reads a PGN file (any number of games, the standard's import format) and
// writes one game back in the program's own layout, or with --fen the
// position after its last move; --export writes the games in the standard's
// export format; --list lists the games. Exit status 1 when a game cannot be
// read to its end (what was read is still written) or the file cannot be read.
// A bughouse game file (BPGN: found by its player tags WhiteA ... BlackB or
// its board letters, or named with --bpgn) is read as such and written in
// BPGN; --fen then writes both boards with their holdings, board A first.

#include "BpgnExport.h"
#include "BpgnReader.h"
#include "ChessPosition.h"
#include "FenText.h"
#include "PgnExport.h"
#include "PgnFile.h"
#include "PgnReader.h"
#include "ProgramTexts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
enum class Mode
{
    Layout,
    Fen,
    Export,
    List,
};

int Usage()
{
    std::fprintf(stderr, "usage: pellomar-pgn [--bpgn] [--fen] [--game N] FILE\n"
                         "       pellomar-pgn [--bpgn] --export [--game N] FILE\n"
                         "       pellomar-pgn [--bpgn] --list FILE\n");
    return 2;
}

void ReportLoadError(const std::string& detail)
{
    std::fprintf(stderr, "%s\n", ProgramTexts::Text(ProgramTexts::IDS_PGN_LOAD_ERROR).c_str());
    if (!detail.empty())
        std::fprintf(stderr, "%s\n", detail.c_str());
}

void Write(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// A tag for a tab-separated list: tabs and line breaks become spaces.
std::string Cell(std::string value)
{
    for (char& c : value)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return value;
}

int List(const std::string& text)
{
    std::string fileError;
    const std::vector<CPgnIndexEntry> index = CPgnReader::ReadIndex(text, &fileError);
    for (const CPgnIndexEntry& entry : index)
    {
        CPgnGame tags;
        tags.tags = entry.tags;
        std::printf("%d\t%s\t%s\t%s\t%s\t%s\n", entry.number, Cell(tags.Tag("White")).c_str(),
                    Cell(tags.Tag("Black")).c_str(), Cell(tags.Tag("Result")).c_str(), Cell(tags.Tag("Event")).c_str(),
                    Cell(tags.Tag("Date")).c_str());
    }
    if (!fileError.empty())
    {
        ReportLoadError(fileError);
        return 1;
    }
    return 0;
}

int Export(const std::string& text, int gameNumber)
{
    CPgnReader reader(text);
    CPgnGame game;
    bool failed = false;
    bool first = true;
    bool found = false;
    while (reader.ReadGame(game))
    {
        if (gameNumber > 0 && game.number != gameNumber)
            continue;
        found = true;
        if (game.error)
        {
            ReportLoadError(game.error->Text());
            failed = true;
        }
        if (!first)
            std::fputc('\n', stdout);
        first = false;
        Write(CPgnExport::ExportGame(game));
        if (gameNumber > 0)
            break;
    }
    if (!reader.FileError().empty())
    {
        ReportLoadError(reader.FileError());
        failed = true;
    }
    if (gameNumber > 0 && !found)
    {
        ReportLoadError("the file has no game " + std::to_string(gameNumber));
        failed = true;
    }
    return failed ? 1 : 0;
}

// Bughouse games: listed, exported, or one written in BPGN or as the FENs of
// its boards after its last move.
int Bughouse(const std::string& text, Mode mode, int gameNumber)
{
    CBpgnReader reader(text);
    CBpgnGame game;
    bool failed = false;
    bool found = false;
    bool first = true;
    while (reader.ReadGame(game))
    {
        if (mode == Mode::List)
        {
            std::printf("%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", game.number, Cell(game.Tag("WhiteA")).c_str(),
                        Cell(game.Tag("BlackA")).c_str(), Cell(game.Tag("WhiteB")).c_str(),
                        Cell(game.Tag("BlackB")).c_str(), Cell(game.result).c_str(), Cell(game.Tag("Event")).c_str(),
                        Cell(game.Tag("Date")).c_str());
            continue;
        }
        const int wanted = gameNumber > 0 ? gameNumber : (mode == Mode::Export ? 0 : 1);
        if (wanted > 0 && game.number != wanted)
            continue;
        found = true;
        if (game.error)
        {
            ReportLoadError(game.error->Text());
            failed = true;
        }
        if (mode == Mode::Fen)
        {
            std::printf("%s\n%s\n", game.finalFen[0].c_str(), game.finalFen[1].c_str());
        }
        else
        {
            if (!first)
                std::fputc('\n', stdout);
            Write(CBpgnExport::ExportGame(game));
        }
        first = false;
        if (wanted > 0)
            break;
    }
    if (!reader.FileError().empty())
    {
        ReportLoadError(reader.FileError());
        failed = true;
    }
    if (mode != Mode::List && !found && (gameNumber > 0 || mode != Mode::Export))
    {
        ReportLoadError("the file has no game " + std::to_string(gameNumber > 0 ? gameNumber : 1));
        failed = true;
    }
    return failed ? 1 : 0;
}

// The chosen game in the program's own layout or as the FEN after its last move.
int One(const std::string& text, int gameNumber, bool fen)
{
    CPgnReader reader(text);
    CPgnGame game;
    bool found = false;
    while (reader.ReadGame(game))
    {
        if (game.number == gameNumber)
        {
            found = true;
            break;
        }
    }
    if (!found && gameNumber == 1 && reader.FileError().empty() && game.number == 0)
    {
        // No game at all reads as an empty game, as the program's own loader has it.
        found = true;
        game = CPgnGame{};
    }
    CChessPosition position;
    bool loaded = found && !game.error;
    if (!found)
        ReportLoadError(!reader.FileError().empty() ? reader.FileError()
                                                    : "the file has no game " + std::to_string(gameNumber));
    else if (game.error)
        ReportLoadError(game.error->Text());
    std::string why;
    if (found && !game.Replay(position, &why))
    {
        if (loaded)
            ReportLoadError(why);
        loaded = false;
    }

    if (fen)
    {
        std::printf("%s\n", CFenText::WriteFen(position).c_str());
        return loaded ? 0 : 1;
    }
    const std::string white = game.Tag("White");
    const std::string black = game.Tag("Black");
    // The result tag when there is one, as the program's own loader reads it.
    const std::string tagResult = game.Tag("Result");
    const std::string result = CPgnGame::IsResultToken(tagResult) ? tagResult : game.result;
    Write(CPgnFile::FormatPgn(position, white.empty() ? "White" : white, black.empty() ? "Black" : black, result));
    return loaded ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    Mode mode = Mode::Layout;
    int gameNumber = 0;
    bool bpgn = false;
    const char* fileName = nullptr;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--bpgn") == 0)
            bpgn = true;
        else if (std::strcmp(argv[i], "--fen") == 0 && mode == Mode::Layout)
            mode = Mode::Fen;
        else if (std::strcmp(argv[i], "--export") == 0 && mode == Mode::Layout)
            mode = Mode::Export;
        else if (std::strcmp(argv[i], "--list") == 0 && mode == Mode::Layout)
            mode = Mode::List;
        else if (std::strcmp(argv[i], "--game") == 0 && i + 1 < argc)
        {
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (!end || *end != '\0' || n < 1 || n > CPgnReader::kMaxGames)
                return Usage();
            gameNumber = static_cast<int>(n);
        }
        else if (!fileName && argv[i][0] != '-')
            fileName = argv[i];
        else
            return Usage();
    }
    if (!fileName || (mode == Mode::List && gameNumber > 0))
        return Usage();

    std::string text;
    std::string error;
    if (!CPgnReader::LoadFile(fileName, text, error))
    {
        ReportLoadError(error);
        if (mode == Mode::Fen)
            std::printf("%s\n", CFenText::kInitialPosition);
        return 1;
    }
    if (bpgn || CBpgnReader::LooksLikeBpgn(text))
        return Bughouse(text, mode, gameNumber);
    switch (mode)
    {
    case Mode::List: return List(text);
    case Mode::Export: return Export(text, gameNumber);
    case Mode::Fen: return One(text, gameNumber > 0 ? gameNumber : 1, true);
    case Mode::Layout: break;
    }
    return One(text, gameNumber > 0 ? gameNumber : 1, false);
}
