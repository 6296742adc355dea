#include "ui/FileUtil.h"
#include "ui/TextBuf.h"

#include "TestSupport.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

struct Builder {
    Bytes b;
    void Word(unsigned w) { b.push_back(w & 0xFF); b.push_back((w >> 8) & 0xFF); }
    void Dword(unsigned d) { Word(d & 0xFFFF); Word(d >> 16); }
    void Byte(unsigned v) { b.push_back(v & 0xFF); }
    void Text(const char* s) { for (; *s; ++s) Word(static_cast<unsigned char>(*s)); Word(0); }
    void Ordinal(unsigned n) { Word(0xFFFF); Word(n); }
    void Align4() { while (b.size() % 4) b.push_back(0); }
};

const unsigned kItems[] = { 0x50010000u, 0x11223344u, 0x55667788u }; // stands for the item templates

// A classic template with menu and class by ordinal or by name.
Bytes Classic(unsigned style, bool ordinals, const char* title, const char* face, bool items = true)
{
    Builder t;
    t.Dword(style);
    t.Dword(0);
    t.Word(1);
    t.Word(0); t.Word(0); t.Word(100); t.Word(50);
    if (ordinals) { t.Ordinal(7); t.Ordinal(0x8002); } else { t.Text("MENU"); t.Text("MyClass"); }
    t.Text(title);
    if (style & (DS_SETFONT | DS_FIXEDSYS)) {
        t.Word(8);
        t.Text(face);
    }
    if (items) {
        t.Align4();
        for (unsigned v : kItems) t.Dword(v);
    }
    return t.b;
}

Bytes Extended(const char* title, const char* face)
{
    Builder t;
    t.Word(1); t.Word(0xFFFF); t.Dword(0x1234); t.Dword(0); t.Dword(DS_SETFONT | WS_POPUP);
    t.Word(1); t.Word(0); t.Word(0); t.Word(100); t.Word(50);
    t.Word(0); t.Ordinal(0x8002); t.Text(title);
    t.Word(9); t.Word(700); t.Byte(1); t.Byte(0xEE);
    t.Text(face);
    t.Align4();
    for (unsigned v : kItems) t.Dword(v);
    return t.b;
}

const wchar_t* Face2() { return L"MS Shell Dlg 2"; }
const wchar_t* Face1() { return L"MS Shell Dlg"; }

Bytes Rewrite(const Bytes& in, const wchar_t* (*face)() = Face2)
{
    DWORD size = 0;
    void* out = FileUtil::RewriteTemplateFont(in.data(), static_cast<DWORD>(in.size()), face, &size);
    if (!out)
        return Bytes();
    Bytes result(static_cast<unsigned char*>(out), static_cast<unsigned char*>(out) + size);
    free(out);
    return result;
}

TEST(TemplateFont, ClassicRewrittenByteForByte)
{
    const DWORD style = WS_POPUP | DS_SETFONT;
    for (bool ordinals : { true, false }) {
        for (const char* title : { "Odd", "Even", "" }) {
            for (const char* old : { "MS Sans Serif", "System" }) {
                EXPECT_EQ(Rewrite(Classic(style, ordinals, title, old)), Classic(style, ordinals, title, "MS Shell Dlg 2"))
                    << title << " " << old;
                EXPECT_EQ(Rewrite(Classic(style, ordinals, title, old), Face1),
                          Classic(style, ordinals, title, "MS Shell Dlg"));
            }
        }
    }
    EXPECT_EQ(Rewrite(Classic(DS_FIXEDSYS, true, "T", "System")), Classic(DS_FIXEDSYS, true, "T", "MS Shell Dlg 2"));
}

TEST(TemplateFont, ExtendedKeepsWeightItalicAndCharset)
{
    EXPECT_EQ(Rewrite(Extended("Title", "System")), Extended("Title", "MS Shell Dlg 2"));
    EXPECT_EQ(Rewrite(Extended("Titles", "MS Sans Serif"), Face1), Extended("Titles", "MS Shell Dlg"));
}

TEST(TemplateFont, OtherFacesAndNoFontAreLeftAlone)
{
    EXPECT_TRUE(Rewrite(Classic(DS_SETFONT, true, "T", "Tahoma")).empty());
    EXPECT_TRUE(Rewrite(Classic(DS_SETFONT, true, "T", "ms sans serif")).empty());
    EXPECT_TRUE(Rewrite(Extended("T", "MS SANS SERIF")).empty());
    EXPECT_TRUE(Rewrite(Classic(WS_POPUP, true, "T", "")).empty());
}

TEST(TemplateFont, TruncatedTemplatesAreNotReadPastTheirEnd)
{
    Bytes whole = Classic(DS_SETFONT, false, "Title", "MS Sans Serif", false);
    // Every cut inside the header, the strings or the face name refuses the rewrite.
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        Bytes part(whole.begin(), whole.begin() + cut);
        EXPECT_TRUE(Rewrite(part).empty()) << "cut at " << cut;
    }
    // Without items the copy still ends right after the new face.
    Bytes done = Rewrite(whole);
    Builder expect;
    expect.b = Classic(DS_SETFONT, false, "Title", "MS Shell Dlg 2", false);
    expect.Align4();
    EXPECT_EQ(done, expect.b);
}

TEST(TemplateFont, ProgramTemplateRunsFromTheShellDialogFont)
{
    HMODULE program = LoadLibraryExA((testsupport::BuildDir() + "Quillmoor.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    DWORD size = 0;
    const void* source = FileUtil::FindResourceData(program, RT_DIALOG, 102, 0, &size);
    ASSERT_NE(source, nullptr);
    void* copy = FileUtil::LoadDialogTemplate(program, 102, 0);
    ASSERT_NE(copy, nullptr);
    const DLGTEMPLATE* t = static_cast<const DLGTEMPLATE*>(copy);
    EXPECT_EQ(t->cdit, 24);
    EXPECT_EQ(t->cx, 331);
    EXPECT_EQ(t->cy, 190);
    std::wstring face = FileUtil::ShellDialogFace();
    std::wstring bytes(static_cast<const wchar_t*>(copy), static_cast<const wchar_t*>(copy) + 300);
    EXPECT_NE(bytes.find(face + L'\0'), std::wstring::npos);
    free(copy);
    FreeLibrary(program);
}

TEST(FileUtil, FindResourceFallsBackByLanguage)
{
    HINSTANCE self = GetModuleHandleA(nullptr);
    DWORD size = 0;
    const char* de = static_cast<const char*>(FileUtil::FindResourceData(self, RT_RCDATA, 501, 0x0807, &size));
    ASSERT_NE(de, nullptr); // Swiss German finds German
    EXPECT_EQ(std::string(de, 7), "deutsch");
    const char* en = static_cast<const char*>(FileUtil::FindResourceData(self, RT_RCDATA, 500, 0x040C, nullptr));
    ASSERT_NE(en, nullptr); // French falls back to English
    EXPECT_EQ(std::string(en, 7), "english");
    EXPECT_EQ(FileUtil::FindResourceData(self, RT_RCDATA, 502, 0, nullptr), nullptr);
}

TEST(FileUtil, VersionCaptions)
{
    char out[200];
    EXPECT_STREQ(FileUtil::FormatCaption(out, sizeof(out), "Quillmoor", 1, 5), "Quillmoor [1.05]");
    EXPECT_STREQ(FileUtil::FormatCaption(out, sizeof(out), "Quillmoor", 2, 123), "Quillmoor [2.123]");

    HMODULE program = LoadLibraryExA((testsupport::BuildDir() + "Quillmoor.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE);
    FileUtil util;
    // A data-file module has no file name of its own: read the version by path.
    unsigned major = 0, minor = 0;
    ASSERT_EQ(FileUtil::ReadFileVersion((testsupport::BuildDir() + "Quillmoor.exe").c_str(), &major, &minor), 1);
    EXPECT_EQ(FileUtil::FormatCaption(out, sizeof(out), "Quillmoor", major, minor), std::string("Quillmoor [1.04]"));
    FreeLibrary(program);
    // The test program has no version block.
    EXPECT_STREQ(util.VersionCaption("Test", nullptr), "Test [1.01]");

    // Long titles are cut to the buffer, never written past it.
    std::string title(400, 't');
    char small[50];
    memset(small, 'X', sizeof(small));
    util.VersionCaption(title.c_str(), nullptr, small, 40);
    EXPECT_EQ(strlen(small), 39u);
    EXPECT_EQ(small[40], 'X');
    EXPECT_EQ(strlen(util.VersionCaption(title.c_str(), nullptr)), 199u);
}

TEST(FileUtil, ModuleDirectoryKeepsTheBackslash)
{
    char dir[kFieldRoom];
    ASSERT_EQ(FileUtil::ModuleDirectory(nullptr, dir), 1);
    EXPECT_EQ(std::string(dir), testsupport::TestDir());
}

// Where the code page lacks a character of the module's path, no look-alike
// path is read: no version of another file, only the bare title.
TEST(FileUtil, ModulePathOutsideTheCodePageIsNotRead)
{
    const std::wstring dir = testsupport::Wide(testsupport::ScratchDir("module-lodz")) + L"\u0141\u00f3d\u017a\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    CopyFileW(testsupport::Wide(testsupport::BuildDir() + "Quillmoor.exe").c_str(), (dir + L"Quillmoor.exe").c_str(),
              FALSE);
    HMODULE module = LoadLibraryW((dir + L"Quillmoor.exe").c_str());
    ASSERT_NE(module, nullptr);
    char path[kFieldRoom] = "untouched";
    EXPECT_EQ(FileUtil::ModuleFileName(module, path), 0);
    EXPECT_STREQ(path, "");
    FileUtil util;
    EXPECT_STREQ(util.VersionCaption("Quillmoor", module), "Quillmoor");
    FreeLibrary(module);
}

} // namespace
