#include "WorkerThread.h"

#include <process.h>

#include <algorithm>

namespace {

// A worker may be sending a message to a window of the thread that waits for
// it (the split worker sets the dialog's progress bar): the wait lets sent
// messages through, or each thread would wait for the other for ever. Posted
// messages (input, timers) stay queued.
bool WaitLettingSentMessagesIn(const CSyncEvent& event, DWORD ms)
{
    HANDLE handle = event.Handle();
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD left = ms;
        if (ms != INFINITE) {
            DWORD elapsed = GetTickCount() - start;
            left = elapsed >= ms ? 0 : ms - elapsed;
        }
        DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (woken == WAIT_OBJECT_0)
            return true;
        if (woken != WAIT_OBJECT_0 + 1)
            return false;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

CSyncEvent::CSyncEvent(bool signalled)
    : m_event(CreateEventW(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr))
{
}

CSyncEvent::~CSyncEvent()
{
    if (m_event)
        CloseHandle(m_event);
}

CWorkerRegistry& CWorkerRegistry::Workers()
{
    static CWorkerRegistry workers;
    return workers;
}

// A worker that outlives the program's main code would touch this registry
// after it is gone: it is asked to stop, and waited for.
CWorkerRegistry::~CWorkerRegistry()
{
    StopAll(INFINITE);
}

void CWorkerRegistry::Add(CWorkerThread* worker)
{
    CCritSecLock lock(m_lock);
    m_workers.push_back(worker);
    m_empty.Reset();
}

bool CWorkerRegistry::Remove(CWorkerThread* worker)
{
    CCritSecLock lock(m_lock);
    auto found = std::find(m_workers.begin(), m_workers.end(), worker);
    if (found == m_workers.end())
        return false;
    m_workers.erase(found);
    if (m_workers.empty())
        m_empty.Set();
    return true;
}

size_t CWorkerRegistry::Count()
{
    CCritSecLock lock(m_lock);
    return m_workers.size();
}

// The stop requests are made under the lock: a worker leaves the registry
// under it before it may delete itself, so every pointer here is alive.
bool CWorkerRegistry::StopAll(DWORD ms)
{
    {
        CCritSecLock lock(m_lock);
        for (CWorkerThread* worker : m_workers)
            worker->RequestStop();
    }
    return WaitLettingSentMessagesIn(m_empty, ms);
}

CWorkerThread::CWorkerThread(bool deleteWhenDone, CWorkerRegistry& registry)
    : m_deleteWhenDone(deleteWhenDone), m_registry(registry)
{
}

// A self-deleting worker runs this on its own thread and only closes its
// handle; an owner that forgot Stop waits here for the work to end.
CWorkerThread::~CWorkerThread()
{
    if (!m_thread)
        return;
    if (GetCurrentThreadId() != m_threadId) {
        RequestStop();
        WaitForSingleObject(m_thread, INFINITE);
    }
    CloseHandle(m_thread);
}

// The C runtime keeps data per thread (errno, strtok's place, the locale):
// a thread that calls it is started with _beginthreadex, not CreateThread.
HANDLE CWorkerThread::CreateSuspendedThread(unsigned(__stdcall* body)(void*), void* argument,
                                            unsigned* id)
{
    return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, body, argument, CREATE_SUSPENDED, id));
}

bool CWorkerThread::Start()
{
    HANDLE thread = CreateSuspendedThread(&CWorkerThread::ThreadProc, this, &m_threadId);
    if (!thread) {
        m_done.Set();
        return false;
    }
    m_thread = thread;
    m_registry.Add(this);
    // From here on a self-deleting worker may be gone: no member is touched.
    ResumeThread(thread);
    return true;
}

bool CWorkerThread::Stop(DWORD ms)
{
    RequestStop();
    return WaitLettingSentMessagesIn(m_done, ms);
}

unsigned __stdcall CWorkerThread::ThreadProc(void* worker)
{
    static_cast<CWorkerThread*>(worker)->ThreadMain();
    return 0;
}

// Once the done event is set an owner may delete the worker: whether to
// delete it here is read before.
void CWorkerThread::ThreadMain()
{
    while (!IsStopRequested() && Run()) {
    }
    bool deleteWhenDone = m_deleteWhenDone;
    m_registry.Remove(this);
    m_done.Set();
    if (deleteWhenDone)
        delete this;
}
