// A plug-in for the loader tests that also exports the extension, built with
// version 0 (unusable), 1 and 3 (a slot the program does not know yet). Its
// objects record what they were told.
#include "IChessEngineEx.h"
#include "IChessEngineListenerEx.h"

#include <string>

namespace
{
class CTestEngineEx final : public IChessEngine, public IChessEngineEx
{
public:
    const char* GetName() override { return TEST_ENGINE_NAME; }
    bool Start() override { return true; }
    bool Quit() override { return true; }
    void SetListener(IChessEngineListener* listener) override { m_Listener = listener; }
    bool SetColour(int32_t colour) override
    {
        m_White = colour == 2;
        return m_White;
    }
    bool Reserved() override { return true; }
    void Configure() override {}
    void ClearMoves() override { m_Log += "clear;"; }
    void AddMove(int32_t, int32_t, int32_t, int32_t, int32_t) override { m_Log += "move;"; }
    bool StartGame(int32_t, int32_t) override
    {
        m_Log += "game;";
        return true;
    }
    bool OpponentMove(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override { return true; }
    bool StopGame() override { return true; }
    void Destroy() override { delete this; }

    int32_t GetVersion() override { return TEST_EX_VERSION; }
    void SetListenerEx(IChessEngineListenerEx* listener) override { m_ListenerEx = listener; }
    void StartAsync() override
    {
        if (m_ListenerEx != nullptr)
            m_ListenerEx->OnEngineReady(this, TEST_ENGINE_NAME " 1.0", ENGINE_CAN_SET_POSITION);
    }
    void KeepEngineForColour() override {}
    bool SetStartPosition(const char* fen) override
    {
        m_Log += std::string("position ") + (fen != nullptr && *fen != '\0' ? fen : "-") + ";";
        return true;
    }
    void SetTimePerMove(int32_t seconds) override { m_Seconds = seconds; }
    void SetPondering(bool) override {}
    void TakeBackTo(int32_t) override {}
    void StopThinking() override {}
    bool Go(int32_t, int32_t) override { return false; }
    void GameOver(int32_t, const char*) override {}
    bool SetVariant(const char*) override { return false; }
    void AddDrop(int32_t, int32_t, int32_t) override {}
    bool OpponentDrop(int32_t, int32_t, int32_t, int32_t, int32_t) override { return false; }
    void SetHoldings(const char*) override {}
    // A slot of a later version: never called by a program of version 2.
    virtual int32_t LaterSlot() { return 42; }

    bool m_White = true;
    int32_t m_Seconds = 0;
    IChessEngineListener* m_Listener = nullptr;
    IChessEngineListenerEx* m_ListenerEx = nullptr;
    std::string m_Log; // what the object was told about its games
};
} // namespace

extern "C" __attribute__((visibility("default"))) IChessEngineListenerEx* TestEngineListenerEx(IChessEngine* engine)
{
    return static_cast<CTestEngineEx*>(engine)->m_ListenerEx;
}

extern "C" __attribute__((visibility("default"))) int32_t TestEngineSecondsPerMove(IChessEngine* engine)
{
    return static_cast<CTestEngineEx*>(engine)->m_Seconds;
}

// What the object was told about its games since the last call: "position
// FEN;" ("-" for the standard one), "clear;", "move;" and "game;".
extern "C" __attribute__((visibility("default"))) const char* TestEngineTakeLog(IChessEngine* engine)
{
    static thread_local std::string taken;
    taken.swap(static_cast<CTestEngineEx*>(engine)->m_Log);
    static_cast<CTestEngineEx*>(engine)->m_Log.clear();
    return taken.c_str();
}

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateChessEngine()
{
    return new CTestEngineEx;
}

extern "C" __attribute__((visibility("default"))) IChessEngineEx* GetChessEngineEx(IChessEngine* engine)
{
    return static_cast<CTestEngineEx*>(engine);
}
