#pragma once
#include <windows.h>
#include <uxtheme.h>

#include "sys/DynamicLibrary.h"
#include "ui/TextBuf.h"

// The visual-styles theme data of one window, through a uxtheme bound at run
// time so that the program also runs where it is missing. Owns the library
// and the theme handle.
class ThemeApi {
public:
    // The library name is a parameter so that a test can take uxtheme away.
    explicit ThemeApi(const char* libraryName = "uxtheme.dll");
    ~ThemeApi() { Close(); }
    ThemeApi(const ThemeApi&) = delete;
    ThemeApi& operator=(const ThemeApi&) = delete;

    // Closes what was open first. A null class list binds the library and
    // opens no theme (1). 0 without uxtheme, an entry point or a theme.
    int Open(HWND window, const wchar_t* classList);
    void Close();

    HTHEME Theme() const { return theme; }
    const TextBuf& ClassList() const { return classes; }

private:
    typedef HTHEME(WINAPI* OpenThemeDataFn)(HWND, LPCWSTR);
    typedef HRESULT(WINAPI* CloseThemeDataFn)(HTHEME);
    typedef BOOL(WINAPI* IsThemeActiveFn)();

    DynamicLibrary uxtheme;
    TextBuf classes;
    HTHEME theme;
    HWND window;
    OpenThemeDataFn openThemeData;
    CloseThemeDataFn closeThemeData;
    IsThemeActiveFn isThemeActive;
    const char* libraryName;
};
