#include "sys/DynamicLibrary.h"

#include <gtest/gtest.h>

namespace {

// Nothing else in this program loads it, so its presence shows our own references.
const char kLib[] = "dbghelp.dll";

bool Loaded() { return GetModuleHandleA(kLib) != nullptr; }

TEST(DynamicLibrary, FailedLoadLeavesTheObjectEmpty)
{
    ASSERT_FALSE(Loaded());
    DynamicLibrary lib;
    EXPECT_EQ(lib.Resolve("SymInitialize"), nullptr);
    EXPECT_EQ(lib.Free(), 0);
    ASSERT_EQ(lib.Load(kLib), 1);
    EXPECT_EQ(lib.Handle(), GetModuleHandleA(kLib));
    EXPECT_NE(lib.Resolve<DWORD(WINAPI*)(DWORD)>("SymSetOptions"), nullptr);
    EXPECT_EQ(lib.Resolve("NoSuchEntry"), nullptr);
    EXPECT_NE(lib.Handle(), nullptr);

    EXPECT_EQ(lib.Load("qm-no-such-library.dll"), 0);
    EXPECT_EQ(lib.Handle(), nullptr);
    EXPECT_FALSE(Loaded());
    EXPECT_EQ(lib.Free(), 0);
}

TEST(DynamicLibrary, EachObjectFreesOnlyItsOwnReference)
{
    DynamicLibrary a, b;
    ASSERT_EQ(a.Load(kLib), 1);
    ASSERT_EQ(b.Load(kLib), 1);
    {
        DynamicLibrary c;
        ASSERT_EQ(c.Load(kLib), 1);
    }
    EXPECT_EQ(a.Free(), 1);
    EXPECT_EQ(a.Free(), 0);
    EXPECT_TRUE(Loaded());
    EXPECT_NE(b.Resolve("SymInitialize"), nullptr);
    EXPECT_EQ(b.Free(), 1);
    EXPECT_FALSE(Loaded());
}

} // namespace
