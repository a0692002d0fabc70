#pragma once

#include <cstdint>
#include <string>

class CNetMessage;

// The shape of each game message, checked in one place: which ids a game
// mode knows, and whether a message carries the fields its id calls for, each
// of the right kind and within the range it can take whatever the game's state
// (a square on the board, a flag 0 or 1, a seat that can exist, a time that is
// not negative). What depends on the game itself (whose seat it is, whether
// the move is legal on the board) is for the game to check.
//
// The server relays only what passes, so a peer cannot make it forward ids
// nobody understands or messages the other players would refuse anyway.
class CGameMessageCheck
{
public:
    // Longest chat text in characters; longer ones are cut to it (see CutChat).
    static constexpr int kMaxChatLength = 2000;
    // Longest list of moves a network chess game start may carry.
    static constexpr int kMaxStartMoves = 2000;

    // Whether id is a game message of that mode (GAME_MODE_SINGLE or GAME_MODE_DOUBLE).
    [[nodiscard]] static bool IsKnownId(int mode, std::int32_t id);
    // Whether the message is known in that mode and has the fields of its id.
    // Extra elements are refused where the bughouse game refuses them (its
    // messages have a fixed number of fields) and after the fields of a
    // network chess message that has none.
    [[nodiscard]] static bool IsWellFormed(int mode, const CNetMessage& message);

    // Cuts a chat message's text to kMaxChatLength characters, the last of
    // them the mark "…". True when the message was changed.
    static bool CutChat(int mode, CNetMessage& message);
    // The text cut the same way (UTF-8 in and out; a character is a Unicode
    // code point, never split).
    [[nodiscard]] static std::string CutText(const std::string& text, int maxCharacters);
};
