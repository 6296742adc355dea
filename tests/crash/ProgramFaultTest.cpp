#include "ProgramDriver.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

using namespace testsupport;

namespace {

// Starts a copy of the program in a scratch folder, waits until it shows a
// dialog (which keeps it alive) and makes it fault from outside: a thread
// started at an invalid address. Checks the report beside the copy.
void FaultRunningProgram(const char* name, const char* folder, const std::string& args)
{
    std::string dir = ScratchDir(folder);
    std::string exe = dir + name + ".exe";
    ProgramDriver program;
    if (!CopyFileA((BuildDir() + name + ".exe").c_str(), exe.c_str(), FALSE) || !program.Start(exe, args, dir)) {
        ADD_FAILURE() << "cannot start " << exe;
        return;
    }
    EXPECT_NE(program.WaitForWindow(nullptr, 20000, "#32770"), nullptr);
    EXPECT_TRUE(program.InjectFault());
    DWORD code = program.WaitExit(60000);

    EXPECT_EQ(code, 0xC0000005u);
    std::string base = dir + name + "_Debug.";
    std::string report = ReadWholeFile(base + "txt");
    const char* at = sizeof(void*) == 8 ? "0x0000000000000010" : "0x00000010";
    EXPECT_EQ(report.rfind(std::string("Exception 0xC0000005 at ") + at + "\r\n", 0), 0u) << report;
    if (UnderX86Emulation())
        GTEST_SKIP() << kEmulatedDbghelp;
    EXPECT_EQ(ReadWholeFile(base + "dmp").substr(0, 4), "MDMP");
    EXPECT_NE(report.find(" - " + exe + "\r\n"), std::string::npos) << report;
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
