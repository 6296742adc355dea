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
        // An item longer than a field is cut, not overrun. The length may
        // count UTF-16 units, and under UTF-8 each takes up to 3 bytes.
        LRESULT length = Send(CB_GETLBTEXTLEN, index, 0);
        char* whole = length >= 0 ? static_cast<char*>(malloc(3 * length + 1)) : nullptr;
        textOut[0] = 0;
        if (whole && Send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(whole)) != CB_ERR) {
            whole[TextBuf::FieldLength(whole, GetACP())] = 0;
            strcpy(textOut, whole);
        }
        free(whole);
    }
    if (indexOut)
        *indexOut = static_cast<int>(index);
    return 1;
}

int ComboListCtrl::GetText(char* buffer)
{
    const UINT codePage = GetACP();
    Send(WM_GETTEXT, TextBuf::FieldBytes(codePage), reinterpret_cast<LPARAM>(buffer));
    const int length = TextBuf::FieldLength(buffer, codePage);
    buffer[length] = 0;
    return length;
}

int ComboListCtrl::CarriesText() const
{
    wchar_t text[kFieldBytes] = L"";
    int units = GetWindowTextW(control, text, kFieldBytes);
    // A pair cut by the read is no character the field keeps.
    if (units > 0 && IS_HIGH_SURROGATE(text[units - 1]))
        text[units - 1] = 0;
    return TextBuf::RoundTrips(text, GetACP());
}

int ComboListCtrl::FitsField() const
{
    // Room for a field and one character more: a longer text shows as cut.
    char text[kFieldRoom + 4] = "";
    Send(WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return TextBuf::FieldLength(text, GetACP()) == static_cast<int>(strlen(text));
}

int ComboListCtrl::GetText(TextBuf& text)
{
    if (text.Capacity() < kFieldRoom && !text.Resize(kFieldRoom))
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
