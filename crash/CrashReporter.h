#pragma once
#include "crash/StackWalker.h"
#include <windows.h>

// The process's unhandled-exception filter: the first fault leaves a minidump
// and a text report beside the executable, then the system's handling goes on.
// Define the one instance as the program's first static object.
class CrashReporter {
public:
    static const int kLineBytes = 520;

    // Installs the filter; the previous one is dropped.
    explicit CrashReporter(const char* libraryName = "dbghelp.dll");
    // Releases dbghelp; the filter stays but no longer reports.
    ~CrashReporter();
    CrashReporter(const CrashReporter&) = delete;
    CrashReporter& operator=(const CrashReporter&) = delete;

    StackWalker& Walker() { return walker; }
    // How long a report waits for its minidump before it goes on without it.
    void SetDumpWait(DWORD ms) { dumpWaitMs = ms; }

    // <executable without extension>_Debug.dmp and _Debug.txt; pointers may be null.
    void WriteReport(EXCEPTION_POINTERS* pointers);

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

    // The steps of a report.
    static void ReportBase(char* base);
    static const char* ReportName(char* name, const char* base, const char* extension);
    static DumpJob& Job();
    DumpResult WriteDump(const char* base, EXCEPTION_POINTERS* pointers, DumpJob* job);
    // Exception, registers, Windows version and, when walk is 1, stack; the
    // platform id (0 when unknown).
    DWORD WriteHead(HANDLE report, EXCEPTION_POINTERS* pointers, int walk);
    // Null records give the heading alone.
    static void WriteModuleList(HANDLE report, const Records* records);
    static void WriteThreadList(HANDLE report, const Records* records, DWORD platform);

    static DWORD DumpThreadBody(void* data, DWORD value);
    static BOOL CALLBACK Collect(void* records, const PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT output);

    StackWalker walker;
    DWORD dumpWaitMs;
};
