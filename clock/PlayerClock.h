#pragma once

#include "ClockTime.h"
#include "TickSource.h"

#include <QObject>
#include <QTimer>

class IClockOwner;

// The chess clock of one player panel. The panel widget draws it from
// GetShownTime(), IsRunning() and IsUnlimited() and repaints on the two
// signals; the game window is told of expiry through IClockOwner.
//
// States: idle (not running), running (timer armed), paused (running, timer
// disarmed). Time is always computed from the tick source, never by counting
// timer ticks; the timer only refreshes the display and notices expiry.
class CPlayerClock : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTickPeriodMs = 500;

    explicit CPlayerClock(IClockOwner* owner = nullptr, QObject* parent = nullptr);
    ~CPlayerClock() override;

    void SetOwner(IClockOwner* owner) { m_owner = owner; }
    // A tick source for this clock only; an empty one uses CTickSource::Now().
    void SetTickSource(CTickSource::Function source);

    // banked = shown = t.
    void SetTime(const ClockTime& time);
    // The game has no time limit: no timer is armed and the clock never expires.
    void SetUnlimited(bool unlimited);
    // banked += ms; shown = banked.
    void AddTime(int64_t milliseconds);
    // The banked time: remaining time as of the last start, stop, pause or set.
    [[nodiscard]] ClockTime GetTime() const { return m_banked; }

    // Runs the clock. Limited time: arms the timer, and with no time left tells
    // the owner at once (the clock is already marked running then, so the
    // owner may stop it). Unlimited: only marks the clock running. A clock
    // already counting is first charged, so no time is lost.
    void Start();
    // Charges the time run since the start and makes the clock idle. Does
    // nothing to the time of an idle or paused clock.
    void Stop();
    // Charges the time run and disarms the timer; the clock stays running.
    void Pause();
    // Counts time again when this clock is not unlimited, whatever the
    // running flag says; with no time
    // left the owner is told at once. A clock already counting is first
    // charged, so no time is lost.
    void Resume();

    // One timer period: refreshes the shown time and reports expiry once it
    // is zero. Ignored while no time is being counted.
    void OnTick();

    [[nodiscard]] ClockTime GetShownTime() const { return m_shown; }
    [[nodiscard]] bool IsRunning() const { return m_running; }
    [[nodiscard]] bool IsUnlimited() const { return m_unlimited; }
    // True while time is being charged (started or resumed, not stopped or paused).
    [[nodiscard]] bool IsCounting() const { return m_counting; }
    [[nodiscard]] bool IsTimerArmed() const { return m_timer.isActive(); }
    // What the clock area shows: "No time limit" or the shown time's text.
    [[nodiscard]] QString Text() const;

signals:
    // The clock area needs repainting (time changed).
    void ClockAreaChanged();
    // The whole panel needs repainting (running state changed).
    void PanelChanged();

private:
    [[nodiscard]] uint32_t Now() const;
    void Arm();
    void Disarm();
    // Banks the time run since the start tick and stops counting (no-op when not counting).
    void Charge();
    void ReportExpiry();

    IClockOwner* m_owner = nullptr;
    CTickSource::Function m_tickSource;
    QTimer m_timer;
    ClockTime m_banked;
    ClockTime m_shown;
    uint32_t m_startTick = 0;
    bool m_running = false;
    bool m_unlimited = false;
    bool m_counting = false;
};
