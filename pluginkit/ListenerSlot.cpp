#include "ListenerSlot.h"

#include "IChessEngineListenerEx.h"

void CListenerSlot::SetListener(IChessEngineListener* listener)
{
    std::lock_guard lock(m_Mutex);
    m_Listener = listener;
}

void CListenerSlot::SetListenerEx(IChessEngineListenerEx* listener)
{
    // The listener's version is asked here, on the program's thread, once.
    const int32_t version = listener != nullptr ? listener->GetListenerVersion() : 0;
    const bool usable = version >= 1;
    std::lock_guard lock(m_Mutex);
    m_ListenerEx = usable ? listener : nullptr;
    m_Version = usable ? version : 0;
}

void CListenerSlot::Close()
{
    std::lock_guard lock(m_Mutex);
    m_Closed = true;
}

CListenerSlot::Targets CListenerSlot::Get() const
{
    std::lock_guard lock(m_Mutex);
    if (m_Closed)
        return Targets{};
    return Targets{m_Listener, m_ListenerEx, m_Source, m_Version};
}

bool CListenerSlot::HasListenerEx() const
{
    std::lock_guard lock(m_Mutex);
    return !m_Closed && m_ListenerEx != nullptr;
}
