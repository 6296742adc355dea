#include "ui/TextBuf.h"

#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace {

bool DoubleByteCodePage() { return GetACP() == 932; }

// "表" in Shift-JIS: its trail byte is a backslash.
const char kHyou[] = "\x95\x5c";

TEST(TextBuf, ConstructionAndResize)
{
    TextBuf a;
    EXPECT_EQ(a.Length(), 0);
    EXPECT_EQ(a.Size(), 1);
    EXPECT_EQ(a.MaxLength(), 259);
    EXPECT_STREQ(a.Data(), "");

    TextBuf b(0);
    EXPECT_EQ(b.Capacity(), 1);
    EXPECT_STREQ(b.Data(), "");
    EXPECT_EQ(b.Size(), 1);

    TextBuf c;
    c.Assign("abcdef");
    ASSERT_EQ(c.Resize(3), 1);
    EXPECT_STREQ(c.Data(), "ab");
    EXPECT_EQ(c.Size(), 3);
    ASSERT_EQ(c.Resize(0), 1);
    EXPECT_EQ(c.Capacity(), 1);
    EXPECT_STREQ(c.Data(), "");

    c.Assign("keep");
    c.Reset(40);
    EXPECT_EQ(c.Capacity(), 40);
    EXPECT_STREQ(c.Data(), "");
}

TEST(TextBuf, AssignGrowsToExactFitAndStopsAtEmbeddedNul)
{
    TextBuf t;
    std::string long300(300, 'x');
    ASSERT_EQ(t.Assign(long300.c_str()), 1);
    EXPECT_EQ(t.Capacity(), 301);
    EXPECT_EQ(t.Length(), 300);

    TextBuf u;
    ASSERT_EQ(u.Assign("ab\0cd", 5), 1);
    EXPECT_EQ(u.Length(), 2);
    EXPECT_EQ(u.Capacity(), 260);

    ASSERT_EQ(u.Assign(static_cast<const char*>(nullptr)), 1);
    EXPECT_STREQ(u.Data(), "");
    // From a part of its own text.
    u.Assign("hello world");
    ASSERT_EQ(u.Assign(u.Data() + 6), 1);
    EXPECT_STREQ(u.Data(), "world");
}

TEST(TextBuf, AssignWideEndsInsideItsBlockInEveryCodePage)
{
    // 200 ideographs: 400 bytes in code page 932, 200 replacement bytes in 1252.
    std::wstring wide(200, L'\x65e5');
    TextBuf t;
    ASSERT_EQ(t.Assign(wide.c_str()), 1);
    int expected = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr) - 1;
    EXPECT_EQ(t.Length(), expected);
    EXPECT_LT(t.Length(), t.Capacity());
    EXPECT_EQ(t.Data()[t.Length()], 0);
    if (DoubleByteCodePage())
        EXPECT_EQ(t.Length(), 400);

    ASSERT_EQ(t.Assign(L"Toolbar"), 1);
    EXPECT_STREQ(t.Data(), "Toolbar");
    ASSERT_EQ(t.Assign(static_cast<const wchar_t*>(nullptr)), 1);
    EXPECT_STREQ(t.Data(), "");
    ASSERT_EQ(t.Assign(L""), 1);
    EXPECT_EQ(t.Size(), 1);
}

TEST(TextBuf, AppendGrowsToNewSizePlusTwenty)
{
    TextBuf t(10);
    t.Assign("123456789"); // fills the block exactly
    ASSERT_EQ(t.Append("ab"), 1);
    EXPECT_STREQ(t.Data(), "123456789ab");
    EXPECT_EQ(t.Capacity(), 12 + 20);

    TextBuf c(4);
    c.Assign("abc");
    ASSERT_EQ(c.AppendChar('d'), 1);
    EXPECT_EQ(c.Capacity(), 4 + 21);
    EXPECT_STREQ(c.Data(), "abcd");
    EXPECT_EQ(c.Size(), 5);

    // Appending its own text while the block moves.
    TextBuf self(6);
    self.Assign("abcde");
    ASSERT_EQ(self.Append(self), 1);
    EXPECT_STREQ(self.Data(), "abcdeabcde");
    self += "!";
    EXPECT_STREQ(self.Data(), "abcdeabcde!");
}

TEST(TextBuf, InsertAndTruncateClampPositions)
{
    TextBuf t;
    t.Assign("abc");
    ASSERT_NE(t.Insert(99, "x"), nullptr);
    EXPECT_STREQ(t.Data(), "abcx");
    ASSERT_NE(t.Insert(-3, ">"), nullptr);
    EXPECT_STREQ(t.Data(), ">abcx");

    TextBuf tag;
    tag.Assign("tag1");
    tag.Insert(0, "-r ");
    EXPECT_STREQ(tag.Data(), "-r tag1");
    EXPECT_EQ(tag.Size(), 8);

    TextBuf small(4);
    small.Assign("abc");
    small.Insert(1, "XY");
    EXPECT_STREQ(small.Data(), "aXYbc");
    EXPECT_EQ(small.Capacity(), 6);

    TextBuf own;
    own.Assign("abc");
    own.Insert(1, own.Data());
    EXPECT_STREQ(own.Data(), "aabcbc");

    TextBuf cut;
    cut.Assign("abc");
    cut.Truncate(1000);
    EXPECT_STREQ(cut.Data(), "abc");
    cut.Truncate(-5);
    EXPECT_STREQ(cut.Data(), "");
    EXPECT_EQ(cut.Size(), 1);
}

TEST(TextBuf, ReplaceRestartsButEndsWhenReplacementHoldsTheText)
{
    TextBuf t;
    t.Assign("aabb");
    t.Replace("ab", "a");
    EXPECT_STREQ(t.Data(), "aa");

    t.Assign("-r %rel% x %rel%");
    t.Replace("%rel%", nullptr);
    EXPECT_STREQ(t.Data(), "-r  x ");
    t.Assign("%rel%%rel%");
    t.Replace("%rel%", "");
    EXPECT_STREQ(t.Data(), "");
    EXPECT_EQ(t.Size(), 1);

    t.Assign("nothing here");
    t.Replace("%dir%", "X");
    EXPECT_STREQ(t.Data(), "nothing here");
    EXPECT_EQ(t.Size(), 13);

    t.Assign("a %proj% b %proj%");
    t.Replace("%proj%", "<%proj%>");
    EXPECT_STREQ(t.Data(), "a <%proj%> b <%proj%>");
    t.Assign("%x%");
    t.Replace("%x%", "%x%%x%");
    EXPECT_STREQ(t.Data(), "%x%%x%");

    // Capacity follows the size of each replacement.
    TextBuf c(20);
    c.Assign("1%a%2");
    c.Replace("%a%", "LONGER");
    EXPECT_STREQ(c.Data(), "1LONGER2");
    EXPECT_EQ(c.Capacity(), 23);
}

TEST(TextBuf, ReplaceStopsAtItsCeilingWithTheTextKept)
{
    // Each pass forms the next "%x%" from the inserted text and its neighbours.
    TextBuf t;
    t.Assign("%%x%x%");
    EXPECT_EQ(t.Replace("%x%", "x%%x", 4096), nullptr);
    EXPECT_STREQ(t.Data(), "%%x%x%");
    EXPECT_EQ(t.Replace("%x%", "x%%x"), nullptr);
    EXPECT_STREQ(t.Data(), "%%x%x%");

    // The ceiling bounds the capacity: landing on it is allowed, one byte more is not.
    TextBuf edge;
    edge.Assign("a%x%b");
    EXPECT_EQ(edge.Replace("%x%", "12345", edge.Capacity() + 1), nullptr);
    EXPECT_STREQ(edge.Replace("%x%", "12345", edge.Capacity() + 2), "a12345b");

    // A text already above the ceiling may still shrink.
    TextBuf big(TextBuf::kFormatCeiling + 100);
    big.Assign("a%x%b");
    EXPECT_STREQ(big.Replace("%x%", ""), "ab");
}

TEST(TextBuf, ReplaceCharAndTrailingBackslash)
{
    TextBuf t;
    t.Assign("X:\\a\\b");
    t.ReplaceChar('\\', '/');
    EXPECT_STREQ(t.Data(), "X:/a/b");
    t.ReplaceChar('/', '/'); // same characters: nothing to do, and no endless loop
    EXPECT_STREQ(t.Data(), "X:/a/b");

    TextBuf e;
    EXPECT_STREQ(e.EnsureTrailingBackslash(), "");
    e.Assign("C:");
    EXPECT_STREQ(e.EnsureTrailingBackslash(), "C:\\");
    EXPECT_STREQ(e.EnsureTrailingBackslash(), "C:\\");
}

TEST(TextBuf, SearchesAndComparisons)
{
    TextBuf t;
    t.Assign("abc");
    EXPECT_EQ(t.FindChar('x', t.Length()), -1);
    EXPECT_EQ(t.FindChar(0, t.Length()), 3);
    EXPECT_EQ(t.FindChar('a', t.Size()), -1);
    EXPECT_EQ(t.FindChar('c', 1), 2);
    EXPECT_EQ(t.Find(""), 0);
    EXPECT_EQ(t.Find("bc"), 1);
    EXPECT_EQ(t.Find("cb"), -1);
    EXPECT_EQ(t.FindCharNoCase('B'), 1);
    EXPECT_EQ(t.FindCharNoCase('z'), -1);

    TextBuf p;
    p.Assign("x:PSERVER:y");
    EXPECT_EQ(p.FindNoCase(":pserver:"), p.Data() + 1);
    EXPECT_EQ(p.FindNoCase(nullptr), nullptr);
    TextBuf empty;
    EXPECT_EQ(empty.FindNoCase(":pserver:"), nullptr);

    TextBuf l;
    l.Assign("LaTeSt");
    EXPECT_EQ(l.CompareNoCase("latest"), 0);
    EXPECT_NE(l.Compare("latest"), 0);
    EXPECT_LT(l.Compare("Z"), 0);
}

TEST(TextBuf, FormatGrowsInStepsOf260AndKnowsItsCeiling)
{
    TextBuf t;
    std::string six(600, 'q');
    ASSERT_EQ(t.Format("%s", six.c_str()), 1);
    EXPECT_EQ(t.Capacity(), 780);
    EXPECT_EQ(t.Length(), 600);

    TextBuf exact(10);
    ASSERT_EQ(exact.Format("%s", "123456789"), 1);
    EXPECT_EQ(exact.Capacity(), 10);
    EXPECT_STREQ(exact.Data(), "123456789");
    ASSERT_EQ(exact.Format("%d", 1234567890), 1);
    EXPECT_EQ(exact.Capacity(), 270);

    TextBuf wrap;
    ASSERT_EQ(wrap.Format("0x%X %s %I64X", 0xC0000005u, "ok", 0x123456789ULL), 1);
    EXPECT_STREQ(wrap.Data(), "0xC0000005 ok 123456789");

    TextBuf huge;
    // From 260 the last step reaches 3,145,740 bytes: one more character cannot fit.
    std::string big(3145740, 'z');
    EXPECT_EQ(huge.Format("%s", big.c_str()), 0);
    EXPECT_EQ(huge.Capacity(), 260);
    EXPECT_EQ(huge.Length(), 0);
}

TEST(TextBuf, UpdateLengthStaysInsideAnUnterminatedBlock)
{
    TextBuf t(8);
    memset(t.Data(), 'x', 8);
    t.UpdateLength();
    EXPECT_EQ(t.Length(), 7);
    EXPECT_EQ(t.Data()[7], 0);
}

TEST(TextBuf, FileNamePart)
{
    EXPECT_STREQ(TextBuf::FileNamePart("C:\\work\\proj"), "proj");
    EXPECT_STREQ(TextBuf::FileNamePart("proj"), "proj");
    EXPECT_STREQ(TextBuf::FileNamePart("C:\\"), "C:\\");
    EXPECT_STREQ(TextBuf::FileNamePart("C:\\a\\b\\"), "b\\");
    EXPECT_STREQ(TextBuf::FileNamePart("svn://host/repo"), "repo");
    EXPECT_STREQ(TextBuf::FileNamePart(""), "");
}

TEST(TextBuf, DoubleByteTrailBackslashIsNoSeparator)
{
    std::string path = std::string("C:\\w\\") + kHyou;
    TextBuf t;
    t.Assign(path.c_str());
    if (DoubleByteCodePage()) {
        EXPECT_STREQ(TextBuf::FileNamePart(path.c_str()), kHyou);
        EXPECT_EQ(t.FindChar('\\', 5), -1);
        t.ReplaceChar('\\', '/');
        EXPECT_EQ(std::string(t.Data()), std::string("C:/w/") + kHyou);
        TextBuf folder;
        folder.Assign((std::string("C:\\") + kHyou).c_str());
        EXPECT_EQ(std::string(folder.EnsureTrailingBackslash()), std::string("C:\\") + kHyou + "\\");
        std::string trailing = std::string("C:\\") + kHyou + "\\";
        EXPECT_EQ(std::string(TextBuf::FileNamePart(trailing.c_str())), std::string(kHyou) + "\\");
    } else {
        // In a single-byte code page 0x5C is a backslash wherever it stands.
        EXPECT_EQ(std::string(TextBuf::FileNamePart(path.c_str())), std::string("\x95\\"));
        EXPECT_EQ(t.FindChar('\\', 5), 6);
    }
}

TEST(TextBuf, ALeadByteBeforeTheEndIsNoReasonToReadOn)
{
    // Old content after the terminator must stay unseen, whatever the code page.
    TextBuf t;
    t.Assign("abc\\def");
    t.Truncate(2);
    t.Data()[1] = '\x95'; // "a" and a lone lead byte, then the terminator
    t.UpdateLength();
    EXPECT_EQ(t.FindChar('\\'), -1);
    EXPECT_EQ(t.Find("\\"), -1);
    EXPECT_EQ(t.FindNoCase("D"), nullptr);
    t.ReplaceChar('\\', '/');
    EXPECT_EQ(t.Data()[3], '\\');
    EXPECT_NE(t.CompareNoCase("a"), 0);
    const char* path = "x\\y\x95";
    EXPECT_EQ(TextBuf::LastChar(path, '\\'), path + 1);
    const char* trail = "a\x95\\";
    EXPECT_EQ(TextBuf::LastChar(trail, '\\'), DoubleByteCodePage() ? nullptr : trail + 2);
}

// Under UTF-8 a field keeps 259 UTF-16 units, whatever their bytes, and never
// part of a character (nor half a surrogate pair); elsewhere 259 bytes.
TEST(TextBuf, FieldLengthCountsUnitsUnderUtf8AndBytesElsewhere)
{
    auto times = [](const char* s, int n) { std::string r; while (n--) r += s; return r; };
    const struct { std::string text; unsigned codePage; int length; } rows[] = {
        { times("\xC5\x82", 260), CP_UTF8, 518 }, { times("\xE2\x82\xAC", 260), CP_UTF8, 777 },
        { "a" + times("\xF0\x9F\x98\x80", 130), CP_UTF8, 517 }, { "aa" + times("\xF0\x9F\x98\x80", 130), CP_UTF8, 514 },
        { "ab\xE2\x82", CP_UTF8, 2 }, { times("\xC5\x82", 260), 1252, 259 }, { times("\x95\x5C", 260), 932, 259 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(TextBuf::FieldLength(row.text.c_str(), row.codePage), row.length) << row.codePage;
}

TEST(TextBuf, RoundTripsOnlyWithoutLookAlikes)
{
    EXPECT_TRUE(TextBuf::RoundTrips(L"C:\\Z\u00fcrich", 1252));
    EXPECT_FALSE(TextBuf::RoundTrips(L"C:\\\u0141\u00f3d\u017a", 1252)); // best fit would give "Lodz"
    EXPECT_TRUE(TextBuf::RoundTrips(L"C:\\\u8868", 932));
    EXPECT_FALSE(TextBuf::RoundTrips(L"C:\\Z\u00fcrich", 932));
    EXPECT_TRUE(TextBuf::RoundTrips(L"\u0141\u00f3d\u017a \U0001F600", CP_UTF8));
    EXPECT_TRUE(TextBuf::RoundTrips(L"\u4e2d\u4e2d\u4e2d", CP_UTF8)); // three bytes a unit
    EXPECT_FALSE(TextBuf::RoundTrips(L"a\xD800", CP_UTF8)); // a lone surrogate is no character
    // A text that fills its buffer exactly leaves no room for the terminator.
    char out[5] = { '?', '?', '?', '?', '#' };
    wchar_t back[4];
    EXPECT_TRUE(!TextBuf::Narrow(L"abcd", 4, 1252, out, 4, back) && out[4] == '#');
}

} // namespace
