#include "EngineListener.h"

#include "EngineMove.h"

#include <QThread>

CEngineListener::CEngineListener(QObject* parent) : QObject(parent) {}

template <typename Delivery> void CEngineListener::HandOver(Delivery delivery)
{
    // A blocking queued call from the owner's own thread would wait for ever.
    if (QThread::currentThread() == thread())
        delivery();
    else
        QMetaObject::invokeMethod(this, delivery, Qt::BlockingQueuedConnection);
}

bool CEngineListener::OnEngineMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank,
                                   int32_t promotion)
{
    const quint32 word = PackEngineMove(EngineMove{fromFile, fromRank, toFile, toRank, promotion});
    const quint64 game = m_Game.load();
    HandOver([this, word, game] { DeliverMove(word, game); });
    return true;
}

bool CEngineListener::OnEngineResult(int32_t result)
{
    const quint64 game = m_Game.load();
    HandOver([this, result, game] { DeliverResult(result, game); });
    return true;
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

void CEngineListener::DeliverMove(quint32 word, quint64 game)
{
    if (m_Running && game == m_Game)
        emit EngineMoveArrived(word);
}

void CEngineListener::DeliverResult(qint32 result, quint64 game)
{
    if (m_Running && game == m_Game)
        emit EngineResultArrived(result);
}
