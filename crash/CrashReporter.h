#pragma once
#include "crash/StackWalker.h"
#include "sys/SyncEvent.h"
#include "sys/UniqueFile.h"
#include "sys/WorkerThread.h"
#include <windows.h>

// The process's unhandled-exception filter: the first fault leaves a minidump
// and a text report beside the executable (else in the user's
// %LOCALAPPDATA%\CrashDumps), then the system's handling goes on.
// Define the one instance as the program's first static object.
class CrashReporter {
public:
    static const int kLineBytes = 520;

    // Installs the filter (the previous one is dropped) and starts the
    // thread that will write the report.
    explicit CrashReporter(const char* libraryName = "dbghelp.dll");
    // Ends that thread and releases dbghelp; the filter stays but no longer reports.
    ~CrashReporter();
    CrashReporter(const CrashReporter&) = delete;
    CrashReporter& operator=(const CrashReporter&) = delete;

    StackWalker& Walker() { return walker; }
    // How long a report waits for its minidump before it goes on without it.
    void SetDumpWait(DWORD ms) { dumpWaitMs = ms; }

    // <executable without extension>_Debug.dmp and _Debug.txt, each beside
    // the executable or else in %LOCALAPPDATA%\CrashDumps, written on the
    // calling thread; pointers may be null.
    void WriteReport(EXCEPTION_POINTERS* pointers) { WriteReport(pointers, GetCurrentThreadId()); }

    static LONG WINAPI Filter(EXCEPTION_POINTERS* pointers);

    // A link time stamp as local date "dd.mm.yyyy" (dateOut: 11 bytes) and
    // time "hh:mm:ss" (timeOut: 9 bytes).
    static void FormatTimeStamp(DWORD stamp, char* dateOut, char* timeOut);

private:
    struct Records;
    struct DumpJob;
    enum DumpResult { kNoDump, kDumped, kDumpRunning };
    // Room for the longest executable path and either suffix.
    static const int kNameBytes = kFieldRoom + 16;

    // A fault's report is written by the reporter's own thread, started with
    // it, while the faulting thread only waits: another thread may hold a lock
    // (the heap's, the loader's) that writing takes. 1 when it ended in time.
    int ReportFault(EXCEPTION_POINTERS* pointers);
    // How long a fault waits for the report: its dump's wait and 5 s.
    DWORD ReportBound() const { return dumpWaitMs + 5000; }
    static DWORD ReportThreadBody(void* self, DWORD);
    void WriteReport(EXCEPTION_POINTERS* pointers, DWORD faultingThread);

    // The steps of a report.
    static void ReportBase(char* base);
    // base's file name in %LOCALAPPDATA%\CrashDumps, the folder created when
    // missing; out holds kFieldRoom bytes. 0 when there is no such folder.
    static int OtherBase(const char* base, char* out);
    static const char* ReportName(char* name, const char* base, const char* extension);
    int CreateReportFile(UniqueFile* file, const char* extension) const;
    static DumpJob& Job();
    DumpResult WriteDump(EXCEPTION_POINTERS* pointers, DWORD faultingThread, DumpJob* job);
    // Exception, registers and Windows version; the platform id (0 when unknown).
    static DWORD WriteHead(HANDLE report, EXCEPTION_POINTERS* pointers);
    // Null records give the heading alone.
    static void WriteModuleList(HANDLE report, const Records* records);
    static void WriteThreadList(HANDLE report, const Records* records, DWORD platform);

    static DWORD DumpThreadBody(void* data, DWORD value);
    static BOOL CALLBACK Collect(void* records, const PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT output);

    StackWalker walker;
    DWORD dumpWaitMs;
    // Read at start: reading the program's path takes the loader's lock.
    char base[kFieldRoom];
    EXCEPTION_POINTERS* faultPointers;
    DWORD faultThread;
    volatile LONG stopping;
    SyncEvent faulted;
    WorkerThread reportThread;
};
