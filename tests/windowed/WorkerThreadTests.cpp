// The worker-thread kit: a worker runs on its own thread while registered,
// stops when asked, signals when done, deletes itself when told to, and a
// worker whose thread cannot be made is left clean and reported.
#include "WorkerThread.h"

#include <gtest/gtest.h>

#include <process.h>

#include <atomic>

namespace {

const DWORD kPatienceMs = 5000;

// Counts its steps until asked to stop or `steps` is reached; each step
// waits a little on the stop event, as a worker between two writes would.
class CCountingWorker : public CWorkerThread {
public:
    CCountingWorker(CWorkerRegistry& registry, int steps, bool deleteWhenDone = false,
                    std::atomic<bool>* deleted = nullptr)
        : CWorkerThread(deleteWhenDone, registry), m_steps(steps), m_deleted(deleted)
    {
    }
    ~CCountingWorker() override
    {
        if (m_deleted)
            *m_deleted = true;
    }

    std::atomic<int> count{0};
    std::atomic<DWORD> threadId{0};
    CSyncEvent started;

protected:
    bool Run() override
    {
        threadId = GetCurrentThreadId();
        started.Set();
        StopEvent().Wait(1);
        return ++count < m_steps;
    }

private:
    int m_steps;
    std::atomic<bool>* m_deleted;
};

class CUnstartableWorker : public CCountingWorker {
public:
    using CCountingWorker::CCountingWorker;

protected:
    HANDLE CreateSuspendedThread(unsigned(__stdcall*)(void*), void*, unsigned*) override
    {
        return nullptr;
    }
};

TEST(WorkerThread, RunsOnItsOwnThreadUntilItsWorkEnds)
{
    CWorkerRegistry registry;
    CCountingWorker worker(registry, 3);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.DoneEvent().Wait(kPatienceMs));
    EXPECT_EQ(worker.count, 3);
    EXPECT_NE(worker.threadId, GetCurrentThreadId());
    EXPECT_EQ(registry.Count(), 0u);
    EXPECT_FALSE(worker.IsStopRequested());
}

TEST(WorkerThread, IsRegisteredWhileItRuns)
{
    CWorkerRegistry registry;
    CCountingWorker first(registry, 1 << 30), second(registry, 1 << 30);
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(first.started.Wait(kPatienceMs));
    EXPECT_EQ(registry.Count(), 2u);
    EXPECT_FALSE(first.DoneEvent().IsSet());

    EXPECT_TRUE(first.Stop(kPatienceMs));
    EXPECT_EQ(registry.Count(), 1u);
    EXPECT_FALSE(second.DoneEvent().IsSet());
    EXPECT_TRUE(second.Stop(kPatienceMs));
    EXPECT_EQ(registry.Count(), 0u);
    EXPECT_GT(first.count, 0);
}

// The registry stops every worker it knows, also those that delete
// themselves and that nobody else can reach.
TEST(WorkerThread, StopAllEndsSelfDeletingWorkers)
{
    CWorkerRegistry registry;
    std::atomic<bool> deleted[3] = {{false}, {false}, {false}};
    for (auto& flag : deleted)
        ASSERT_TRUE((new CCountingWorker(registry, 1 << 30, true, &flag))->Start());
    EXPECT_GE(registry.Count(), 1u);
    EXPECT_TRUE(registry.StopAll(kPatienceMs));
    EXPECT_EQ(registry.Count(), 0u);
    // Deleting comes just after leaving the registry.
    for (auto& flag : deleted) {
        for (int i = 0; i < 100 && !flag; ++i)
            Sleep(10);
        EXPECT_TRUE(flag);
    }
}

TEST(WorkerThread, StopAllWithoutWorkersIsAtOnceTrue)
{
    CWorkerRegistry registry;
    EXPECT_TRUE(registry.StopAll(0));
}

TEST(WorkerThread, StopAllReportsWorkersStillRunning)
{
    // Stops only between steps, and its one step outlasts the wait.
    class CSlowWorker : public CWorkerThread {
    public:
        CSlowWorker(CWorkerRegistry& registry) : CWorkerThread(false, registry) {}
        CSyncEvent running, release;

    protected:
        bool Run() override
        {
            running.Set();
            release.Wait(kPatienceMs);
            return false;
        }
    };
    CWorkerRegistry registry;
    CSlowWorker worker(registry);
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.running.Wait(kPatienceMs));
    EXPECT_FALSE(registry.StopAll(50));
    EXPECT_TRUE(worker.IsStopRequested());
    worker.release.Set();
    EXPECT_TRUE(worker.DoneEvent().Wait(kPatienceMs));
    EXPECT_TRUE(registry.StopAll(0));
}

// A worker that updates a window of the thread waiting for it (the split
// worker and its dialog): the wait handles what the worker sends, so both
// go on. A plain wait would leave the worker in SendMessage and time out.
TEST(WorkerThread, StopLetsTheWorkersMessagesToTheWaiterThrough)
{
    class CSendingWorker : public CWorkerThread {
    public:
        CSendingWorker(CWorkerRegistry& registry, HWND window)
            : CWorkerThread(false, registry), m_window(window)
        {
        }
        CSyncEvent sending;

    protected:
        bool Run() override
        {
            sending.Set();
            SendMessageA(m_window, WM_NULL, 0, 0);
            return true;
        }

    private:
        HWND m_window;
    };
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    for (bool everyWorker : {false, true}) {
        CWorkerRegistry registry;
        CSendingWorker worker(registry, window);
        ASSERT_TRUE(worker.Start());
        ASSERT_TRUE(worker.sending.Wait(kPatienceMs));
        bool stopped = everyWorker ? registry.StopAll(kPatienceMs) : worker.Stop(kPatienceMs);
        EXPECT_TRUE(stopped) << (everyWorker ? "StopAll" : "Stop");
        MSG message;
        while (!worker.DoneEvent().IsSet())
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
    DestroyWindow(window);
}

TEST(WorkerThread, FailedStartLeavesNothingBehind)
{
    CWorkerRegistry registry;
    std::atomic<bool> deleted{false};
    // Made to delete itself, yet after a failed start it is the caller's.
    auto* worker = new CUnstartableWorker(registry, 1, true, &deleted);
    EXPECT_FALSE(worker->Start());
    EXPECT_EQ(registry.Count(), 0u);
    EXPECT_TRUE(worker->DoneEvent().IsSet());
    EXPECT_TRUE(worker->Stop(0));
    EXPECT_EQ(worker->count, 0);
    EXPECT_FALSE(deleted);
    delete worker;
    EXPECT_TRUE(deleted);
}

TEST(SyncEvent, SetResetAndWait)
{
    CSyncEvent event;
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(10));
    EXPECT_TRUE(event.Set());
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.Wait(INFINITE)); // manual reset: stays signalled
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.Reset());
    EXPECT_FALSE(event.IsSet());
    EXPECT_TRUE(CSyncEvent(true).IsSet());
}

struct CSectionUser {
    CCritSec* section;
    std::atomic<bool> entered{false};
};

unsigned __stdcall EnterAndLeave(void* argument)
{
    auto* user = static_cast<CSectionUser*>(argument);
    CCritSecLock lock(*user->section);
    user->entered = true;
    return 0;
}

// Another thread gets in only after Unlock; a second Unlock and the
// destructor then leave the section alone.
TEST(CritSecLock, HoldsTheSectionUntilUnlock)
{
    CCritSec section;
    CSectionUser other{&section};
    CCritSecLock lock(section);
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, EnterAndLeave, &other, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 100), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(other.entered);
    lock.Unlock();
    EXPECT_EQ(WaitForSingleObject(thread, kPatienceMs), WAIT_OBJECT_0);
    EXPECT_TRUE(other.entered);
    CloseHandle(thread);
    lock.Unlock();
    CCritSecLock again(section);
}

} // namespace
