#pragma once
#include <windows.h>

#include "sys/DynamicLibrary.h"

// Tells a window by WM_MOUSELEAVE when the pointer has left it: through
// TrackMouseEvent where the system offers it, otherwise by polling the pointer
// every 100 ms. Owns the library it binds; refers to the window only.
class HoverTracker {
public:
    static const UINT kPollMilliseconds = 100;

    // The names are parameters so that a test can force the polling fallback.
    explicit HoverTracker(const char* libraryName = "user32.dll", const char* entryName = "TrackMouseEvent");
    virtual ~HoverTracker();
    HoverTracker(const HoverTracker&) = delete;
    HoverTracker& operator=(const HoverTracker&) = delete;

    // Non-zero when leave tracking runs for window.
    int Track(HWND window);

    int HasTrackMouseEvent() const { return trackMouseEvent != nullptr; }
    // The window whose pointer is being polled; null while not polling.
    HWND PolledWindow() const { return polled; }

private:
    typedef BOOL(WINAPI* TrackMouseEventFn)(TRACKMOUSEEVENT*);

    static void CALLBACK Poll(HWND window, UINT message, UINT_PTR id, DWORD time);
    UINT_PTR TimerId() const { return reinterpret_cast<UINT_PTR>(this); }

    DynamicLibrary user32;
    TrackMouseEventFn trackMouseEvent;
    RECT rect;
    HWND polled;
};
