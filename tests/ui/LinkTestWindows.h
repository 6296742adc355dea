#pragma once
#include <windows.h>

// Real windows at fixed places on the virtual screen for the link tests.
namespace linktest {

inline void Pump(int milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

// A visible white top-level window at (100, 100), 500 x 300, class cls of proc.
inline HWND TopWindow(const char* cls, WNDPROC proc, int x = 100, int y = 100, int width = 500, int height = 300)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, cls, "", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    Pump(50);
    return window;
}

inline void PointerTo(HWND window, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
}

} // namespace linktest
