#include "ui/ComboListCtrl.h"

#include "sys/DynamicLibrary.h"
#include <stdlib.h>
#include <string.h>

int ComboListCtrl::AddString(const char* text, LPARAM itemData, int* indexOut)
{
    LRESULT index = Send(IsCombo() ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (index == CB_ERR || index == CB_ERRSPACE)
        return 0;
    Send(IsCombo() ? CB_SETITEMDATA : LB_SETITEMDATA, index, itemData);
    if (indexOut)
        *indexOut = static_cast<int>(index);
    return 1;
}

int ComboListCtrl::GetSelection(int* indexOut, char* textOut, LPARAM* dataOut)
{
    LRESULT index = Send(IsCombo() ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return 0;
    if (dataOut)
        *dataOut = Send(IsCombo() ? CB_GETITEMDATA : LB_GETITEMDATA, index, 0);
    if (textOut && IsCombo()) {
        // An item longer than the caller's buffer is cut, not overrun.
        LRESULT length = Send(CB_GETLBTEXTLEN, index, 0);
        if (length < kFieldBytes) {
            Send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(textOut));
        } else if (char* whole = static_cast<char*>(malloc(length + 1))) {
            Send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(whole));
            memcpy(textOut, whole, kFieldBytes - 1);
            textOut[kFieldBytes - 1] = 0;
            free(whole);
        } else {
            textOut[0] = 0;
        }
    }
    if (indexOut)
        *indexOut = static_cast<int>(index);
    return 1;
}

int ComboListCtrl::GetText(TextBuf& text)
{
    if (text.Capacity() < kFieldBytes && !text.Resize(kFieldBytes))
        return 0;
    GetText(text.Data());
    text.UpdateLength();
    return text.Length();
}

int ComboListCtrl::SetSelection(int index)
{
    return Send(IsCombo() ? CB_SETCURSEL : LB_SETCURSEL, index, 0) != CB_ERR;
}

int ComboListCtrl::GetComboInfo(COMBOBOXINFO* info, const char* library)
{
    if (kind == 0)
        return 0;
    DynamicLibrary user32;
    if (!user32.Load(library))
        return 0;
    typedef BOOL(WINAPI * GetInfoFn)(HWND, COMBOBOXINFO*);
    GetInfoFn getInfo = user32.Resolve<GetInfoFn>("GetComboBoxInfo");
    if (!getInfo)
        return 0;
    ZeroMemory(info, sizeof(*info));
    info->cbSize = sizeof(*info);
    return getInfo(control, info) ? 1 : 0;
}
