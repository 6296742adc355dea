#pragma once
#include <windows.h>

#include "ui/HoverTracker.h"
#include "ui/TextBuf.h"
#include "ui/ThemeApi.h"
#include "ui/WindowSubclass.h"

// Turns a dialog's static text control into a web link: draws the text in the
// browser's link colours, underlines it always, never or while hovered, shows
// a hand cursor over the text and opens the address on a click or on Enter or
// Space. Owns its fonts, theme and tracker; refers to the window, which must
// outlive the attachment or be gone before this object is destroyed.
class HyperlinkCtrl {
public:
    enum Flag : DWORD {
        kUseHoverColour = 0x0001,
        kHovered = 0x0004,
        kDisabled = 0x0008,
        kTransparent = 0x0010,
        kFocused = 0x0040,
        kNoFocusRect = 0x0080,
    };
    enum UnderlineMode { kUnderlineNever = 0, kUnderlineHover = 1, kUnderlineAlways = 2 };
    static const int kUrlBytes = 260;
    static const char kSettingsKey[];
    static const char kMainKey[];

    // Same shape as ProcessLauncher::ShellOpen, the default.
    typedef int (*OpenFn)(const char* file, const char* parameters, const char* directory, int showCommand);

    HyperlinkCtrl();
    ~HyperlinkCtrl();
    HyperlinkCtrl(const HyperlinkCtrl&) = delete;
    HyperlinkCtrl& operator=(const HyperlinkCtrl&) = delete;

    // Once, after the dialog's controls exist. url may be null (the link then
    // does nothing); an address of more than kUrlBytes - 1 bytes is refused
    // the same way rather than cut into a different address.
    void Attach(HWND control, const char* text, const char* url, WORD cursor);
    void SetText(const char* newText);

    // Where the browser's link settings are read (below HKEY_CURRENT_USER) and
    // how the address is opened. The key texts must outlive Attach.
    void SetSettingsKeys(const char* settings, const char* main) { settingsKey = settings; mainKey = main; }
    void SetOpener(OpenFn fn) { opener = fn; }

    // Whether the pointer is over the text band; also when that cannot be told.
    int HitTest() const;

    HWND Window() const { return window; }
    DWORD Flags() const { return flags; }
    int Underline() const { return underlineMode; }
    COLORREF NormalColour() const { return normalColour; }
    COLORREF HoverColour() const { return hoverColour; }
    COLORREF DisabledColour() const { return disabledColour; }
    HFONT UnderlinedFont() const { return underlinedFont; }
    HFONT PlainFont() const { return plainFont; }
    SIZE Extent() const { return extent; }
    UINT DrawFormat() const { return drawFormat; }
    const char* Url() const { return url; }

private:
    static int HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result, void* user);
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    void StoreText(const char* newText);
    void ReadBrowserSettings();
    void MakeFonts();
    void Measure();
    void Invalidate(int eraseParent);
    void Paint();
    void OnMouseMove();
    void SetHandCursor() const;
    void Activate() const;
    void DeleteFonts();

    // The window property holds this record's address: it stays the first member.
    WindowSubclass subclass;
    HoverTracker hover;
    TextBuf displayText;
    TextBuf text;
    ThemeApi theme;
    char url[kUrlBytes];
    HFONT underlinedFont;
    HFONT plainFont;
    UINT drawFormat;
    DWORD flags;
    COLORREF normalColour;
    COLORREF hoverColour;
    COLORREF disabledColour;
    WORD cursorId;
    SIZE extent;
    int underlineMode;
    HWND window;
    const char* settingsKey;
    const char* mainKey;
    OpenFn opener;
};
