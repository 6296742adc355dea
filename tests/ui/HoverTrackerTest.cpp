#include "ui/HoverTracker.h"

#include "LinkTestWindows.h"
#include <gtest/gtest.h>

using namespace linktest;

namespace {

int leaves;

LRESULT CALLBACK CountLeaves(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    leaves += message == WM_MOUSELEAVE;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(HoverTracker, PollsWithoutTrackMouseEventAndPostsOneLeave)
{
    EXPECT_TRUE(HoverTracker().HasTrackMouseEvent());
    EXPECT_FALSE(HoverTracker("QmNoSuchUser.dll").HasTrackMouseEvent());
    HoverTracker tracker("user32.dll", "QmNoSuchTrackMouseEvent");
    EXPECT_FALSE(tracker.HasTrackMouseEvent());
    UINT_PTR timer = reinterpret_cast<UINT_PTR>(&tracker);
    HWND window = TopWindow("HoverTracked", CountLeaves, 700, 100, 100, 100);

    SetCursorPos(750, 150);
    EXPECT_NE(tracker.Track(window), 0);
    EXPECT_EQ(tracker.PolledWindow(), window);
    Pump(300);
    EXPECT_EQ(leaves, 0);
    SetCursorPos(850, 150);
    Pump(300);
    EXPECT_EQ(leaves, 1);
    EXPECT_EQ(tracker.PolledWindow(), nullptr);
    EXPECT_FALSE(KillTimer(window, timer));

    // Inside the rectangle but over another window counts as having left.
    SetCursorPos(750, 150);
    EXPECT_NE(tracker.Track(window), 0);
    Pump(150);
    HWND cover = TopWindow("HoverCover", DefWindowProcA, 740, 140, 30, 30);
    Pump(150);
    EXPECT_EQ(leaves, 2);
    EXPECT_FALSE(KillTimer(window, timer));
    DestroyWindow(cover);

    {
        HoverTracker shortLived("user32.dll", "QmNoSuchTrackMouseEvent");
        timer = reinterpret_cast<UINT_PTR>(&shortLived);
        EXPECT_NE(shortLived.Track(window), 0);
    }
    EXPECT_FALSE(KillTimer(window, timer)) << "destruction stops the timer";
    DestroyWindow(window);
}

} // namespace
