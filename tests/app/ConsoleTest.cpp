#include "app/MainDialog.h"

#include <gtest/gtest.h>

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

} // namespace
