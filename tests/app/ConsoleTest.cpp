#include "QuillmoorSession.h"
#include "TestSupport.h"
#include "app/MainDialog.h"
#include "resource.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// Wine's console windows, which belong to its console host, as those of
// Windows 11's terminal belong to the terminal.
BOOL CALLBACK AddConsole(HWND window, LPARAM list)
{
    char name[32] = "";
    GetClassNameA(window, name, sizeof(name));
    if (strcmp(name, "WineConsoleClass") == 0)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> ConsoleWindows()
{
    std::vector<HWND> list;
    EnumWindows(AddConsole, reinterpret_cast<LPARAM>(&list));
    return list;
}

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

// Started from the desktop, Quillmoor has a console of its own; started from
// a prompt, it shares the prompt's.
TEST(Console, OwnConsoleHiddenUntilTheFirstRunASharedOneLeftAlone)
{
    for (bool shared : { false, true }) {
        QuillmoorSession s("console");
        std::vector<HWND> before = ConsoleWindows();
        std::wstring exe = Wide(s.bin + "Quillmoor.exe");
        ASSERT_TRUE(shared ? s.program.Start(L"C:\\windows\\system32\\cmd.exe", L"/c \"" + exe + L"\"", Wide(s.dir),
                                             Wide(s.dir + "out.txt"), CREATE_NEW_CONSOLE)
                           : s.program.Start(exe, L"", Wide(s.dir), Wide(s.dir + "out.txt"), CREATE_NEW_CONSOLE));
        for (int i = 0; i < 500 && !s.dialog; ++i, Sleep(20))
            s.dialog = FindWindowA("#32770", "Quillmoor [1.04]");
        ASSERT_NE(s.dialog, nullptr) << shared;
        // The console host may show its window a moment after the dialog.
        HWND console = nullptr;
        for (int i = 0; i < 250 && !console; ++i, Sleep(20))
            for (HWND w : ConsoleWindows())
                if (std::find(before.begin(), before.end(), w) == before.end())
                    console = w;
        ASSERT_NE(console, nullptr) << shared;
        EXPECT_EQ(IsWindowVisible(console) != 0, shared);
        s.Set(IDC_REMOTE, "X:\\cvsroot");
        s.Click(IDC_CVS);
        s.Press(IDC_SHOW_STATUS);
        EXPECT_EQ(s.Runs("cvs").size(), 1u) << shared;
        EXPECT_TRUE(IsWindowVisible(console)) << shared;
        EXPECT_EQ(s.Close(), 0);
    }
}

} // namespace

