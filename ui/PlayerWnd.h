#pragma once

#include "DrawnTexts.h"
#include "PlayerClock.h"
#include "PlayerRoster.h"

#include <QFont>
#include <QRect>
#include <QWidget>

class IClockOwner;

// A player panel: the player's name on the left and the player's clock on the
// right. A name too long for the room the clock leaves is cut short with an
// ellipsis, keeping the computer mark; it never runs under the clock. It shows
// a roster entry and a clock; the clock is its own until it is given the one
// of a game.
class CPlayerWnd : public QWidget, public IDrawnTexts
{
    Q_OBJECT

public:
    CPlayerWnd(const PlayerRoster& roster, int playerIndex, QWidget* parent);

    // Shows a clock that lives as long as the panel; null shows the panel's own again.
    void ShowClock(CPlayerClock* clock);

    // Repaints the whole panel.
    void SetPlayerIndex(int index);
    [[nodiscard]] int PlayerIndex() const { return m_PlayerIndex; }
    // A name shown instead of the roster entry's (a loaded game's player); empty for none.
    void SetShownName(const QString& name);
    [[nodiscard]] const QString& ShownName() const { return m_ShownName; }
    // Repaints only when the mark changes.
    void SetComputerMark(bool mark);
    [[nodiscard]] bool ComputerMark() const { return m_ComputerMark; }
    // The roster entry of the player index.
    [[nodiscard]] const PlayerEntry& GetPlayer() const;

    // The clock (Start, Stop, Pause, Resume, SetTime, ...).
    [[nodiscard]] CPlayerClock& Clock() { return *m_Shown; }
    [[nodiscard]] const CPlayerClock& Clock() const { return *m_Shown; }
    void SetTime(const ClockTime& time) { m_Shown->SetTime(time); }
    void SetUnlimited(bool unlimited) { m_Shown->SetUnlimited(unlimited); }
    void AddTime(int64_t milliseconds) { m_Shown->AddTime(milliseconds); }
    [[nodiscard]] ClockTime GetTime() const { return m_Shown->GetTime(); }
    void Start() { m_Shown->Start(); }
    void Stop() { m_Shown->Stop(); }
    void Pause() { m_Shown->Pause(); }
    void Resume() { m_Shown->Resume(); }

    // What the two halves show now: the whole name (a network nickname with
    // each "&" once) with its mark, and the clock.
    [[nodiscard]] QString NameText() const;
    [[nodiscard]] QString ClockText() const;
    // The name as painted: NameText, shortened to the room beside the clock.
    [[nodiscard]] QString PaintedNameText() const;
    [[nodiscard]] std::vector<DrawnText> DrawnTexts() const override;
    // White while the clock runs, orange otherwise.
    [[nodiscard]] QColor TextColour() const;
    [[nodiscard]] QRect ClockRect() const { return m_ClockRect; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Blank pixels kept between the end of the name and the clock.
    static constexpr int kNameClockGap = 8;

    void Layout();
    void Follow(CPlayerClock* clock);
    [[nodiscard]] QRect NameRect() const;
    [[nodiscard]] QRect ClockRectNow() const;

    const PlayerRoster& m_Roster;
    int m_PlayerIndex;
    QString m_ShownName;
    bool m_ComputerMark = false;
    CPlayerClock m_Clock;
    CPlayerClock* m_Shown = &m_Clock;
    QMetaObject::Connection m_AreaConnection;
    QMetaObject::Connection m_PanelConnection;
    QRect m_NameRect;
    QRect m_ClockRect;
    bool m_LayoutDone = false;
    QFont m_Font;
};
