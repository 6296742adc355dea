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
    // textOut; a combo box writes a field's text there (kFieldRoom bytes),
    // cutting longer items as TextBuf::FieldLength does.
    int GetSelection(int* indexOut, char* textOut, LPARAM* dataOut);
    int SetSelection(int index);
    int SetText(const char* text) { return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != CB_ERRSPACE; }
    // buffer holds kFieldRoom; the text, cut as TextBuf::FieldLength does; its length in bytes.
    int GetText(char* buffer);
    // The same into text; its length.
    int GetText(TextBuf& text);
    // Whether the ANSI code page carries the text as the control holds it.
    int CarriesText() const;
    // Whether GetText reads the whole text, not a cut one.
    int FitsField() const;
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
