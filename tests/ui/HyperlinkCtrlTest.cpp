#include "ui/HyperlinkCtrl.h"

#include "LinkTestWindows.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <string.h>
#include <vector>

using namespace linktest;

namespace {

const char kText[] = "Quillmoor";
const char kUrl[] = "http://quillmoor.example.org/";
const char kNoKey[] = "Software\\QuillmoorTests\\NoSuchKey";
std::vector<std::string> opened;

int RecordOpen(const char* file, const char* parameters, const char* directory, int show)
{
    opened.push_back(parameters || directory || show != SW_SHOW ? "bad call" : file);
    return 1;
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_CTLCOLORSTATIC ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

HWND Parent()
{
    static HWND parent = TopWindow("LinkParent", ParentProc);
    return parent;
}

// A link on a static control of its own at (20, 100) of the parent.
struct Link {
    HyperlinkCtrl ctrl;
    HWND window;

    Link(DWORD style, int width, int height, const char* text = kText, const char* url = kUrl,
         const char* settings = kNoKey, const char* main = kNoKey, DWORD exStyle = 0,
         HINSTANCE instance = GetModuleHandleA(nullptr), WORD cursor = 106)
    {
        window = CreateWindowExA(exStyle, "STATIC", "Static", WS_CHILD | WS_VISIBLE | style, 20, 100, width, height,
                                 Parent(), nullptr, instance, nullptr);
        ctrl.SetSettingsKeys(settings, main);
        ctrl.SetOpener(RecordOpen);
        ctrl.Attach(window, text, url, cursor);
        opened.clear();
    }
    // The window goes first, as in the program.
    ~Link() { DestroyWindow(window); }
    void Send(UINT message, WPARAM wParam = 0) { SendMessageA(window, message, wParam, 0); }
    void MoveTo(int x)
    {
        PointerTo(window, x, 5);
        Send(WM_MOUSEMOVE);
    }
    bool Hovered() const { return ctrl.Flags() & HyperlinkCtrl::kHovered; }
};

struct SettingsRow {
    const char *underline, *useHover, *colour, *hoverColour;
    int mode;
    bool hoverOn;
    COLORREF normal, hover;
};

TEST(HyperlinkCtrl, TakesColoursAndUnderlineFromTheBrowserSettings)
{
    COLORREF hot = GetSysColorBrush(COLOR_HOTLIGHT) ? GetSysColor(COLOR_HOTLIGHT) : RGB(255, 0, 255);
    const SettingsRow rows[] = {
        {nullptr, nullptr, nullptr, nullptr, 2, true, 0xFF0000, hot},  // no keys at all
        {"hOvEr", "yes", nullptr, nullptr, 1, true, 0xFF0000, hot},
        {"NO", "no", nullptr, nullptr, 0, false, 0xFF0000, hot},
        {"Yes", "YES", "0,128,256", "255,0,0", 2, true, 0x008000, 0x0000FF},
        {"sometimes", "", "10,20", "1,2,3", 2, false, 0xFF0000, 0x030201},
    };
    for (const SettingsRow& row : rows) {
        testsupport::ScratchKey settings("LinkSettings"), main("LinkMain");
        auto put = [](testsupport::ScratchKey& key, const char* name, const char* value) {
            if (value)
                key.SetRaw(name, REG_SZ, value, static_cast<DWORD>(strlen(value) + 1));
        };
        put(settings, "Use Anchor Hover Color", row.useHover);
        put(settings, "Anchor Color", row.colour);
        put(settings, "Anchor Color Hover", row.hoverColour);
        put(main, "Anchor Underline", row.underline);
        bool keys = row.underline != nullptr;
        Link link(SS_CENTER, 100, 20, kText, kUrl, keys ? settings.Path().c_str() : kNoKey,
                  keys ? main.Path().c_str() : kNoKey);
        SCOPED_TRACE(keys ? row.underline : "no keys");
        EXPECT_EQ(link.ctrl.Underline(), row.mode);
        EXPECT_EQ((link.ctrl.Flags() & HyperlinkCtrl::kUseHoverColour) != 0, row.hoverOn);
        EXPECT_EQ(link.ctrl.NormalColour(), row.normal);
        EXPECT_EQ(link.ctrl.HoverColour(), row.hover);
    }
}

int FontHeight(HFONT font)
{
    LOGFONTA info = {};
    GetObjectA(font, sizeof(info), &info);
    return info.lfHeight;
}

// The width of text in font made one unit taller.
int WidthOneUp(HWND window, HFONT font, const char* text)
{
    LOGFONTA info = {};
    GetObjectA(font, sizeof(info), &info);
    ++info.lfHeight;
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, CreateFontIndirectA(&info));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
    DeleteObject(SelectObject(dc, old));
    ReleaseDC(window, dc);
    return size.cx;
}

TEST(HyperlinkCtrl, ShrinksTheFontOneUnitAtATimeUntilTheTextFits)
{
    const char wide[] = "Quillmoor on the web, version control";
    Link roomy(SS_LEFT, 400, 100);
    int start = FontHeight(roomy.ctrl.UnderlinedFont()), tall = roomy.ctrl.Extent().cy;
    {
        Link link(SS_LEFT, 120, 40, wide);
        EXPECT_LT(FontHeight(link.ctrl.UnderlinedFont()), start);
        EXPECT_EQ(FontHeight(link.ctrl.PlainFont()), FontHeight(link.ctrl.UnderlinedFont()));
        EXPECT_LE(link.ctrl.Extent().cx, 120);
        EXPECT_GT(WidthOneUp(link.window, link.ctrl.UnderlinedFont(), wide), 120);
    }
    {
        Link link(SS_LEFT, 8, 40, wide);
        EXPECT_EQ(FontHeight(link.ctrl.UnderlinedFont()), 4);
        EXPECT_EQ(FontHeight(link.ctrl.PlainFont()), 3);
    }
    Link link(SS_LEFT, 400, tall);
    EXPECT_EQ(FontHeight(link.ctrl.UnderlinedFont()), start - 1) << "as tall as the client area is too tall";
}

TEST(HyperlinkCtrl, HitTestFollowsTheAlignment)
{
    for (DWORD style : {SS_CENTER | SS_CENTERIMAGE, SS_RIGHT, SS_LEFT}) {
        Link link(style, 300, 24);
        int w = link.ctrl.Extent().cx, m = (300 - w) / 2;
        ASSERT_GT(w, 0);
        int first = style == SS_LEFT ? 0 : style == SS_RIGHT ? 300 - w + 1 : m + 1;
        int last = style == SS_LEFT ? w - 1 : style == SS_RIGHT ? 299 : 299 - m;
        for (int x : {first - 1, first, last, last + 1}) {
            PointerTo(link.window, x, 23);
            EXPECT_EQ(link.ctrl.HitTest(), x >= first && x <= last) << "style " << style << " x " << x;
        }
        PointerTo(link.window, first, 24);
        EXPECT_FALSE(link.ctrl.HitTest());
    }
}

TEST(HyperlinkCtrl, HoverFollowsThePointerWithTheHandCursor)
{
    // The cross of user32 stands in for the program's hand.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    HCURSOR hand = LoadCursorA(user32, MAKEINTRESOURCEA(32515)), arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_TRUE(hand && hand != arrow);
    {
        Link link(SS_LEFT, 300, 24, kText, kUrl, kNoKey, kNoKey, 0, user32, 32515);
        link.MoveTo(250);
        EXPECT_FALSE(link.Hovered());
        link.MoveTo(2);
        EXPECT_TRUE(link.Hovered());
        EXPECT_EQ(GetCursor(), hand);
        link.MoveTo(250);
        EXPECT_FALSE(link.Hovered());
        EXPECT_EQ(GetCursor(), arrow);
        for (UINT leave : {WM_MOUSELEAVE, WM_CANCELMODE}) {
            link.MoveTo(2);
            link.Send(leave);
            EXPECT_FALSE(link.Hovered());
            link.Send(WM_SETCURSOR);
            EXPECT_EQ(GetCursor(), arrow);
        }
        EnableWindow(link.window, FALSE);
        EXPECT_TRUE(link.ctrl.Flags() & HyperlinkCtrl::kDisabled);
        EnableWindow(link.window, TRUE);
        EXPECT_TRUE(link.Hovered()) << "enabled with the pointer over the text";
        SetCursor(arrow);
        link.Send(WM_SETCURSOR);
        EXPECT_EQ(GetCursor(), hand);
    }
    Link missing(SS_LEFT, 300, 24);
    missing.MoveTo(2);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND)) << "the test program has no cursor 106";
}

TEST(HyperlinkCtrl, OpensOnReleaseOverTheTextAndOnEnterOrSpace)
{
    {
        Link link(SS_CENTER, 300, 24);
        link.MoveTo(5);
        link.Send(WM_LBUTTONDOWN);
        link.MoveTo(150);
        link.Send(WM_LBUTTONUP);
        link.Send(WM_LBUTTONDOWN);
        link.Send(WM_LBUTTONDBLCLK);
        link.MoveTo(5);
        link.Send(WM_LBUTTONUP);
        EXPECT_EQ(opened, std::vector<std::string>{kUrl});
        link.Send(WM_KEYDOWN, VK_RETURN);
        link.Send(WM_KEYUP, 'A');
        link.Send(WM_KEYUP, VK_RETURN);
        link.Send(WM_KEYUP, VK_SPACE);
        EXPECT_EQ(opened.size(), 3u);

        // A real click: without SS_NOTIFY the static would hand it to its parent.
        PointerTo(link.window, 150, 12);
        Pump(100);
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_MOUSE;
        input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, input, sizeof(INPUT));
        Pump(200);
        EXPECT_EQ(opened.size(), 4u);
    }
    // Missing, empty and too long addresses do nothing; 259 bytes still fit.
    const std::string fits = "http://example.org/" + std::string(240, 'a'), tooLong = fits + "b";
    for (const char* url : {static_cast<const char*>(nullptr), "", tooLong.c_str(), fits.c_str()}) {
        Link link(SS_CENTER, 300, 24, kText, url);
        link.MoveTo(150);
        link.Send(WM_LBUTTONUP);
        link.Send(WM_KEYUP, VK_RETURN);
        EXPECT_EQ(opened.size(), url == fits.c_str() ? 2u : 0u);
        EXPECT_EQ(link.ctrl.Url(), url == fits.c_str() ? fits : "");
    }
}

TEST(HyperlinkCtrl, AnswersTheWindowTextCallsAndGivesTheWindowBack)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 300, 24, Parent(), nullptr, nullptr, nullptr);
    LONG_PTR original = GetWindowLongPtrA(window, GWLP_WNDPROC);
    {
        HyperlinkCtrl link;
        link.SetSettingsKeys(kNoKey, kNoKey);
        link.Attach(window, kText, kUrl, 106);
        char buffer[16] = "###";
        EXPECT_EQ(SendMessageA(window, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
        EXPECT_EQ(buffer[0], '#');
        EXPECT_EQ(SendMessageA(window, WM_GETTEXT, 5, reinterpret_cast<LPARAM>(buffer)), 4);
        EXPECT_STREQ(buffer, "Quil");
        EXPECT_EQ(GetWindowTextLengthA(window), 9);
        LONG narrow = link.Extent().cx;
        SetWindowTextA(window, "Quillmoor home");
        EXPECT_GT(link.Extent().cx, narrow);
        EXPECT_EQ(GetWindowTextA(window, buffer, sizeof(buffer)), 14);
    }
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), original);
    EXPECT_EQ(GetPropA(window, WindowSubclass::PropertyName()), nullptr);
    DestroyWindow(window);

    // A transparent link has its parent repaint the place it covers.
    Link clear(SS_LEFT, 100, 20, kText, kUrl, kNoKey, kNoKey, WS_EX_TRANSPARENT);
    Pump(50);
    ValidateRect(Parent(), nullptr);
    clear.ctrl.SetText("Other");
    RECT dirty = {};
    GetUpdateRect(Parent(), &dirty, FALSE);
    EXPECT_TRUE(dirty.left == 20 && dirty.top == 100 && dirty.right == 120 && dirty.bottom == 120);
}

struct Shot {
    int nearCount = 0;   // pixels close to the colour, for anti-aliased glyphs
    int longestRun = 0;  // of exactly the colour in one row: an underline
};

Shot Look(HWND window, COLORREF colour)
{
    UpdateWindow(window);
    Pump(100);
    RECT r;
    GetWindowRect(window, &r);
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top));
    BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, r.left, r.top, SRCCOPY);
    Shot shot;
    for (int y = 0; y < r.bottom - r.top; ++y) {
        for (int x = 0, run = 0; x < r.right - r.left; ++x) {
            COLORREF p = GetPixel(memory, x, y);
            shot.nearCount += abs(GetRValue(p) - GetRValue(colour)) < 64 && abs(GetGValue(p) - GetGValue(colour)) < 64 &&
                              abs(GetBValue(p) - GetBValue(colour)) < 64;
            run = p == colour ? run + 1 : 0;
            shot.longestRun = std::max(shot.longestRun, run);
        }
    }
    DeleteObject(SelectObject(memory, old));
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

TEST(HyperlinkCtrl, DrawsTheLinkColoursOnTheScreen)
{
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    testsupport::ScratchKey settings("LinkSettings"), main("LinkMain");
    settings.SetRaw("Anchor Color Hover", REG_SZ, "255,0,0", 8);
    main.SetRaw("Anchor Underline", REG_SZ, "hover", 6);
    Link link(SS_CENTER | SS_CENTERIMAGE, 300, 30, kText, kUrl, settings.Path().c_str(), main.Path().c_str());
    int textWidth = link.ctrl.Extent().cx;
    PointerTo(Parent(), 490, 290);

    Shot idle = Look(link.window, blue);
    EXPECT_GT(idle.nearCount, 20);
    EXPECT_LT(idle.longestRun, textWidth - 2) << "underlined only while hovered";
    EXPECT_EQ(Look(link.window, red).nearCount, 0);

    link.MoveTo(150);
    ASSERT_TRUE(link.Hovered());
    Shot hovered = Look(link.window, red);
    EXPECT_GT(hovered.nearCount, 20);
    EXPECT_GE(hovered.longestRun, textWidth - 2);
    EXPECT_EQ(Look(link.window, blue).nearCount, 0);
}

} // namespace
