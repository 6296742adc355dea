#include "ui/WindowBase.h"

#include <stdio.h>

void WindowBase::SetIcon(int iconId)
{
    smallIcon.Load(instance, iconId, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Handle()));
    HICON big = LoadIconA(instance, MAKEINTRESOURCEA(iconId));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
}

int WindowBase::ShowMessage(UINT style, const char* caption, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = ShowMessageV(window, style, caption, format, args);
    va_end(args);
    return result;
}

int WindowBase::ShowMessageV(HWND owner, UINT style, const char* caption, const char* format, va_list args)
{
    char text[1024];
    _vsnprintf(text, sizeof(text) - 1, format, args);
    text[sizeof(text) - 1] = 0;
    return MessageBoxA(owner, text, caption, style ? style : MB_ICONEXCLAMATION | MB_OK);
}

void WindowBase::ForceForeground(HWND target)
{
    DWORD saved = 200000;
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved, 0);
    DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD ownThread = GetCurrentThreadId();
    AttachThreadInput(ownThread, foregroundThread, TRUE);
    // The new time-out travels in the pointer argument.
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
    BringWindowToTop(target);
    SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (!SetForegroundWindow(target)) {
        // Pressing Alt counts as user input, which lifts the foreground lock.
        for (int i = 0; i < 2; ++i) {
            keybd_event(VK_MENU, 0, KEYEVENTF_EXTENDEDKEY, 0);
            keybd_event(VK_MENU, 0, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
        }
        SetForegroundWindow(target);
    }
    SetActiveWindow(target);
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(static_cast<ULONG_PTR>(saved)), 0);
    AttachThreadInput(ownThread, foregroundThread, FALSE);

    DynamicLibrary user32;
    if (user32.Load("User32.dll")) {
        typedef void(WINAPI * SwitchFn)(HWND, BOOL);
        if (SwitchFn switchTo = user32.Resolve<SwitchFn>("SwitchToThisWindow"))
            switchTo(target, TRUE);
    }
}

void WindowBase::AutoComplete(HWND edit)
{
    typedef HRESULT(WINAPI * AutoCompleteFn)(HWND, DWORD);
    if (!shellLibrary.Load("shlwapi.dll"))
        return;
    if (AutoCompleteFn autoComplete = shellLibrary.Resolve<AutoCompleteFn>("SHAutoComplete"))
        autoComplete(edit, 0); // SHACF_DEFAULT
}
