#include "PlayerClock.h"

#include "IClockOwner.h"
#include "ProgramTexts.h"

#include <utility>

CPlayerClock::CPlayerClock(IClockOwner* owner, QObject* parent) : QObject(parent), m_owner(owner)
{
    m_timer.setInterval(kTickPeriodMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CPlayerClock::OnTick);
}

CPlayerClock::~CPlayerClock() = default;

void CPlayerClock::SetTickSource(CTickSource::Function source)
{
    m_tickSource = std::move(source);
}

uint32_t CPlayerClock::Now() const
{
    return m_tickSource ? m_tickSource() : CTickSource::Now();
}

void CPlayerClock::SetTime(const ClockTime& time)
{
    m_banked = time;
    m_shown = time;
    emit ClockAreaChanged();
}

void CPlayerClock::SetUnlimited(bool unlimited)
{
    m_unlimited = unlimited;
    emit ClockAreaChanged();
}

void CPlayerClock::AddTime(int64_t milliseconds)
{
    m_banked.Add(milliseconds);
    m_shown = m_banked;
    emit ClockAreaChanged();
}

void CPlayerClock::Start()
{
    // Running is set before the owner hears of an expiry, so that the owner's
    // reaction (stopping the clock) is what stays.
    m_running = true;
    if (!m_unlimited)
    {
        if (m_counting)
            Charge();
        Arm();
        if (m_banked.IsZero())
            ReportExpiry();
    }
    emit PanelChanged();
}

void CPlayerClock::Stop()
{
    Disarm();
    if (m_running || m_counting)
    {
        Charge();
        m_shown = m_banked;
    }
    m_running = false;
    emit PanelChanged();
}

void CPlayerClock::Pause()
{
    Disarm();
    if (m_running || m_counting)
    {
        Charge();
        m_shown = m_banked;
    }
    emit PanelChanged();
}

void CPlayerClock::Resume()
{
    if (!m_unlimited)
    {
        if (m_counting)
            Charge();
        Arm();
        if (m_banked.IsZero())
            ReportExpiry();
    }
    emit PanelChanged();
}

void CPlayerClock::OnTick()
{
    // A tick that arrives when no time is being counted is stale.
    if (!m_counting || m_unlimited)
        return;
    if (!m_shown.IsZero())
    {
        ClockTime shown = m_banked;
        shown.Subtract(Now() - m_startTick);
        m_shown = shown;
        emit ClockAreaChanged();
    }
    if (m_shown.IsZero())
    {
        m_timer.stop();
        ReportExpiry();
    }
}

QString CPlayerClock::Text() const
{
    if (m_unlimited)
        return QString::fromStdString(ProgramTexts::Text(ProgramTexts::IDS_NO_TIME_LIMIT));
    return m_shown.Text();
}

void CPlayerClock::Arm()
{
    m_startTick = Now();
    m_counting = true;
    m_timer.start();
}

void CPlayerClock::Disarm()
{
    m_timer.stop();
}

void CPlayerClock::Charge()
{
    if (!m_counting)
        return;
    // Unsigned 32-bit difference: right even when the tick wrapped meanwhile.
    const uint32_t elapsed = Now() - m_startTick;
    m_banked.Subtract(elapsed);
    m_counting = false;
}

void CPlayerClock::ReportExpiry()
{
    if (m_owner)
        m_owner->OnTimeExpired(this);
}
