#pragma once
#include "ui/TextBuf.h"
#include <windows.h>

// Refers to a combo box (kind 1) or a list box (any other kind) of a dialog;
// owns nothing.
class ComboListCtrl {
public:
    static const int kCombo = 1;

    ComboListCtrl() : kind(0), control(nullptr) {}

    void Attach(HWND window, int controlKind)
    {
        control = window;
        kind = controlKind;
    }
    HWND Control() const { return control; }

    // 0 when the control refuses the text; no item data is set then.
    int AddString(const char* text, LPARAM itemData, int* indexOut);
    // 0 with nothing selected, outputs untouched. A list box never writes
    // textOut; a combo box writes at most kFieldBytes there, cutting longer items.
    int GetSelection(int* indexOut, char* textOut, LPARAM* dataOut);
    int SetSelection(int index);
    int SetText(const char* text) { return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != CB_ERRSPACE; }
    // buffer holds kFieldBytes; the count of characters copied.
    int GetText(char* buffer) { return static_cast<int>(Send(WM_GETTEXT, kFieldBytes, reinterpret_cast<LPARAM>(buffer))); }
    // The text, at most kFieldBytes - 1 characters, into text; its length.
    int GetText(TextBuf& text);
    // Off while many items go in, so that the list is drawn once.
    void SetRedraw(bool redraw) { Send(WM_SETREDRAW, redraw ? TRUE : FALSE, 0); }
    // The combo box's parts, through GetComboBoxInfo bound at run time.
    int GetComboInfo(COMBOBOXINFO* info, const char* library = "User32.dll");

private:
    bool IsCombo() const { return kind == kCombo; }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const { return SendMessageA(control, message, wParam, lParam); }

    int kind;
    HWND control;
};
