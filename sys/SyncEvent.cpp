#include "sys/SyncEvent.h"

int SyncEvent::Create(int manualReset, int initiallySignalled)
{
    Close();
    owned = 1;
    handle = CreateEventA(nullptr, manualReset, initiallySignalled, nullptr);
    return handle != nullptr;
}

void SyncEvent::Close()
{
    if (handle && owned)
        CloseHandle(handle);
    handle = nullptr;
}

int SyncEvent::WaitPumping(DWORD timeoutMs, TickSource tick)
{
    const DWORD start = tick();
    DWORD remaining = timeoutMs;
    for (;;) {
        if (timeoutMs != INFINITE) {
            // Elapsed time in unsigned arithmetic stays right across the
            // wrap of the 32-bit counter; an absolute deadline would not.
            DWORD elapsed = tick() - start;
            if (elapsed > timeoutMs)
                return 0;
            remaining = timeoutMs - elapsed;
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return 0;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, QS_ALLINPUT | QS_ALLPOSTMESSAGE);
        if (r == WAIT_OBJECT_0)
            return 1;
        if (r != WAIT_OBJECT_0 + 1)
            return 0;
    }
}
