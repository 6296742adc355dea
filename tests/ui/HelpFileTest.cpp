#include "ui/HelpFile.h"

#include "TestSupport.h"
#include <gtest/gtest.h>
#include <htmlhelp.h>
#include <string>

namespace {

struct Call {
    int count = 0;
    HWND caller = nullptr;
    std::string file;
    UINT command = 99;
    DWORD_PTR data = 99;
    HWND answer = GetDesktopWindow();
} call;

HWND WINAPI RecordDisplay(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    call.count++;
    call.caller = caller;
    call.file = file;
    call.command = command;
    call.data = data;
    return call.answer;
}

int gateAnswer;
void* gateSeen[2];
int Gate(HelpFile* helpFile, void* value)
{
    gateSeen[0] = helpFile;
    gateSeen[1] = value;
    return gateAnswer;
}

std::string CurrentDirectory()
{
    char dir[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof(dir), dir);
    return std::string(dir, n < MAX_PATH ? n : 0);
}

struct Help : ::testing::Test {
    std::string saved = CurrentDirectory();
    HelpFile help;
    void SetUp() override
    {
        call = Call();
        help.SetDisplay(RecordDisplay);
    }
    void TearDown() override { SetCurrentDirectoryA(saved.c_str()); }
};

TEST_F(Help, PathIsFixedFromTheCurrentDirectoryAtBind)
{
    std::string dir = testsupport::ScratchDir("help-cwd");
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    std::string current = CurrentDirectory();
    help.Bind("Quillmoor.chm", 1, nullptr, nullptr);
    EXPECT_EQ(help.Path(), current + "\\Quillmoor.chm");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(help.Path(), current + "\\Quillmoor.chm");

    help.Bind("Quillmoor.chm", 1, nullptr, nullptr);
    EXPECT_STREQ(help.Path(), "C:\\Quillmoor.chm");
    help.Bind("Quillmoor.chm", 0, nullptr, nullptr);
    EXPECT_STREQ(help.Path(), "Quillmoor.chm");
}

TEST_F(Help, ShowHandsTopicToHtmlHelpUnlessTheGateRefuses)
{
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\windows"));
    help.Bind("Quillmoor.chm", 1, nullptr, nullptr);
    HWND caller = GetDesktopWindow();
    EXPECT_EQ(help.Show(caller, "Main.html"), 1);
    EXPECT_EQ(call.caller, caller);
    EXPECT_STRCASEEQ(call.file.c_str(), "C:\\windows\\Quillmoor.chm::/Main.html");
    EXPECT_EQ(call.command, static_cast<UINT>(HH_DISPLAY_TOPIC));
    EXPECT_EQ(call.data, 0u);
    call.answer = nullptr;
    EXPECT_EQ(help.Show(caller, "Main.html"), 0);

    int token;
    help.Bind("Quillmoor.chm", 0, Gate, &token);
    gateAnswer = 0;
    EXPECT_EQ(help.Show(caller, "Main.html"), 0);
    EXPECT_EQ(call.count, 2);
    EXPECT_EQ(gateSeen[0], &help);
    EXPECT_EQ(gateSeen[1], &token);
    gateAnswer = 1;
    help.Show(caller, "Main.html");
    EXPECT_EQ(call.count, 3);

    // The real HTML Help opens nothing for a missing file.
    HelpFile real;
    real.Bind("NoSuchHelp.chm", 0, nullptr, nullptr);
    EXPECT_EQ(real.Show(nullptr, "Main.html"), 0);
}

// A chain of folders below base whose full path has exactly `length` characters.
std::string DeepFolder(const std::string& base, size_t length)
{
    std::string path = base.substr(0, base.size() - 1);
    while (path.size() < length) {
        size_t chunk = length - path.size();
        if (chunk > 101)
            chunk = chunk - 101 == 1 ? 100 : 101;
        path += "\\" + std::string(chunk - 1, 'd');
        CreateDirectoryA(path.c_str(), nullptr);
    }
    return path;
}

TEST_F(Help, OnlyTheFilesPathMustFit)
{
    std::string base = testsupport::ScratchDir("help-deep");
    ASSERT_LT(base.size(), 150u);

    // 245 + "\Quillmoor.chm" is a path of 259 characters: the topic goes beyond it.
    std::string dir = DeepFolder(base, 245);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    help.Bind("Quillmoor.chm", 1, nullptr, nullptr);
    EXPECT_EQ(help.Path(), dir + "\\Quillmoor.chm");
    EXPECT_EQ(help.Show(nullptr, "Main.html"), 1);
    EXPECT_EQ(call.file, dir + "\\Quillmoor.chm::/Main.html");

    // From 246 characters on the file name no longer fits; at 259, which Wine
    // accepts as a current directory, not even the backslash does.
    for (size_t length : { 246u, 259u }) {
        dir = DeepFolder(base, length);
        ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str())) << length;
        help.Bind("Quillmoor.chm", 1, nullptr, nullptr);
        EXPECT_STREQ(help.Path(), "") << length;
        EXPECT_EQ(help.Show(nullptr, "Main.html"), 0);
    }
    EXPECT_EQ(call.count, 1);
    SetCurrentDirectoryA(saved.c_str());
    testsupport::RemoveTree(base);
}

} // namespace
