#include "ui/ThemeApi.h"

ThemeApi::ThemeApi(const char* library)
    : theme(nullptr), window(nullptr), openThemeData(nullptr), closeThemeData(nullptr), isThemeActive(nullptr),
      libraryName(library)
{
    classes.Assign("");
}

int ThemeApi::Open(HWND target, const wchar_t* classList)
{
    Close();
    if (classList)
        classes.Assign(classList);
    else
        classes.Assign("");
    window = target;
    if (!uxtheme.Load(libraryName))
        return 0;
    openThemeData = uxtheme.Resolve<OpenThemeDataFn>("OpenThemeData");
    closeThemeData = uxtheme.Resolve<CloseThemeDataFn>("CloseThemeData");
    // Never called; its absence marks a uxtheme too old to use.
    isThemeActive = uxtheme.Resolve<IsThemeActiveFn>("IsThemeActive");
    if (!openThemeData || !closeThemeData || !isThemeActive)
        return 0;
    theme = nullptr;
    if (!classList)
        return 1;
    theme = openThemeData(window, classList);
    return theme != nullptr;
}

void ThemeApi::Close()
{
    if (theme && closeThemeData)
        closeThemeData(theme);
    theme = nullptr;
    uxtheme.Free();
    openThemeData = nullptr;
    closeThemeData = nullptr;
    isThemeActive = nullptr;
}
