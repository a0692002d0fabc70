#include "EngineChannel.h"

#include "IChessEngineListenerEx.h"

CEngineChannel::CEngineChannel(std::shared_ptr<EngineGame> game, std::shared_ptr<CListenerSlot> listeners,
                               std::chrono::milliseconds thinkingInterval)
    : m_Game(std::move(game)), m_Listeners(std::move(listeners)), m_ThinkingInterval(thinkingInterval)
{
    onLine = [this](const std::string& line) { return HandleLine(line); };
    wakeAt = [this] { return m_HeldThinking ? m_NextThinking : CEngineConnection::Clock::time_point::max(); };
    onWake = [this] { return FlushThinking(); };
}

int32_t CEngineChannel::EngineColour() const
{
    std::lock_guard lock(m_Game->mutex);
    return m_Game->playsWhite ? 2 : 1;
}

bool CEngineChannel::ReportMove(const EngineMove& move, const std::string& text)
{
    return !AcceptMove(move) || DeliverMove(move, text);
}

bool CEngineChannel::AcceptMove(const EngineMove& move)
{
    std::lock_guard lock(m_Game->mutex);
    if (!m_Game->running || !m_Game->expectingMove)
        return false;
    m_Game->expectingMove = false;
    m_Game->moves.push_back(move);
    return true;
}

bool CEngineChannel::DeliverMove(const EngineMove& move, const std::string& text)
{
    if (!FlushThinking())
        return false;
    return Deliver([&] {
        const CListenerSlot::Targets targets = m_Listeners->Get();
        if (targets.listenerEx != nullptr)
            targets.listenerEx->OnEngineMoveEx(targets.source, move.fromFile, move.fromRank, move.toFile, move.toRank,
                                               move.promotion, text.c_str());
        else if (targets.listener != nullptr)
            targets.listener->OnEngineMove(move.fromFile, move.fromRank, move.toFile, move.toRank, move.promotion);
    });
}

bool CEngineChannel::ReportDrop(const EngineMove& move, const std::string& text)
{
    if (!AcceptMove(move))
        return true;
    if (!FlushThinking())
        return false;
    return Deliver([&] {
        const CListenerSlot::Targets targets = m_Listeners->Get();
        if (targets.listenerEx != nullptr && targets.listenerVersion >= 2)
            targets.listenerEx->OnEngineDropEx(targets.source, move.drop, move.toFile, move.toRank, text.c_str());
    });
}

bool CEngineChannel::ReportPartnerMessage(const std::string& text)
{
    {
        std::lock_guard lock(m_Game->mutex);
        if (!m_Game->running)
            return true;
    }
    return Deliver([&] {
        const CListenerSlot::Targets targets = m_Listeners->Get();
        if (targets.listenerEx != nullptr && targets.listenerVersion >= 2)
            targets.listenerEx->OnEnginePartnerMessage(targets.source, text.c_str());
    });
}

bool CEngineChannel::ReportResult(int32_t result, const std::string& text)
{
    {
        std::lock_guard lock(m_Game->mutex);
        if (!m_Game->running)
            return true;
    }
    return Deliver([&] {
        const CListenerSlot::Targets targets = m_Listeners->Get();
        if (targets.listenerEx != nullptr)
            targets.listenerEx->OnEngineResultEx(targets.source, result, text.c_str());
        else if (targets.listener != nullptr)
            targets.listener->OnEngineResult(result);
    });
}

bool CEngineChannel::ReportThinking(ThinkingRecord record)
{
    if (!m_Listeners->HasListenerEx())
        return true;
    const auto now = CEngineConnection::Clock::now();
    if (now < m_NextThinking)
    {
        m_HeldThinking = std::move(record);
        return true;
    }
    m_HeldThinking.reset();
    m_NextThinking = now + m_ThinkingInterval;
    return PassOnThinking(record);
}

bool CEngineChannel::FlushThinking()
{
    if (!m_HeldThinking)
        return true;
    const ThinkingRecord record = std::move(*m_HeldThinking);
    m_HeldThinking.reset();
    m_NextThinking = CEngineConnection::Clock::now() + m_ThinkingInterval;
    return PassOnThinking(record);
}

bool CEngineChannel::PassOnThinking(const ThinkingRecord& record)
{
    return Deliver([&] {
        const CListenerSlot::Targets targets = m_Listeners->Get();
        if (targets.listenerEx == nullptr)
            return;
        EngineThinking thinking = record.numbers;
        thinking.pv = record.pv.c_str();
        targets.listenerEx->OnEngineThinking(targets.source, &thinking);
    });
}
