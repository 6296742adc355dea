#include "toolreg/ToolRegistrar.h"

#include "ProgramDriver.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

using namespace testsupport;

namespace {

const char kStudioKey[] = "Software\\Microsoft\\DevStudio";
const char kText[] = "Sorry, but you must deinstall the 'Quillmoor' tool entry in Visual Studio by hand...";

struct Value {
    DWORD type = 0;
    std::string data;
};

// A value of the tool list; a missing one has type 0 and no data.
Value Read(const char* name)
{
    Value v;
    char data[1024];
    DWORD size = sizeof(data);
    if (RegGetValueA(HKEY_CURRENT_USER, ToolRegistrar::kToolsKey, name, RRF_RT_ANY | RRF_NOEXPAND, &v.type, data,
                     &size) == ERROR_SUCCESS)
        v.data.assign(data, size);
    return v;
}

std::string Dword(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), 4);
}


// The tool list of the test prefix, fresh for each test and removed after it.
class ToolList : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kStudioKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kStudioKey); }

    static void Create(const void* numTools, DWORD bytes, DWORD type = REG_DWORD)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, ToolRegistrar::kToolsKey, &key), ERROR_SUCCESS);
        if (numTools)
            RegSetValueExA(key, "NumTools", 0, type, static_cast<const BYTE*>(numTools), bytes);
        RegCloseKey(key);
    }
    static void CreateWithCount(DWORD numTools) { Create(&numTools, 4); }

    static void ExpectEntry(unsigned index, const std::string& path)
    {
        struct {
            const char* name;
            DWORD type;
            std::string data;
        } rows[] = {
            {"AskArgument#%u", REG_DWORD, Dword(0)},
            {"CloseWindow#%u", REG_DWORD, Dword(0)},
            {"DefaultArguments#%u", REG_SZ, std::string("$(WkspDir)", 11)},
            {"GUITool#%u", REG_DWORD, Dword(0)},
            {"InitialDirectory#%u", REG_SZ, std::string(1, '\0')},
            {"MenuName#%u", REG_SZ, std::string("Quillmoor", 10)},
            {"OutputRedirect#%u", REG_DWORD, Dword(1)},
            {"PathName#%u", REG_SZ, path + std::string(1, '\0')},
            {"ReloadNoPrompt#%u", REG_DWORD, Dword(0)},
            {"UseSearchPath#%u", REG_DWORD, Dword(0)},
            {"VisibleOnMenu#%u", REG_DWORD, Dword(1)},
        };
        for (const auto& row : rows) {
            char name[64];
            snprintf(name, sizeof(name), row.name, index);
            Value v = Read(name);
            EXPECT_EQ(v.type, row.type) << name;
            EXPECT_EQ(v.data, row.data) << name;
        }
    }
};

struct Box {
    HWND owner;
    std::string text;
    std::string caption;
    UINT style;
};
std::vector<Box> boxes;

int WINAPI RecordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    boxes.push_back({owner, text, caption, style});
    return IDOK;
}

TEST(ToolCommandLine, FirstSlashAfterTheProgramDecides)
{
    struct {
        const char* line;
        ToolRegistrar::Action action;
        const char* path;
    } rows[] = {
        {"\"C:\\Setup\\Tackhouse.exe\" /ToolInstall C:\\Tools\\Quillmoor.exe", ToolRegistrar::kInstall,
         "C:\\Tools\\Quillmoor.exe"},
        {"T.exe /ToolInstall \"C:\\Program Files\\Q\\Quillmoor.exe\"", ToolRegistrar::kInstall,
         "\"C:\\Program Files\\Q\\Quillmoor.exe\""},
        {"T.exe /ToolInstall C:\\Q.exe more words ", ToolRegistrar::kInstall, "C:\\Q.exe more words "},
        {"T.exe /ToolInstall\tC:\\Q.exe", ToolRegistrar::kInstall, "C:\\Q.exe"},
        {"T.exe /ToolInstallation C:\\Q.exe", ToolRegistrar::kInstall, "tion C:\\Q.exe"},
        {"T.exe /ToolInstall  C:\\Q.exe", ToolRegistrar::kInstall, " C:\\Q.exe"},
        {"T.exe /ToolInstall x", ToolRegistrar::kInstall, "x"},
        {"T.exe /ToolDeinstall", ToolRegistrar::kDeinstall, nullptr},
        {"T.exe /ToolDeinstallNow", ToolRegistrar::kDeinstall, nullptr},
        {"T.exe /ToolDeinstall /ToolInstall C:\\Q.exe", ToolRegistrar::kDeinstall, nullptr},
        // Nothing after the switch, or only the separator: no path, nothing to do.
        {"T.exe /ToolInstall", ToolRegistrar::kNothing, nullptr},
        {"T.exe /ToolInstall ", ToolRegistrar::kNothing, nullptr},
        {"T.exe /toolinstall C:\\Q.exe", ToolRegistrar::kNothing, nullptr},
        {"T.exe /TOOLDEINSTALL", ToolRegistrar::kNothing, nullptr},
        {"C:/Setup/Tackhouse.exe /ToolInstall C:\\Q.exe", ToolRegistrar::kInstall, "C:\\Q.exe"},
        {"T.exe -ToolInstall C:\\Q.exe", ToolRegistrar::kNothing, nullptr},
        {"T.exe /Tool", ToolRegistrar::kNothing, nullptr},
        {"T.exe /", ToolRegistrar::kNothing, nullptr},
        {"T.exe", ToolRegistrar::kNothing, nullptr},
        {"", ToolRegistrar::kNothing, nullptr},
    };
    for (const auto& row : rows) {
        const char* path = "untouched";
        EXPECT_EQ(ToolRegistrar::Parse(row.line, &path), row.action) << row.line;
        EXPECT_STREQ(path, row.path ? row.path : "untouched") << row.line;
    }
}

TEST_F(ToolList, InstallAppendsOneEntryPerRun)
{
    boxes.clear();
    CreateWithCount(3);
    RegistryKey key;
    ToolRegistrar registrar(key, RecordBox);
    EXPECT_EQ(registrar.Dispatch("T.exe /ToolInstall C:\\Tools\\Quillmoor.exe"), 0);
    ExpectEntry(3, "C:\\Tools\\Quillmoor.exe");
    EXPECT_EQ(Read("NumTools").data, Dword(4));
    EXPECT_EQ(Read("NumTools").type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 12);
    EXPECT_EQ(key.Handle(), nullptr);

    // The same program again: a second entry, no check for the first.
    registrar.Dispatch("T.exe /ToolInstall C:\\Tools\\Quillmoor.exe");
    ExpectEntry(4, "C:\\Tools\\Quillmoor.exe");
    EXPECT_EQ(Read("NumTools").data, Dword(5));
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 23);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ToolList, InstallIntoAnEmptyListAndWithAShortCount)
{
    CreateWithCount(0);
    RegistryKey key;
    ToolRegistrar registrar(key, RecordBox);
    registrar.Install("\"C:\\Program Files\\Q\\Quillmoor.exe\"");
    ExpectEntry(0, "\"C:\\Program Files\\Q\\Quillmoor.exe\"");
    EXPECT_EQ(Read("NumTools").data, Dword(1));

    // A count of fewer than four bytes reads with its missing bytes as zero.
    const BYTE two = 2;
    Create(&two, 1, REG_BINARY);
    registrar.Install("C:\\Q.exe");
    ExpectEntry(2, "C:\\Q.exe");
    EXPECT_EQ(Read("NumTools").data, Dword(3));
    EXPECT_EQ(Read("NumTools").type, static_cast<DWORD>(REG_DWORD));
}

DWORD WINAPI InstallQ(void* registrar)
{
    static_cast<ToolRegistrar*>(registrar)->Install("C:\\Q.exe");
    return 0;
}

TEST_F(ToolList, InstallLeavesAFullCountAndWaitsForTheListLock)
{
    CreateWithCount(MAXDWORD);
    RegistryKey key;
    ToolRegistrar registrar(key, RecordBox);
    registrar.Install("C:\\Q.exe");
    EXPECT_EQ(Read("NumTools").data, Dword(MAXDWORD));
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 1);

    // Another install holds the list: this one reads the count only after it.
    CreateWithCount(3);
    HANDLE other = CreateMutexA(nullptr, TRUE, ToolRegistrar::kListMutex);
    ASSERT_NE(other, nullptr);
    HANDLE waiting = CreateThread(nullptr, 0, InstallQ, &registrar, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(waiting, 500), static_cast<DWORD>(WAIT_TIMEOUT));
    CreateWithCount(7);
    ReleaseMutex(other);
    EXPECT_EQ(WaitForSingleObject(waiting, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    ExpectEntry(7, "C:\\Q.exe");
    CloseHandle(waiting);
    CloseHandle(other);
}

TEST_F(ToolList, InstallWritesNothingWithoutKeyOrCount)
{
    RegistryKey key;
    ToolRegistrar registrar(key, RecordBox);
    registrar.Dispatch("T.exe /ToolInstall C:\\Q.exe");
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), -1);

    Create(nullptr, 0);
    registrar.Dispatch("T.exe /ToolInstall C:\\Q.exe");
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 0);
    EXPECT_EQ(key.Handle(), nullptr);

    // A count longer than a DWORD is unreadable.
    const BYTE eight[8] = {1};
    Create(eight, 8, REG_BINARY);
    registrar.Dispatch("T.exe /ToolInstall C:\\Q.exe");
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 1);

    CreateWithCount(5);
    registrar.Dispatch("T.exe /ToolInstall");
    registrar.Dispatch("T.exe /ToolInstall ");
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 1);
    EXPECT_EQ(key.Handle(), nullptr);
}

TEST_F(ToolList, DeinstallOnlyWarnsWhenTheListHasItsCount)
{
    RegistryKey key;
    ToolRegistrar registrar(key, RecordBox);
    boxes.clear();
    EXPECT_EQ(registrar.Dispatch("T.exe /ToolDeinstall"), 0);
    EXPECT_TRUE(boxes.empty());
    Create(nullptr, 0);
    registrar.Deinstall();
    EXPECT_TRUE(boxes.empty());

    CreateWithCount(2);
    registrar.Dispatch("T.exe /ToolDeinstall /ToolInstall C:\\Q.exe");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].text, kText);
    EXPECT_EQ(boxes[0].caption, "Quillmoor");
    EXPECT_EQ(boxes[0].style, 0x30u);
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 1);
    EXPECT_EQ(Read("NumTools").data, Dword(2));
    EXPECT_EQ(key.Handle(), nullptr);
    boxes.clear();
}

// Runs a copy of Tackhouse in dir; the text of the warning box, which it then
// dismisses, goes to boxText. The exit code.
DWORD RunTackhouse(const std::string& dir, std::string args, std::string* boxText = nullptr)
{
    std::string exe = dir + "Tackhouse.exe";
    CopyFileA((BuildDir() + "Tackhouse.exe").c_str(), exe.c_str(), FALSE);
    ProgramDriver program;
    if (!program.Start(exe, args, dir))
        return 0xDEAD;
    if (boxText) {
        if (HWND box = program.WaitForWindow("Quillmoor", 20000)) {
            *boxText = ProgramDriver::MessageText(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return program.WaitExit(60000);
}

TEST_F(ToolList, TackhouseRunsTheSwitchOfItsCommandLineAndExitsWithZero)
{
    std::string dir = ScratchDir("tackhouse");
    CreateWithCount(3);
    EXPECT_EQ(RunTackhouse(dir, "/ToolInstall \"C:\\Program Files\\Quillmoor\\Quillmoor.exe\""), 0u);
    ExpectEntry(3, "\"C:\\Program Files\\Quillmoor\\Quillmoor.exe\"");
    EXPECT_EQ(Read("NumTools").data, Dword(4));
    EXPECT_EQ(RunTackhouse(dir, ""), 0u);
    EXPECT_EQ(RunTackhouse(dir, "/ToolInstall"), 0u);
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 12);

    std::string text;
    EXPECT_EQ(RunTackhouse(dir, "/ToolDeinstall", &text), 0u);
    EXPECT_EQ(text, kText);
    EXPECT_EQ(ValueCount(ToolRegistrar::kToolsKey), 12);
    EXPECT_FALSE(FileExists(dir + "Tackhouse_Debug.txt"));
}

} // namespace
