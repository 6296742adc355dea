#include "sys/SyncEvent.h"

namespace {

// All input and all posted messages as Windows before 8 defines them: the
// headers' QS_ALLINPUT adds touch and pointer bits, which those systems
// reject with ERROR_INVALID_PARAMETER.
constexpr DWORD kWakeMask = QS_KEY | QS_MOUSE | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY |
                            QS_ALLPOSTMESSAGE | QS_RAWINPUT;
static_assert(kWakeMask == 0x05FF, "the wake mask must stay within what Windows 7 accepts");

} // namespace

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
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, kWakeMask);
        if (r == WAIT_OBJECT_0)
            return 1;
        if (r != WAIT_OBJECT_0 + 1)
            return 0;
    }
}
