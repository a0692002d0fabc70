#include "BughouseProtocol.h"

#include "NetMessage.h"
#include "NetProtocol.h"

namespace
{
bool ReadFlag(const CNetMessage& message, int index, bool& flag)
{
    int32_t value = 0;
    if (!message.GetIntAt(index, value) || (value != 0 && value != 1))
        return false;
    flag = value == 1;
    return true;
}

bool ReadRange(const CNetMessage& message, int index, int32_t low, int32_t high, int32_t& value)
{
    return message.GetIntAt(index, value) && value >= low && value <= high;
}

// The mover's seat: taken, not the reader's own, and playing a board.
bool ReadMoverSeat(const CNetMessage& message, const CBughouseSeats& seats, int localSeat, int& seat)
{
    int32_t value = -1;
    if (!message.GetIntAt(0, value) || !seats.IsSeat(value) || value == localSeat || seats.Count() < 2)
        return false;
    seat = value;
    return true;
}

bool ReadSquare(const CNetMessage& message, int index, CCoordinate& square)
{
    int32_t row = -1;
    int32_t column = -1;
    if (!ReadRange(message, index, 0, 7, row) || !ReadRange(message, index + 1, 0, 7, column))
        return false;
    square = CCoordinate(row, column);
    return true;
}

bool ReadTime(const CNetMessage& message, int index, int64_t maxMs, int32_t& time)
{
    return message.GetIntAt(index, time) && time >= 0 && time <= maxMs;
}
} // namespace

std::string CBughouseProtocol::ToWire(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString CBughouseProtocol::FromWire(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

CNetMessage CBughouseProtocol::MakeMove(const BughouseMove& move)
{
    CNetMessage message(MSG_MOVE);
    message.AddInt(move.seat);
    message.AddInt(move.orientation);
    message.AddInt(move.from.Row());
    message.AddInt(move.from.Column());
    message.AddInt(move.to.Row());
    message.AddInt(move.to.Column());
    message.AddInt(move.promotion);
    message.AddInt(move.captured ? 1 : 0);
    message.AddInt(move.capturedPiece);
    message.AddInt(move.capturedColour);
    message.AddInt(move.remainingMs);
    message.AddInt(move.drawOffer ? 1 : 0);
    return message;
}

CNetMessage CBughouseProtocol::MakeDrop(const BughouseDrop& drop)
{
    CNetMessage message(MSG_DROP);
    message.AddInt(drop.seat);
    message.AddInt(drop.orientation);
    message.AddInt(drop.square.Row());
    message.AddInt(drop.square.Column());
    message.AddInt(drop.piece);
    message.AddInt(drop.remainingMs);
    message.AddInt(drop.drawOffer ? 1 : 0);
    return message;
}

CNetMessage CBughouseProtocol::MakeSeatMessage(int id, int seat)
{
    CNetMessage message(id);
    message.AddInt(seat);
    return message;
}

void CBughouseProtocol::AddSettings(CNetMessage& message, const BughouseSettingsValues& settings)
{
    message.AddInt(settings.hours);
    message.AddInt(settings.minutes);
    message.AddInt(settings.seconds);
    message.AddInt(settings.bonusSeconds);
    message.AddInt(0); // a bughouse game always runs on time
    message.AddInt(settings.winOnOpponentTimeZero ? 1 : 0);
    message.AddInt(settings.kingCanBeCaptured ? 1 : 0);
}

CNetMessage CBughouseProtocol::MakeSettings(const BughouseSettingsValues& settings)
{
    CNetMessage message(MSG_SETTINGS);
    AddSettings(message, settings);
    return message;
}

void CBughouseProtocol::AddSeats(CNetMessage& message, const CBughouseSeats& seats)
{
    message.AddInt(seats.SeatZeroColour() == COLOUR_WHITE ? 1 : 0);
    message.AddInt(seats.SeatZeroFlag() ? 1 : 0);
    message.AddInt(seats.Count());
    for (const PlayerEntry& entry : seats.Players())
        message.AddString(ToWire(entry.name));
}

CNetMessage CBughouseProtocol::MakeSeatsChanged(const CBughouseSeats& seats)
{
    CNetMessage message(MSG_SEATS_CHANGED);
    AddSeats(message, seats);
    return message;
}

CNetMessage CBughouseProtocol::MakeChat(const QString& nickname, const QString& text)
{
    CNetMessage message(MSG_CHAT);
    message.AddString(ToWire(nickname));
    message.AddString(ToWire(text));
    return message;
}

std::optional<BughouseMove> CBughouseProtocol::ReadMove(const CNetMessage& message, const CBughouseSeats& seats,
                                                        int localSeat, int64_t maxMs)
{
    BughouseMove move;
    int32_t capturedPiece = 0;
    int32_t capturedColour = 0;
    if (message.GetId() != MSG_MOVE || message.GetElementCount() != 12 ||
        !ReadMoverSeat(message, seats, localSeat, move.seat) || !ReadRange(message, 1, 0, 1, move.orientation) ||
        !ReadSquare(message, 2, move.from) || !ReadSquare(message, 4, move.to) ||
        !ReadRange(message, 6, PIECE_PAWN, PIECE_QUEEN, move.promotion) || !ReadFlag(message, 7, move.captured) ||
        !message.GetIntAt(8, capturedPiece) || !message.GetIntAt(9, capturedColour) ||
        !ReadTime(message, 10, maxMs, move.remainingMs) || !ReadFlag(message, 11, move.drawOffer))
        return std::nullopt;
    if (move.from == move.to)
        return std::nullopt;
    if (move.captured)
    {
        // A king is never passed on; a promoted piece travels with its bit.
        const bool plain = capturedPiece >= PIECE_PAWN && capturedPiece <= PIECE_QUEEN;
        if ((!plain && !IsPromotedNibble(capturedPiece)) ||
            (capturedColour != COLOUR_WHITE && capturedColour != COLOUR_BLACK))
            return std::nullopt;
        move.capturedPiece = capturedPiece;
        move.capturedColour = capturedColour;
    }
    if (seats.ViewOfMove(localSeat, move.seat, move.orientation) < 0)
        return std::nullopt;
    return move;
}

std::optional<BughouseDrop> CBughouseProtocol::ReadDrop(const CNetMessage& message, const CBughouseSeats& seats,
                                                        int localSeat, int64_t maxMs)
{
    BughouseDrop drop;
    if (message.GetId() != MSG_DROP || message.GetElementCount() != 7 ||
        !ReadMoverSeat(message, seats, localSeat, drop.seat) || !ReadRange(message, 1, 0, 1, drop.orientation) ||
        !ReadSquare(message, 2, drop.square) || !ReadRange(message, 4, PIECE_PAWN, PIECE_QUEEN, drop.piece) ||
        !ReadTime(message, 5, maxMs, drop.remainingMs) || !ReadFlag(message, 6, drop.drawOffer))
        return std::nullopt;
    if (seats.ViewOfMove(localSeat, drop.seat, drop.orientation) < 0)
        return std::nullopt;
    return drop;
}

std::optional<int> CBughouseProtocol::ReadSeat(const CNetMessage& message, const CBughouseSeats& seats, int localSeat)
{
    int seat = -1;
    if (message.GetElementCount() != 1 || !ReadMoverSeat(message, seats, localSeat, seat))
        return std::nullopt;
    return seat;
}

std::optional<BughouseSettingsValues> CBughouseProtocol::ReadSettings(const CNetMessage& message, int first)
{
    BughouseSettingsValues values;
    bool infinite = false;
    if (!ReadRange(message, first, 0, 99, values.hours) || !ReadRange(message, first + 1, 0, 59, values.minutes) ||
        !ReadRange(message, first + 2, 0, 59, values.seconds) ||
        !ReadRange(message, first + 3, 0, 3600, values.bonusSeconds) || !ReadFlag(message, first + 4, infinite) ||
        !ReadFlag(message, first + 5, values.winOnOpponentTimeZero) ||
        !ReadFlag(message, first + 6, values.kingCanBeCaptured))
        return std::nullopt;
    // A bughouse clock always runs, so a game needs some time to play with.
    if (values.GameTimeMs() <= 0)
        return std::nullopt;
    return values;
}

std::optional<CBughouseSeats> CBughouseProtocol::ReadSeats(const CNetMessage& message, int first)
{
    bool white = false;
    bool flag = false;
    int32_t count = 0;
    if (!ReadFlag(message, first, white) || !ReadFlag(message, first + 1, flag) ||
        !ReadRange(message, first + 2, 1, CBughouseSeats::kMaxPlayers, count) ||
        message.GetElementCount() != first + 3 + count)
        return std::nullopt;
    std::vector<PlayerEntry> players;
    for (int i = 0; i < count; ++i)
    {
        std::string name;
        if (!message.GetStringAt(first + 3 + i, name))
            return std::nullopt;
        players.push_back(PlayerEntry{FromWire(name), 0, COLOUR_WHITE, 0});
        if (players.back().name.size() > 2 * NET_MAX_NICKNAME)
            return std::nullopt;
    }
    players[0].colour = white ? COLOUR_WHITE : COLOUR_BLACK;
    players[0].seat = flag ? 1 : 0;
    CBughouseSeats seats(std::move(players));
    if (!seats.IsValid())
        return std::nullopt;
    return seats;
}

std::optional<std::pair<QString, QString>> CBughouseProtocol::ReadChat(const CNetMessage& message)
{
    std::string nickname;
    std::string text;
    if (message.GetElementCount() != 2 || !message.GetStringAt(0, nickname) || !message.GetStringAt(1, text))
        return std::nullopt;
    return std::make_pair(FromWire(nickname), FromWire(text));
}
