#pragma once

#include "BughouseSeats.h"
#include "Coordinate.h"

#include <QString>

#include <cstdint>
#include <optional>

class CNetMessage;

// A move of MSG_MOVE in network bughouse, as sent and as received.
struct BughouseMove
{
    int seat = 0;
    int orientation = 0; // of the mover's view the move was made on (1: black at the bottom)
    CCoordinate from;
    CCoordinate to;
    int32_t promotion = 0;
    bool captured = false;
    int32_t capturedPiece = 0; // type with the promoted bit, no colour
    Colour capturedColour = COLOUR_NONE;
    int32_t remainingMs = 0;
    bool drawOffer = false;
};

// A drop of MSG_DROP.
struct BughouseDrop
{
    int seat = 0;
    int orientation = 0;
    CCoordinate square;
    PieceType piece = PIECE_PAWN;
    int32_t remainingMs = 0;
    bool drawOffer = false;
};

// The seven settings values of MSG_SETTINGS and MSG_JOIN_ACCEPTED.
struct BughouseSettingsValues
{
    int32_t hours = 0;
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t bonusSeconds = 0;
    bool winOnOpponentTimeZero = false;
    bool kingCanBeCaptured = false;

    [[nodiscard]] int64_t GameTimeMs() const { return ((hours * 60LL + minutes) * 60LL + seconds) * 1000LL; }
};

// Reading and writing the bughouse game messages. Everything a peer sends is
// checked before use: a reader refuses (nothing) a message with missing or
// mistyped fields, a seat that is not taken or is the reader's own, a square
// off the board, a piece, colour or flag out of range, or a time out of range.
class CBughouseProtocol
{
public:
    // Longest game time the settings accept: 99 hours 59 minutes 59 seconds.
    static constexpr int64_t kMaxGameTimeMs = ((99LL * 60 + 59) * 60 + 59) * 1000;

    [[nodiscard]] static CNetMessage MakeMove(const BughouseMove& move);
    [[nodiscard]] static CNetMessage MakeDrop(const BughouseDrop& drop);
    [[nodiscard]] static CNetMessage MakeSeatMessage(int id, int seat); // resign, time call, time expired
    [[nodiscard]] static CNetMessage MakeSettings(const BughouseSettingsValues& settings);
    [[nodiscard]] static CNetMessage MakeSeatsChanged(const CBughouseSeats& seats);
    [[nodiscard]] static CNetMessage MakeChat(const QString& nickname, const QString& text);
    static void AddSettings(CNetMessage& message, const BughouseSettingsValues& settings);
    static void AddSeats(CNetMessage& message, const CBughouseSeats& seats);

    // maxMs is the longest remaining time a clock may show (the game time).
    [[nodiscard]] static std::optional<BughouseMove> ReadMove(const CNetMessage& message, const CBughouseSeats& seats,
                                                              int localSeat, int64_t maxMs);
    [[nodiscard]] static std::optional<BughouseDrop> ReadDrop(const CNetMessage& message, const CBughouseSeats& seats,
                                                              int localSeat, int64_t maxMs);
    [[nodiscard]] static std::optional<int> ReadSeat(const CNetMessage& message, const CBughouseSeats& seats,
                                                     int localSeat);
    [[nodiscard]] static std::optional<BughouseSettingsValues> ReadSettings(const CNetMessage& message, int first);
    // The seats of MSG_JOIN_ACCEPTED (first 7), MSG_PLAYER_JOINED (1) or
    // MSG_SEATS_CHANGED (0): white flag, seat flag, count, names. Each entry
    // is white with flag 0, then seat 0 takes the colour and the flag.
    [[nodiscard]] static std::optional<CBughouseSeats> ReadSeats(const CNetMessage& message, int first);
    // Sender nickname and text of MSG_CHAT.
    [[nodiscard]] static std::optional<std::pair<QString, QString>> ReadChat(const CNetMessage& message);

    [[nodiscard]] static std::string ToWire(const QString& text);
    [[nodiscard]] static QString FromWire(const std::string& text);
};
