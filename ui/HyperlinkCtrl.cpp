#include "ui/HyperlinkCtrl.h"

#include <stdio.h>
#include <string.h>

#include "ui/FontExists.h"
#include "ui/RegistryKey.h"
#include "vcs/ProcessLauncher.h"

const char HyperlinkCtrl::kSettingsKey[] = "Software\\Microsoft\\Internet Explorer\\Settings";
const char HyperlinkCtrl::kMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";

namespace {

// "r,g,b"; exactly three numbers, each keeping its low 8 bits.
void ParseColour(const char* text, COLORREF* out)
{
    unsigned red, green, blue;
    if (__ms_sscanf(text, "%u,%u,%u", &red, &green, &blue) == 3)
        *out = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

HFONT MakeFont(int height, BOOL underline, const TEXTMETRICA& metrics, const char* face)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, metrics.tmCharSet, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, metrics.tmPitchAndFamily, face);
}

// A text buffer whose allocation failed has no block at all.
const char* Chars(const TextBuf& buffer)
{
    return buffer.Data() ? buffer.Data() : "";
}

} // namespace

HyperlinkCtrl::HyperlinkCtrl()
    : underlinedFont(nullptr), plainFont(nullptr), drawFormat(DT_SINGLELINE), flags(0), normalColour(RGB(0, 0, 255)),
      hoverColour(RGB(255, 0, 255)), disabledColour(0), cursorId(0), extent(), underlineMode(kUnderlineAlways),
      window(nullptr), settingsKey(kSettingsKey), mainKey(kMainKey), opener(&ProcessLauncher::ShellOpen)
{
    url[0] = 0;
    displayText.Assign("");
    text.Assign("");
}

HyperlinkCtrl::~HyperlinkCtrl()
{
    subclass.Detach();
    DeleteFonts();
    theme.Close();
}

void HyperlinkCtrl::DeleteFonts()
{
    if (underlinedFont)
        DeleteObject(underlinedFont);
    if (plainFont)
        DeleteObject(plainFont);
    underlinedFont = nullptr;
    plainFont = nullptr;
}

void HyperlinkCtrl::Attach(HWND control, const char* newText, const char* address, WORD cursor)
{
    DeleteFonts();
    window = control;
    flags = kUseHoverColour;
    theme.Open(window, L"TOOLBAR");

    LONG style = GetWindowLongA(window, GWL_STYLE);
    if (!(style & WS_TABSTOP))
        flags |= kNoFocusRect;
    StoreText(newText);
    url[0] = 0;
    if (address) {
        size_t length = strlen(address);
        if (length < sizeof(url))
            memcpy(url, address, length + 1);
    }
    cursorId = cursor;

    // Without SS_NOTIFY a static lets the mouse through to its parent.
    SetWindowLongA(window, GWL_STYLE, style | SS_NOTIFY);
    SetWindowTextA(window, "");
    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TRANSPARENT)
        flags |= kTransparent;

    normalColour = RGB(0, 0, 255);
    disabledColour = GetSysColor(COLOR_GRAYTEXT);
    hoverColour = GetSysColorBrush(COLOR_HOTLIGHT) ? GetSysColor(COLOR_HOTLIGHT) : RGB(255, 0, 255);
    underlineMode = kUnderlineAlways;
    ReadBrowserSettings();
    MakeFonts();

    // The alignment is a type of the static, not a set of bits: SS_SIMPLE
    // shares bits with both SS_CENTER and SS_RIGHT.
    drawFormat = DT_SINGLELINE;
    if ((style & SS_TYPEMASK) == SS_CENTER)
        drawFormat |= DT_CENTER;
    else if ((style & SS_TYPEMASK) == SS_RIGHT)
        drawFormat |= DT_RIGHT;
    if (style & SS_CENTERIMAGE)
        drawFormat |= DT_VCENTER;

    StoreText(newText);
    // A window subclassed already stays as it is, and this link stays passive.
    subclass.Attach(window, &HandleMessage, this);
    Measure();
    Invalidate(0);
}

void HyperlinkCtrl::StoreText(const char* newText)
{
    text.Assign(newText ? newText : "");
    displayText.Assign(Chars(text));
}

void HyperlinkCtrl::SetText(const char* newText)
{
    StoreText(newText);
    Measure();
    Invalidate(1);
}

void HyperlinkCtrl::ReadBrowserSettings()
{
    char value[kFieldRoom];
    RegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, settingsKey, KEY_READ)) {
        if (key.QueryString("Use Anchor Hover Color", value)) {
            if (_stricmp(value, "yes") == 0)
                flags |= kUseHoverColour;
            else
                flags &= ~kUseHoverColour;
        }
        if (key.QueryString("Anchor Color", value))
            ParseColour(value, &normalColour);
        if (key.QueryString("Anchor Color Hover", value))
            ParseColour(value, &hoverColour);
        key.Close();
    }
    if (key.Open(HKEY_CURRENT_USER, mainKey, KEY_READ)) {
        if (key.QueryString("Anchor Underline", value)) {
            if (_stricmp(value, "no") == 0)
                underlineMode = kUnderlineNever;
            else if (_stricmp(value, "hover") == 0)
                underlineMode = kUnderlineHover;
            else
                underlineMode = kUnderlineAlways;
        }
        key.Close();
    }
}

void HyperlinkCtrl::MakeFonts()
{
    const char* face = "Arial";
    if (FontExists("Segoe UI", DEFAULT_CHARSET))
        face = "Segoe UI";
    else if (FontExists("Verdana", DEFAULT_CHARSET))
        face = "Verdana";

    // GetDC(null) would answer the screen's.
    HDC dc = window ? GetDC(window) : nullptr;
    if (!dc)
        return;
    int saved = SaveDC(dc);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    RECT client = {};
    GetClientRect(window, &client);

    // Shrink one unit at a time until the text fits; the height test is strict.
    int height = metrics.tmHeight;
    for (;;) {
        underlinedFont = MakeFont(height, TRUE, metrics, face);
        HGDIOBJ previous = SelectObject(dc, underlinedFont);
        SIZE size;
        if (!GetTextExtentPoint32A(dc, Chars(displayText), displayText.Length(), &size))
            break;
        if (size.cx <= client.right && size.cy < client.bottom)
            break;
        if (--height <= 3)
            break;
        SelectObject(dc, previous);
        DeleteObject(underlinedFont);
    }
    plainFont = MakeFont(height, FALSE, metrics, face);
    RestoreDC(dc, saved);
    ReleaseDC(window, dc);
}

void HyperlinkCtrl::Measure()
{
    extent.cx = 0;
    extent.cy = 0;
    if (!window)
        return;
    HDC dc = GetDC(window);
    if (!dc)
        return;
    HGDIOBJ previous = SelectObject(dc, underlinedFont);
    SIZE size;
    if (GetTextExtentPoint32A(dc, Chars(displayText), displayText.Length(), &size))
        extent = size;
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(window, dc);
}

void HyperlinkCtrl::Invalidate(int eraseParent)
{
    if (!window)
        return;
    if (eraseParent && (flags & kTransparent)) {
        // A transparent link shows the parent through it: the parent repaints that part.
        HWND parent = GetParent(window);
        if (!parent)
            return;
        RECT area;
        GetClientRect(window, &area);
        MapWindowPoints(window, parent, reinterpret_cast<POINT*>(&area), 2);
        InvalidateRect(parent, &area, TRUE);
        return;
    }
    InvalidateRect(window, nullptr, FALSE);
}

int HyperlinkCtrl::HitTest() const
{
    if (extent.cy == 0)
        return 1;
    POINT point;
    if (!GetCursorPos(&point) || !ScreenToClient(window, &point))
        return 1;
    RECT client;
    GetClientRect(window, &client);
    if (!PtInRect(&client, point))
        return 0;
    if (drawFormat & DT_CENTER) {
        int margin = (client.right - extent.cx) / 2;
        return margin < point.x && point.x < client.right - margin;
    }
    if (drawFormat & DT_RIGHT)
        return point.x > client.right - extent.cx;
    return point.x < extent.cx;
}

void HyperlinkCtrl::SetHandCursor() const
{
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    HCURSOR hand = LoadCursorA(module, MAKEINTRESOURCEA(cursorId));
    // Without the resource the pointer would vanish over the link.
    if (!hand)
        hand = LoadCursorA(nullptr, IDC_HAND);
    SetCursor(hand);
}

void HyperlinkCtrl::OnMouseMove()
{
    int inside = HitTest();
    if (!(flags & kHovered) && inside) {
        flags |= kHovered;
        hover.Track(window);
        Invalidate(0);
        SetHandCursor();
    } else if ((flags & kHovered) && !inside) {
        flags &= ~kHovered;
        Invalidate(0);
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    }
}

void HyperlinkCtrl::Activate() const
{
    if (url[0] && opener)
        opener(url, nullptr, nullptr, SW_SHOW);
}

void HyperlinkCtrl::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc)
        return;
    int saved = SaveDC(dc);
    RECT client;
    GetClientRect(window, &client);

    HFONT font = underlinedFont;
    if (underlineMode == kUnderlineNever || (underlineMode == kUnderlineHover && !(flags & kHovered)))
        font = plainFont;
    if (font)
        SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    if (!(flags & kTransparent)) {
        HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(window), WM_CTLCOLORSTATIC,
                                                             reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(window)));
        if (!brush)
            brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        FillRect(dc, &client, brush);
    }
    if (flags & kDisabled)
        SetTextColor(dc, disabledColour);
    else if ((flags & kHovered) && (flags & kUseHoverColour))
        SetTextColor(dc, hoverColour);
    else
        SetTextColor(dc, normalColour);
    DrawTextA(dc, Chars(displayText), -1, &client, drawFormat);

    if (!(flags & kDisabled) && (flags & kFocused) && !(flags & kNoFocusRect)) {
        RECT box = client;
        if (drawFormat & DT_VCENTER) {
            box.top = (client.bottom - extent.cy) / 2;
            box.bottom = box.top + extent.cy;
        } else {
            box.top = 0;
            box.bottom = extent.cy;
        }
        if (drawFormat & DT_CENTER) {
            box.left = (client.right - extent.cx) / 2;
            box.right = box.left + extent.cx;
        } else if (drawFormat & DT_RIGHT) {
            box.left = client.right - extent.cx;
        } else {
            box.right = extent.cx;
        }
        DrawFocusRect(dc, &box);
    }
    RestoreDC(dc, saved);
    EndPaint(window, &paint);
}

int HyperlinkCtrl::HandleMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result, void* user)
{
    return static_cast<HyperlinkCtrl*>(user)->OnMessage(message, wParam, lParam, result);
}

int HyperlinkCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    *result = 0;
    switch (message) {
    case WM_SETFOCUS:
        flags |= kFocused;
        Invalidate(0);
        return 1;
    case WM_KILLFOCUS:
        flags &= ~kFocused;
        Invalidate(1);
        return 1;
    case WM_ENABLE:
        if (!wParam) {
            flags |= kDisabled;
        } else {
            flags &= ~kDisabled;
            // No leave tracking from here: the next mouse move starts it.
            if (!(flags & kHovered) && HitTest()) {
                flags |= kHovered;
                SetHandCursor();
            }
        }
        Invalidate(0);
        return 1;
    case WM_SETTEXT:
        SetText(reinterpret_cast<const char*>(lParam));
        *result = TRUE;
        return 1;
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        if (wParam && buffer) {
            size_t count = static_cast<size_t>(text.Length());
            if (count > wParam - 1)
                count = wParam - 1;
            memcpy(buffer, Chars(text), count);
            buffer[count] = 0;
            *result = static_cast<LRESULT>(count);
        }
        return 1;
    }
    case WM_GETTEXTLENGTH:
        // The static's own text is empty; the length must agree with WM_GETTEXT.
        *result = text.Length();
        return 1;
    case WM_PAINT:
        Paint();
        return 1;
    case WM_CANCELMODE:
    case WM_MOUSELEAVE:
        flags &= ~kHovered;
        Invalidate(0);
        return 1;
    case WM_SETCURSOR:
        if (flags & kHovered)
            SetHandCursor();
        else
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        return 1;
    case WM_KEYUP:
        if (wParam == VK_RETURN || wParam == VK_SPACE)
            Activate();
        return 1;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return 1;
    case WM_LBUTTONUP:
        if (flags & kHovered)
            Activate();
        return 1;
    default:
        return 0;
    }
}
