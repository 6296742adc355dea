#pragma once
#include "sys/SyncEvent.h"
#include <windows.h>

// One background thread that runs a routine and signals when it is done.
class WorkerThread {
public:
    typedef DWORD (*Routine)(void* data, DWORD value);

    WorkerThread();
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // 0 while a thread is still running, or when none could be created.
    int Start(Routine routine, void* data, DWORD value);
    // 1 when the running thread finished within timeoutMs (0: no limit),
    // pumping the caller's messages meanwhile unless pump is 0; 0 at once
    // when none runs.
    int WaitFinished(DWORD timeoutMs, int pump = 1);
    void Stop();
    DWORD Result() const { return result; }
    int Running() const { return (state & kRunning) != 0; }

private:
    static const LONG kRunning = 0x1;
    static DWORD WINAPI Entry(void* self);
    void AwaitRelease();

    void* data;
    DWORD value;
    volatile DWORD result;
    volatile LONG state;
    HANDLE thread;
    DWORD threadId;
    Routine routine;
    SyncEvent finished;
};
