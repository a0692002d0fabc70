#pragma once

#include <iosfwd>
#include <string>

class CChessPosition;

// Games as small PGN files: four tags, one numbered line per full move with
// the recorded SAN texts, then the result token with no line break after it.
// Lines end in CR LF. A game that began from a set-up position also has
// SetUp and FEN tags after the Result tag; its moves are numbered the same way.
class CPgnFile
{
public:
    // Longest tag value or move token the reader accepts.
    static constexpr size_t kMaxToken = 255;

    // "1-0", "0-1", "1/2-1/2" or "*", from the game window's flags and the
    // position's own status.
    [[nodiscard]] static std::string ResultToken(const CChessPosition& position, bool draw, bool blackWon,
                                                 bool whiteWon);
    // The whole file text for a game.
    [[nodiscard]] static std::string FormatPgn(const CChessPosition& position, const std::string& whiteName,
                                               const std::string& blackName, const std::string& result);
    // Writes the game; false when the file cannot be written.
    static bool SavePgn(const CChessPosition& position, const std::string& fileName, const std::string& whiteName,
                        const std::string& blackName, bool draw, bool blackWon, bool whiteWon);

    // Resets the position (or sets up the FEN tag's position) and replays the
    // game from the stream. False when a move cannot be played, the FEN is
    // refused, a token is too long or the game is longer than the record
    // allows; the moves before it stay played and recorded.
    // The result is left as the caller set it unless the file has one.
    static bool ReadPgn(CChessPosition& position, std::istream& in, std::string& whiteName, std::string& blackName,
                        std::string& result);
    // ReadPgn on a file. A file that cannot be opened is a failure and leaves
    // the position unchanged.
    static bool LoadPgn(CChessPosition& position, const std::string& fileName, std::string& whiteName,
                        std::string& blackName, std::string& result);
};
