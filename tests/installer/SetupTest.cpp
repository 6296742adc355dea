#include "TestSupport.h"
#include <gtest/gtest.h>
#include <string>
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <wrl/client.h>

using namespace testsupport;

namespace {

const char kStudioKey[] = "Software\\Microsoft\\DevStudio";
const char kToolsKey[] = "Software\\Microsoft\\DevStudio\\6.0\\Tools";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillmoor";
const char kWarning[] = "Sorry, but you must deinstall the 'Quillmoor' tool entry in Visual Studio by hand...";
const char* const kInstalled[] = {"Quillmoor.exe", "Tackhouse.exe", "Quillmoor.chm", "ReadMe.txt", "Uninstall.exe"};

std::string SetupPath()
{
    return BuildDir() + (sizeof(void*) == 8 ? "QuillmoorSetup-x64.exe" : "QuillmoorSetup-x86.exe");
}

// A string value as stored (terminator dropped), "<missing>" when absent.
std::string ReadString(HKEY root, const char* key, const char* name)
{
    char data[1024];
    DWORD size = sizeof(data);
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}

DWORD ReadDword(const char* name)
{
    DWORD value = 0xDEAD, size = 4;
    RegGetValueA(HKEY_CURRENT_USER, kToolsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

int ToolValueCount()
{
    return ValueCount(kToolsKey);
}

// "<target>|<working folder>" of the all-users Start menu entry, "|" without one.
std::string StartMenuEntry()
{
    char programs[MAX_PATH] = "", target[MAX_PATH] = "", folder[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs);
    std::string path = programs + std::string("\\Quillmoor.lnk");
    Microsoft::WRL::ComPtr<IShellLinkA> link;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    CoInitialize(nullptr);
    if (SUCCEEDED(CoCreateInstance(__uuidof(ShellLink), nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) &&
        SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Load(std::wstring(path.begin(), path.end()).c_str(), STGM_READ))) {
        link->GetPath(target, MAX_PATH, nullptr, 0);
        link->GetWorkingDirectory(folder, MAX_PATH);
    }
    return std::string(target) + "|" + folder;
}

// The uninstaller hands over to a copy of itself and returns at once; the copy
// removes the uninstall entry as its last step.
bool WaitForUninstall()
{
    for (int i = 0; i < 1200; ++i, Sleep(50)) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return true;
        RegCloseKey(key);
    }
    return false;
}

// A visible top-level window of another process with this caption, or with
// a caption that begins with it.
struct WindowSearch {
    const char* caption;
    bool prefix;
    HWND found;
};

BOOL CALLBACK FindWindowByCaption(HWND window, LPARAM param)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    char caption[128] = "";
    GetWindowTextA(window, caption, sizeof(caption));
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    size_t n = search->prefix ? strlen(search->caption) : sizeof(caption);
    if (pid == GetCurrentProcessId() || strncmp(caption, search->caption, n) != 0 || !IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND WaitForWindow(const char* caption, bool prefix)
{
    WindowSearch search = {caption, prefix, nullptr};
    for (int i = 0; i < 1200 && !search.found; ++i, Sleep(50))
        EnumWindows(FindWindowByCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A failed case must not leave a setup, an uninstaller or Tackhouse waiting for
// a click: each would hold the test's output open. The uninstaller's copy runs
// from a temporary folder under the name "Un.exe"; the others from the build
// folder or the installed one.
void EndLeftovers(const std::string& folder)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {sizeof(entry)};
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        char image[MAX_PATH] = "";
        DWORD size = sizeof(image);
        QueryFullProcessImageNameA(process, 0, image, &size);
        std::string path = image;
        if (_stricmp(entry.szExeFile, "Un.exe") == 0 || _stricmp(path.c_str(), SetupPath().c_str()) == 0 ||
            _strnicmp(path.c_str(), (folder + "\\").c_str(), folder.size() + 1) == 0)
            TerminateProcess(process, 1);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
}

// Visual Studio has run once: its tool list holds two entries of its own.
class Setup : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kToolsKey, &key), ERROR_SUCCESS);
        const DWORD two = 2;
        RegSetValueExA(key, "NumTools", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4);
        RegSetValueExA(key, "MenuName#1", 0, REG_SZ, reinterpret_cast<const BYTE*>("Other"), 6);
        RegCloseKey(key);
        folder = ScratchDir("setup") + "Quillmoor Tools";
    }
    void TearDown() override
    {
        EndLeftovers(folder);
        Clean();
    }
    static void Clean()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kStudioKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kUninstallKey);
    }

    // /D must come last and unquoted, even with blanks in the folder.
    void Install() { ASSERT_EQ(RunAndWait("\"" + SetupPath() + "\" /S /D=" + folder), 0u); }

    std::string folder;
};

TEST_F(Setup, SilentInstallPlacesTheProgramsAndAppendsTheToolEntry)
{
    Install();
    for (const char* name : kInstalled)
        EXPECT_TRUE(FileExists(folder + "\\" + name)) << name;
    // The package's files, whose programs the package check finds stripped.
    for (const char* name : {"Quillmoor.exe", "Tackhouse.exe", "Quillmoor.chm"})
        EXPECT_EQ(ReadWholeFile(folder + "\\" + name), ReadWholeFile(BuildDir() + "installer\\package\\" + name))
            << name;

    // Tackhouse got the path unquoted: the entry holds it exactly.
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kToolsKey, "PathName#2"), folder + "\\Quillmoor.exe");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kToolsKey, "MenuName#2"), "Quillmoor");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kToolsKey, "MenuName#1"), "Other");
    EXPECT_EQ(ReadDword("NumTools"), 3u);
    EXPECT_EQ(ToolValueCount(), 13);

    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"), "\"" + folder + "\\Uninstall.exe\"");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), folder);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "1.04");
    EXPECT_EQ(StartMenuEntry(), folder + "\\Quillmoor.exe|" + folder);

    // The clients the user put beside the program survive an uninstall, and so does their folder.
    ASSERT_TRUE(PlaceFakeClient(folder + "\\", "cvs.exe"));
    EXPECT_EQ(RunAndWait("\"" + folder + "\\Uninstall.exe\" /S"), 0u);
    ASSERT_TRUE(WaitForUninstall());
    for (const char* name : kInstalled)
        EXPECT_FALSE(FileExists(folder + "\\" + name)) << name;
    EXPECT_TRUE(FileExists(folder + "\\cvs.exe"));
    EXPECT_EQ(StartMenuEntry(), "|");

    // Only the user can take the entry off the menu: the tool list stays as it was.
    EXPECT_EQ(ReadDword("NumTools"), 3u);
    EXPECT_EQ(ToolValueCount(), 13);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kToolsKey, "PathName#2"), folder + "\\Quillmoor.exe");
}

TEST_F(Setup, AttendedUninstallPassesOnTackhousesWarning)
{
    Install();
    EXPECT_EQ(RunAndWait("\"" + folder + "\\Uninstall.exe\""), 0u);
    HWND wizard = WaitForWindow("Quillmoor 1.04 Uninstall", true);
    ASSERT_NE(wizard, nullptr);
    PostMessageA(wizard, WM_COMMAND, IDOK, 0);

    HWND box = WaitForWindow("Quillmoor", false);
    ASSERT_NE(box, nullptr);
    char text[256] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    EXPECT_STREQ(text, kWarning);
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    ASSERT_TRUE(WaitForUninstall());
    EXPECT_FALSE(FileExists(folder));
    EXPECT_EQ(ReadDword("NumTools"), 3u);
    EXPECT_EQ(ToolValueCount(), 13);
}

TEST(SetupProgram, CarriesTheProductVersion)
{
    std::string path = SetupPath();
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, &block[0]));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010004u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010004u);

    WORD* language = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", (void**)&language, &length));
    char table[64];
    snprintf(table, sizeof(table), "\\StringFileInfo\\%04x%04x\\", language[0], language[1]);
    const char* value = nullptr;
    for (const char* name : {"FileVersion", "ProductVersion"}) {
        std::string query = table + std::string(name);
        ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), (void**)&value, &length)) << name;
        EXPECT_STREQ(value, "1.04") << name;
    }
}

} // namespace
