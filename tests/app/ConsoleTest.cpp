#include "QuillmoorSession.h"
#include "TestSupport.h"
#include "app/MainDialog.h"
#include "resource.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

TEST(Console, NothingHappensWithoutAConsoleWindow)
{
    MainDialog dialog;
    dialog.FindConsoleWindow();
    EXPECT_EQ(dialog.ConsoleWindow(), nullptr);
    dialog.ShowConsole(1);
    dialog.ShowConsole(0);
}

TEST(Console, FindsHidesAndShowsTheProcessConsole)
{
    WNDCLASSA cls = {};
    cls.lpfnWndProc = DefWindowProcA;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "ConsoleWindowClass";
    ASSERT_NE(RegisterClassA(&cls), 0);
    // Another top-level window first: the search must look at the class, not the order.
    HWND other = CreateWindowA("STATIC", "ConsoleWindowClass", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
    HWND console = CreateWindowA("ConsoleWindowClass", "console", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                                 nullptr, nullptr, cls.hInstance, nullptr);
    ASSERT_NE(console, nullptr);

    MainDialog dialog;
    dialog.FindConsoleWindow();
    EXPECT_EQ(dialog.ConsoleWindow(), console);
    dialog.ShowConsole(0);
    EXPECT_FALSE(IsWindowVisible(console));
    dialog.ShowConsole(1);
    EXPECT_TRUE(IsWindowVisible(console));
    DestroyWindow(console);
    DestroyWindow(other);
}

// Started from the desktop, Quillmoor has a console of its own, whose window
// belongs to Wine's console host as Windows 11's belongs to its terminal;
// started from a prompt, it shares the prompt's.
TEST(Console, OwnConsoleHiddenUntilTheFirstRunASharedOneLeftAlone)
{
    for (bool shared : { false, true }) {
        QuillmoorSession s("console");
        std::wstring exe = Wide(s.bin + "Quillmoor.exe"), cmd = L"C:\\windows\\system32\\cmd.exe";
        ASSERT_TRUE(s.program.Start(shared ? cmd : exe, shared ? L"/c \"" + exe + L"\"" : L"", Wide(s.dir),
                                    Wide(s.dir + "out.txt"), CREATE_NEW_CONSOLE));
        // The dialog shows once the console is hidden.
        HWND console = nullptr;
        for (int i = 0; i < 500 && !(IsWindowVisible(s.dialog) && console); ++i, Sleep(20)) {
            s.dialog = FindWindowA("#32770", "Quillmoor [1.04]");
            console = FindWindowA("WineConsoleClass", nullptr);
        }
        ASSERT_TRUE(s.dialog && console) << shared;
        EXPECT_EQ(IsWindowVisible(console) != 0, shared);
        s.Set(IDC_REMOTE, "X:\\cvsroot");
        s.Click(IDC_CVS);
        s.Press(IDC_SHOW_STATUS);
        EXPECT_EQ(s.Runs("cvs").size(), 1u) << shared;
        EXPECT_TRUE(IsWindowVisible(console)) << shared;
        EXPECT_EQ(s.Close(), 0);
        for (int i = 0; i < 250 && IsWindow(console); ++i)
            Sleep(20);
    }
}

} // namespace
