#include "ui/DialogBase.h"

#include "ui/FileUtil.h"
#include <stdlib.h>

DialogBase::~DialogBase()
{
    CloseDialog(0);
    commonControls.Free();
}

INT_PTR DialogBase::DoModal(HINSTANCE module, int templateId, HWND parent)
{
    instance = module;
    InitControls();
    void* rewritten = FileUtil::LoadDialogTemplate(module, templateId, 0);
    INT_PTR result;
    if (rewritten) {
        result = DialogBoxIndirectParamA(module, static_cast<DLGTEMPLATE*>(rewritten), parent, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
        free(rewritten);
    } else {
        result = DialogBoxParamA(module, MAKEINTRESOURCEA(templateId), parent, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
    }
    return result;
}

void DialogBase::InitControls()
{
    commonControls.Load("comctl32.dll");
    initCommonControlsEx =
        commonControls.Resolve<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>("InitCommonControlsEx");
    if (initCommonControlsEx) {
        // Every class up to the standard ones; the link class is not wanted.
        INITCOMMONCONTROLSEX init = { sizeof(init), 0x7FFF };
        if (initCommonControlsEx(&init))
            return;
    }
    InitCommonControls();
}

INT_PTR CALLBACK DialogBase::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    DialogBase* self = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_INITDIALOG) {
        // The object arrives as the dialog's init parameter.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
        self = reinterpret_cast<DialogBase*>(lParam);
        self->window = hwnd;
        int r = self->OnInitDialog();
        if (r == kCloseAtOnce) {
            self->CloseDialog(0);
            return FALSE;
        }
        // TRUE lets the system give the first control the focus.
        return r == kFocusSet ? FALSE : TRUE;
    }
    if (!self)
        return 0;
    switch (message) {
    case WM_COMMAND:
        return self->OnCommand(LOWORD(wParam), wParam, lParam);
    case WM_DESTROY:
        return self->OnDestroy();
    case WM_CLOSE:
        return self->OnClose();
    default:
        return self->OnMessage(message, wParam, lParam);
    }
}

void DialogBase::CloseDialog(INT_PTR result)
{
    if (!window || !CanClose(result))
        return;
    EndDialog(window, result);
    window = nullptr;
}

int DialogBase::CloseOn(int commandId)
{
    if (commandId != IDCANCEL && commandId != IDCLOSE)
        return kNotHandled;
    CloseDialog(0);
    return kHandled;
}

int DialogBase::OnCommand(int id, WPARAM, LPARAM)
{
    return CloseOn(id);
}

int DialogBase::OnClose()
{
    return CloseOn(IDCLOSE);
}

int DialogBase::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    return message == WM_COMMAND ? CloseOn(LOWORD(wParam)) : kNotHandled;
}
