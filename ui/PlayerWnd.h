#pragma once

#include "PlayerClock.h"
#include "PlayerRoster.h"

#include <QFont>
#include <QRect>
#include <QWidget>

class IClockOwner;

// A player panel: the player's name on the left and the player's clock on the right.
class CPlayerWnd : public QWidget
{
    Q_OBJECT

public:
    CPlayerWnd(int playerIndex, IClockOwner* owner, QWidget* parent);

    // Repaints the whole panel.
    void SetPlayerIndex(int index);
    [[nodiscard]] int PlayerIndex() const { return m_PlayerIndex; }
    // Repaints only when the mark changes.
    void SetComputerMark(bool mark);
    [[nodiscard]] bool ComputerMark() const { return m_ComputerMark; }
    // The roster entry of the player index.
    [[nodiscard]] const PlayerEntry& GetPlayer() const;

    // The clock (Start, Stop, Pause, Resume, SetTime, ...).
    [[nodiscard]] CPlayerClock& Clock() { return m_Clock; }
    [[nodiscard]] const CPlayerClock& Clock() const { return m_Clock; }
    void SetTime(const ClockTime& time) { m_Clock.SetTime(time); }
    void SetUnlimited(bool unlimited) { m_Clock.SetUnlimited(unlimited); }
    void AddTime(int64_t milliseconds) { m_Clock.AddTime(milliseconds); }
    [[nodiscard]] ClockTime GetTime() const { return m_Clock.GetTime(); }
    void Start() { m_Clock.Start(); }
    void Stop() { m_Clock.Stop(); }
    void Pause() { m_Clock.Pause(); }
    void Resume() { m_Clock.Resume(); }

    // What the two halves show now.
    [[nodiscard]] QString NameText() const;
    [[nodiscard]] QString ClockText() const;
    // White while the clock runs, orange otherwise.
    [[nodiscard]] QColor TextColour() const;
    [[nodiscard]] QRect ClockRect() const { return m_ClockRect; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();

    int m_PlayerIndex;
    bool m_ComputerMark = false;
    CPlayerClock m_Clock;
    QRect m_NameRect;
    QRect m_ClockRect;
    bool m_LayoutDone = false;
    QFont m_Font;
};
