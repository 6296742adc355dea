#include "ui/ThemeApi.h"

#include <gtest/gtest.h>

TEST(ThemeApi, BindsUxthemeAndCopesWithoutIt)
{
    HWND window = GetDesktopWindow();
    ThemeApi theme;
    EXPECT_EQ(theme.Open(window, nullptr), 1);
    EXPECT_EQ(theme.Theme(), nullptr);
    // Whether a theme is active is the system's business; the list is kept either way.
    int opened = theme.Open(window, L"TOOLBAR");
    EXPECT_EQ(opened, theme.Theme() != nullptr);
    EXPECT_STREQ(theme.ClassList().Data(), "TOOLBAR");
    theme.Close();
    EXPECT_EQ(theme.Theme(), nullptr);
    EXPECT_EQ(ThemeApi("QmNoSuchTheme.dll").Open(window, nullptr), 0);
}
