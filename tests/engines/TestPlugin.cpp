// A minimal plug-in for the loader tests, built against IChessEngine alone
// (no extension): an engine object that records what the loader told it and
// answers each opponent move with its mirror image. Built twice under two
// names.
#include "IChessEngine.h"
#include "IChessEngineListener.h"

namespace
{
class CTestEngine final : public IChessEngine
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
    void ClearMoves() override {}
    void AddMove(int32_t, int32_t, int32_t, int32_t, int32_t) override {}
    bool StartGame(int32_t, int32_t) override { return true; }
    bool OpponentMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion, int32_t,
                      int32_t) override
    {
        if (m_Listener != nullptr)
            m_Listener->OnEngineMove(fromFile, 7 - fromRank, toFile, 7 - toRank, promotion);
        return true;
    }
    bool StopGame() override { return true; }
    void Destroy() override { delete this; }

    bool m_White = true;
    IChessEngineListener* m_Listener = nullptr;
};
} // namespace

// Read by the tests through dlsym: the colour and listener of an object made
// by this copy of the library.
extern "C" __attribute__((visibility("default"))) bool TestEngineIsWhite(IChessEngine* engine)
{
    return static_cast<CTestEngine*>(engine)->m_White;
}

extern "C" __attribute__((visibility("default"))) IChessEngineListener* TestEngineListener(IChessEngine* engine)
{
    return static_cast<CTestEngine*>(engine)->m_Listener;
}

extern "C" __attribute__((visibility("default"))) IChessEngine* CreateChessEngine()
{
    return new CTestEngine;
}
