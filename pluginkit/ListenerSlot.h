#pragma once

#include <cstdint>
#include <mutex>

class IChessEngine;
class IChessEngineListener;
class IChessEngineListenerEx;

// Where an engine object's calls go: the program's listener, its extension
// when the program gave one, and the object's own pointer as their source.
// Set on the user-interface thread, read by the engine's threads.
class CListenerSlot
{
public:
    struct Targets
    {
        IChessEngineListener* listener = nullptr;
        IChessEngineListenerEx* listenerEx = nullptr; // only with version 1 or more
        IChessEngine* source = nullptr;
        int32_t listenerVersion = 0; // of listenerEx
    };

    explicit CListenerSlot(IChessEngine* source) : m_Source(source) {}

    void SetListener(IChessEngineListener* listener);
    // Kept only when the listener has version 1 or more of its interface.
    void SetListenerEx(IChessEngineListenerEx* listener);
    // No call reaches a listener any more (the object is being destroyed).
    void Close();

    [[nodiscard]] Targets Get() const;
    [[nodiscard]] bool HasListenerEx() const;

private:
    mutable std::mutex m_Mutex;
    IChessEngineListener* m_Listener = nullptr;
    IChessEngineListenerEx* m_ListenerEx = nullptr;
    int32_t m_Version = 0;
    IChessEngine* m_Source;
    bool m_Closed = false;
};
