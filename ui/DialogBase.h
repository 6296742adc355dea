#pragma once
#include "ui/WindowBase.h"
#include <commctrl.h>

// Runs a dialog template modally; a static procedure routes messages to the
// virtual handlers, whose defaults close the dialog on Cancel and Close.
class DialogBase : public WindowBase {
public:
    // What OnInitDialog answers.
    static const int kCloseAtOnce = 0;
    static const int kDefaultFocus = 1;
    static const int kFocusSet = 2; // the handler has set the focus itself
    // What the other handlers answer.
    static const int kNotHandled = 0;
    static const int kHandled = 1;

    DialogBase() : initCommonControlsEx(nullptr) {}
    ~DialogBase() override;

    // The result given to EndDialog, or -1 when the dialog cannot be created.
    INT_PTR DoModal(HINSTANCE module, int templateId, HWND parent = nullptr);
    // Does nothing without a window or when CanClose refuses.
    void CloseDialog(INT_PTR result);
    void InitControls();

    virtual int OnInitDialog() { return kDefaultFocus; }
    virtual int CanClose(INT_PTR) { return 1; }
    virtual int OnCommand(int id, WPARAM wParam, LPARAM lParam);
    virtual int OnClose();
    virtual int OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual int OnDestroy() { return OnMessage(WM_DESTROY, 0, 0); }

private:
    // Cancel and the close command end the dialog with 0.
    int CloseOn(int commandId);
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    DynamicLibrary commonControls;
    BOOL(WINAPI* initCommonControlsEx)(const INITCOMMONCONTROLSEX*);
};
