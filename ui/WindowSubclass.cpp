#include "ui/WindowSubclass.h"

#include <stdio.h>

namespace {

struct PropertyText {
    char text[40];
    PropertyText() { _snprintf(text, sizeof(text) - 1, "_C_SubClassing_Property_%08X", (unsigned)WindowSubclass::kTag); }
};

} // namespace

const char* WindowSubclass::PropertyName()
{
    // Looked up on every message: formatted once.
    static const PropertyText name;
    return name.text;
}

int WindowSubclass::Attach(HWND target, SubclassHandler messageHandler, void* userData)
{
    if (!target || GetPropA(target, PropertyName()))
        return 0;
    LONG_PTR old = SetWindowLongPtrA(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SharedProc));
    if (!old)
        return 0;
    // Replacing the procedure sends no message, so the record is complete
    // before the shared procedure first looks for it.
    if (!SetPropA(target, PropertyName(), this)) {
        SetWindowLongPtrA(target, GWLP_WNDPROC, old);
        return 0;
    }
    previous = reinterpret_cast<WNDPROC>(old);
    user = userData;
    handler = messageHandler;
    window = target;
    return 1;
}

int WindowSubclass::Detach()
{
    if (!previous)
        return 0;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(window, PropertyName());
    previous = nullptr;
    return 1;
}

LRESULT CALLBACK WindowSubclass::SharedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowSubclass* record = static_cast<WindowSubclass*>(GetPropA(window, PropertyName()));
    if (!record)
        return 0;
    LRESULT result = 0;
    if (record->handler && record->handler(window, message, wParam, lParam, &result, record->user) == 1)
        return result;
    if (record->previous)
        return CallWindowProcA(record->previous, window, message, wParam, lParam);
    return 0;
}
