#pragma once

#include "IChessEngineListenerEx.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

class IChessEngine;

// A thinking line as the program keeps it (see EngineThinking).
struct EngineThinkingLine
{
    int32_t depth = -1;
    int32_t scoreKind = 0;
    int32_t score = 0;
    int32_t scoreColour = 0;
    int64_t nodes = -1;
    int64_t nodesPerSecond = -1;
    int32_t milliseconds = -1;
    int32_t startPly = 0;
    std::string pv;
};
Q_DECLARE_METATYPE(EngineThinkingLine)

// The game window's listener: hands the engine objects' calls from the
// plug-ins' threads to the thread that owns this object (the user-interface
// thread). Moves and results wait there until they have been handled, the
// synchronous hand-over of WM_ENGINE_MOVE and WM_ENGINE_RESULT; a move or
// result that belongs to a game that has ended since it was sent is dropped.
// The extension's other events are posted without waiting, and thinking
// lines are coalesced per engine: while one is on its way, a newer one
// replaces it, so a flood never blocks an engine's reader.
//
// Each move and result is signalled twice: as before (EngineMoveArrived,
// EngineResultArrived) and with its source (EngineMoveFrom, EngineResultFrom;
// the source is null when the plug-in reported through IChessEngineListener).
class CEngineListener : public QObject, public IChessEngineListenerEx
{
    Q_OBJECT

public:
    explicit CEngineListener(QObject* parent = nullptr);

    bool OnEngineMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion) override;
    bool OnEngineResult(int32_t result) override;
    int32_t GetListenerVersion() override;
    void OnEngineReady(IChessEngine* source, const char* name, int32_t capabilities) override;
    void OnEngineFailed(IChessEngine* source, int32_t reason, const char* text) override;
    bool OnEngineMoveEx(IChessEngine* source, int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank,
                        int32_t promotion, const char* text) override;
    bool OnEngineResultEx(IChessEngine* source, int32_t result, const char* text) override;
    void OnEngineThinking(IChessEngine* source, const EngineThinking* thinking) override;
    bool OnEngineDropEx(IChessEngine* source, int32_t piece, int32_t file, int32_t rank, const char* text) override;
    void OnEnginePartnerMessage(IChessEngine* source, const char* text) override;

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
    // The same with the object that sent it and its text as written.
    void EngineMoveFrom(IChessEngine* source, quint32 word, const QString& text);
    void EngineResultFrom(IChessEngine* source, qint32 result, const QString& text);
    // The extension's events, on the owner's thread.
    void EngineReady(IChessEngine* source, const QString& name, qint32 capabilities);
    void EngineFailed(IChessEngine* source, qint32 reason, const QString& text);
    void EngineThinkingArrived(IChessEngine* source, const EngineThinkingLine& line);
    // A drop of an engine (piece 0 pawn .. 4 queen), handed over as a move is.
    void EngineDropFrom(IChessEngine* source, qint32 piece, qint32 file, qint32 rank, const QString& text);
    // An engine's message to its partner.
    void EnginePartnerMessage(IChessEngine* source, const QString& text);

private:
    void DeliverMove(IChessEngine* source, quint32 word, const QString& text, quint64 game);
    void DeliverResult(IChessEngine* source, qint32 result, const QString& text, quint64 game);
    void DeliverThinking(IChessEngine* source);
    // Runs the delivery on the owner's thread and returns when it is done.
    template <typename Delivery> void HandOver(Delivery delivery);
    // Runs the delivery on the owner's thread without waiting for it.
    template <typename Delivery> void Post(Delivery delivery);

    std::atomic<quint64> m_Game{0};
    std::atomic<bool> m_Running{false};
    // The latest thinking line of each engine not yet delivered.
    std::mutex m_ThinkingMutex;
    std::map<IChessEngine*, EngineThinkingLine> m_Thinking;
};
