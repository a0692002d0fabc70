#include "GameMessageCheck.h"

#include "ChessTypes.h"
#include "NetMessage.h"
#include "NetProtocol.h"

#include <QString>

namespace
{
// Largest values the settings fields may carry: the hours of the Settings
// dialog, and a bonus of an hour.
constexpr std::int32_t kMaxHours = 99;
constexpr std::int32_t kMaxBonusSeconds = 3600;
// Seats of a bughouse table, and the longest name a seat list may hold (a
// nickname with every "&" doubled).
constexpr std::int32_t kMaxSeats = 4;
constexpr int kMaxSeatNameLength = 2 * NET_MAX_NICKNAME;

// Reads the elements of one message in order, each checked as it is taken.
class CFields
{
public:
    explicit CFields(const CNetMessage& message) : m_message(message) {}

    bool Int(std::int32_t low, std::int32_t high)
    {
        std::int32_t value = 0;
        return m_message.GetIntAt(m_next++, value) && value >= low && value <= high;
    }
    bool Flag() { return Int(0, 1); }
    bool Square() { return Int(0, 7) && Int(0, 7); }
    bool Time() { return Int(0, INT32_MAX); }
    bool String(int maxCharacters = -1)
    {
        std::string text;
        if (!m_message.GetStringAt(m_next++, text))
            return false;
        return maxCharacters < 0 ||
               QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).size() <= maxCharacters;
    }
    bool Long(std::int32_t low, std::int32_t high, std::int32_t& value)
    {
        return m_message.GetLongAt(m_next++, value) && value >= low && value <= high;
    }
    // The seven settings values of MSG_SETTINGS and the bughouse MSG_JOIN_ACCEPTED.
    bool Settings()
    {
        return Int(0, kMaxHours) && Int(0, 59) && Int(0, 59) && Int(0, kMaxBonusSeconds) && Flag() && Flag() && Flag();
    }
    // White flag, seat flag, number of players and their names, to the end.
    bool Seats()
    {
        std::int32_t count = 0;
        if (!Flag() || !Flag() || !m_message.GetIntAt(m_next++, count) || count < 1 || count > kMaxSeats ||
            m_message.GetElementCount() != m_next + count)
            return false;
        for (int i = 0; i < count; ++i)
        {
            if (!String(kMaxSeatNameLength))
                return false;
        }
        return true;
    }
    // True when every element has been taken.
    [[nodiscard]] bool AtEnd() const { return m_next == m_message.GetElementCount(); }

private:
    const CNetMessage& m_message;
    int m_next = 0;
};

bool IsChessMessageWellFormed(const CNetMessage& message)
{
    CFields fields(message);
    switch (message.GetId())
    {
    case MSG_JOIN_ACCEPTED:
        return fields.String() && fields.Flag() && fields.Int(0, kMaxHours) && fields.Int(0, 59) && fields.Int(0, 59) &&
               fields.Int(0, kMaxBonusSeconds) && fields.Flag() && fields.Flag() && fields.Flag();
    case MSG_CHAT: return fields.String();
    case MSG_GAME_STARTED:
    {
        std::int32_t count = 0;
        if (!fields.Long(0, CGameMessageCheck::kMaxStartMoves, count) || message.GetElementCount() < count + 1)
            return false;
        for (int i = 0; i < count; ++i)
        {
            if (!fields.String())
                return false;
        }
        return true;
    }
    case MSG_MOVE:
        return fields.Square() && fields.Square() && fields.Int(PIECE_PAWN, PIECE_QUEEN) && fields.Time() &&
               fields.Flag();
    case MSG_SETTINGS: return fields.Settings();
    case MSG_PLAYER_LEFT: return fields.AtEnd() || (fields.String() && fields.AtEnd());
    case MSG_DRAW_ACCEPTED:
    case MSG_GAME_ABORTED:
    case MSG_TAKEBACK_REQUEST:
    case MSG_TAKEBACK_ACCEPTED:
    case MSG_RESIGN:
    case MSG_SWITCH_COLORS:
    case MSG_TIME_CALL:
    case MSG_TIME_EXPIRED:
    case MSG_FLAG_FELL: return fields.AtEnd();
    default: return false;
    }
}

bool IsBughouseMoveWellFormed(const CNetMessage& message)
{
    CFields fields(message);
    if (message.GetElementCount() != 12 || !fields.Int(0, kMaxSeats - 1) || !fields.Flag() || !fields.Square() ||
        !fields.Square() || !fields.Int(PIECE_PAWN, PIECE_QUEEN))
        return false;
    std::int32_t captured = 0;
    std::int32_t piece = 0;
    std::int32_t colour = 0;
    if (!message.GetIntAt(7, captured) || (captured != 0 && captured != 1) || !message.GetIntAt(8, piece) ||
        !message.GetIntAt(9, colour))
        return false;
    // A king is never passed on; a promoted piece travels with its bit.
    if (captured == 1 && (!((piece >= PIECE_PAWN && piece <= PIECE_QUEEN) || IsPromotedNibble(piece)) ||
                          (colour != COLOUR_WHITE && colour != COLOUR_BLACK)))
        return false;
    std::int32_t from[2] = {};
    std::int32_t to[2] = {};
    (void)message.GetIntAt(2, from[0]);
    (void)message.GetIntAt(3, from[1]);
    (void)message.GetIntAt(4, to[0]);
    (void)message.GetIntAt(5, to[1]);
    if (from[0] == to[0] && from[1] == to[1])
        return false;
    std::int32_t time = 0;
    std::int32_t offer = 0;
    return message.GetIntAt(10, time) && time >= 0 && message.GetIntAt(11, offer) && (offer == 0 || offer == 1);
}

bool IsBughouseMessageWellFormed(const CNetMessage& message)
{
    CFields fields(message);
    const int count = message.GetElementCount();
    switch (message.GetId())
    {
    case MSG_JOIN_ACCEPTED: return fields.Settings() && fields.Seats();
    case MSG_CHAT: return count == 2 && fields.String() && fields.String();
    case MSG_PLAYER_JOINED: return fields.String(kMaxSeatNameLength) && fields.Seats();
    case MSG_MOVE: return IsBughouseMoveWellFormed(message);
    case MSG_DROP:
        return count == 7 && fields.Int(0, kMaxSeats - 1) && fields.Flag() && fields.Square() &&
               fields.Int(PIECE_PAWN, PIECE_QUEEN) && fields.Time() && fields.Flag();
    case MSG_SEATS_CHANGED: return fields.Seats();
    case MSG_RESIGN:
    case MSG_TIME_CALL:
    case MSG_TIME_EXPIRED: return count == 1 && fields.Int(0, kMaxSeats - 1);
    case MSG_SETTINGS: return count == 7 && fields.Settings();
    case MSG_PLAYER_LEFT: return count == 0 || (count == 1 && fields.String());
    case MSG_DRAW_ACCEPTED:
    case MSG_GAME_ABORTED:
    case MSG_GAME_STARTED:
    case MSG_SWITCH_COLORS:
    case MSG_FLAG_FELL: return count == 0;
    default: return false;
    }
}

// Index of the chat text in a MSG_CHAT of that mode.
int ChatTextIndex(int mode)
{
    return mode == GAME_MODE_DOUBLE ? 1 : 0;
}

const char kCutMark[] = "\u2026";
} // namespace

bool CGameMessageCheck::IsKnownId(int mode, std::int32_t id)
{
    switch (id)
    {
    case MSG_JOIN_ACCEPTED:
    case MSG_CHAT:
    case MSG_DRAW_ACCEPTED:
    case MSG_GAME_ABORTED:
    case MSG_GAME_STARTED:
    case MSG_MOVE:
    case MSG_RESIGN:
    case MSG_SETTINGS:
    case MSG_SWITCH_COLORS:
    case MSG_TIME_CALL:
    case MSG_TIME_EXPIRED:
    case MSG_FLAG_FELL:
    case MSG_PLAYER_LEFT: return true;
    case MSG_TAKEBACK_REQUEST:
    case MSG_TAKEBACK_ACCEPTED: return mode == GAME_MODE_SINGLE;
    case MSG_PLAYER_JOINED:
    case MSG_DROP:
    case MSG_SEATS_CHANGED: return mode == GAME_MODE_DOUBLE;
    default: return false;
    }
}

bool CGameMessageCheck::IsWellFormed(int mode, const CNetMessage& message)
{
    if (!IsKnownId(mode, message.GetId()))
        return false;
    return mode == GAME_MODE_DOUBLE ? IsBughouseMessageWellFormed(message) : IsChessMessageWellFormed(message);
}

bool CGameMessageCheck::CutChat(int mode, CNetMessage& message)
{
    std::string text;
    const int index = ChatTextIndex(mode);
    if (message.GetId() != MSG_CHAT || !message.GetStringAt(index, text))
        return false;
    std::string cut = CutText(text, kMaxChatLength);
    if (cut.size() == text.size())
        return false;
    message.SetStringAt(index, cut);
    return true;
}

std::string CGameMessageCheck::CutText(const std::string& text, int maxCharacters)
{
    if (maxCharacters < 1 || static_cast<int>(text.size()) <= maxCharacters)
        return text; // never more characters than bytes
    // Walk the code points: a lead byte starts one, continuation bytes do not.
    int characters = 0;
    std::size_t keep = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters == maxCharacters - 1)
            keep = i;
        if (++characters > maxCharacters)
            return text.substr(0, keep) + kCutMark;
    }
    return text;
}
