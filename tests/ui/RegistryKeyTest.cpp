#include "ui/RegistryKey.h"

#include "TestSupport.h"
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <string.h>

using testsupport::ScratchKey;

namespace {

// The data size as stored, before any conversion of the "A" calls.
DWORD StoredBytes(HKEY key, const char* name)
{
    DWORD bytes = 0;
    RegQueryValueExW(key, std::wstring(name, name + strlen(name)).c_str(), nullptr, nullptr, nullptr, &bytes);
    return bytes;
}

TEST(RegistryKey, StringsOfUpTo259CharactersRoundTrip)
{
    ScratchKey scratch("strings");
    RegistryKey key;
    EXPECT_EQ(key.Close(), 1);
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, (scratch.Path() + "\\Missing").c_str()), 0);
    EXPECT_EQ(key.Handle(), nullptr);
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, scratch.Path().c_str()), 1);
    const std::string fits(259, 'a'), tooLong(260, 'b');
    EXPECT_EQ(key.SetString("Fits", fits.c_str()), 1);
    EXPECT_EQ(key.SetString("TooLong", tooLong.c_str()), 1);
    EXPECT_EQ(key.SetString("Empty", ""), 1);
    DWORD type = 0, bytes = 0;
    RegQueryValueExA(scratch.Handle(), "Empty", nullptr, &type, nullptr, &bytes);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, 1u);

    char out[260];
    EXPECT_EQ(key.QueryString("Fits", out), 1);
    EXPECT_EQ(out, fits);
    EXPECT_EQ(key.QueryString("Empty", out), 1);
    EXPECT_STREQ(out, "");
    for (const char* name : {"TooLong", "Missing"}) {
        memset(out, 'x', sizeof(out));
        EXPECT_EQ(key.QueryString(name, out), 0) << name;
        EXPECT_STREQ(out, "") << name;
    }
    EXPECT_EQ(key.Close(), 1);
    EXPECT_EQ(key.Handle(), nullptr);
    EXPECT_EQ(key.QueryString("Fits", out), 0);
}

// Other programs write this registry, so a value may be of any type and lack its terminator.
TEST(RegistryKey, QueryStringAlwaysDeliversATerminatedText)
{
    ScratchKey scratch("malformed");
    // The byte after each written value is not zero, so that no terminator is added on the way in.
    const std::string raw(300, 'c');
    scratch.SetRaw("SzUnterminated", REG_SZ, raw.data(), 5);
    scratch.SetRaw("SzFull", REG_SZ, raw.data(), 260);
    scratch.SetRaw("Expand", REG_EXPAND_SZ, "%x%", 4);
    scratch.SetRaw("Binary", REG_BINARY, raw.data(), 7);
    scratch.SetRaw("BinaryFull", REG_BINARY, raw.data(), 260);
    scratch.SetRaw("BinaryNone", REG_BINARY, raw.data(), 0);
    const DWORD number = 0x00636261;
    scratch.SetRaw("Number", REG_DWORD, &number, 4);
    ASSERT_EQ(StoredBytes(scratch.Handle(), "SzUnterminated"), 10u);
    ASSERT_EQ(StoredBytes(scratch.Handle(), "SzFull"), 520u);

    const struct {
        const char* name;
        int result;
        const char* text;
    } rows[] = {
        {"SzUnterminated", 1, "ccccc"}, {"SzFull", 0, ""},     {"Expand", 1, "%x%"}, {"Binary", 0, ""},
        {"BinaryFull", 0, ""},          {"BinaryNone", 0, ""}, {"Number", 0, ""},
    };
    RegistryKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, scratch.Path().c_str()), 1);
    for (const auto& row : rows) {
        char out[261];
        memset(out, 'x', sizeof(out));
        EXPECT_EQ(key.QueryString(row.name, out), row.result) << row.name;
        EXPECT_STREQ(out, row.text) << row.name;
        EXPECT_EQ(out[260], 'x') << row.name;
    }
}

TEST(RegistryKey, QueryDwordTakesUpToFourBytesOfAnyType)
{
    ScratchKey scratch("numbers");
    RegistryKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, scratch.Path().c_str(), KEY_ALL_ACCESS), 1);
    EXPECT_EQ(key.SetDword("Dword", 0x12345678), 1);
    const BYTE bytes[] = {1, 2, 3, 4, 5};
    scratch.SetRaw("Binary4", REG_BINARY, bytes, 4);
    scratch.SetRaw("Binary2", REG_BINARY, bytes, 2);
    scratch.SetRaw("Binary5", REG_BINARY, bytes, 5);
    scratch.SetRaw("Text", REG_SZ, "abc", 4);

    const DWORD untouched = 0xDEADBEEF;
    const struct {
        const char* name;
        int result;
        DWORD value;
    } rows[] = {
        {"Dword", 1, 0x12345678},   {"Binary4", 1, 0x04030201}, {"Binary2", 1, 0x0201},
        {"Binary5", 0, untouched}, {"Text", 1, 0x00636261},    {"Missing", 0, untouched},
    };
    for (const auto& row : rows) {
        DWORD out = untouched;
        EXPECT_EQ(key.QueryDword(row.name, &out), row.result) << row.name;
        EXPECT_EQ(out, row.value) << row.name;
    }
}

struct Walk {
    std::map<std::string, DWORD> types, sizes;
    size_t stopAt = 0;
};

int Record(const char* name, DWORD type, DWORD bytes, BYTE*, void* user)
{
    Walk* walk = static_cast<Walk*>(user);
    walk->types[name] = type;
    walk->sizes[name] = bytes;
    // Any non-zero value continues.
    return walk->types.size() == walk->stopAt ? 0 : 2;
}

TEST(RegistryKey, EnumValuesVisitsNamesThatFitAndStopsOnRequest)
{
    ScratchKey scratch("enum");
    const std::string path = scratch.Path();
    Walk none;
    const std::string missing = path + "\\Missing";
    EXPECT_EQ(RegistryKey::EnumValues(HKEY_CURRENT_USER, missing.c_str(), Record, nullptr, 0, nullptr, &none), 0);
    EXPECT_EQ(RegistryKey::EnumValues(HKEY_CURRENT_USER, path.c_str(), Record, nullptr, 0, nullptr, &none), 1);
    EXPECT_TRUE(none.types.empty());

    // The registry lists names in order here: one too long also comes first.
    const std::string n259(259, 'n'), n260(260, 'o'), n300(300, 'p'), first300(300, 'A');
    for (const std::string* name : {&n259, &n260, &n300, &first300})
        scratch.SetRaw(name->c_str(), REG_BINARY, "xyz", 3);
    scratch.SetRaw("First", REG_SZ, "one", 4);
    scratch.SetRaw("Last", REG_DWORD, "four", 4);

    Walk all;
    DWORD type;
    EXPECT_EQ(RegistryKey::EnumValues(HKEY_CURRENT_USER, path.c_str(), Record, &type, 0, nullptr, &all), 1);
    EXPECT_EQ(all.types, (std::map<std::string, DWORD>{{"First", REG_SZ}, {n259, REG_BINARY}, {"Last", REG_DWORD}}));
    EXPECT_EQ(all.sizes, (std::map<std::string, DWORD>{{"First", 4}, {n259, 3}, {"Last", 4}}));

    Walk untyped;
    EXPECT_EQ(RegistryKey::EnumValues(HKEY_CURRENT_USER, path.c_str(), Record, nullptr, 0, nullptr, &untyped), 1);
    EXPECT_EQ(untyped.types["Last"], 0u);

    Walk two;
    two.stopAt = 2;
    EXPECT_EQ(RegistryKey::EnumValues(HKEY_CURRENT_USER, path.c_str(), Record, nullptr, 0, nullptr, &two), 0);
    EXPECT_EQ(two.types.size(), 2u);
}

} // namespace
