// The start-up baseline: a console program that shows one dialog from its
// template and does nothing else. Closed with Escape (IDCANCEL), as Quillmoor is.
#include <windows.h>

namespace {

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int main()
{
    return static_cast<int>(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100), nullptr, Proc, 0));
}
