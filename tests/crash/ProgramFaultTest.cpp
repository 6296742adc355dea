#include "TestSupport.h"
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

using namespace testsupport;

namespace {

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (pid != search->pid || !IsWindowVisible(window) || strcmp(cls, "#32770") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// Starts a copy of the program in a scratch folder, waits until it shows a
// dialog (which keeps it alive) and makes it fault from outside: a thread
// started at an invalid address. Returns the report beside the copy.
std::string FaultRunningProgram(const char* name, const char* folder, const std::string& args)
{
    std::string dir = ScratchDir(folder);
    std::string exe = dir + name + ".exe";
    std::string line = "\"" + exe + "\" " + args;
    STARTUPINFOA si = {sizeof(si)};
    PROCESS_INFORMATION pi = {};
    if (!CopyFileA((BuildDir() + name + ".exe").c_str(), exe.c_str(), FALSE) ||
        !CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, dir.c_str(), &si,
                        &pi)) {
        ADD_FAILURE() << "cannot start " << exe;
        return "";
    }
    WindowSearch search = {pi.dwProcessId, nullptr};
    for (int i = 0; i < 400 && !search.found; ++i, Sleep(50))
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    EXPECT_NE(search.found, nullptr);
    HANDLE thread = CreateRemoteThread(pi.hProcess, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(0x10),
                                       nullptr, 0, nullptr);
    EXPECT_NE(thread, nullptr);
    if (thread)
        CloseHandle(thread);
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    EXPECT_EQ(code, 0xC0000005u);
    std::string base = dir + name + "_Debug.";
    EXPECT_EQ(ReadWholeFile(base + "dmp").substr(0, 4), "MDMP");
    std::string report = ReadWholeFile(base + "txt");
    EXPECT_EQ(report.rfind("Exception 0xC0000005 at 0x0000000000000010\r\n", 0), 0u) << report;
    EXPECT_NE(report.find(" - " + exe + "\r\n"), std::string::npos) << report;
    return report;
}

TEST(ProgramFault, TackhouseLeavesItsOwnReport)
{
    // The deinstall warning keeps Tackhouse alive; it needs the tool list.
    HKEY key;
    const char* tools = "Software\\Microsoft\\DevStudio\\6.0\\Tools";
    DWORD count = 1;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, tools, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "NumTools", 0, REG_DWORD, reinterpret_cast<BYTE*>(&count), 4);
    RegCloseKey(key);
    FaultRunningProgram("Tackhouse", "tackhouse-fault", "/ToolDeinstall");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\DevStudio");
}

TEST(ProgramFault, QuillmoorLeavesItsOwnReport)
{
    if (!FileExists(BuildDir() + "Quillmoor.exe"))
        GTEST_SKIP() << "Quillmoor.exe is not built";
    FaultRunningProgram("Quillmoor", "quillmoor-fault", "");
}

} // namespace
