#include "ui/DialogBase.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

const UINT kAllowAndClose = WM_APP;
const UINT kRecordFocus = WM_APP + 1;
const UINT kCloseTwice = WM_APP + 2;

// A dialog driven by messages it posts to itself once it is up.
struct ScriptedDialog : DialogBase {
    struct Post {
        int target; // control id, 0 for the dialog
        UINT message;
        WPARAM wParam;
    };
    std::vector<Post> posts;
    int initResult = 1;
    int allowClose = 1;
    int canCloseCalls = 0;
    int focusId = -1;

    int OnInitDialog() override
    {
        for (const Post& p : posts)
            PostMessageA(p.target ? GetItem(p.target) : window, p.message, p.wParam, 0);
        if (initResult == 2)
            SetFocus(GetItem(301));
        return initResult;
    }
    int CanClose(INT_PTR) override
    {
        ++canCloseCalls;
        return allowClose;
    }
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kAllowAndClose) {
            allowClose = 1;
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            return 1;
        }
        if (message == kRecordFocus) {
            focusId = GetDlgCtrlID(GetFocus());
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
            return 1;
        }
        if (message == kCloseTwice) {
            CloseDialog(5);
            CloseDialog(7);
            return 1;
        }
        return DialogBase::OnMessage(message, wParam, lParam);
    }
    INT_PTR Run() { return DoModal(GetModuleHandleA(nullptr), 200); }
};

TEST(DialogBase, EveryClosePathEndsWithZero)
{
    const ScriptedDialog::Post paths[] = {
        { 300, WM_KEYDOWN, VK_ESCAPE },
        { 0, WM_COMMAND, IDCANCEL },
        { 0, WM_COMMAND, IDCLOSE },
        { 0, WM_CLOSE, 0 },
        { 0, WM_SYSCOMMAND, SC_CLOSE },
    };
    for (const auto& path : paths) {
        ScriptedDialog d;
        d.posts = { path };
        EXPECT_EQ(d.Run(), 0) << "message " << path.message;
        EXPECT_EQ(d.canCloseCalls, 1);
        EXPECT_EQ(d.Window(), nullptr);
    }
}

TEST(DialogBase, CanCloseRefusalKeepsTheDialogOpen)
{
    ScriptedDialog d;
    d.allowClose = 0;
    d.posts = { { 0, WM_CLOSE, 0 }, { 0, WM_COMMAND, IDCANCEL }, { 300, WM_KEYDOWN, VK_ESCAPE }, { 0, kAllowAndClose, 0 } };
    EXPECT_EQ(d.Run(), 0);
    EXPECT_EQ(d.canCloseCalls, 4);
}

TEST(DialogBase, InitResultsAndFocus)
{
    ScriptedDialog closes;
    closes.initResult = 0;
    EXPECT_EQ(closes.Run(), 0);
    EXPECT_EQ(closes.canCloseCalls, 1);

    ScriptedDialog own;
    own.initResult = 2;
    own.posts = { { 0, kRecordFocus, 0 } };
    own.Run();
    EXPECT_EQ(own.focusId, 301);

    ScriptedDialog first;
    first.posts = { { 0, kRecordFocus, 0 } };
    first.Run();
    EXPECT_EQ(first.focusId, 300);
}

TEST(DialogBase, SecondCloseDoesNothingAndObjectRunsAgain)
{
    ScriptedDialog d;
    d.posts = { { 0, kCloseTwice, 0 } };
    EXPECT_EQ(d.Run(), 5);
    EXPECT_EQ(d.canCloseCalls, 1);
    d.CloseDialog(9); // no window any more
    EXPECT_EQ(d.canCloseCalls, 1);
    d.posts = { { 0, WM_COMMAND, IDCLOSE } };
    EXPECT_EQ(d.Run(), 0);
}

TEST(DialogBase, MissingTemplateFails)
{
    ScriptedDialog d;
    EXPECT_EQ(d.DoModal(GetModuleHandleA(nullptr), 999), -1);
}

TEST(WindowBase, IndeterminateButtonIsNotChecked)
{
    struct Probe : DialogBase {
        int checked = -1;
        int OnInitDialog() override
        {
            HWND box = CreateWindowA("BUTTON", "x", WS_CHILD | BS_AUTO3STATE, 0, 0, 20, 20, window,
                                     reinterpret_cast<HMENU>(400), nullptr, nullptr);
            SendMessageA(box, BM_SETCHECK, BST_INDETERMINATE, 0);
            checked = IsChecked(400);
            SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
            checked = checked * 10 + IsChecked(400);
            return 0;
        }
    } probe;
    probe.DoModal(GetModuleHandleA(nullptr), 200);
    EXPECT_EQ(probe.checked, 1); // 0 then 1
}

} // namespace
