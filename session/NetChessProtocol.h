#pragma once

#include "Move.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CNetMessage;
class GameSettings;

// A move of MSG_MOVE in network chess: the move, the promotion piece, the
// mover's banked time after its bonus and whether it carries a draw offer.
struct NetChessMove
{
    CMove move;
    int32_t promotion = 0;
    int32_t remainingMs = 0;
    bool drawOffer = false;

    [[nodiscard]] bool operator==(const NetChessMove&) const = default;
};

// The time control and rule options of MSG_SETTINGS and MSG_JOIN_ACCEPTED.
struct NetChessSettings
{
    int32_t hours = 0;
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t bonusSeconds = 0;
    bool timeInfinite = false;
    bool winOnOpponentTimeZero = false;
    bool kingCanBeCaptured = false;

    [[nodiscard]] bool operator==(const NetChessSettings&) const = default;
    [[nodiscard]] static NetChessSettings Of(const GameSettings& settings);
    void ApplyTo(GameSettings& settings) const;
};

// What a client learns from MSG_JOIN_ACCEPTED.
struct NetChessJoin
{
    QString serverName;
    bool serverPlaysWhite = false;
    NetChessSettings settings;
};

// Reading and writing the network chess game messages. A reader refuses
// (nothing) a message with a missing or mistyped field, a square off the
// board, a piece, flag or time out of range, or a game too long to replay.
class CNetChessProtocol
{
public:
    // Longest game a peer may send with MSG_GAME_STARTED.
    static constexpr int kMaxReceivedMoves = 2000;
    // Ceiling for received game times: beyond any real clock, far from overflow.
    static constexpr int32_t kMaxHours = 99;
    static constexpr int32_t kMaxBonusSeconds = 3600;

    [[nodiscard]] static CNetMessage MakeMove(const NetChessMove& move);
    [[nodiscard]] static std::optional<NetChessMove> ReadMove(const CNetMessage& message);

    // The SAN texts of the moves up to the position the game continues from.
    [[nodiscard]] static CNetMessage MakeGameStarted(const std::vector<std::string>& moves);
    [[nodiscard]] static std::optional<std::vector<std::string>> ReadGameStarted(const CNetMessage& message);

    [[nodiscard]] static CNetMessage MakeSettings(const NetChessSettings& settings);
    // The seven values from element `first` on (0 in MSG_SETTINGS).
    [[nodiscard]] static std::optional<NetChessSettings> ReadSettings(const CNetMessage& message, int first = 0);
    // The server's nickname (not empty), whether it plays White, and the settings.
    [[nodiscard]] static std::optional<NetChessJoin> ReadJoinAccepted(const CNetMessage& message);

    [[nodiscard]] static CNetMessage MakeChat(const QString& text);
    [[nodiscard]] static std::optional<QString> ReadChat(const CNetMessage& message);

    [[nodiscard]] static std::string ToWire(const QString& text);
    [[nodiscard]] static QString FromWire(const std::string& text);
};
