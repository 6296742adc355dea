#include "ui/ComboListCtrl.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <string>

namespace {

size_t blockBytes;
LRESULT CALLBACK RecordBlock(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == CB_GETLBTEXT)
        blockBytes = _msize(reinterpret_cast<void*>(lParam));
    return DefSubclassProc(window, message, wParam, lParam);
}

struct Controls : ::testing::Test {
    HWND parent = nullptr;
    ComboListCtrl combo, list;
    void SetUp() override
    {
        parent = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
        combo.Attach(CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWN | CBS_SORT | CBS_AUTOHSCROLL, 0, 0, 200,
                                   100, parent, nullptr, nullptr, nullptr),
                     ComboListCtrl::kCombo);
        list.Attach(CreateWindowA("LISTBOX", "", WS_CHILD | LBS_SORT, 0, 0, 200, 100, parent, nullptr, nullptr,
                                  nullptr),
                    0);
    }
    void TearDown() override { DestroyWindow(parent); }
};

TEST_F(Controls, AddStringSortsAndKeepsDuplicates)
{
    int index = -1;
    ASSERT_EQ(combo.AddString("m", 0, &index), 1);
    ASSERT_EQ(combo.AddString("z", 0, &index), 1);
    ASSERT_EQ(combo.AddString("a", 7, &index), 1);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(combo.AddString("m", 0, nullptr), 1);
    EXPECT_EQ(SendMessageA(combo.Control(), CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageA(combo.Control(), CB_GETITEMDATA, 0, 0), 7);

    ASSERT_EQ(list.AddString("b", 3, &index), 1);
    ASSERT_EQ(list.AddString("a", 4, &index), 1);
    EXPECT_EQ(index, 0);
}

TEST_F(Controls, SelectionOutputs)
{
    int index = 42;
    char text[260] = "untouched";
    LPARAM data = 99;
    combo.AddString("latest", 1, nullptr);
    EXPECT_EQ(combo.GetSelection(&index, text, &data), 0);
    EXPECT_EQ(index, 42);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(data, 99);

    ASSERT_EQ(combo.SetSelection(0), 1);
    ASSERT_EQ(combo.GetSelection(&index, text, &data), 1);
    EXPECT_EQ(index, 0);
    EXPECT_STREQ(text, "latest");
    EXPECT_EQ(data, 1);
    EXPECT_EQ(combo.SetSelection(-1), 0);
    EXPECT_EQ(combo.GetSelection(nullptr, nullptr, nullptr), 0);

    list.AddString("entry", 5, nullptr);
    list.SetSelection(0);
    strcpy(text, "untouched");
    ASSERT_EQ(list.GetSelection(&index, text, &data), 1);
    EXPECT_EQ(data, 5);
    EXPECT_STREQ(text, "untouched"); // a list box never writes the text
}

TEST_F(Controls, LongTextsAreCutToTheBuffer)
{
    std::string long300(300, 'w');
    ASSERT_EQ(combo.SetText(long300.c_str()), 1);
    char buffer[270];
    memset(buffer, 'X', sizeof(buffer));
    EXPECT_EQ(combo.GetText(buffer), 259);
    EXPECT_EQ(buffer[259], 0);
    EXPECT_EQ(buffer[260], 'X');

    // An item longer than 259 characters, selected, is cut as well.
    combo.AddString(long300.c_str(), 0, nullptr);
    combo.SetSelection(0);
    memset(buffer, 'X', sizeof(buffer));
    ASSERT_EQ(combo.GetSelection(nullptr, buffer, nullptr), 1);
    EXPECT_EQ(strlen(buffer), 259u);
    EXPECT_EQ(buffer[260], 'X');
    // Windows may count the item in UTF-16 units, each up to 3 bytes under UTF-8.
    SetWindowSubclass(combo.Control(), RecordBlock, 0, 0);
    combo.GetSelection(nullptr, buffer, nullptr);
    EXPECT_GE(blockBytes, 3 * long300.size() + 1);
}

TEST_F(Controls, CarriesOnlyWhatTheCodePageHolds)
{
    SetWindowTextW(combo.Control(), L"C:\\work");
    EXPECT_EQ(combo.CarriesText(), 1);
    SetWindowTextW(combo.Control(), L"C:\\\u0141\u00f3d\u017a"); // this test's code page would give "Lodz"
    EXPECT_EQ(combo.CarriesText(), 0);
    // The 259-unit read cuts this pair: the field keeps 258 units and carries them.
    SetWindowTextW(combo.Control(), (std::wstring(258, L'a') + L"\U0001F600").c_str());
    EXPECT_EQ(combo.CarriesText(), 1);
}

TEST_F(Controls, ComboInfoReachesTheEditPart)
{
    COMBOBOXINFO info;
    ASSERT_EQ(combo.GetComboInfo(&info), 1);
    EXPECT_NE(info.hwndItem, nullptr);
    EXPECT_EQ(GetParent(info.hwndItem), combo.Control());
    EXPECT_EQ(combo.GetComboInfo(&info, "no-such-library.dll"), 0);
    ComboListCtrl unbound;
    EXPECT_EQ(unbound.GetComboInfo(&info), 0);
}

} // namespace
