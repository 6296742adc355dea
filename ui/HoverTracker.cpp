#include "ui/HoverTracker.h"

HoverTracker::HoverTracker(const char* libraryName, const char* entryName)
    : trackMouseEvent(nullptr), rect(), polled(nullptr)
{
    if (user32.Load(libraryName))
        trackMouseEvent = user32.Resolve<TrackMouseEventFn>(entryName);
}

HoverTracker::~HoverTracker()
{
    if (polled) {
        KillTimer(polled, TimerId());
        polled = nullptr;
    }
    user32.Free();
}

int HoverTracker::Track(HWND window)
{
    TRACKMOUSEEVENT event = {};
    event.cbSize = sizeof(event);
    event.dwFlags = TME_LEAVE;
    event.hwndTrack = window;
    event.dwHoverTime = HOVER_DEFAULT;
    if (trackMouseEvent)
        return trackMouseEvent(&event);

    // The timer carries this object's address; a timer left on an earlier
    // window would call back after this object is gone.
    if (polled && polled != window)
        KillTimer(polled, TimerId());
    polled = window;
    if (!SetTimer(window, TimerId(), kPollMilliseconds, &Poll)) {
        polled = nullptr;
        return 0;
    }
    return GetWindowRect(window, &rect);
}

void CALLBACK HoverTracker::Poll(HWND window, UINT, UINT_PTR id, DWORD)
{
    HoverTracker* tracker = reinterpret_cast<HoverTracker*>(id);
    POINT point = {};
    GetCursorPos(&point);
    // An overlapping window over the tracked one counts as having left it.
    if (PtInRect(&tracker->rect, point) && WindowFromPoint(point) == tracker->polled)
        return;
    KillTimer(window, id);
    PostMessageA(window, WM_MOUSELEAVE, 0, 0);
    tracker->polled = nullptr;
}
