#pragma once
#include <windows.h>

// Called for every message of a subclassed window. Answers 1 when it has
// handled the message and stored the window procedure's answer in *result;
// anything else hands the message to the window's previous procedure.
typedef int (*SubclassHandler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result,
                               void* user);

// Takes over the messages of a window that someone else created. The window
// finds this record again through one property of a fixed name, so a window
// carries at most one such subclass. Refers to the window, does not own it.
class WindowSubclass {
public:
    static const DWORD kTag = 0x6C696E6B;

    WindowSubclass() : previous(nullptr), user(nullptr), handler(nullptr), window(nullptr) {}
    WindowSubclass(const WindowSubclass&) = delete;
    WindowSubclass& operator=(const WindowSubclass&) = delete;

    // 0 and the record untouched when the window already carries the property
    // or its procedure cannot be replaced.
    int Attach(HWND target, SubclassHandler messageHandler, void* userData);
    // Puts the previous procedure back; 0 when nothing is attached. The window,
    // handler and user data are kept.
    int Detach();

    WNDPROC Previous() const { return previous; }
    HWND Window() const { return window; }

    // "_C_SubClassing_Property_" and the tag in eight hex digits.
    static const char* PropertyName();
    static LRESULT CALLBACK SharedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    WNDPROC previous;
    void* user;
    SubclassHandler handler;
    HWND window;
};
