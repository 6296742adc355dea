#include "sys/SyncEvent.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

const UINT kCount = WM_APP;
const UINT kQuit = WM_APP + 1;
int received;

LRESULT CALLBACK TestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kCount) {
        ++received;
        return 0;
    }
    if (message == kQuit) {
        PostQuitMessage(static_cast<int>(wParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window of the test's thread.
HWND TestWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QmWaitTest";
    RegisterClassA(&wc);
    received = 0;
    return CreateWindowExA(0, "QmWaitTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

TEST(SyncEvent, TimeoutZeroDispatchesWhatIsQueuedFirst)
{
    SyncEvent event;
    ASSERT_EQ(event.Create(TRUE, FALSE), 1);
    HWND window = TestWindow();
    for (int i = 0; i < 3; ++i)
        PostMessageA(window, kCount, 0, 0);
    EXPECT_EQ(event.WaitPumping(0), 0);
    EXPECT_EQ(received, 3);
    ASSERT_EQ(event.Signal(), 1);
    EXPECT_EQ(event.WaitPumping(0), 1);
    event.Close();
    EXPECT_EQ(event.WaitPumping(INFINITE), 0);
    EXPECT_EQ(event.Signal(), 0);
    DestroyWindow(window);
}

// The other thread's SendMessage returns only once the waiting thread has dispatched it.
TEST(SyncEvent, WaitServesTheThreadsWindowsAndHandsBackAQuit)
{
    SyncEvent event;
    ASSERT_EQ(event.Create(TRUE, FALSE), 1);
    HWND window = TestWindow();
    std::thread sender([&] {
        SendMessageA(window, kCount, 0, 0);
        event.Signal();
    });
    EXPECT_EQ(event.WaitPumping(10000), 1);
    sender.join();
    EXPECT_EQ(received, 1);

    ASSERT_EQ(event.Create(TRUE, FALSE), 1);
    std::thread quitter([&] {
        SendMessageA(window, kCount, 0, 0);
        PostMessageA(window, kQuit, 7, 0);
    });
    EXPECT_EQ(event.WaitPumping(INFINITE), 0);
    quitter.join();
    EXPECT_EQ(received, 2);
    // Should the quit be lost, the timer ends GetMessage instead of hanging it.
    UINT_PTR guard = SetTimer(nullptr, 0, 2000, nullptr);
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    KillTimer(nullptr, guard);
    DestroyWindow(window);
}

DWORD tickBase;

// The real clock, shifted so that it wraps 16 ms after the test begins.
DWORD WINAPI TickNearWrap() { return 0xFFFFFFF0u + (GetTickCount() - tickBase); }

TEST(SyncEvent, FiniteTimeoutHoldsAcrossTheTickWrap)
{
    SyncEvent event;
    ASSERT_EQ(event.Create(TRUE, FALSE), 1);
    tickBase = GetTickCount();
    std::thread signaller([&] {
        Sleep(100);
        event.Signal();
    });
    EXPECT_EQ(event.WaitPumping(5000, TickNearWrap), 1);
    signaller.join();

    ASSERT_EQ(event.Create(TRUE, FALSE), 1);
    // Timer messages wake the wait again and again on both sides of the wrap.
    UINT_PTR timer = SetTimer(nullptr, 0, 10, nullptr);
    tickBase = GetTickCount();
    EXPECT_EQ(event.WaitPumping(200, TickNearWrap), 0);
    DWORD waited = GetTickCount() - tickBase;
    KillTimer(nullptr, timer);
    EXPECT_GE(waited, 190u);
    EXPECT_LT(waited, 1000u);
}

} // namespace
