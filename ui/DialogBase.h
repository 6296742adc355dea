#pragma once
#include "ui/WindowBase.h"
#include <commctrl.h>

// Runs a dialog template modally; a static procedure routes messages to the
// virtual handlers, whose defaults close the dialog on Cancel and Close.
class DialogBase : public WindowBase {
public:
    DialogBase() : initCommonControlsEx(nullptr) {}
    ~DialogBase() override;

    // The result given to EndDialog, or -1 when the dialog cannot be created.
    INT_PTR DoModal(HINSTANCE module, int templateId, HWND parent = nullptr);
    // Does nothing without a window or when CanClose refuses.
    void CloseDialog(INT_PTR result);
    void InitControls();
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // 0 closes at once, 2 means the handler has set the focus itself.
    virtual int OnInitDialog() { return 1; }
    virtual int CanClose(INT_PTR) { return 1; }
    virtual int OnCommand(int id, WPARAM wParam, LPARAM lParam);
    virtual int OnClose();
    virtual int OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual int OnDestroy() { return OnMessage(WM_DESTROY, 0, 0); }

protected:
    DynamicLibrary commonControls;
    BOOL(WINAPI* initCommonControlsEx)(const INITCOMMONCONTROLSEX*);
};
