#include "QuillmoorSession.h"

#include <gtest/gtest.h>

namespace {

enum { kLocal = 1011, kProject = 1013 };

TEST(Proposal, PickingAndTypingALocalFolderProposesTheProject)
{
    QuillmoorSession::ClearSettings();
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Harrowby\\Quillmoor\\Locals", &key);
    DWORD zero = 0;
    RegSetValueExA(key, "C:\\work\\proj", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), 4);
    // Over 259 bytes before its last part under UTF-8, sorted after the first.
    const std::wstring last(120, L'\u0142'), item = L"C:\\x" + std::wstring(130, L'\u0142') + L"\\" + last;
    RegSetValueExW(key, item.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), 4);
    RegCloseKey(key);

    QuillmoorSession s("proposal", true);
    ASSERT_TRUE(s.Start());
    HWND combo = s.Item(kLocal);
    // Picking from the list.
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    SendMessageA(s.dialog, WM_COMMAND, MAKEWPARAM(kLocal, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(s.Get(kProject), "proj");
    // Posted: a fault while a message sent from another process is handled is
    // swallowed (so 64-bit Windows and Wine do), and an overrun would go unseen.
    SendMessageA(combo, CB_SETCURSEL, 1, 0);
    PostMessageA(s.dialog, WM_COMMAND, MAKEWPARAM(kLocal, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    for (int i = 0; i < 100 && s.GetWide(kProject) != last; ++i)
        Sleep(20);
    EXPECT_EQ(s.GetWide(kProject), last);
    // No item selected.
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(s.dialog, WM_COMMAND, MAKEWPARAM(kLocal, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(s.Get(kProject), "");

    // Typing, character by character, into the edit part.
    HWND edit = FindWindowExA(combo, nullptr, "Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    s.Set(kLocal, "");
    for (char c : std::string("C:\\work\\proj\\"))
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_EQ(s.Get(kProject), "proj\\");

    // Setting the text from outside proposes nothing by itself.
    s.Set(kLocal, "C:\\elsewhere\\x");
    EXPECT_EQ(s.Get(kProject), "proj\\");

    // Double-byte text: in code page 932 the trail byte 0x5C of this
    // ideograph is no separator.
    std::string hyou = "\x95\x5c";
    s.Set(kLocal, "C:\\w\\" + hyou);
    SendMessageA(s.dialog, WM_COMMAND, MAKEWPARAM(kLocal, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(combo));
    if (GetACP() == 932)
        EXPECT_EQ(s.Get(kProject), hyou);
    else
        EXPECT_EQ(s.Get(kProject), std::string("\x95\\"));
    EXPECT_EQ(s.Close(), 0);
}

} // namespace
