#pragma once

#include "ChessTypes.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// One player of the current game.
struct PlayerEntry
{
    QString name;
    int32_t connectionId = 0; // message-layer user id of the peer; 0 for a local player
    Colour colour = COLOUR_WHITE;
    int32_t seat = 0; // used by the bughouse seating only

    [[nodiscard]] bool operator==(const PlayerEntry&) const = default;
};

// The players of the current game, the local nickname, and the results of the
// current stay in a network game window. One per process.
class PlayerRoster
{
public:
    // Entries beyond this index are refused: no game seats more players.
    static constexpr int kMaxEntries = 16;

    PlayerRoster() = default;
    virtual ~PlayerRoster() = default;

    [[nodiscard]] static PlayerRoster& Instance();
    static void Release();

    [[nodiscard]] int Count() const { return static_cast<int>(m_players.size()); }
    // The entry at index i; an empty entry (name "", White) for an index out of range.
    [[nodiscard]] const PlayerEntry& GetEntry(int i) const;
    // Stores the entry at index i, growing the list with empty entries when i
    // is at or past its end. Refused (false, nothing changed) for a negative
    // index or one at or past kMaxEntries.
    bool SetEntry(int i, const PlayerEntry& entry);
    // Removes the first entry of that name; false when there is none.
    bool RemoveByName(const QString& name);
    [[nodiscard]] bool Contains(const QString& name) const;
    // Connection id of the first entry of that name, -1 when there is none.
    [[nodiscard]] int32_t ConnectionIdOf(const QString& name) const;
    // Index of the entry whose name is the nickname, -1 when there is none.
    [[nodiscard]] int IndexOfNickname() const;
    // Empties the players and clears the counters; keeps the nickname.
    void Reset();

    [[nodiscard]] const QString& GetNickname() const { return m_nickname; }
    void SetNickname(const QString& nickname) { m_nickname = nickname; }

    [[nodiscard]] int32_t Victories() const { return m_victories; }
    [[nodiscard]] int32_t Defeats() const { return m_defeats; }
    [[nodiscard]] int32_t Draws() const { return m_draws; }
    void AddVictory() { ++m_victories; }
    void AddDefeat() { ++m_defeats; }
    void AddDraw() { ++m_draws; }
    // "Victories: 1, Defeats: 0, Draws: 2".
    [[nodiscard]] QString StatisticsText() const;

private:
    int32_t m_victories = 0;
    int32_t m_defeats = 0;
    int32_t m_draws = 0;
    std::vector<PlayerEntry> m_players;
    QString m_nickname;

    static std::unique_ptr<PlayerRoster> s_instance;
};
