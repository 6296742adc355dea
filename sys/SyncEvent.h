#pragma once
#include <windows.h>

// An unnamed event with a wait that keeps the calling thread's windows alive.
class SyncEvent {
public:
    typedef DWORD(WINAPI* TickSource)();

    SyncEvent() : owned(0), handle(nullptr) {}
    ~SyncEvent() { Close(); }
    SyncEvent(const SyncEvent&) = delete;
    SyncEvent& operator=(const SyncEvent&) = delete;

    int Create(int manualReset, int initiallySignalled);
    int Signal() { return SetEvent(handle) ? 1 : 0; }
    // 1 when signalled; 0 on time-out, failure or a quit request, which is
    // posted again for the outer message loop. timeoutMs INFINITE waits for ever.
    // tick replaces the millisecond counter in tests.
    int WaitPumping(DWORD timeoutMs, TickSource tick = GetTickCount);
    void Close();
    HANDLE Handle() const { return handle; }

private:
    int owned;
    HANDLE handle;
};
