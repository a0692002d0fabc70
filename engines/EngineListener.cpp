#include "EngineListener.h"

#include "EngineMove.h"
#include "IChessEngineEx.h"

#include <QThread>

namespace
{
QString FromText(const char* text)
{
    return text == nullptr ? QString() : QString::fromUtf8(text);
}
} // namespace

CEngineListener::CEngineListener(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<EngineThinkingLine>();
}

template <typename Delivery> void CEngineListener::HandOver(Delivery delivery)
{
    // A blocking queued call from the owner's own thread would wait for ever.
    if (QThread::currentThread() == thread())
        delivery();
    else
        QMetaObject::invokeMethod(this, delivery, Qt::BlockingQueuedConnection);
}

template <typename Delivery> void CEngineListener::Post(Delivery delivery)
{
    if (QThread::currentThread() == thread())
        delivery();
    else
        QMetaObject::invokeMethod(this, delivery, Qt::QueuedConnection);
}

bool CEngineListener::OnEngineMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank,
                                   int32_t promotion)
{
    return OnEngineMoveEx(nullptr, fromFile, fromRank, toFile, toRank, promotion, nullptr);
}

bool CEngineListener::OnEngineResult(int32_t result)
{
    return OnEngineResultEx(nullptr, result, nullptr);
}

int32_t CEngineListener::GetListenerVersion()
{
    return kChessEngineListenerExVersion;
}

void CEngineListener::OnEngineReady(IChessEngine* source, const char* name, int32_t capabilities)
{
    Post([this, source, name = FromText(name), capabilities] { emit EngineReady(source, name, capabilities); });
}

void CEngineListener::OnEngineFailed(IChessEngine* source, int32_t reason, const char* text)
{
    Post([this, source, reason, text = FromText(text)] { emit EngineFailed(source, reason, text); });
}

bool CEngineListener::OnEngineMoveEx(IChessEngine* source, int32_t fromFile, int32_t fromRank, int32_t toFile,
                                     int32_t toRank, int32_t promotion, const char* text)
{
    const quint32 word = PackEngineMove(EngineMove{fromFile, fromRank, toFile, toRank, promotion});
    const quint64 game = m_Game.load();
    HandOver([this, source, word, text = FromText(text), game] { DeliverMove(source, word, text, game); });
    return true;
}

bool CEngineListener::OnEngineResultEx(IChessEngine* source, int32_t result, const char* text)
{
    const quint64 game = m_Game.load();
    HandOver([this, source, result, text = FromText(text), game] { DeliverResult(source, result, text, game); });
    return true;
}

void CEngineListener::OnEngineThinking(IChessEngine* source, const EngineThinking* thinking)
{
    if (thinking == nullptr)
        return;
    EngineThinkingLine line;
    line.depth = thinking->depth;
    line.scoreKind = thinking->scoreKind;
    line.score = thinking->score;
    line.scoreColour = thinking->scoreColour;
    line.nodes = thinking->nodes;
    line.nodesPerSecond = thinking->nodesPerSecond;
    line.milliseconds = thinking->milliseconds;
    line.startPly = thinking->startPly;
    line.pv = thinking->pv != nullptr ? thinking->pv : "";
    bool posted = false;
    {
        std::lock_guard lock(m_ThinkingMutex);
        auto [it, inserted] = m_Thinking.insert_or_assign(source, std::move(line));
        (void)it;
        // A line already on its way picks up this newer one when it arrives.
        posted = !inserted;
    }
    if (!posted)
        Post([this, source] { DeliverThinking(source); });
}

bool CEngineListener::OnEngineDropEx(IChessEngine* source, int32_t piece, int32_t file, int32_t rank, const char* text)
{
    const quint64 game = m_Game.load();
    HandOver([this, source, piece, file, rank, text = FromText(text), game] {
        if (m_Running && game == m_Game)
            emit EngineDropFrom(source, piece, file, rank, text);
    });
    return true;
}

void CEngineListener::OnEnginePartnerMessage(IChessEngine* source, const char* text)
{
    Post([this, source, text = FromText(text)] { emit EnginePartnerMessage(source, text); });
}

void CEngineListener::BeginGame()
{
    ++m_Game;
    m_Running = true;
}

void CEngineListener::EndGame()
{
    m_Running = false;
}

void CEngineListener::DeliverMove(IChessEngine* source, quint32 word, const QString& text, quint64 game)
{
    if (!m_Running || game != m_Game)
        return;
    emit EngineMoveArrived(word);
    emit EngineMoveFrom(source, word, text);
}

void CEngineListener::DeliverResult(IChessEngine* source, qint32 result, const QString& text, quint64 game)
{
    if (!m_Running || game != m_Game)
        return;
    emit EngineResultArrived(result);
    emit EngineResultFrom(source, result, text);
}

void CEngineListener::DeliverThinking(IChessEngine* source)
{
    EngineThinkingLine line;
    {
        std::lock_guard lock(m_ThinkingMutex);
        auto it = m_Thinking.find(source);
        if (it == m_Thinking.end())
            return;
        line = std::move(it->second);
        m_Thinking.erase(it);
    }
    emit EngineThinkingArrived(source, line);
}
