// Faults in a chosen way under its own crash reporter:
//   FaultProgram read|raise|twice|locked|heaplock|loaderlock|stuck [nodbghelp]
// The faulting thread's id goes to FaultProgram.tid beside the program first;
// in "twice" the main thread faults 20 calls deep, and the second thread
// leaves FaultProgram.second just before it faults;
// in "locked" a second thread holds the heap's lock and faults while the
// report waits for that lock; in "heaplock" and "loaderlock" a second thread
// holds that lock for a minute while the program faults; in all three the
// report waits 2 s for its dump, and a fault 7 s for the report;
// in "stuck" a second thread takes the runtime's heap once the dump of a
// report written by hand has begun and keeps it, so that dump never ends; the
// report waits 2 s for it, and the fault's report comes after it.
// No wait here is longer than a minute.
#include "crash/CrashReporter.h"

#include <malloc.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

static CrashReporter crashReporter;

namespace {

// Kept from the optimiser, which could turn a known null access into a trap.
volatile ULONG_PTR zero = 0;

char programBase[MAX_PATH];
const char* mode = "";

void Note(const char* suffix, DWORD value)
{
    char name[MAX_PATH + 8];
    snprintf(name, sizeof(name), "%s.%s", programBase, suffix);
    FILE* f = fopen(name, "wb");
    if (f) {
        fprintf(f, "%lu", value);
        fclose(f);
    }
}

__attribute__((noinline)) void WriteToZero()
{
    *reinterpret_cast<volatile int*>(zero) = 1;
}

__attribute__((noinline)) int ReadFromZero()
{
    return *reinterpret_cast<volatile int*>(zero);
}

// Distinct functions, so that no two frames share a return address; the read
// after each call keeps it from becoming a jump.
template <int depth> __attribute__((noinline)) int Nest()
{
    return Nest<depth - 1>() + static_cast<int>(zero);
}

template <> __attribute__((noinline)) int Nest<0>()
{
    WriteToZero();
    return 0;
}

// Returns once the first report has begun its dump.
void AwaitDump()
{
    char dump[MAX_PATH + 16];
    snprintf(dump, sizeof(dump), "%s_Debug.dmp", programBase);
    for (int i = 0; i < 12000 && GetFileAttributesA(dump) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(5);
}

DWORD WINAPI SecondFault(void*)
{
    AwaitDump();
    Sleep(100);
    Note("second", GetCurrentThreadId());
    return ReadFromZero();
}

// The dump's collector allocates from the runtime's heap.
DWORD WINAPI HoldTheRuntimeHeap(void*)
{
    AwaitDump();
    HeapLock(reinterpret_cast<HANDLE>(_get_heap_handle()));
    Sleep(60000);
    return 0;
}

// Takes the loader's lock in "loaderlock", else the heap's; in "locked" it
// then faults itself, else it keeps the lock.
DWORD WINAPI HoldALock(void* held)
{
    typedef LONG(WINAPI * LockFn)(ULONG, ULONG*, ULONG_PTR*);
    ULONG_PTR cookie;
    LockFn lock = reinterpret_cast<LockFn>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "LdrLockLoaderLock"));
    if (strcmp(mode, "loaderlock") != 0)
        HeapLock(GetProcessHeap());
    else if (lock)
        lock(0, nullptr, &cookie);
    SetEvent(static_cast<HANDLE>(held));
    Sleep(strcmp(mode, "locked") == 0 ? 500 : 60000);
    return ReadFromZero();
}

} // namespace

int main(int argc, char** argv)
{
    GetModuleFileNameA(nullptr, programBase, MAX_PATH);
    char* dot = strrchr(programBase, '.');
    if (dot)
        *dot = 0;
    if (argc > 2 && strcmp(argv[2], "nodbghelp") == 0)
        crashReporter.Walker().SetLibraryName("qm-absent-dbghelp.dll");
    mode = argc > 1 ? argv[1] : "";
    Note("tid", GetCurrentThreadId());
    if (strcmp(mode, "read") == 0)
        return ReadFromZero();
    else if (strcmp(mode, "raise") == 0)
        RaiseException(0xE0C0FFEE, 0, 0, nullptr);
    else if (strcmp(mode, "locked") == 0 || strcmp(mode, "heaplock") == 0 || strcmp(mode, "loaderlock") == 0) {
        crashReporter.SetDumpWait(2000);
        HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE t = CreateThread(nullptr, 0, HoldALock, held, 0, nullptr);
        if (t)
            CloseHandle(t);
        WaitForSingleObject(held, 60000);
        WriteToZero();
    } else if (strcmp(mode, "stuck") == 0) {
        crashReporter.SetDumpWait(2000);
        HANDLE t = CreateThread(nullptr, 0, HoldTheRuntimeHeap, nullptr, 0, nullptr);
        if (t)
            CloseHandle(t);
        crashReporter.WriteReport(nullptr);
        ReadFromZero();
    } else if (strcmp(mode, "twice") == 0) {
        HANDLE t = CreateThread(nullptr, 0, SecondFault, nullptr, 0, nullptr);
        if (t)
            CloseHandle(t);
        Nest<20>();
    }
    return 0;
}
