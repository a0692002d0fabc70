#pragma once

#include "ClockTime.h"

#include <QString>

#include <cstdint>
#include <memory>

class RegistryStore;

// The settings record: time control, rule options, display options and the
// players of the local game. One per process, loaded from the store's
// "Settings" subkey on first access and saved there when released at exit.
class GameSettings
{
public:
    // Key below the product key that holds the record.
    static constexpr const char* kSubKey = "Settings";

    // A record holding the defaults; touches no store.
    GameSettings();
    virtual ~GameSettings();

    // The process-wide record, created and loaded on first call.
    [[nodiscard]] static GameSettings& Instance();
    // Saves the process-wide record (if it exists) and destroys it.
    static void Release();

    // The thinking time of an engine's move when the game has no time limit.
    static constexpr int32_t kDefaultSecondsPerMoveNoLimit = 5;

    // Reads the fifteen values in order, each with its default (a missing
    // value is written with it). Opens the product key first when the store
    // has no root open.
    void Load(RegistryStore& store);
    // Writes the fifteen values in the same order.
    void Save(RegistryStore& store) const;

    // "Game settings: 5 min 0 sec, ..." as the network games print it.
    [[nodiscard]] QString SummaryText() const;

    [[nodiscard]] bool IsTimeInfinite() const { return m_isTimeInfinite; }
    void SetIsTimeInfinite(bool value) { m_isTimeInfinite = value; }

    [[nodiscard]] ClockTime GetGameTime() const { return m_gameTime; }
    [[nodiscard]] int32_t GetNbHours() const { return m_gameTime.Hours(); }
    [[nodiscard]] int32_t GetNbMinutes() const { return m_gameTime.Minutes(); }
    [[nodiscard]] int32_t GetNbSeconds() const { return m_gameTime.Seconds(); }
    void SetGameTime(int64_t hours, int64_t minutes, int64_t seconds) { m_gameTime.Set(hours, minutes, seconds); }
    void SetGameTime(const ClockTime& time) { m_gameTime = time; }

    [[nodiscard]] int32_t GetNbSecondsBonus() const { return m_nbSecondsBonus; }
    void SetNbSecondsBonus(int32_t seconds) { m_nbSecondsBonus = seconds; }

    [[nodiscard]] bool IsKingCanBeCaptured() const { return m_isKingCanBeCaptured; }
    void SetIsKingCanBeCaptured(bool value) { m_isKingCanBeCaptured = value; }

    // True: a player whose clock reaches zero loses at once. False: the Time
    // Call rule, the opponent must claim the expired clock.
    [[nodiscard]] bool IsWinOnOpponentTimeZero() const { return m_isWinOnOpponentTimeZero; }
    void SetIsWinOnOpponentTimeZero(bool value) { m_isWinOnOpponentTimeZero = value; }

    [[nodiscard]] bool IsCurrentMoveHighlighted() const { return m_isCurrentMoveHighlighted; }
    void SetIsCurrentMoveHighlighted(bool value) { m_isCurrentMoveHighlighted = value; }

    [[nodiscard]] bool GetPlaySoundOnOpponentMove() const { return m_playSoundOnOpponentMove; }
    void SetPlaySoundOnOpponentMove(bool value) { m_playSoundOnOpponentMove = value; }

    // Local chess: "Human" or the display name of the engine playing that colour.
    [[nodiscard]] const QString& GetWhiteEngine() const { return m_whiteEngine; }
    void SetWhiteEngine(const QString& name) { m_whiteEngine = name; }
    [[nodiscard]] const QString& GetBlackEngine() const { return m_blackEngine; }
    void SetBlackEngine(const QString& name) { m_blackEngine = name; }

    // Local chess with engines: the thinking time of each engine move when
    // the game has no time limit (seconds, at least 1), and whether engines
    // think on their opponent's time.
    [[nodiscard]] int32_t GetNbSecondsPerMoveNoLimit() const { return m_nbSecondsPerMoveNoLimit; }
    void SetNbSecondsPerMoveNoLimit(int32_t seconds) { m_nbSecondsPerMoveNoLimit = seconds < 1 ? 1 : seconds; }
    [[nodiscard]] bool IsEnginePondering() const { return m_isEnginePondering; }
    void SetIsEnginePondering(bool value) { m_isEnginePondering = value; }

    // Local chess: the names shown in the bottom and top panels.
    [[nodiscard]] const QString& GetBottomPlayerName() const { return m_bottomPlayerName; }
    void SetBottomPlayerName(const QString& name) { m_bottomPlayerName = name; }
    [[nodiscard]] const QString& GetTopPlayerName() const { return m_topPlayerName; }
    void SetTopPlayerName(const QString& name) { m_topPlayerName = name; }

private:
    bool m_isTimeInfinite = false;
    ClockTime m_gameTime;
    int32_t m_nbSecondsBonus = 0;
    bool m_isKingCanBeCaptured = false;
    bool m_isWinOnOpponentTimeZero = false;
    bool m_isCurrentMoveHighlighted = true;
    bool m_playSoundOnOpponentMove = true;
    QString m_whiteEngine;
    QString m_blackEngine;
    QString m_bottomPlayerName;
    QString m_topPlayerName;
    int32_t m_nbSecondsPerMoveNoLimit = kDefaultSecondsPerMoveNoLimit;
    bool m_isEnginePondering = true;

    static std::unique_ptr<GameSettings> s_instance;
};
