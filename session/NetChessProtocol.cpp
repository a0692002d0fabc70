#include "NetChessProtocol.h"

#include "ChessTypes.h"
#include "GameSettings.h"
#include "NetMessage.h"
#include "NetProtocol.h"

namespace
{
bool IsFlag(int32_t value)
{
    return value == 0 || value == 1;
}

bool InRange(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}
} // namespace

NetChessSettings NetChessSettings::Of(const GameSettings& settings)
{
    NetChessSettings values;
    values.hours = settings.GetNbHours();
    values.minutes = settings.GetNbMinutes();
    values.seconds = settings.GetNbSeconds();
    values.bonusSeconds = settings.GetNbSecondsBonus();
    values.timeInfinite = settings.IsTimeInfinite();
    values.winOnOpponentTimeZero = settings.IsWinOnOpponentTimeZero();
    values.kingCanBeCaptured = settings.IsKingCanBeCaptured();
    return values;
}

void NetChessSettings::ApplyTo(GameSettings& settings) const
{
    settings.SetGameTime(hours, minutes, seconds);
    settings.SetNbSecondsBonus(bonusSeconds);
    settings.SetIsTimeInfinite(timeInfinite);
    settings.SetIsWinOnOpponentTimeZero(winOnOpponentTimeZero);
    settings.SetIsKingCanBeCaptured(kingCanBeCaptured);
}

CNetMessage CNetChessProtocol::MakeMove(const NetChessMove& move)
{
    CNetMessage message(MSG_MOVE);
    message.AddInt(move.move.from.y);
    message.AddInt(move.move.from.x);
    message.AddInt(move.move.to.y);
    message.AddInt(move.move.to.x);
    message.AddInt(move.promotion);
    message.AddInt(move.remainingMs);
    message.AddInt(move.drawOffer ? 1 : 0);
    return message;
}

std::optional<NetChessMove> CNetChessProtocol::ReadMove(const CNetMessage& message)
{
    int32_t fromRow = 0;
    int32_t fromColumn = 0;
    int32_t toRow = 0;
    int32_t toColumn = 0;
    int32_t promotion = 0;
    int32_t remaining = 0;
    int32_t offer = 0;
    if (!message.GetIntAt(0, fromRow) || !message.GetIntAt(1, fromColumn) || !message.GetIntAt(2, toRow) ||
        !message.GetIntAt(3, toColumn) || !message.GetIntAt(4, promotion) || !message.GetIntAt(5, remaining) ||
        !message.GetIntAt(6, offer))
        return std::nullopt;
    for (int32_t square : {fromRow, fromColumn, toRow, toColumn})
        if (!InRange(square, 0, 7))
            return std::nullopt;
    if (!InRange(promotion, 0, PIECE_QUEEN) || remaining < 0 || !IsFlag(offer))
        return std::nullopt;
    NetChessMove move;
    move.move = CMove(CCoordinate(fromRow, fromColumn), CCoordinate(toRow, toColumn));
    move.promotion = promotion;
    move.remainingMs = remaining;
    move.drawOffer = offer == 1;
    return move;
}

CNetMessage CNetChessProtocol::MakeGameStarted(const std::vector<std::string>& moves)
{
    CNetMessage message(MSG_GAME_STARTED);
    message.AddLong(static_cast<int32_t>(moves.size()));
    for (const std::string& san : moves)
        message.AddString(san);
    return message;
}

std::optional<std::vector<std::string>> CNetChessProtocol::ReadGameStarted(const CNetMessage& message)
{
    int32_t count = -1;
    if (!message.GetLongAt(0, count) || !InRange(count, 0, kMaxReceivedMoves) || message.GetElementCount() < count + 1)
        return std::nullopt;
    std::vector<std::string> moves;
    moves.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i)
    {
        std::string san;
        if (!message.GetStringAt(i, san))
            return std::nullopt;
        moves.push_back(std::move(san));
    }
    return moves;
}

CNetMessage CNetChessProtocol::MakeSettings(const NetChessSettings& settings)
{
    CNetMessage message(MSG_SETTINGS);
    message.AddInt(settings.hours);
    message.AddInt(settings.minutes);
    message.AddInt(settings.seconds);
    message.AddInt(settings.bonusSeconds);
    message.AddInt(settings.timeInfinite ? 1 : 0);
    message.AddInt(settings.winOnOpponentTimeZero ? 1 : 0);
    message.AddInt(settings.kingCanBeCaptured ? 1 : 0);
    return message;
}

std::optional<NetChessSettings> CNetChessProtocol::ReadSettings(const CNetMessage& message, int first)
{
    int32_t v[7] = {};
    for (int i = 0; i < 7; ++i)
        if (!message.GetIntAt(first + i, v[i]))
            return std::nullopt;
    if (!InRange(v[0], 0, kMaxHours) || !InRange(v[1], 0, 59) || !InRange(v[2], 0, 59) ||
        !InRange(v[3], 0, kMaxBonusSeconds) || !IsFlag(v[4]) || !IsFlag(v[5]) || !IsFlag(v[6]))
        return std::nullopt;
    NetChessSettings settings;
    settings.hours = v[0];
    settings.minutes = v[1];
    settings.seconds = v[2];
    settings.bonusSeconds = v[3];
    settings.timeInfinite = v[4] == 1;
    settings.winOnOpponentTimeZero = v[5] == 1;
    settings.kingCanBeCaptured = v[6] == 1;
    return settings;
}

std::optional<NetChessJoin> CNetChessProtocol::ReadJoinAccepted(const CNetMessage& message)
{
    std::string name;
    int32_t serverWhite = 0;
    if (!message.GetStringAt(0, name) || name.empty() || !message.GetIntAt(1, serverWhite) || !IsFlag(serverWhite))
        return std::nullopt;
    const std::optional<NetChessSettings> settings = ReadSettings(message, 2);
    if (!settings)
        return std::nullopt;
    return NetChessJoin{FromWire(name), serverWhite == 1, *settings};
}

CNetMessage CNetChessProtocol::MakeChat(const QString& text)
{
    CNetMessage message(MSG_CHAT);
    message.AddString(ToWire(text));
    return message;
}

std::optional<QString> CNetChessProtocol::ReadChat(const CNetMessage& message)
{
    std::string text;
    if (!message.GetStringAt(0, text))
        return std::nullopt;
    return FromWire(text);
}

std::string CNetChessProtocol::ToWire(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString CNetChessProtocol::FromWire(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
