#include "crash/CrashReporter.h"
#include "crash/StackWalker.h"

#include "TestSupport.h"
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>
#include <windows.h>

using namespace testsupport;

namespace {

#ifdef _WIN64
const std::string kModuleHeader = "    Size TimeStamp                      CheckSum   ImageBase          Versions";
const std::string kThreadHeader = "Id         StackBase          StackEnd";
const std::string kAddress = "0x[0-9A-F]{16}";
const std::string kNullAddress = "0x0000000000000000";
const std::string kIpName = ", RIP=";
const char* const kRegisters[] = {"RAX=", "RBX=", "RCX=", "RDX=", "R8=", "R12="};
#else
const std::string kModuleHeader = "    Size TimeStamp                      CheckSum   ImageBase  Versions";
const std::string kThreadHeader = "Id         StackBase  StackEnd";
const std::string kAddress = "0x[0-9A-F]{8}";
const std::string kNullAddress = "0x00000000";
const std::string kIpName = ", EIP=";
const char* const kRegisters[] = {"EAX=", "EBX=", "ECX=", "EDX="};
#endif
const size_t kRegisterLines = sizeof(kRegisters) / sizeof(kRegisters[0]);
const std::string kLists = "\r\nModuleList:\r\n" + kModuleHeader + "\r\n\r\nThreadList:\r\n" + kThreadHeader + "\r\n";
const std::regex kFrame("([^:()]+:)?[^()]+\\((0x[0-9A-F]+,){3}0x[0-9A-F]+\\)( - Line [0-9]+ in .+)?");

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    return lines;
}

std::string VersionLine()
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof(v);
    char line[300] = "";
    if (GetVersionExA(&v))
        snprintf(line, sizeof(line), "\r\nWindows Version: %lu.%lu Build %lu 0x%lX %s\r\n", v.dwMajorVersion,
                 v.dwMinorVersion, v.dwBuildNumber, v.dwPlatformId, v.szCSDVersion);
    return line;
}

// Runs a copy of the fault program in dir; its exit code. A run ends in
// seconds, or in half a minute when a dump is given up: a minute is ample.
DWORD RunFaultProgram(const std::string& dir, std::string args)
{
    std::string exe = dir + "FaultProgram.exe";
    CopyFileA((TestDir() + "FaultProgram.exe").c_str(), exe.c_str(), FALSE);
    return RunAndWait("\"" + exe + "\" " + args, dir, 60000);
}

TEST(CrashTimeStamp, IsShownAsLocalDateAndTime)
{
    // The runner pins the time zone to UTC.
    struct {
        DWORD stamp;
        const char* date;
        const char* time;
    } rows[] = {{0, "01.01.1970", "00:00:00"}, {1234567890, "13.02.2009", "23:31:30"},
                {0xFFFFFFFF, "07.02.2106", "06:28:15"}};
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
    for (const char* name : names)
        SetEnvironmentVariableA(name, nullptr);
    TextBuf path(512);
    ASSERT_EQ(StackWalker::BuildSearchPath(path), 1);
    EXPECT_EQ(std::string(path.Data()), TestDir());

    // A value longer than a path buffer is taken whole.
    std::string longValue(300, 'x');
    SetEnvironmentVariableA("_NT_SYMBOL_PATH", "srv*C:\\Symbols");
    SetEnvironmentVariableA("_NT_ALTERNATE_SYMBOL_PATH", longValue.c_str());
    SetEnvironmentVariableA("SYSTEMROOT", "C:\\windows");
    StackWalker::BuildSearchPath(path);
    EXPECT_EQ(std::string(path.Data()), TestDir() + ";srv*C:\\Symbols;" + longValue + ";C:\\windows");
}

TEST(ReportText, LongTextsAreCutInsideTheirBuffers)
{
    char line[32];
    int n = StackWalker::FormatLine(line, sizeof(line), "%s:%s\r\n", "mod", std::string(100, 'a').c_str());
    EXPECT_EQ(std::string(line, n + 1), "mod:" + std::string(25, 'a') + "\r\n" + '\0');
    EXPECT_EQ(StackWalker::FormatLine(line, sizeof(line), "%s\r\n", "ok"), 4);
    // A cut never leaves a lead byte without its trail byte (0x95 0x5C is one
    // character in code page 932).
    std::string dbcs;
    for (int i = 0; i < 20; ++i)
        dbcs += "\x95\x5c";
    n = StackWalker::FormatLine(line, sizeof(line), "%s\r\n", dbcs.c_str());
    EXPECT_EQ(std::string(line, n), dbcs.substr(0, GetACP() == 932 ? 28 : 29) + "\r\n");

    char name[StackWalker::kNameBytes + 1];
    name[StackWalker::kNameBytes] = '#';
    StackWalker::CopyCut(name, StackWalker::kNameBytes, std::string(600, 's').c_str());
    EXPECT_EQ(strlen(name), 259u);
    EXPECT_EQ(name[StackWalker::kNameBytes], '#');
}

TEST(StackWalker, BindsAndNamesModules)
{
    StackWalker walker;
    int bound = walker.Bind();
    if (!bound && UnderX86Emulation())
        GTEST_SKIP() << kEmulatedDbghelp;
    ASSERT_EQ(bound, 1);
    EXPECT_NE(walker.MiniDumpWriter(), nullptr);
    char text[StackWalker::kNameBytes] = "untouched";
    EXPECT_EQ(walker.LookupModule(reinterpret_cast<DWORD64>(&Lines), text), 1);
    EXPECT_STREQ(text, "crash");
    EXPECT_EQ(walker.LookupSymbol(reinterpret_cast<DWORD64>(&Lines), text), 1);
    strcpy(text, "untouched");
    EXPECT_EQ(walker.LookupSymbol(0x10, text), 0);
    EXPECT_STREQ(text, "untouched");
    walker.Unbind();
    EXPECT_EQ(walker.MiniDumpWriter(), nullptr);
}

TEST(CrashReport, ExactLinesOfAGivenExceptionWithoutDbghelp)
{
    CrashReporter reporter("qm-absent-dbghelp.dll");
    CONTEXT c = {};
    c.EFlags = 0x10246;
    c.SegCs = 0x33, c.SegSs = 0x2B, c.SegDs = 0x2A, c.SegEs = 0x2C, c.SegFs = 0x53, c.SegGs = 0x2D;
#ifdef _WIN64
    EXCEPTION_RECORD record = {0xC0000005, 0, nullptr, reinterpret_cast<void*>(0x7FF612345678), 2, {1, 0xFEDCBA9876543210}};
    // Leading zeros and more than 32 bits: a narrower field or a cut value shows.
    c.Rax = 0x0000001111111111;
    c.Rbx = 0x0000002222222222;
    c.Rcx = 0x0000003333333333;
    c.Rdx = 0x0000004444444444;
    c.Rsi = 0x0000005555555555;
    c.Rdi = 0x0000006666666666;
    c.Rsp = 0x0000007777777777;
    c.Rbp = 0x0000008888888888;
    c.Rip = 0x7FF612345678;
    c.R8 = 8, c.R9 = 9, c.R10 = 10, c.R11 = 11, c.R12 = 12, c.R13 = 13, c.R14 = 14, c.R15 = 15;
    const std::string lines = "Exception 0xC0000005 at 0x00007FF612345678\r\n"
                              "write to location 0xFEDCBA9876543210\r\n"
                              "RAX=0x0000001111111111, CS=0x0033, RIP=0x00007FF612345678, Flags=0x00010246\r\n"
                              "RBX=0x0000002222222222, SS=0x002B, RSP=0x0000007777777777, RBP=0x0000008888888888\r\n"
                              "RCX=0x0000003333333333, DS=0x002A, RSI=0x0000005555555555, FS=0x0053\r\n"
                              "RDX=0x0000004444444444, ES=0x002C, RDI=0x0000006666666666, GS=0x002D\r\n"
                              "R8=0x0000000000000008, R9=0x0000000000000009, R10=0x000000000000000A, R11=0x000000000000000B\r\n"
                              "R12=0x000000000000000C, R13=0x000000000000000D, R14=0x000000000000000E, R15=0x000000000000000F\r\n";
    const std::string location = "0xFEDCBA9876543210";
#else
    EXCEPTION_RECORD record = {0xC0000005, 0, nullptr, reinterpret_cast<void*>(0x00412345), 2, {1, 0xFEDCBA98}};
    c.Eax = 0x00111111, c.Ebx = 0x00222222, c.Ecx = 0x00333333, c.Edx = 0x00444444;
    c.Esi = 0x00555555, c.Edi = 0x00666666, c.Esp = 0x0012FF40, c.Ebp = 0x0012FF88, c.Eip = 0x00412345;
    const std::string lines = "Exception 0xC0000005 at 0x00412345\r\n"
                              "write to location 0xFEDCBA98\r\n"
                              "EAX=0x00111111, CS=0x0033, EIP=0x00412345, Flags=0x00010246\r\n"
                              "EBX=0x00222222, SS=0x002B, ESP=0x0012FF40, EBP=0x0012FF88\r\n"
                              "ECX=0x00333333, DS=0x002A, ESI=0x00555555, FS=0x0053\r\n"
                              "EDX=0x00444444, ES=0x002C, EDI=0x00666666, GS=0x002D\r\n";
    const std::string location = "0xFEDCBA98";
#endif
    EXCEPTION_POINTERS pointers = {&record, &c};

    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string base = path;
    base.resize(base.rfind('.'));
    reporter.WriteReport(&pointers);
    EXPECT_EQ(ReadWholeFile(base + "_Debug.txt"), lines + VersionLine() + "\r\nStack:\r\n" + kLists);
    EXPECT_FALSE(FileExists(base + "_Debug.dmp"));

    record.ExceptionInformation[0] = 0;
    reporter.WriteReport(&pointers);
    EXPECT_EQ(Lines(ReadWholeFile(base + "_Debug.txt"))[1], "read from location " + location);
    // An access violation that names no address, and no exception at all.
    record.NumberParameters = 1;
    reporter.WriteReport(&pointers);
    EXPECT_EQ(Lines(ReadWholeFile(base + "_Debug.txt"))[1].substr(0, 4), kRegisters[0]);
    reporter.WriteReport(nullptr);
    EXPECT_EQ(ReadWholeFile(base + "_Debug.txt"), VersionLine() + kLists);
    DeleteFileA((base + "_Debug.txt").c_str());
}

// Each dump takes seconds under Wine: one run covers the full report and a
// second thread that faults while it is written.
TEST(CrashReport, FaultLeavesOneFullReportAndDumpBesideTheProgram)
{
    // Under code page 932 the folder's name has a double-byte character.
    std::string dir = ScratchDir(GetACP() == 932 ? "fault-twice-\x95\x5cx" : "fault-twice");
    EXPECT_EQ(RunFaultProgram(dir, "twice"), 0xC0000005u);
    std::string text = ReadWholeFile(dir + "FaultProgram_Debug.txt");
    std::vector<std::string> lines = Lines(text);
    ASSERT_GE(lines.size(), kRegisterLines + 6) << text;

    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, std::regex("Exception 0xC0000005 at (" + kAddress + ")"))) << text;
    EXPECT_EQ(lines[1], "write to location " + kNullAddress);
    EXPECT_NE(lines[2].find(kIpName + m[1].str() + ", "), std::string::npos) << lines[2];
    for (size_t r = 0; r < kRegisterLines; ++r)
        EXPECT_EQ(lines[2 + r].rfind(kRegisters[r], 0), 0u) << lines[2 + r];
    std::string middle = VersionLine() + "\r\nStack:\r\n";
    EXPECT_EQ(text.substr(text.find("\r\n\r\n") + 2, middle.size()), middle);
    if (UnderX86Emulation()) {
        // Without symbols there is no dump, and so no second fault during it.
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), kLists.size())), kLists);
        GTEST_SKIP() << kEmulatedDbghelp;
    }

    EXPECT_EQ(ReadWholeFile(dir + "FaultProgram_Debug.dmp").substr(0, 4), "MDMP");
    // The second thread's fault came while the report was under way; it
    // neither wrote a report of its own nor cut the first one short.
    EXPECT_TRUE(FileExists(dir + "FaultProgram.second"));
    ASSERT_GE(lines.size(), 20u) << text;
    EXPECT_EQ(text.find("Exception", 1), std::string::npos) << text;

    // The first frame is the faulting instruction; dbghelp may give the module in lower case.
    size_t i = kRegisterLines + 6;
    EXPECT_EQ(_strnicmp(lines[i].c_str(), "FaultProgram:", 13), 0) << lines[i];
    for (; i < lines.size() && !lines[i].empty(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], kFrame)) << lines[i];
    EXPECT_GE(i - (kRegisterLines + 6), 20u) << "the fault came 20 calls deep\n" << text;
    ASSERT_LT(i + 3, lines.size());
    EXPECT_EQ(lines[i + 1], "ModuleList:");
    EXPECT_EQ(lines[i + 2], kModuleHeader);
    std::regex moduleRow("[ 0-9]{7}[0-9] 0x[0-9A-F]{8} [0-9]{2}\\.[0-9]{2}\\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} "
                         "0x[0-9A-F]{8} " + kAddress + "( [ 0-9]{3}[0-9](\\.[0-9]{4}){3}){2} - .+");
    int programRows = 0;
    for (i += 3; i < lines.size() && !lines[i].empty(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], moduleRow)) << lines[i];
        programRows += lines[i].find(" - " + dir + "FaultProgram.exe") != std::string::npos;
    }
    EXPECT_EQ(programRows, 1) << text;

    ASSERT_LT(i + 2, lines.size());
    EXPECT_EQ(lines[i + 1], "ThreadList:");
    EXPECT_EQ(lines[i + 2], kThreadHeader);
    char faulting[16];
    snprintf(faulting, sizeof(faulting), "%08lu   ", strtoul(ReadWholeFile(dir + "FaultProgram.tid").c_str(), 0, 10));
    int faultingRows = 0;
    for (i += 3; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex("[0-9]{8}   " + kAddress + " " + kAddress))) << lines[i];
        faultingRows += lines[i].rfind(faulting, 0) == 0;
    }
    EXPECT_EQ(faultingRows, 1) << faulting << "\n" << text;
}

TEST(CrashReport, AFaultWhileAnotherThreadHoldsALockEndsTheProgramInTime)
{
    // The report waits for the lock; the fault waits 7 s for the report, then
    // ends the process with its code.
    std::string dir;
    for (const char* lock : {"locked", "heaplock", "loaderlock"}) {
        dir = ScratchDir(std::string("fault-") + lock);
        DWORD start = GetTickCount();
        EXPECT_EQ(RunFaultProgram(dir, lock), 0xC0000005u) << lock;
        EXPECT_LT(GetTickCount() - start, 30000u) << lock;
    }
    // The loader's lock stops the report only at binding dbghelp: its head is written.
    std::string text = ReadWholeFile(dir + "FaultProgram_Debug.txt");
    EXPECT_EQ(text.rfind("Exception 0xC0000005 at ", 0), 0u) << text;
}

TEST(CrashReport, ADumpThatNeverEndsIsGivenUp)
{
    // The report goes on without the dump's lists and without the stack walk,
    // whose library the dump thread still uses; so does the fault's report
    // that follows a report whose dump was given up.
    std::string dir = ScratchDir("fault-stuck");
    EXPECT_EQ(RunFaultProgram(dir, "stuck"), 0xC0000005u);
    std::string text = ReadWholeFile(dir + "FaultProgram_Debug.txt");
    EXPECT_EQ(text.rfind("Exception 0xC0000005 at ", 0), 0u) << text;
    std::string tail = "\r\nStack:\r\n" + kLists;
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), tail.size())), tail);
}

TEST(CrashReport, WithoutDbghelpNoDumpAndListsWithoutRows)
{
    std::string dir = ScratchDir("fault-read");
    EXPECT_EQ(RunFaultProgram(dir, "read nodbghelp"), 0xC0000005u);
    EXPECT_FALSE(FileExists(dir + "FaultProgram_Debug.dmp"));
    std::string text = ReadWholeFile(dir + "FaultProgram_Debug.txt");
    std::vector<std::string> lines = Lines(text);
    ASSERT_GE(lines.size(), 3u) << text;
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("Exception 0xC0000005 at " + kAddress))) << text;
    EXPECT_EQ(lines[1], "read from location " + kNullAddress);
    std::string tail = "\r\nStack:\r\n" + kLists;
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), tail.size())), tail);

    // Another exception code has no location line.
    dir = ScratchDir("fault-raise");
    EXPECT_EQ(RunFaultProgram(dir, "raise nodbghelp"), 0xE0C0FFEEu);
    lines = Lines(ReadWholeFile(dir + "FaultProgram_Debug.txt"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("Exception 0xE0C0FFEE at " + kAddress))) << lines[0];
    EXPECT_EQ(lines[1].substr(0, 4), kRegisters[0]);
}

} // namespace
