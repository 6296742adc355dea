#include "sys/NamedMutex.h"

int NamedMutex::Create(const char* name)
{
    Close();
    handle = CreateMutexA(nullptr, FALSE, name);
    return handle != nullptr;
}

int NamedMutex::Lock(DWORD timeoutMs)
{
    if (!handle || held)
        return held;
    DWORD r = WaitForSingleObject(handle, timeoutMs);
    held = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
    return held;
}

void NamedMutex::Unlock()
{
    if (held && ReleaseMutex(handle))
        held = 0;
}

void NamedMutex::Close()
{
    Unlock();
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
    held = 0;
}
