#include "EngineWorker.h"

std::shared_ptr<CEngineWorker> CEngineWorker::Create()
{
    return std::shared_ptr<CEngineWorker>(new CEngineWorker);
}

CEngineWorker::~CEngineWorker()
{
    // The last reference goes either with the thread's own (it has ended its
    // loop) or before the thread ever started.
    if (m_Thread.joinable())
    {
        if (std::this_thread::get_id() == m_Thread.get_id())
            m_Thread.detach();
        else
            m_Thread.join();
    }
}

bool CEngineWorker::Post(std::function<void()> task)
{
    std::lock_guard lock(m_Mutex);
    if (m_Finishing)
        return false;
    m_Tasks.push_back(std::move(task));
    if (!m_Thread.joinable())
    {
        m_Thread = std::thread([self = shared_from_this()] { self->Run(); });
        m_ThreadId = m_Thread.get_id();
    }
    m_Changed.notify_all();
    return true;
}

void CEngineWorker::Finish(std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_Mutex);
    m_Finishing = true;
    m_Changed.notify_all();
    if (!m_Thread.joinable() || std::this_thread::get_id() == m_ThreadId)
        return;
    m_Changed.wait_for(lock, wait, [this] { return m_Ended || m_InCall; });
}

CEngineWorker::InCall::InCall(CEngineWorker& worker) : m_Worker(worker)
{
    std::lock_guard lock(m_Worker.m_Mutex);
    m_Worker.m_InCall = true;
    m_Worker.m_Changed.notify_all();
}

CEngineWorker::InCall::~InCall()
{
    std::lock_guard lock(m_Worker.m_Mutex);
    m_Worker.m_InCall = false;
    m_Worker.m_Changed.notify_all();
}

bool CEngineWorker::WaitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, timeout, [this] { return m_Tasks.empty() && !m_Running; });
}

bool CEngineWorker::IsWorkerThread() const
{
    std::lock_guard lock(m_Mutex);
    return std::this_thread::get_id() == m_ThreadId;
}

void CEngineWorker::Run()
{
    std::unique_lock lock(m_Mutex);
    for (;;)
    {
        m_Changed.wait(lock, [this] { return !m_Tasks.empty() || m_Finishing; });
        if (m_Tasks.empty())
            break;
        std::function<void()> task = std::move(m_Tasks.front());
        m_Tasks.pop_front();
        m_Running = true;
        lock.unlock();
        task();
        // Whatever the task held (the adapter itself, perhaps) goes here, on
        // this thread, before the next task or the end.
        task = nullptr;
        lock.lock();
        m_Running = false;
        m_Changed.notify_all();
    }
    m_Ended = true;
    m_Changed.notify_all();
}
