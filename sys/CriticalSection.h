#pragma once
#include <windows.h>

// A lock; once deleted, Enter and Leave do nothing.
class CriticalSection {
public:
    CriticalSection() : initialised(0) { Initialize(); }
    ~CriticalSection() { Delete(); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Initialize();
    void Delete();
    void Enter();
    void Leave();

private:
    CRITICAL_SECTION section;
    int initialised;
};
