#include "ProgramDriver.h"
#include "QuillmoorSession.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const char kCaption[] = "Quillmoor [1.04]";

std::string FirstLine(const std::string& text)
{
    size_t end = text.find('\n');
    std::string line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

struct Session {
    std::string dir = ScratchDir("program");
    ProgramDriver program;
    HWND dialog = nullptr;

    void Start(const std::string& arguments)
    {
        QuillmoorSession::ClearSettings();
        ASSERT_TRUE(program.Start(BuildDir() + "Quillmoor.exe", arguments, dir, dir + "out.txt"));
        dialog = program.WaitForWindow(kCaption);
        ASSERT_NE(dialog, nullptr);
    }
    std::string Field(int id) { return ProgramDriver::Text(GetDlgItem(dialog, id)); }
    std::string Output() { return ReadWholeFile(dir + "out.txt"); }
};

TEST(Program, StartsWithTheArgumentAndClosesWithZero)
{
    struct Case {
        const char* arguments;
        const char* local;
        const char* project;
        UINT closeMessage;
        WPARAM closeParam;
    } cases[] = {
        { "", "", "", WM_COMMAND, IDCANCEL },
        { "C:\\work\\proj", "C:\\work\\proj", "proj", WM_CLOSE, 0 },
        // The runtime reads a doubled backslash before the closing quote as one.
        { "\"C:\\My Work\\App\\\\\"", "C:\\My Work\\App\\", "App\\", WM_COMMAND, IDCLOSE },
        { "C:\\one C:\\two", "", "", WM_SYSCOMMAND, SC_CLOSE },
        // Visual Studio's unquoted workspace folder ("@" stands for the test's folder).
        { "@My Projects\\App ", "@My Projects\\App", "App", WM_CLOSE, 0 },
        // A prompt's completion, whose closing \" the runtime reads as a quote.
        { "\"@My Projects\\App\\\"", "@My Projects\\App\\", "App\\", WM_CLOSE, 0 },
    };
    for (const Case& c : cases) {
        Session run;
        auto here = [&run](std::string text) {
            size_t at = text.find('@');
            return at == std::string::npos ? text : text.replace(at, 1, run.dir);
        };
        CreateDirectoryA(here("@My Projects").c_str(), nullptr);
        CreateDirectoryA(here("@My Projects\\App").c_str(), nullptr);
        run.Start(here(c.arguments));
        if (!run.dialog)
            return;
        EXPECT_EQ(run.Field(1011), here(c.local)) << c.arguments;
        EXPECT_EQ(run.Field(1013), c.project) << c.arguments;
        EXPECT_EQ(run.Field(1006), "latest");
        EXPECT_FALSE(IsDlgButtonChecked(run.dialog, 1016));
        PostMessageA(run.dialog, c.closeMessage, c.closeParam, 0);
        EXPECT_EQ(run.program.WaitExit(), 0u) << c.arguments;
        EXPECT_EQ(FirstLine(run.Output()), "Quillmoor.");
    }
}

TEST(Program, EnterDoesNotCloseTheDialog)
{
    Session run;
    run.Start("");
    if (!run.dialog)
        return;
    PostMessageA(run.dialog, WM_COMMAND, IDOK, 0);
    ProgramDriver::Settle(run.dialog);
    EXPECT_TRUE(IsWindow(run.dialog));
    PostMessageA(run.dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(run.program.WaitExit(), 0u);
}

// A real F1 key press over the Local Folder field.
bool HelpOpens(ProgramDriver& program, HWND dialog, const char* title = "Quillmoor Help")
{
    HWND edit = FindWindowExA(GetDlgItem(dialog, 1011), nullptr, "Edit", nullptr);
    SetForegroundWindow(dialog);
    SetFocus(edit);
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_F1;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    for (int i = 0; i < 40; ++i) {
        if (program.FindWindowOf(title, "HH Parent"))
            return true;
        Sleep(50);
    }
    return false;
}

TEST(Program, F1OpensTheHelpFromTheFolderCurrentAtStartElseFromBesideTheProgram)
{
    // The copy in the start folder has a title of its own, to tell it from the one beside the program.
    Session run;
    std::string help = ReadWholeFile(BuildDir() + "Quillmoor.chm");
    WriteWholeFile(run.dir + "Quillmoor.chm", help.replace(help.find("Quillmoor Help"), 14, "Quillmoor Here"));
    run.Start("");
    if (!run.dialog)
        return;
    EXPECT_TRUE(HelpOpens(run.program, run.dialog, "Quillmoor Here"));
    run.program.Kill();

    Session elsewhere;
    elsewhere.Start("");
    if (!elsewhere.dialog)
        return;
    EXPECT_TRUE(HelpOpens(elsewhere.program, elsewhere.dialog));
    PostMessageA(elsewhere.dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(elsewhere.program.WaitExit(), 0u);
}

// A program folder in any language, within 259 characters but over 259
// bytes: the version, the client, the help and the crash report are all
// found beside the program.
TEST(Program, RunsFromAFolderInAnyLanguage)
{
    const std::string start = ScratchDir("own-folder");
    const std::wstring dir = Wide(start) + std::wstring(117, L'\u0142') + L"\\";
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    for (const char* file : { "Quillmoor.exe", "Quillmoor.chm" })
        ASSERT_TRUE(CopyFileW(Wide(BuildDir() + file).c_str(), (dir + Wide(file)).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Wide(TestDir() + "FakeClient.exe").c_str(), (dir + L"svn.exe").c_str(), FALSE));
    QuillmoorSession::ClearSettings();
    ProgramDriver program;
    ASSERT_TRUE(program.Start(dir + L"Quillmoor.exe", L"", Wide(start), Wide(start + "out.txt")));
    HWND dialog = program.WaitForWindow(nullptr, 20000, "#32770");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ProgramDriver::Text(dialog), kCaption);

    ProgramDriver::SetText(GetDlgItem(dialog, 1011), start);
    ProgramDriver::SetText(GetDlgItem(dialog, 1013), "App");
    ProgramDriver::SetText(GetDlgItem(dialog, 1014), "R");
    SendMessageA(GetDlgItem(dialog, 1017), BM_CLICK, 0, 0);
    program.Press(dialog, 1010);
    EXPECT_EQ(ReadWholeFile(dir + L"svn.log").rfind("params=status ", 0), 0u);
    EXPECT_TRUE(HelpOpens(program, dialog));

    EXPECT_TRUE(program.InjectFault());
    EXPECT_EQ(program.WaitExit(60000), 0xC0000005u);
    EXPECT_EQ(ReadWholeFile(dir + L"Quillmoor_Debug.txt").rfind("Exception 0xC0000005 at ", 0), 0u);
    if (!UnderX86Emulation())
        EXPECT_EQ(ReadWholeFile(dir + L"Quillmoor_Debug.dmp").substr(0, 4), "MDMP");
}

} // namespace
