#include "ProgramDriver.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

using namespace testsupport;

namespace {

// Starts a copy of the program in a scratch folder, waits until it shows a
// dialog (which keeps it alive) and makes it fault from outside: a thread
// started at an invalid address. Checks the report in reports (else beside
// the copy) and that its version line begins with windows.
void FaultRunningProgram(const char* name, const std::string& folder, const std::string& args, const char* windows = "",
                         std::string reports = "")
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
    std::string base = (reports.empty() ? dir : reports) + name + "_Debug.";
    std::string report = ReadWholeFile(base + "txt");
    const char* at = sizeof(void*) == 8 ? "0x0000000000000010" : "0x00000010";
    EXPECT_EQ(report.rfind(std::string("Exception 0xC0000005 at ") + at + "\r\n", 0), 0u) << report;
    EXPECT_NE(report.find(std::string("\r\nWindows Version: ") + windows), std::string::npos) << report;
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
    // A program path of 257 characters: the report's name, 6 longer, passes
    // what Windows takes, and the files go to the user's CrashDumps.
    char saved[MAX_PATH] = "";
    GetEnvironmentVariableA("LOCALAPPDATA", saved, MAX_PATH);
    std::string appData = ScratchDir("appdata");
    SetEnvironmentVariableA("LOCALAPPDATA", appData.substr(0, appData.size() - 1).c_str());
    std::string folder(257 - 14 - (TestDir() + "scratch\\").size(), 'x');
    FaultRunningProgram("Tackhouse", folder, "/ToolDeinstall", "", appData + "CrashDumps\\");
    SetEnvironmentVariableA("LOCALAPPDATA", saved);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Microsoft\\DevStudio");
}

TEST(ProgramFault, QuillmoorLeavesItsOwnReport)
{
    if (!FileExists(BuildDir() + "Quillmoor.exe"))
        GTEST_SKIP() << "Quillmoor.exe is not built";
    FaultRunningProgram("Quillmoor", "quillmoor-fault", "");
}

// Windows 8.1 and later report 6.2 to a program whose manifest does not list
// them; this one's lists them, so the report names the Windows that runs.
TEST(ProgramFault, ReportNamesWindows10)
{
    if (!FileExists(BuildDir() + "Quillmoor.exe"))
        GTEST_SKIP() << "Quillmoor.exe is not built";
    // Wine's version for this program alone, not for the tests running beside it.
    const char* key = "Software\\Wine\\AppDefaults\\Quillmoor.exe";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key, "Version", REG_SZ, "win10", 6), ERROR_SUCCESS);
    FaultRunningProgram("Quillmoor", "quillmoor-win10", "", "10.0 Build ");
    RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

// Each program's own manifest, and the test copy's made from Quillmoor's,
// declares the Windows versions it knows, system DPI awareness and that it
// runs as its caller, unvirtualised.
TEST(ProgramManifest, ListsWindowsVersionsDpiAwarenessAndExecutionLevel)
{
    const char* const needles[] = {
        "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">",
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">system</dpiAwareness>",
        "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">",
        "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>", // Vista
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>", // 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>", // 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", // 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", // 10 and 11
    };
    for (const char* program : { "Quillmoor.exe", "Tackhouse.exe", "tests\\QuillmoorAnsi.exe" }) {
        HMODULE module = LoadLibraryExA((BuildDir() + program).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST) : nullptr;
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        ASSERT_NE(loaded, nullptr) << program;
        const std::string manifest(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
        for (const char* needle : needles)
            EXPECT_NE(manifest.find(needle), std::string::npos) << program << " lacks " << needle;
        FreeLibrary(module);
    }
}

} // namespace
