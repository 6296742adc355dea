#include "ui/WindowSubclass.h"

#include <gtest/gtest.h>

namespace {

int originalCalls;

LRESULT CALLBACK Original(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message < WM_APP)
        return DefWindowProcA(window, message, wParam, lParam);
    ++originalCalls;
    return 77;
}

// WM_APP answers 55 here; other application messages go on, also with an answer of 2.
int Handler(HWND, UINT message, WPARAM, LPARAM, LRESULT* result, void* calls)
{
    if (message < WM_APP)
        return 0;
    ++*static_cast<int*>(calls);
    *result = 55;
    return message == WM_APP ? 1 : message == WM_APP + 1 ? 0 : 2;
}

TEST(WindowSubclass, TakesOverOneWindowOnceAndGivesItBack)
{
    EXPECT_STREQ(WindowSubclass::PropertyName(), "_C_SubClassing_Property_6C696E6B");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Original;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SubclassTarget";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "SubclassTarget", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    LONG_PTR original = GetWindowLongPtrA(window, GWLP_WNDPROC);
    EXPECT_EQ(WindowSubclass::SharedProc(window, WM_APP + 1, 0, 0), 0);
    EXPECT_EQ(originalCalls, 0);

    int calls = 0, otherCalls = 0;
    WindowSubclass first, second;
    ASSERT_EQ(first.Attach(window, Handler, &calls), 1);
    EXPECT_EQ(GetPropA(window, WindowSubclass::PropertyName()), &first);
    EXPECT_EQ(second.Attach(window, Handler, &otherCalls), 0);
    EXPECT_EQ(second.Detach(), 0);
    EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 55);
    EXPECT_EQ(originalCalls, 0);
    EXPECT_EQ(SendMessageA(window, WM_APP + 1, 0, 0), 77);
    EXPECT_EQ(SendMessageA(window, WM_APP + 2, 0, 0), 77);
    EXPECT_EQ(originalCalls, 2);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(otherCalls, 0);

    EXPECT_EQ(first.Detach(), 1);
    EXPECT_EQ(first.Detach(), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), original);
    EXPECT_EQ(GetPropA(window, WindowSubclass::PropertyName()), nullptr);
    EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 77);
    EXPECT_EQ(calls, 3);
    DestroyWindow(window);
}

} // namespace
