#pragma once
#include "sys/DynamicLibrary.h"
#include "ui/UniqueIcon.h"
#include <stdarg.h>
#include <windows.h>

// The window handle of a dialog and the small operations every dialog needs.
// It refers to the window, which the system owns, and owns what it loads
// for it: the small icon and the library of the path completion.
class WindowBase {
public:
    WindowBase() : window(nullptr), instance(nullptr) {}
    virtual ~WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND Window() const { return window; }
    HINSTANCE Instance() const { return instance; }

    // Small icon owned here; the big one is shared by the system.
    void SetIcon(int iconId);
    void SetText(const char* text) { SetWindowTextA(window, text); }
    HWND GetItem(int id) const { return GetDlgItem(window, id); }
    // An indeterminate button counts as unchecked.
    int IsChecked(int id) const { return IsDlgButtonChecked(window, id) == BST_CHECKED; }
    int CheckRadio(int firstId, int lastId, int checkId) { return CheckRadioButton(window, firstId, lastId, checkId) ? 1 : 0; }

    // Formats at most 1023 characters; style 0 means an exclamation icon with OK.
    int ShowMessage(UINT style, const char* caption, const char* format, ...) __attribute__((format(ms_printf, 4, 5)));
    static int ShowMessageV(HWND owner, UINT style, const char* caption, const char* format, va_list args);

    // Brings a window to the front despite the system's foreground lock.
    static void ForceForeground(HWND target);
    // Turns on the shell's path completion for an edit window, where the shell offers it.
    void AutoComplete(HWND edit);

protected:
    HWND window;
    HINSTANCE instance;

private:
    UniqueIcon smallIcon;
    DynamicLibrary shellLibrary;
};
