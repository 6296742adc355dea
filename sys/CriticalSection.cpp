#include "sys/CriticalSection.h"

void CriticalSection::Initialize()
{
    if (!initialised) {
        initialised = 1;
        InitializeCriticalSection(&section);
    }
}

void CriticalSection::Delete()
{
    if (initialised) {
        initialised = 0;
        DeleteCriticalSection(&section);
    }
}

void CriticalSection::Enter()
{
    if (initialised)
        EnterCriticalSection(&section);
}

void CriticalSection::Leave()
{
    if (initialised)
        LeaveCriticalSection(&section);
}
