#include "crash/CrashReporter.h"
#include "crash/StackWalker.h"

#include "TestSupport.h"
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <vector>
#include <windows.h>

using namespace testsupport;

namespace {

const char kModuleHeader[] = "    Size TimeStamp                      CheckSum   ImageBase          Versions";
const char kThreadHeader[] = "Id         StackBase          StackEnd";
const DWORD kAccessViolation = 0xC0000005;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    if (from < text.size())
        lines.push_back(text.substr(from));
    return lines;
}

std::string VersionLine()
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof(v);
    if (!GetVersionExA(&v))
        return "";
    char line[300];
    snprintf(line, sizeof(line), "Windows Version: %lu.%lu Build %lu 0x%lX %s", v.dwMajorVersion, v.dwMinorVersion,
             v.dwBuildNumber, v.dwPlatformId, v.szCSDVersion);
    return line;
}

std::string Hex16(ULONG64 value)
{
    char text[32];
    snprintf(text, sizeof(text), "0x%016llX", static_cast<unsigned long long>(value));
    return text;
}

std::string OwnReportBase()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.rfind('.'));
}

// Starts a copy of the fault program in dir and returns its exit code.
DWORD RunFaultProgram(const std::string& dir, const std::string& args)
{
    std::string exe = dir + "FaultProgram.exe";
    if (!CopyFileA((TestDir() + "FaultProgram.exe").c_str(), exe.c_str(), FALSE))
        return 0;
    std::string line = "\"" + exe + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return 0;
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

TEST(CrashTimeStamp, IsShownAsLocalDateAndTime)
{
    // The runner pins the time zone to UTC.
    struct {
        DWORD stamp;
        const char* date;
        const char* time;
    } rows[] = {
        {0, "01.01.1970", "00:00:00"},
        {1234567890, "13.02.2009", "23:31:30"},
        {0xFFFFFFFF, "07.02.2106", "06:28:15"},
    };
    for (const auto& row : rows) {
        char date[11];
        char time[9];
        CrashReporter::FormatTimeStamp(row.stamp, date, time);
        EXPECT_STREQ(date, row.date) << row.stamp;
        EXPECT_STREQ(time, row.time) << row.stamp;
    }
}

TEST(SymbolSearchPath, IsTheFolderThenTheThreeVariables)
{
    const char* names[] = {"_NT_SYMBOL_PATH", "_NT_ALTERNATE_SYMBOL_PATH", "SYSTEMROOT"};
    char saved[3][MAX_PATH] = {};
    for (int i = 0; i < 3; ++i) {
        GetEnvironmentVariableA(names[i], saved[i], MAX_PATH);
        SetEnvironmentVariableA(names[i], nullptr);
    }
    TextBuf path(512);
    ASSERT_EQ(StackWalker::BuildSearchPath(path), 1);
    EXPECT_EQ(std::string(path.Data()), TestDir());

    SetEnvironmentVariableA("_NT_SYMBOL_PATH", "srv*C:\\Symbols");
    SetEnvironmentVariableA("_NT_ALTERNATE_SYMBOL_PATH", "D:\\Alt");
    SetEnvironmentVariableA("SYSTEMROOT", "C:\\windows");
    StackWalker::BuildSearchPath(path);
    EXPECT_EQ(std::string(path.Data()), TestDir() + ";srv*C:\\Symbols;D:\\Alt;C:\\windows");

    // A value longer than a path buffer is taken whole.
    std::string longValue(300, 'x');
    SetEnvironmentVariableA("_NT_ALTERNATE_SYMBOL_PATH", longValue.c_str());
    StackWalker::BuildSearchPath(path);
    EXPECT_EQ(std::string(path.Data()), TestDir() + ";srv*C:\\Symbols;" + longValue + ";C:\\windows");

    for (int i = 0; i < 3; ++i)
        SetEnvironmentVariableA(names[i], saved[i][0] ? saved[i] : nullptr);
}

TEST(ReportText, LongTextsAreCutInsideTheirBuffers)
{
    char line[32];
    memset(line, '#', sizeof(line));
    std::string longText(100, 'a');
    int n = StackWalker::FormatLine(line, sizeof(line), "%s:%s\r\n", "mod", longText.c_str());
    EXPECT_EQ(n, 31);
    EXPECT_EQ(std::string(line, n), "mod:" + std::string(25, 'a') + "\r\n");
    EXPECT_EQ(line[31], 0);
    EXPECT_EQ(StackWalker::FormatLine(line, sizeof(line), "%s\r\n", "ok"), 4);
    EXPECT_STREQ(line, "ok\r\n");

    char name[StackWalker::kNameBytes + 4];
    memset(name, '#', sizeof(name));
    StackWalker::CopyCut(name, StackWalker::kNameBytes, std::string(600, 's').c_str());
    EXPECT_EQ(strlen(name), 259u);
    EXPECT_EQ(name[StackWalker::kNameBytes], '#');
}

__attribute__((noinline)) DWORD64 CodeAddress()
{
    return reinterpret_cast<DWORD64>(&CodeAddress);
}

TEST(StackWalker, NamesModulesAndWalksTheOwnStack)
{
    StackWalker absent("qm-absent-dbghelp.dll");
    EXPECT_EQ(absent.Bind(), 0);
    EXPECT_EQ(absent.Bound(), 0);
    EXPECT_EQ(absent.MiniDumpWriter(), nullptr);

    StackWalker walker;
    ASSERT_EQ(walker.Bind(), 1);
    EXPECT_NE(walker.MiniDumpWriter(), nullptr);
    char text[StackWalker::kNameBytes] = "untouched";
    ASSERT_EQ(walker.LookupModule(CodeAddress(), text), 1);
    EXPECT_STREQ(text, "crash_report");
    EXPECT_EQ(walker.LookupSymbol(CodeAddress(), text), 1);
    EXPECT_NE(text[0], 0);
    strcpy(text, "untouched");
    EXPECT_EQ(walker.LookupModule(0x10, text), 0);
    EXPECT_EQ(walker.LookupSymbol(0x10, text), 0);
    EXPECT_STREQ(text, "untouched");

    std::string file = ScratchDir("walk") + "stack.txt";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CONTEXT context;
    RtlCaptureContext(&context);
    walker.WalkStack(&context, h);
    walker.Unbind();
    EXPECT_EQ(walker.Bound(), 0);
    walker.WalkStack(&context, h);   // unbound: writes nothing
    CloseHandle(h);

    std::string text2 = ReadWholeFile(file);
    std::vector<std::string> lines = Lines(text2);
    ASSERT_GE(lines.size(), 2u) << text2;
    EXPECT_EQ(lines[0].rfind("crash_report:", 0), 0u) << text2;
    std::regex frame("([^:()]+:)?[^()]+\\((0x[0-9A-F]+,){3}0x[0-9A-F]+\\)( - Line [0-9]+ in .+)?");
    for (const std::string& line : lines)
        EXPECT_TRUE(std::regex_match(line, frame)) << line;
    EXPECT_EQ(text2.substr(text2.size() - 2), "\r\n");
}

TEST(CrashReport, WritesExceptionRegistersVersionAndEmptyListsWithoutDbghelp)
{
    CrashReporter reporter("qm-absent-dbghelp.dll");
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = kAccessViolation;
    record.ExceptionAddress = reinterpret_cast<void*>(0x00007FF612345678ULL);
    record.NumberParameters = 2;
    record.ExceptionInformation[0] = 1;
    record.ExceptionInformation[1] = 0xFEDCBA9876543210ULL;
    CONTEXT c = {};
    c.Rax = 0x1111111111111111ULL;
    c.Rbx = 0x2222222222222222ULL;
    c.Rcx = 0x3333333333333333ULL;
    c.Rdx = 0x4444444444444444ULL;
    c.Rsi = 0x5555555555555555ULL;
    c.Rdi = 0x6666666666666666ULL;
    c.Rsp = 0x7777777777777777ULL;
    c.Rbp = 0x8888888888888888ULL;
    c.Rip = 0x00007FF612345678ULL;
    c.R8 = 8;
    c.R9 = 9;
    c.R10 = 10;
    c.R11 = 11;
    c.R12 = 12;
    c.R13 = 13;
    c.R14 = 14;
    c.R15 = 0xF;
    c.SegCs = 0x33;
    c.SegSs = 0x2B;
    c.SegDs = 0x2B;
    c.SegEs = 0x2C;
    c.SegFs = 0x53;
    c.SegGs = 0x2D;
    c.EFlags = 0x10246;
    EXCEPTION_POINTERS pointers = {&record, &c};

    std::string base = OwnReportBase();
    DeleteFileA((base + "_Debug.dmp").c_str());
    reporter.WriteReport(&pointers);
    std::string lists = "\r\nModuleList:\r\n" + std::string(kModuleHeader) + "\r\n\r\nThreadList:\r\n" +
                        kThreadHeader + "\r\n";
    std::string expected =
        "Exception 0xC0000005 at 0x00007FF612345678\r\n"
        "write to location 0xFEDCBA9876543210\r\n"
        "RAX=0x1111111111111111, CS=0x0033, RIP=0x00007FF612345678, Flags=0x00010246\r\n"
        "RBX=0x2222222222222222, SS=0x002B, RSP=0x7777777777777777, RBP=0x8888888888888888\r\n"
        "RCX=0x3333333333333333, DS=0x002B, RSI=0x5555555555555555, FS=0x0053\r\n"
        "RDX=0x4444444444444444, ES=0x002C, RDI=0x6666666666666666, GS=0x002D\r\n"
        "R8=0x0000000000000008, R9=0x0000000000000009, R10=0x000000000000000A, R11=0x000000000000000B\r\n"
        "R12=0x000000000000000C, R13=0x000000000000000D, R14=0x000000000000000E, R15=0x000000000000000F\r\n"
        "\r\n" + VersionLine() + "\r\n"
        "\r\nStack:\r\n" + lists;
    EXPECT_EQ(ReadWholeFile(base + "_Debug.txt"), expected);
    EXPECT_FALSE(FileExists(base + "_Debug.dmp"));

    // A read, and an access violation that names no address.
    record.ExceptionInformation[0] = 0;
    reporter.WriteReport(&pointers);
    EXPECT_EQ(Lines(ReadWholeFile(base + "_Debug.txt"))[1], "read from location 0xFEDCBA9876543210");
    record.NumberParameters = 1;
    reporter.WriteReport(&pointers);
    EXPECT_EQ(Lines(ReadWholeFile(base + "_Debug.txt"))[1].substr(0, 4), "RAX=");

    // Without exception information only the version and the lists remain.
    reporter.WriteReport(nullptr);
    EXPECT_EQ(ReadWholeFile(base + "_Debug.txt"), "\r\n" + VersionLine() + "\r\n" + lists);
    DeleteFileA((base + "_Debug.txt").c_str());
}

struct Report {
    std::vector<std::string> lines;
    size_t At(const std::string& line) const
    {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == line)
                return i;
        return lines.size();
    }
};

// The common shape of a report written with dbghelp: every section present
// and every row in its format.
void CheckFullReport(const std::string& dir, const std::string& text, const char* location)
{
    Report r{Lines(text)};
    ASSERT_GE(r.lines.size(), 16u) << text;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.lines[0], m, std::regex("Exception 0xC0000005 at (0x[0-9A-F]{16})"))) << text;
    std::string address = m[1];
    EXPECT_EQ(r.lines[1], std::string(location) + " location 0x0000000000000000");
    std::string h16 = "0x[0-9A-F]{16}";
    std::string h4 = "0x[0-9A-F]{4}";
    const std::string registers[] = {
        "RAX=" + h16 + ", CS=" + h4 + ", RIP=" + address + ", Flags=0x[0-9A-F]{8}",
        "RBX=" + h16 + ", SS=" + h4 + ", RSP=" + h16 + ", RBP=" + h16,
        "RCX=" + h16 + ", DS=" + h4 + ", RSI=" + h16 + ", FS=" + h4,
        "RDX=" + h16 + ", ES=" + h4 + ", RDI=" + h16 + ", GS=" + h4,
        "R8=" + h16 + ", R9=" + h16 + ", R10=" + h16 + ", R11=" + h16,
        "R12=" + h16 + ", R13=" + h16 + ", R14=" + h16 + ", R15=" + h16,
    };
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(std::regex_match(r.lines[2 + i], std::regex(registers[i]))) << r.lines[2 + i];
    EXPECT_EQ(r.lines[8], "");
    EXPECT_EQ(r.lines[9], VersionLine());
    EXPECT_EQ(r.lines[10], "");
    EXPECT_EQ(r.lines[11], "Stack:");

    size_t modules = r.At("ModuleList:");
    size_t threads = r.At("ThreadList:");
    ASSERT_LT(modules, threads);
    ASSERT_LT(threads, r.lines.size());
    // The first frame is the faulting instruction in the program itself.
    ASSERT_LT(12u, modules - 1);
    // dbghelp may give the module name in lower case.
    EXPECT_EQ(_strnicmp(r.lines[12].c_str(), "FaultProgram:", 13), 0) << r.lines[12];
    std::regex frame("([^:()]+:)?[^()]+\\((0x[0-9A-F]+,){3}0x[0-9A-F]+\\)( - Line [0-9]+ in .+)?");
    for (size_t i = 12; i < modules - 1; ++i)
        EXPECT_TRUE(std::regex_match(r.lines[i], frame)) << r.lines[i];
    EXPECT_EQ(r.lines[modules - 1], "");

    EXPECT_EQ(r.lines[modules + 1], kModuleHeader);
    std::regex moduleRow("[ 0-9]{7}[0-9] 0x[0-9A-F]{8} [0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} "
                         "0x[0-9A-F]{8} 0x[0-9A-F]{16} [ 0-9]{3}[0-9]\\.[0-9]{4}\\.[0-9]{4}\\.[0-9]{4} "
                         "[ 0-9]{3}[0-9]\\.[0-9]{4}\\.[0-9]{4}\\.[0-9]{4} - .+");
    bool programListed = false;
    for (size_t i = modules + 2; i < threads - 1; ++i) {
        EXPECT_TRUE(std::regex_match(r.lines[i], moduleRow)) << r.lines[i];
        programListed = programListed || r.lines[i].find(" - " + dir + "FaultProgram.exe") != std::string::npos;
    }
    EXPECT_TRUE(programListed) << text;
    EXPECT_EQ(r.lines[threads - 1], "");

    EXPECT_EQ(r.lines[threads + 1], kThreadHeader);
    ASSERT_GT(r.lines.size(), threads + 2) << text;
    char faulting[16];
    snprintf(faulting, sizeof(faulting), "%08lu   ", strtoul(ReadWholeFile(dir + "FaultProgram.tid").c_str(), nullptr, 10));
    bool faultingListed = false;
    for (size_t i = threads + 2; i < r.lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(r.lines[i], std::regex("[0-9]{8}   " + h16 + " " + h16))) << r.lines[i];
        faultingListed = faultingListed || r.lines[i].rfind(faulting, 0) == 0;
    }
    EXPECT_TRUE(faultingListed) << faulting << "\n" << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

// Each dump takes seconds under Wine: one run covers the full report and a
// second thread that faults while it is written.
TEST(CrashReport, FaultLeavesOneFullReportAndDumpBesideTheProgram)
{
    std::string dir = ScratchDir("fault-write");
    EXPECT_EQ(RunFaultProgram(dir, "twice"), kAccessViolation);
    EXPECT_EQ(ReadWholeFile(dir + "FaultProgram_Debug.dmp").substr(0, 4), "MDMP");
    // The second thread's read fault came while the first report was under
    // way; it neither wrote nor cut the report of the first.
    EXPECT_TRUE(FileExists(dir + "FaultProgram.second"));
    std::string text = ReadWholeFile(dir + "FaultProgram_Debug.txt");
    EXPECT_EQ(text.find("Exception", 1), std::string::npos) << text;
    CheckFullReport(dir, text, "write to");
}

TEST(CrashReport, WithoutDbghelpNoDumpAndListsWithoutRows)
{
    std::string tail = "\r\nStack:\r\n\r\nModuleList:\r\n" + std::string(kModuleHeader) + "\r\n\r\nThreadList:\r\n" +
                       kThreadHeader + "\r\n";
    std::string dir = ScratchDir("fault-read");
    EXPECT_EQ(RunFaultProgram(dir, "read nodbghelp"), kAccessViolation);
    EXPECT_FALSE(FileExists(dir + "FaultProgram_Debug.dmp"));
    std::string text = ReadWholeFile(dir + "FaultProgram_Debug.txt");
    std::vector<std::string> lines = Lines(text);
    ASSERT_GE(lines.size(), 3u) << text;
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("Exception 0xC0000005 at 0x[0-9A-F]{16}"))) << text;
    EXPECT_EQ(lines[1], "read from location 0x0000000000000000");
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    // Another exception code has no location line.
    dir = ScratchDir("fault-raise");
    EXPECT_EQ(RunFaultProgram(dir, "raise nodbghelp"), 0xE0C0FFEEu);
    lines = Lines(ReadWholeFile(dir + "FaultProgram_Debug.txt"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("Exception 0xE0C0FFEE at 0x[0-9A-F]{16}"))) << lines[0];
    EXPECT_EQ(lines[1].substr(0, 4), "RAX=");
}

} // namespace
