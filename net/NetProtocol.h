#pragma once

#include <cstdint>

// Message ids, game modes and version of the game protocol that travels over
// the message layer. Ids below 500 are game messages, which the server relays
// to the other players; ids from 500 on are about joining and never relayed.

inline constexpr std::int32_t MSG_JOIN_ACCEPTED = 0;
inline constexpr std::int32_t MSG_CHAT = 1;
inline constexpr std::int32_t MSG_DRAW_ACCEPTED = 2;
inline constexpr std::int32_t MSG_GAME_ABORTED = 3;
inline constexpr std::int32_t MSG_GAME_STARTED = 4;
inline constexpr std::int32_t MSG_PLAYER_JOINED = 5;
inline constexpr std::int32_t MSG_MOVE = 6;
inline constexpr std::int32_t MSG_DROP = 7;
inline constexpr std::int32_t MSG_TAKEBACK_REQUEST = 8;
inline constexpr std::int32_t MSG_TAKEBACK_ACCEPTED = 9;
inline constexpr std::int32_t MSG_SEATS_CHANGED = 10;
inline constexpr std::int32_t MSG_RESIGN = 11;
inline constexpr std::int32_t MSG_SETTINGS = 13;
inline constexpr std::int32_t MSG_SWITCH_COLORS = 14;
inline constexpr std::int32_t MSG_TIME_CALL = 15;
inline constexpr std::int32_t MSG_TIME_EXPIRED = 16;
inline constexpr std::int32_t MSG_FLAG_FELL = 17;
inline constexpr std::int32_t MSG_PLAYER_LEFT = 18;

inline constexpr std::int32_t MSG_JOIN_REQUEST = 500;
inline constexpr std::int32_t MSG_REFUSED_FULL = 501;
inline constexpr std::int32_t MSG_REFUSED_NICKNAME = 502;
inline constexpr std::int32_t MSG_WRONG_MODE = 503;
inline constexpr std::int32_t MSG_REFUSED_STARTED = 504;
inline constexpr std::int32_t MSG_WRONG_VERSION = 505;

// First id that belongs to joining rather than to a game.
inline constexpr std::int32_t MSG_FIRST_JOIN_ID = 500;

// Game modes as they travel in the join messages.
inline constexpr std::int32_t GAME_MODE_DOUBLE = 0; // network bughouse
inline constexpr std::int32_t GAME_MODE_SINGLE = 1; // network chess

// Protocol version, sent with every join request and compared exactly.
inline constexpr std::int32_t NET_VERSION_MAJOR = 2;
inline constexpr std::int32_t NET_VERSION_MINOR = 0;

// Longest nickname a server admits, in characters ("&&" counting as one).
inline constexpr int NET_MAX_NICKNAME = 20;
