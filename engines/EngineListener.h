#pragma once

#include "IChessEngineListener.h"

#include <QObject>

#include <atomic>
#include <cstdint>

// The game window's listener: hands each engine move and result from the
// plug-in's reader thread to the thread that owns this object (the
// user-interface thread) and waits until it has been handled there, the
// synchronous hand-over of WM_ENGINE_MOVE and WM_ENGINE_RESULT. A move or
// result that belongs to a game that has ended since it was sent is dropped.
class CEngineListener : public QObject, public IChessEngineListener
{
    Q_OBJECT

public:
    explicit CEngineListener(QObject* parent = nullptr);

    bool OnEngineMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion) override;
    bool OnEngineResult(int32_t result) override;

    // A new game starts: from now on its moves and results are delivered.
    void BeginGame();
    // The game has ended: moves and results still on their way are dropped.
    void EndGame();
    [[nodiscard]] bool IsGameRunning() const { return m_Running.load(); }

signals:
    // WM_ENGINE_MOVE with its packed move word, on the owner's thread.
    void EngineMoveArrived(quint32 word);
    // WM_ENGINE_RESULT with its EngineResult code, on the owner's thread.
    void EngineResultArrived(qint32 result);

private:
    void DeliverMove(quint32 word, quint64 game);
    void DeliverResult(qint32 result, quint64 game);
    // Runs the delivery on the owner's thread and returns when it is done.
    template <typename Delivery> void HandOver(Delivery delivery);

    std::atomic<quint64> m_Game{0};
    std::atomic<bool> m_Running{false};
};
