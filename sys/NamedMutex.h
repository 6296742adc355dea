#pragma once
#include <windows.h>

// A mutex that processes share by name; owns its handle and, while held,
// the mutex itself.
class NamedMutex {
public:
    NamedMutex() : handle(nullptr), held(0) {}
    ~NamedMutex() { Close(); }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // Opens the mutex of that name, creating it when it does not exist yet.
    int Create(const char* name);
    // 1 when held, after waiting at most timeoutMs; a holder that ended
    // without letting go counts as gone.
    int Lock(DWORD timeoutMs);
    void Unlock();
    // Lets go of the mutex when held and closes the handle.
    void Close();

private:
    HANDLE handle;
    int held;
};
