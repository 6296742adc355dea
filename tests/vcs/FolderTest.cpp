#include "ui/FileUtil.h"

#include "TestSupport.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>
#include <thread>
#include <vector>

using testsupport::ScratchDir;

namespace {

bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The names in a folder as the file system holds them.
std::vector<std::wstring> Entries(const std::string& folder)
{
    std::vector<std::wstring> names;
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, (folder + "*").c_str(), -1, wide, MAX_PATH);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(wide, &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L".."))
            names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

struct InFolder {
    char saved[MAX_PATH];
    explicit InFolder(const std::string& dir)
    {
        GetCurrentDirectoryA(MAX_PATH, saved);
        SetCurrentDirectoryA(dir.c_str());
    }
    ~InFolder() { SetCurrentDirectoryA(saved); }
};

TEST(CreateDirectoryChain, CreatesEveryLevelAndTheLastDecides)
{
    std::string root = ScratchDir("chain");
    EXPECT_EQ(FileUtil::CreateDirectoryChain((root + "a\\b\\c").c_str(), 0), 1);
    EXPECT_TRUE(IsFolder(root + "a\\b\\c"));
    EXPECT_EQ(FileUtil::CreateDirectoryChain((root + "a\\b\\c").c_str(), 0), 1); // all there already

    EXPECT_EQ(FileUtil::CreateDirectoryChain((root + "d\\e\\f.txt").c_str(), 1), 1);
    EXPECT_TRUE(IsFolder(root + "d\\e"));
    EXPECT_FALSE(testsupport::FileExists(root + "d\\e\\f.txt"));

    // A trailing backslash tries the folder a second time, which then exists.
    EXPECT_EQ(FileUtil::CreateDirectoryChain((root + "g\\").c_str(), 0), 1);
    EXPECT_TRUE(IsFolder(root + "g"));

    // "file" counts as existing, but nothing can be made below it.
    testsupport::WriteWholeFile(root + "file", "x");
    EXPECT_EQ(FileUtil::CreateDirectoryChain((root + "file\\sub").c_str(), 0), 0);
    EXPECT_EQ(FileUtil::CreateDirectoryChain("name.txt", 1), 0);

    // The first three characters are never split: x\y is tried as a whole and fails.
    InFolder here(root);
    EXPECT_EQ(FileUtil::CreateDirectoryChain("x\\y", 0), 0);
    EXPECT_FALSE(testsupport::FileExists(root + "x"));
}

// 0x95 0x5C is one character in code page 932 (U+8868); its trail byte is "\".
const char kTrail5C[] = "\x95\x5C";

TEST(CreateDirectoryChain, TrailByteIsNoSeparator)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs code page 932";
    // The names do not end in that character: the test cleanup would cut its 0x5C.
    std::string root = ScratchDir("chain-dbcs");
    std::string path = root + kTrail5C + "a\\x";
    EXPECT_EQ(FileUtil::CreateDirectoryChain(path.c_str(), 0), 1);
    EXPECT_EQ(Entries(root), std::vector<std::wstring>{ L"\x8868" L"a" });
    EXPECT_TRUE(IsFolder(path));

    // The search starts on a character boundary: here a character spans bytes 2 and 3.
    InFolder here(root);
    std::string relative = std::string("ab") + kTrail5C + "c";
    EXPECT_EQ(FileUtil::CreateDirectoryChain(relative.c_str(), 0), 1);
    EXPECT_EQ(Entries(root).size(), 2u);
    EXPECT_TRUE(IsFolder(root + relative));
}

TEST(AppendBackslash, OnlyWhereTheLastCharacterIsNone)
{
    char path[MAX_PATH] = "C:\\work";
    FileUtil::AppendBackslash(path);
    EXPECT_STREQ(path, "C:\\work\\");
    FileUtil::AppendBackslash(path);
    EXPECT_STREQ(path, "C:\\work\\");
    path[0] = 0;
    FileUtil::AppendBackslash(path);
    EXPECT_STREQ(path, "");

    std::string folder = std::string("C:\\") + kTrail5C;
    strcpy(path, folder.c_str());
    FileUtil::AppendBackslash(path);
    EXPECT_EQ(std::string(path), GetACP() == 932 ? folder + "\\" : folder);
}

TEST(NamesAnotherFolder, OnlyALastPartEndingInADotOrABlank)
{
    for (const char* path : { "C:\\old.", "C:\\old \\", "old...", "C:\\a/b. " })
        EXPECT_TRUE(FileUtil::NamesAnotherFolder(path)) << path;
    for (const char* path : { "C:\\old\\", "C:\\old\\.", "C:\\x. \\..", "..", "", "C:\\a.b" })
        EXPECT_FALSE(FileUtil::NamesAnotherFolder(path)) << path;
}

std::string SpecialFolder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

// Presses a button of this thread's folder dialog once it is shown. A timer
// of the thread, not a second thread: the dialog's own loop runs it.
struct BrowseDriver {
    static int button;
    static bool found;
    static const wchar_t* select; // a folder in any language to select first
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND dialog = nullptr;
        while ((dialog = FindWindowExA(nullptr, dialog, "#32770", nullptr)) != nullptr) {
            if (GetWindowThreadProcessId(dialog, nullptr) == GetCurrentThreadId() && IsWindowVisible(dialog))
                break;
        }
        if (dialog && !found) {
            found = true;
            if (select)
                SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(select));
            PostMessageA(dialog, WM_COMMAND, button, 0);
        }
    }
    UINT_PTR timer;
    explicit BrowseDriver(int pressed, const wchar_t* folder = nullptr) : timer(SetTimer(nullptr, 0, 300, Tick))
    {
        button = pressed;
        found = false;
        select = folder;
    }
    ~BrowseDriver() { KillTimer(nullptr, timer); }
};
int BrowseDriver::button;
bool BrowseDriver::found;
const wchar_t* BrowseDriver::select;

// Wine's tree now and then fails to reach a folder made moments before (or one
// in the busy build folder), so the dialog is pointed at the prefix's own folders.
TEST(BrowseForFolder, OkReturnsThePreselectedFolder)
{
    char path[MAX_PATH];
    strcpy(path, SpecialFolder(CSIDL_SYSTEM).c_str());
    {
        BrowseDriver driver(IDOK);
        EXPECT_EQ(FileUtil::BrowseForFolder(nullptr, "Please select local folder", 0, 0, path), 1);
    }
    EXPECT_STRCASEEQ(path, SpecialFolder(CSIDL_SYSTEM).c_str());

    // One character is a special-folder number.
    path[0] = char(CSIDL_WINDOWS);
    path[1] = 0;
    {
        BrowseDriver driver(IDOK);
        EXPECT_EQ(FileUtil::BrowseForFolder(nullptr, "Please select local folder", 0, 0, path), 1);
    }
    EXPECT_STRCASEEQ(path, SpecialFolder(CSIDL_WINDOWS).c_str());

    // This code page would give the look-alike "Lodz", another folder.
    const std::wstring lodz = L"C:\\windows\\temp\\\u0141\u00f3d\u017a";
    CreateDirectoryW(lodz.c_str(), nullptr);
    {
        BrowseDriver driver(IDOK, lodz.c_str());
        EXPECT_EQ(FileUtil::BrowseForFolder(nullptr, "Please select local folder", 0, 0, path), 0) << path;
    }
}

TEST(BrowseForFolder, CancelReturnsZeroAndLeavesTheCallersCom)
{
    char path[MAX_PATH] = "C:\\windows";
    {
        BrowseDriver driver(IDCANCEL);
        EXPECT_EQ(FileUtil::BrowseForFolder(nullptr, "Please select remote folder", 0, 0, path), 0);
        EXPECT_TRUE(driver.found);
    }

    // In a multithreaded apartment OLE cannot start; the browse must not end that COM.
    HRESULT again = E_FAIL;
    std::thread worker([&again] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
            return;
        char start[MAX_PATH] = "C:\\windows";
        {
            BrowseDriver driver(IDCANCEL);
            FileUtil::BrowseForFolder(nullptr, "Please select local folder", 0, 0, start);
        }
        again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoUninitialize();
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(again, S_FALSE);
}

} // namespace
