// The Windows programs' threading kit: an event, a critical section and its
// scoped lock, the process-wide registry of live workers and the worker
// thread base. Knows nothing of dialogs.
//
// Workers stop cooperatively: a stop request only sets an event that the
// work checks between steps (IsStopRequested) or waits on (StopEvent). No
// thread is ever killed, so no file is left half written by a dead thread.
#pragma once

#include <windows.h>

#include <vector>

// A manual-reset event, not signalled unless the constructor says so.
class CSyncEvent {
public:
    explicit CSyncEvent(bool signalled = false);
    ~CSyncEvent();
    CSyncEvent(const CSyncEvent&) = delete;
    CSyncEvent& operator=(const CSyncEvent&) = delete;

    bool Set() { return SetEvent(m_event) != FALSE; }
    bool Reset() { return ResetEvent(m_event) != FALSE; }
    // True when the event is (or becomes) signalled within `ms`
    // milliseconds (INFINITE: no limit).
    bool Wait(DWORD ms) const { return WaitForSingleObject(m_event, ms) == WAIT_OBJECT_0; }
    // Asks the kernel object itself, so any thread may ask.
    bool IsSet() const { return Wait(0); }
    HANDLE Handle() const { return m_event; }

private:
    HANDLE m_event;
};

class CCritSec {
public:
    CCritSec() { InitializeCriticalSection(&m_section); }
    ~CCritSec() { DeleteCriticalSection(&m_section); }
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Enter() { EnterCriticalSection(&m_section); }
    void Leave() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Holds the section from construction until Unlock or the end of the scope.
class CCritSecLock {
public:
    explicit CCritSecLock(CCritSec& section) : m_section(&section) { m_section->Enter(); }
    ~CCritSecLock() { Unlock(); }
    CCritSecLock(const CCritSecLock&) = delete;
    CCritSecLock& operator=(const CCritSecLock&) = delete;

    void Unlock()
    {
        if (m_locked)
            m_section->Leave();
        m_locked = false;
    }

private:
    CCritSec* m_section;
    bool m_locked = true;
};

class CWorkerThread;

// Every worker whose thread runs, in the order they started. A worker is in
// it from just before its thread runs until its work has ended; a pointer
// read under the registry's lock is therefore alive while the lock is held.
class CWorkerRegistry {
public:
    // The process's registry. At exit it asks every worker still running to
    // stop and waits for them (they are never killed).
    static CWorkerRegistry& Workers();

    CWorkerRegistry() = default;
    ~CWorkerRegistry();
    CWorkerRegistry(const CWorkerRegistry&) = delete;
    CWorkerRegistry& operator=(const CWorkerRegistry&) = delete;

    void Add(CWorkerThread* worker);
    // False when the worker was not registered.
    bool Remove(CWorkerThread* worker);
    size_t Count();
    // Asks every registered worker to stop and waits up to `ms` milliseconds
    // for all of them to end; true when none is left. Messages the workers
    // send to this thread's windows are handled meanwhile.
    bool StopAll(DWORD ms);

private:
    CCritSec m_lock;
    std::vector<CWorkerThread*> m_workers;
    CSyncEvent m_empty{true};
};

// A thread that runs Run() until it returns false or a stop is requested.
// The thread is created suspended, registered, then resumed: the work never
// sees a worker that its registry does not know.
//
// A worker made with deleteWhenDone deletes itself when its work ends;
// after a successful Start its starter must not touch it again, except
// through the registry. Any other worker belongs to its starter, which
// calls Stop before deleting it (a derived part must not go away while Run
// still uses it).
class CWorkerThread {
public:
    explicit CWorkerThread(bool deleteWhenDone, CWorkerRegistry& registry = CWorkerRegistry::Workers());
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Starts the thread. False when no thread could be made: the worker is
    // then not registered, its done event is set, and it still belongs to
    // the caller (also with deleteWhenDone), who reports the failure and
    // deletes it.
    bool Start();
    // Asks the work to stop at its next check; returns at once.
    void RequestStop() { m_stop.Set(); }
    bool IsStopRequested() const { return m_stop.IsSet(); }
    // Requests a stop and waits up to `ms` for the work to end; true when
    // it has. Messages the work sends to this thread's windows are handled
    // meanwhile.
    bool Stop(DWORD ms);
    // Signalled once the work has ended (or the thread could not start).
    const CSyncEvent& DoneEvent() const { return m_done; }
    // Signalled by a stop request, for work that waits on other handles too.
    const CSyncEvent& StopEvent() const { return m_stop; }

protected:
    // One step of the work; true to be called again. It must not throw.
    virtual bool Run() = 0;
    // Makes the suspended thread; a seam that tests replace to see a failed
    // start. Returns null on failure.
    virtual HANDLE CreateSuspendedThread(unsigned(__stdcall* body)(void*), void* argument,
                                         unsigned* id);

private:
    static unsigned __stdcall ThreadProc(void* worker);
    void ThreadMain();

    bool m_deleteWhenDone;
    CWorkerRegistry& m_registry;
    CSyncEvent m_stop;
    CSyncEvent m_done;
    HANDLE m_thread = nullptr;
    unsigned m_threadId = 0;
};
