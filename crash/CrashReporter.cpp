#include "crash/CrashReporter.h"

#include "sys/LockedList.h"
#include "ui/FileUtil.h"
#include <new>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

struct ModuleRecord : ListNode {
    char* path;
    ULONG64 base;
    ULONG32 size;
    ULONG32 checksum;
    ULONG32 timeStamp;
    VS_FIXEDFILEINFO version;
};

struct ThreadRecord : ListNode {
    ULONG32 id;
    ULONG64 stackBase;
    ULONG64 stackEnd;
};


enum { kNoReport, kReportRunning, kReportDone };

CrashReporter* reporter = nullptr;
volatile LONG reportState = kNoReport;
volatile DWORD writerThread = 0;
volatile DWORD dumpThread = 0;

// How often a waiting second fault looks whether the report is done.
const DWORD kSecondFaultPollMs = 20;
// How often the writer looks whether the dump thread has ended.
const DWORD kDumpPollMs = 10;
// Far longer than a dump takes. A dump can stop for good: its thread
// suspends each other thread in turn, and one may hold a lock it needs.
const DWORD kDumpWaitMs = 30000;
// How long the destructor gives the report thread to end; after that it is stopped.
const DWORD kStopWaitMs = 1000;
// The exit code of a fault without an exception record.
const DWORD kUnhandledException = 0xC0000144;
const ULONG64 kSecondsFrom1601To1970 = 0x2B6109100ULL;

#ifdef _WIN64
// Addresses, registers and stack bounds at their full 64-bit width.
const char kExceptionFormat[] = "Exception 0x%08X at 0x%016I64X\r\n";
const char kLocationFormat[] = "%s location 0x%016I64X\r\n";
const char kModuleHeader[] = "    Size TimeStamp                      CheckSum   ImageBase          Versions\r\n";
const char kModuleFormat[] = "%8u 0x%08X %10.10s %8.8s 0x%08X 0x%016I64X %4d.%04d.%04d.%04d %4d.%04d.%04d.%04d - %s\r\n";
const char kThreadHeader[] = "Id         StackBase          StackEnd\r\n";
const char kThreadFormatNt[] = "%08u   0x%016I64X 0x%016I64X\r\n";
const char kThreadFormatOld[] = "0x%08X 0x%016I64X 0x%016I64X\r\n";
ULONG64 Printed(ULONG64 value) { return value; }
#else
const char kExceptionFormat[] = "Exception 0x%08X at 0x%08X\r\n";
const char kLocationFormat[] = "%s location 0x%08X\r\n";
const char kModuleHeader[] = "    Size TimeStamp                      CheckSum   ImageBase  Versions\r\n";
const char kModuleFormat[] = "%8u 0x%08X %10.10s %8.8s 0x%08X 0x%08I64X %4d.%04d.%04d.%04d %4d.%04d.%04d.%04d - %s\r\n";
const char kThreadHeader[] = "Id         StackBase  StackEnd\r\n";
const char kThreadFormatNt[] = "%08u   0x%08X 0x%08X\r\n";
const char kThreadFormatOld[] = "0x%08X 0x%08X 0x%08X\r\n";
// The 32-bit lines print the low half of a value.
unsigned Printed(ULONG64 value) { return static_cast<unsigned>(value); }
unsigned U(DWORD value) { return static_cast<unsigned>(value); }
#endif

void WriteLine(HANDLE file, const char* format, ...) __attribute__((format(ms_printf, 2, 3)));

void WriteLine(HANDLE file, const char* format, ...)
{
    char line[CrashReporter::kLineBytes];
    va_list args;
    va_start(args, format);
    int length = StackWalker::VFormatLine(line, sizeof(line), format, args);
    va_end(args);
    DWORD written;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
}

void WriteRegisters(HANDLE file, const CONTEXT* c)
{
#ifdef _WIN64
    WriteLine(file, "RAX=0x%016I64X, CS=0x%04X, RIP=0x%016I64X, Flags=0x%08X\r\n", c->Rax, c->SegCs, c->Rip,
              static_cast<unsigned>(c->EFlags));
    WriteLine(file, "RBX=0x%016I64X, SS=0x%04X, RSP=0x%016I64X, RBP=0x%016I64X\r\n", c->Rbx, c->SegSs, c->Rsp,
              c->Rbp);
    WriteLine(file, "RCX=0x%016I64X, DS=0x%04X, RSI=0x%016I64X, FS=0x%04X\r\n", c->Rcx, c->SegDs, c->Rsi, c->SegFs);
    WriteLine(file, "RDX=0x%016I64X, ES=0x%04X, RDI=0x%016I64X, GS=0x%04X\r\n", c->Rdx, c->SegEs, c->Rdi, c->SegGs);
    WriteLine(file, "R8=0x%016I64X, R9=0x%016I64X, R10=0x%016I64X, R11=0x%016I64X\r\n", c->R8, c->R9, c->R10,
              c->R11);
    WriteLine(file, "R12=0x%016I64X, R13=0x%016I64X, R14=0x%016I64X, R15=0x%016I64X\r\n", c->R12, c->R13, c->R14,
              c->R15);
#else
    WriteLine(file, "EAX=0x%08X, CS=0x%04X, EIP=0x%08X, Flags=0x%08X\r\n", U(c->Eax), U(c->SegCs), U(c->Eip),
              U(c->EFlags));
    WriteLine(file, "EBX=0x%08X, SS=0x%04X, ESP=0x%08X, EBP=0x%08X\r\n", U(c->Ebx), U(c->SegSs), U(c->Esp),
              U(c->Ebp));
    WriteLine(file, "ECX=0x%08X, DS=0x%04X, ESI=0x%08X, FS=0x%04X\r\n", U(c->Ecx), U(c->SegDs), U(c->Esi),
              U(c->SegFs));
    WriteLine(file, "EDX=0x%08X, ES=0x%04X, EDI=0x%08X, GS=0x%04X\r\n", U(c->Edx), U(c->SegEs), U(c->Edi),
              U(c->SegGs));
#endif
}

} // namespace

// What the dump reports of the process, collected while it is written.
struct CrashReporter::Records {
    Records() = default;
    ~Records() { Clear(); }
    Records(const Records&) = delete;
    Records& operator=(const Records&) = delete;

    void Clear()
    {
        while (ListNode* node = modules.Head()) {
            modules.Remove(node);
            free(static_cast<ModuleRecord*>(node)->path);
            free(node);
        }
        while (ListNode* node = threads.Head()) {
            threads.Remove(node);
            free(node);
        }
    }

    LockedList modules;
    LockedList threads;
};

// What the dump thread uses. A writer that stops waiting leaves all of it to
// that thread: it reads none of the records and frees or closes nothing.
struct CrashReporter::DumpJob {
    WorkerThread thread;
    UniqueFile file;
    Records records;
    MINIDUMP_EXCEPTION_INFORMATION exception;
    MINIDUMP_CALLBACK_INFORMATION callback;
    StackWalker::MiniDumpWriteDumpFn write;
};

CrashReporter::DumpJob& CrashReporter::Job()
{
    // Made on first use and never destroyed: it outlives a writer that gives
    // up, and the static objects of a program whose dump thread still runs.
    alignas(DumpJob) static unsigned char storage[sizeof(DumpJob)];
    static DumpJob* job = nullptr;
    if (!job)
        job = new (storage) DumpJob;
    return *job;
}

CrashReporter::CrashReporter(const char* libraryName)
    : walker(libraryName), dumpWaitMs(kDumpWaitMs), faultPointers(nullptr), faultThread(0), stopping(0)
{
    ReportBase(base);
    reporter = this;
    SetUnhandledExceptionFilter(Filter);
    // Started now: at a fault, creating a thread may wait for the loader's lock.
    if (faulted.Create(TRUE, FALSE))
        reportThread.Start(ReportThreadBody, this, 0);
}

CrashReporter::~CrashReporter()
{
    stopping = 1;
    faulted.Signal();
    reportThread.WaitFinished(kStopWaitMs, 0);
    walker.Unbind();
    if (reporter == this)
        reporter = nullptr;
}

LONG WINAPI CrashReporter::Filter(EXCEPTION_POINTERS* pointers)
{
    DWORD self = GetCurrentThreadId();
    // Taken in one step, so that two threads faulting together cannot both write.
    if (InterlockedCompareExchange(&reportState, kReportRunning, kNoReport) != kNoReport) {
        // The handling that follows ends the process: another thread's fault
        // waits until the report under way is complete. A fault of the writer
        // itself or of its dump thread must not wait for itself, and a thread
        // that holds a lock the writer needs (the heap's, the loader's) waits
        // no longer than the first fault, which then ends the process.
        if (self != writerThread && self != dumpThread && reporter) {
            const DWORD start = GetTickCount();
            while (reportState == kReportRunning && GetTickCount() - start < reporter->ReportBound())
                Sleep(kSecondFaultPollMs);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }
    if (reporter && !reporter->ReportFault(pointers)) {
        // The system's own handling may wait for the same lock as the report.
        const EXCEPTION_RECORD* record = pointers ? pointers->ExceptionRecord : nullptr;
        TerminateProcess(GetCurrentProcess(), record ? record->ExceptionCode : kUnhandledException);
    }
    InterlockedExchange(&reportState, kReportDone);
    return EXCEPTION_CONTINUE_SEARCH;
}

int CrashReporter::ReportFault(EXCEPTION_POINTERS* pointers)
{
    const DWORD self = GetCurrentThreadId();
    if (!reportThread.Running()) {
        // No thread of its own: the report is written here, without a bound.
        writerThread = self;
        WriteReport(pointers, self);
        return 1;
    }
    faultPointers = pointers;
    faultThread = self;
    faulted.Signal();
    // Without pumping: a message handler could wait for the lock that holds the report.
    reportThread.WaitFinished(ReportBound(), 0);
    return !reportThread.Running();
}

DWORD CrashReporter::ReportThreadBody(void* data, DWORD)
{
    CrashReporter* self = static_cast<CrashReporter*>(data);
    WaitForSingleObject(self->faulted.Handle(), INFINITE);
    if (self->stopping)
        return 0;
    writerThread = GetCurrentThreadId();
    self->WriteReport(self->faultPointers, self->faultThread);
    return 0;
}

void CrashReporter::WriteReport(EXCEPTION_POINTERS* pointers, DWORD faultingThread)
{
    // Created before the dump: a dump that never ends may hold a lock that
    // creating a file takes.
    UniqueFile report;
    CreateReportFile(&report, "txt");
    // Written before dbghelp is bound, which takes the loader's lock.
    const DWORD platform = report.Valid() ? WriteHead(report.Handle(), pointers) : 0;
    DumpJob& job = Job();
    // dbghelp stays with a dump still under way: no other use of it.
    DumpResult dump = kNoDump;
    if (job.thread.Running())
        dump = kDumpRunning;
    else if (walker.Bind())
        dump = WriteDump(pointers, faultingThread, &job);
    if (report.Valid()) {
        if (pointers) {
            WriteLine(report.Handle(), "\r\nStack:\r\n");
            if (dump != kDumpRunning)
                walker.WalkStack(pointers->ContextRecord, report.Handle());
        }
        const Records* records = dump == kDumped ? &job.records : nullptr;
        WriteModuleList(report.Handle(), records);
        WriteThreadList(report.Handle(), records, platform);
    }
    if (dump != kDumpRunning) {
        job.records.Clear();
        walker.Unbind();
    }
}

void CrashReporter::ReportBase(char* base)
{
    // A path not read whole could name another folder: the fallback name is safer.
    if (!FileUtil::ModuleFileName(nullptr, base)) {
        strcpy(base, "MiniDump");
    } else if (char* dot = strrchr(base, '.')) {
        *dot = 0;
    }
}

int CrashReporter::OtherBase(const char* base, char* out)
{
    // Read wide, as the program's path: a look-alike would name another folder.
    wchar_t wide[kFieldBytes];
    wchar_t back[kFieldBytes];
    const DWORD units = GetEnvironmentVariableW(L"LOCALAPPDATA", wide, kFieldBytes);
    char folder[kFieldRoom];
    if (units == 0 || units >= static_cast<DWORD>(kFieldBytes) ||
        !TextBuf::Narrow(wide, static_cast<int>(units), GetACP(), folder, kFieldRoom, back))
        return 0;
    int n = _snprintf(out, kFieldRoom, "%s\\CrashDumps", folder);
    if (n < 0 || n >= kFieldRoom)
        return 0;
    CreateDirectoryA(out, nullptr);
    n = _snprintf(out, kFieldRoom, "%s\\CrashDumps\\%s", folder, TextBuf::FileNamePart(base));
    return n >= 0 && n < kFieldRoom;
}

const char* CrashReporter::ReportName(char* name, const char* base, const char* extension)
{
    _snprintf(name, kNameBytes, "%s_Debug.%s", base, extension);
    name[kNameBytes - 1] = 0;
    return name;
}

int CrashReporter::CreateReportFile(UniqueFile* file, const char* extension) const
{
    // Beside the program, where a user looks first; else where Windows keeps
    // crash dumps: an installed program's folder takes no files of a user's.
    char name[kNameBytes];
    if (file->Create(ReportName(name, base, extension), GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS))
        return 1;
    char other[kFieldRoom];
    return OtherBase(base, other) &&
           file->Create(ReportName(name, other, extension), GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS);
}

CrashReporter::DumpResult CrashReporter::WriteDump(EXCEPTION_POINTERS* pointers, DWORD faultingThread, DumpJob* job)
{
    if (!CreateReportFile(&job->file, "dmp"))
        return kNoDump;
    job->exception.ThreadId = faultingThread;
    job->exception.ExceptionPointers = pointers;
    job->exception.ClientPointers = FALSE;
    job->callback.CallbackRoutine = Collect;
    job->callback.CallbackParam = &job->records;
    job->write = walker.MiniDumpWriter();
    DumpResult result = kNoDump;
    if (job->write && job->thread.Start(DumpThreadBody, job, 0)) {
        const DWORD start = GetTickCount();
        job->thread.WaitFinished(dumpWaitMs);
        // A quit request ends the pumping wait early; the records are read
        // only after the dump thread has stopped adding to them.
        while (job->thread.Running() && GetTickCount() - start < dumpWaitMs)
            Sleep(kDumpPollMs);
        if (job->thread.Running())
            return kDumpRunning;
        result = kDumped;
    }
    job->file.Close();
    return result;
}

DWORD CrashReporter::WriteHead(HANDLE report, EXCEPTION_POINTERS* pointers)
{
    const EXCEPTION_RECORD* record = pointers ? pointers->ExceptionRecord : nullptr;
    const CONTEXT* context = pointers ? pointers->ContextRecord : nullptr;
    if (record) {
        WriteLine(report, kExceptionFormat, static_cast<unsigned>(record->ExceptionCode),
                  Printed(reinterpret_cast<ULONG_PTR>(record->ExceptionAddress)));
        if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2)
            WriteLine(report, kLocationFormat, record->ExceptionInformation[0] ? "write to" : "read from",
                      Printed(record->ExceptionInformation[1]));
    }
    if (context)
        WriteRegisters(report, context);

    OSVERSIONINFOA version;
    memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    DWORD platform = 0;
    if (GetVersionExA(&version) == 1) {
        platform = version.dwPlatformId;
        DWORD build = (platform & VER_PLATFORM_WIN32_NT) ? version.dwBuildNumber : LOWORD(version.dwBuildNumber);
        version.szCSDVersion[sizeof(version.szCSDVersion) - 1] = 0;
        WriteLine(report, "\r\nWindows Version: %u.%u Build %u 0x%X %s\r\n",
                  static_cast<unsigned>(version.dwMajorVersion), static_cast<unsigned>(version.dwMinorVersion),
                  static_cast<unsigned>(build), static_cast<unsigned>(platform), version.szCSDVersion);
    }
    return platform;
}

void CrashReporter::WriteModuleList(HANDLE report, const Records* records)
{
    WriteLine(report, "\r\nModuleList:\r\n");
    WriteLine(report, kModuleHeader);
    for (const ListNode* node = records ? records->modules.Head() : nullptr; node; node = node->next) {
        const ModuleRecord* m = static_cast<const ModuleRecord*>(node);
        char date[11];
        char time[9];
        FormatTimeStamp(m->timeStamp, date, time);
        const VS_FIXEDFILEINFO& v = m->version;
        WriteLine(report, kModuleFormat, static_cast<unsigned>(m->size), static_cast<unsigned>(m->timeStamp), date,
                  time, static_cast<unsigned>(m->checksum), m->base, HIWORD(v.dwFileVersionMS),
                  LOWORD(v.dwFileVersionMS), HIWORD(v.dwFileVersionLS), LOWORD(v.dwFileVersionLS),
                  HIWORD(v.dwProductVersionMS), LOWORD(v.dwProductVersionMS), HIWORD(v.dwProductVersionLS),
                  LOWORD(v.dwProductVersionLS), m->path);
    }
}

void CrashReporter::WriteThreadList(HANDLE report, const Records* records, DWORD platform)
{
    WriteLine(report, "\r\nThreadList:\r\n");
    WriteLine(report, kThreadHeader);
    for (const ListNode* node = records ? records->threads.Head() : nullptr; node; node = node->next) {
        const ThreadRecord* t = static_cast<const ThreadRecord*>(node);
        WriteLine(report, (platform & VER_PLATFORM_WIN32_NT) ? kThreadFormatNt : kThreadFormatOld,
                  static_cast<unsigned>(t->id), Printed(t->stackBase), Printed(t->stackEnd));
    }
}

DWORD CrashReporter::DumpThreadBody(void* data, DWORD)
{
    // Known before dbghelp runs: a fault on this thread must not wait for the report.
    dumpThread = GetCurrentThreadId();
    DumpJob* job = static_cast<DumpJob*>(data);
    job->write(GetCurrentProcess(), GetCurrentProcessId(), job->file.Handle(), MiniDumpNormal,
               job->exception.ExceptionPointers ? &job->exception : nullptr, nullptr, &job->callback);
    return 0;
}

BOOL CALLBACK CrashReporter::Collect(void* param, const PMINIDUMP_CALLBACK_INPUT input, PMINIDUMP_CALLBACK_OUTPUT)
{
    Records* records = static_cast<Records*>(param);
    if (input->CallbackType == ModuleCallback) {
        const MINIDUMP_MODULE_CALLBACK& module = input->Module;
        ModuleRecord* m = static_cast<ModuleRecord*>(calloc(1, sizeof(ModuleRecord)));
        if (!m)
            return TRUE;
        m->base = module.BaseOfImage;
        if ((m->base >> 32) == 0xFFFFFFFF)
            m->base &= 0xFFFFFFFF;
        m->size = module.SizeOfImage;
        m->checksum = module.CheckSum;
        m->timeStamp = module.TimeDateStamp;
        m->version = module.VersionInfo;
        // In the ANSI code page, as every text of the report.
        int wide = module.FullPath ? static_cast<int>(wcslen(module.FullPath)) : 0;
        int bytes = wide ? WideCharToMultiByte(CP_ACP, 0, module.FullPath, wide, nullptr, 0, nullptr, nullptr) : 0;
        m->path = static_cast<char*>(malloc(bytes + 1));
        if (!m->path) {
            free(m);
            return TRUE;
        }
        if (bytes)
            bytes = WideCharToMultiByte(CP_ACP, 0, module.FullPath, wide, m->path, bytes, nullptr, nullptr);
        m->path[bytes > 0 ? bytes : 0] = 0;
        records->modules.Append(m);
    } else if (input->CallbackType == ThreadCallback) {
        ThreadRecord* t = static_cast<ThreadRecord*>(calloc(1, sizeof(ThreadRecord)));
        if (!t)
            return TRUE;
        t->id = input->Thread.ThreadId;
        t->stackBase = input->Thread.StackBase;
        t->stackEnd = input->Thread.StackEnd;
        records->threads.Append(t);
    }
    return TRUE;
}

void CrashReporter::FormatTimeStamp(DWORD stamp, char* dateOut, char* timeOut)
{
    ULARGE_INTEGER ticks;
    ticks.QuadPart = (static_cast<ULONG64>(stamp) + kSecondsFrom1601To1970) * 10000000ULL;
    FILETIME utc;
    utc.dwLowDateTime = ticks.LowPart;
    utc.dwHighDateTime = ticks.HighPart;
    FILETIME local;
    SYSTEMTIME t;
    memset(&t, 0, sizeof(t));
    if (FileTimeToLocalFileTime(&utc, &local))
        FileTimeToSystemTime(&local, &t);
    _snprintf(dateOut, 11, "%02u.%02u.%04u", static_cast<unsigned>(t.wDay), static_cast<unsigned>(t.wMonth),
              static_cast<unsigned>(t.wYear));
    dateOut[10] = 0;
    _snprintf(timeOut, 9, "%02u:%02u:%02u", static_cast<unsigned>(t.wHour), static_cast<unsigned>(t.wMinute),
              static_cast<unsigned>(t.wSecond));
    timeOut[8] = 0;
}
