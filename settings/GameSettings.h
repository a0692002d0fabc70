#pragma once

#include "ClockTime.h"

#include <QString>

#include <cstdint>

class RegistryStore;

// The settings record: time control, rule options, display options and the
// The settings record: time control, rule options, display options and the
// players of the local game. The application object holds the one the program
// uses: it loads it from the store's "Settings" subkey at start and hands it to
// whatever reads or changes it. Each change is saved there when it is made, and
// only the values this program changed are written, so another copy of the
// program sharing the file keeps its own changes.
class GameSettings
{
public:
    // Key below the product key that holds the record.
    static constexpr const char* kSubKey = "Settings";

    // A record holding the defaults; touches no store.
    GameSettings();
    virtual ~GameSettings();

    // Ranges of the Settings dialog; a value read from the store outside them
    // is held to them, and a game time under a minute is the default's.
    static constexpr int32_t kMaxHours = 99;
    static constexpr int32_t kMaxMinutes = 59;
    static constexpr int32_t kMaxSeconds = 59;
    static constexpr int32_t kMaxBonusSeconds = 99;
    static constexpr int kMaxPlayerNameLength = 255;

    // The thinking time of an engine's move when the game has no time limit.
    static constexpr int32_t kDefaultSecondsPerMoveNoLimit = 5;

    // Reads the values in order, each with its default (a missing
    // value is written with it). Opens the product key first when the store
    // has no root open.
    void Load(RegistryStore& store);
    // Writes the values in the same order.
    void Save(RegistryStore& store) const;
    // From now on each change made through a setter is written to store
    // (null: none). The store must outlive the record or be detached first.
    void SaveChangesTo(RegistryStore* store) { m_store = store; }

    // "Game settings: 5 min 0 sec, ..." as the network games print it.
    [[nodiscard]] QString SummaryText() const;

    [[nodiscard]] bool IsTimeInfinite() const { return m_isTimeInfinite; }
    void SetIsTimeInfinite(bool value) { ChangeFlag(m_isTimeInfinite, value, "IsTimeInfinite"); }

    [[nodiscard]] ClockTime GetGameTime() const { return m_gameTime; }
    [[nodiscard]] int32_t GetNbHours() const { return m_gameTime.Hours(); }
    [[nodiscard]] int32_t GetNbMinutes() const { return m_gameTime.Minutes(); }
    [[nodiscard]] int32_t GetNbSeconds() const { return m_gameTime.Seconds(); }
    void SetGameTime(int64_t hours, int64_t minutes, int64_t seconds);
    void SetGameTime(const ClockTime& time);

    [[nodiscard]] int32_t GetNbSecondsBonus() const { return m_nbSecondsBonus; }
    void SetNbSecondsBonus(int32_t seconds);

    [[nodiscard]] bool IsKingCanBeCaptured() const { return m_isKingCanBeCaptured; }
    void SetIsKingCanBeCaptured(bool value) { ChangeFlag(m_isKingCanBeCaptured, value, "IsKingCanBeCaptured"); }

    // True: a player whose clock reaches zero loses at once. False: the Time
    // Call rule, the opponent must claim the expired clock.
    [[nodiscard]] bool IsWinOnOpponentTimeZero() const { return m_isWinOnOpponentTimeZero; }
    void SetIsWinOnOpponentTimeZero(bool value)
    {
        ChangeFlag(m_isWinOnOpponentTimeZero, value, "IsWinOnOpponentTimeZero");
    }

    [[nodiscard]] bool IsCurrentMoveHighlighted() const { return m_isCurrentMoveHighlighted; }
    void SetIsCurrentMoveHighlighted(bool value)
    {
        ChangeFlag(m_isCurrentMoveHighlighted, value, "IsCurrentMoveHighlighted");
    }

    [[nodiscard]] bool GetPlaySoundOnOpponentMove() const { return m_playSoundOnOpponentMove; }
    void SetPlaySoundOnOpponentMove(bool value)
    {
        ChangeFlag(m_playSoundOnOpponentMove, value, "PlaySoundOnOpponentMove");
    }

    // Local chess: "Human" or the display name of the engine playing that colour.
    [[nodiscard]] const QString& GetWhiteEngine() const { return m_whiteEngine; }
    void SetWhiteEngine(const QString& name) { ChangeString(m_whiteEngine, name, "WhiteEngine"); }
    [[nodiscard]] const QString& GetBlackEngine() const { return m_blackEngine; }
    void SetBlackEngine(const QString& name) { ChangeString(m_blackEngine, name, "BlackEngine"); }

    // Local chess with engines: the thinking time of each engine move when
    // the game has no time limit (seconds, at least 1), and whether engines
    // think on their opponent's time.
    [[nodiscard]] int32_t GetNbSecondsPerMoveNoLimit() const { return m_nbSecondsPerMoveNoLimit; }
    void SetNbSecondsPerMoveNoLimit(int32_t seconds);
    [[nodiscard]] bool IsEnginePondering() const { return m_isEnginePondering; }
    void SetIsEnginePondering(bool value) { ChangeFlag(m_isEnginePondering, value, "IsEnginePondering"); }
    // Whether the local game shows its engines' thinking.
    [[nodiscard]] bool IsThinkingShown() const { return m_isThinkingShown; }
    void SetIsThinkingShown(bool value) { ChangeFlag(m_isThinkingShown, value, "IsThinkingShown"); }

    // The zoom of the whole program in percent, one of kZoomSteps; it takes
    // effect when the program starts.
    static constexpr int32_t kZoomSteps[] = {100, 125, 150, 175, 200, 250, 300};
    [[nodiscard]] int32_t GetZoomPercent() const { return m_zoomPercent; }
    // A value between the steps becomes the nearest step, one outside them the end step.
    void SetZoomPercent(int32_t percent);
    [[nodiscard]] static int32_t ClampZoom(int64_t percent);
    // The zoom stored in a settings file, read without a store and before the
    // program's objects exist (100 when the file, its key or the value is
    // missing or unreadable).
    [[nodiscard]] static int32_t ReadZoomPercent(const QString& filePath);

    // Local chess: the names shown in the bottom and top panels.
    [[nodiscard]] const QString& GetBottomPlayerName() const { return m_bottomPlayerName; }
    void SetBottomPlayerName(const QString& name) { ChangeString(m_bottomPlayerName, name, "BottomPlayerName"); }
    [[nodiscard]] const QString& GetTopPlayerName() const { return m_topPlayerName; }
    void SetTopPlayerName(const QString& name) { ChangeString(m_topPlayerName, name, "TopPlayerName"); }

private:
    // Set the field and, when it changed and a store is attached, save it.
    void ChangeFlag(bool& field, bool value, const char* name);
    void ChangeString(QString& field, const QString& value, const char* name);
    class KeyScope;

    RegistryStore* m_store = nullptr;
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
    bool m_isThinkingShown = true;
    int32_t m_zoomPercent = 100;
};
