#include "sys/WorkerThread.h"

WorkerThread::WorkerThread()
    : data(nullptr), value(0), result(0), state(0), thread(nullptr), threadId(0), routine(nullptr)
{
}

WorkerThread::~WorkerThread()
{
    Stop();
    AwaitRelease();
    finished.Close();
}

// A thread clears the running bit a moment before it signals, and uses this
// object until then: a new run or the destructor must not overtake it.
void WorkerThread::AwaitRelease()
{
    if (finished.Handle())
        WaitForSingleObject(finished.Handle(), INFINITE);
}

int WorkerThread::Start(Routine newRoutine, void* newData, DWORD newValue)
{
    if (state & kRunning)
        return 0;
    AwaitRelease();
    state |= kRunning;
    data = newData;
    routine = newRoutine;
    value = newValue;
    finished.Create(TRUE, FALSE);
    // Suspended until the handle is stored: a routine that ends at once
    // must find the handle to close.
    thread = CreateThread(nullptr, 0, Entry, this, CREATE_SUSPENDED, &threadId);
    if (!thread) {
        state &= ~kRunning;
        finished.Close();
        return 0;
    }
    ResumeThread(thread);
    return 1;
}

DWORD WINAPI WorkerThread::Entry(void* self)
{
    WorkerThread* w = static_cast<WorkerThread*>(self);
    DWORD r = w->routine(w->data, w->value);
    // Ordered before the signal: the starter reads both after the wait.
    w->result = r;
    InterlockedAnd(&w->state, ~kRunning);
    HANDLE own = InterlockedExchangePointer(&w->thread, nullptr);
    w->finished.Signal();
    if (own)
        CloseHandle(own);
    return r;
}

int WorkerThread::WaitFinished(DWORD timeoutMs, int pump)
{
    if (!(state & kRunning))
        return 0;
    const DWORD limit = timeoutMs ? timeoutMs : INFINITE;
    if (!pump)
        return WaitForSingleObject(finished.Handle(), limit) == WAIT_OBJECT_0 ? 1 : 0;
    return finished.WaitPumping(limit);
}

void WorkerThread::Stop()
{
    if (!(state & kRunning))
        return;
    state &= ~kRunning;
    HANDLE own = InterlockedExchangePointer(&thread, nullptr);
    if (own) {
        TerminateThread(own, 0);
        CloseHandle(own);
    } else {
        // The routine has returned and the thread is about to signal.
        AwaitRelease();
    }
    result = 0;
    finished.Close();
}
