// Bad registry data written by other programs, and faults injected into the
// running program: it starts, shows what is valid, and loses nothing.
#include "QuillmoorSession.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <thread>

using namespace testsupport;

namespace {

enum { kCommit = 1003, kTag = 1006, kLocal = 1011, kProject = 1013, kRemote = 1014, kSvn = 1017 };
const char kKey[] = "Software\\Harrowby\\Quillmoor";

void SetRaw(const std::string& key, const std::string& name, DWORD type, const void* data, DWORD bytes)
{
    HKEY h;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &h), ERROR_SUCCESS);
    RegSetValueExA(h, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(h);
}

void AddHistory(const char* list, const std::string& name)
{
    DWORD zero = 0;
    SetRaw(std::string(kKey) + "\\" + list, name, REG_DWORD, &zero, 4);
}

bool Contains(const std::vector<std::string>& list, const std::string& text)
{
    return std::find(list.begin(), list.end(), text) != list.end();
}

TEST(Reliability, MalformedSettingsShowWhatIsValidAndLoseNothing)
{
    QuillmoorSession::ClearSettings();
    const std::string long259(259, 'n'), long260(260, 'o'), long300(300, 'p');
    for (const std::string& name : { std::string("C:\\ok"), long259, long260, long300 })
        AddHistory("Locals", name);
    for (int i = 0; i < 2000; ++i)
        AddHistory("Tags", "t" + std::to_string(i));
    // A text without its terminator (the byte after it is no zero), a number
    // where a text belongs, an over-long text and a text where a number belongs.
    const char project[] = "Proj!";
    SetRaw(kKey, "Project", REG_SZ, project, 4);
    DWORD number = 0x00434241; // "ABC"
    SetRaw(kKey, "Local", REG_DWORD, &number, 4);
    SetRaw(kKey, "Remote", REG_SZ, long300.c_str(), 301);
    SetRaw(kKey, "SVN", REG_SZ, "1", 2);

    QuillmoorSession s("malformed", true);
    ASSERT_TRUE(s.Start());
    EXPECT_EQ(s.Get(kProject), "Proj");
    EXPECT_EQ(s.Get(kLocal), "");
    EXPECT_EQ(s.Get(kRemote), "");
    EXPECT_TRUE(s.Checked(kSvn));
    auto locals = ProgramDriver::Items(s.Item(kLocal));
    EXPECT_EQ(locals.size(), 2u);
    EXPECT_TRUE(Contains(locals, "C:\\ok") && Contains(locals, long259));
    EXPECT_EQ(ProgramDriver::Items(s.Item(kTag)).size(), 2001u);
    EXPECT_EQ(s.Close(), 0);

    // Every history entry is still there, and so are the number and the over-long remote folder.
    EXPECT_EQ(QuillmoorSession::History("Locals").size(), 4u);
    EXPECT_EQ(QuillmoorSession::History("Tags").size(), 2000u);
    std::string text;
    EXPECT_TRUE(QuillmoorSession::ReadString("Project", &text) && text == "Proj");
    EXPECT_TRUE(QuillmoorSession::ReadDword("Local", &number) && number == 0x00434241);
    char remote[400];
    DWORD size = sizeof(remote);
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kKey, "Remote", RRF_RT_REG_SZ, nullptr, remote, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(remote), long300);
    DWORD svn = 0;
    EXPECT_TRUE(QuillmoorSession::ReadDword("SVN", &svn) && svn == 1);
}

TEST(Reliability, TextsInAnyLanguageReadBackUnchanged)
{
    QuillmoorSession::ClearSettings();
    // Written as under another code page: UTF-8 holds the Cyrillic and the CJK characters.
    const std::wstring folder = L"C:\\\x0420\x0430\x0431\x043E\x0442\x0430\\\x8868";
    const std::wstring key = L"Software\\Harrowby\\Quillmoor";
    DWORD zero = 0;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Local", REG_SZ, folder.c_str(),
                              static_cast<DWORD>((folder.size() + 1) * 2)), ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (key + L"\\Locals").c_str(), folder.c_str(), REG_DWORD, &zero, 4),
              ERROR_SUCCESS);
    QuillmoorSession s("unicode", true);
    ASSERT_TRUE(s.Start());
    EXPECT_EQ(s.GetWide(kLocal), folder);
    EXPECT_EQ(ProgramDriver::Items(s.Item(kLocal)).size(), 1u);
    EXPECT_EQ(s.Close(), 0);

    wchar_t kept[64] = L"";
    DWORD size = sizeof(kept);
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Local", RRF_RT_REG_SZ, nullptr, kept, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(kept), folder);
    EXPECT_EQ(QuillmoorSession::History("Locals").size(), 1u);
}

TEST(Reliability, AValueWhereTheMainKeyBelongsIsAFirstStart)
{
    QuillmoorSession::ClearSettings();
    DWORD stray = 5;
    SetRaw("Software\\Harrowby", "Quillmoor", REG_DWORD, &stray, 4);
    QuillmoorSession s("main-key-value", true);
    ASSERT_TRUE(s.Start());
    EXPECT_FALSE(s.Checked(kSvn));
    s.Set(kProject, "App");
    EXPECT_EQ(s.Close(), 0);
    std::string text;
    EXPECT_TRUE(QuillmoorSession::ReadString("Project", &text) && text == "App");
}

// Reads back what a crashed run left: well-formed values only.
void ExpectSoundSettings(const std::vector<std::string>& allowed)
{
    for (const char* name : { "Local", "Project", "Remote" }) {
        std::string text;
        ASSERT_TRUE(QuillmoorSession::ReadString(name, &text)) << name;
        EXPECT_TRUE(Contains(allowed, text)) << name << " = " << text;
    }
    DWORD svn = 9;
    EXPECT_TRUE(QuillmoorSession::ReadDword("SVN", &svn) && svn == 1);
    for (const char* list : { "Locals", "Projects", "Remotes" })
        for (const std::string& entry : QuillmoorSession::History(list))
            EXPECT_TRUE(Contains(allowed, entry)) << list << ": " << entry;
}

void ExpectReport(const QuillmoorSession& s)
{
    DWORD exit = const_cast<ProgramDriver&>(s.program).WaitExit(60000);
    EXPECT_NE(exit, 0u);
    EXPECT_NE(exit, STILL_ACTIVE);
    std::string report = ReadWholeFile(s.bin + "Quillmoor_Debug.txt");
    EXPECT_EQ(report.compare(0, 22, "Exception 0xC0000005 a"), 0) << report.substr(0, 80);
    if (UnderX86Emulation())
        GTEST_SKIP() << kEmulatedDbghelp;
    EXPECT_EQ(ReadWholeFile(s.bin + "Quillmoor_Debug.dmp").compare(0, 4, "MDMP"), 0);
}

TEST(Reliability, FaultDuringAClientRunLeavesTheReportAndTheSettings)
{
    QuillmoorSession::ClearSettings();
    QuillmoorSession s("fault-run", true);
    ASSERT_TRUE(s.Start());
    s.Click(kSvn);
    CreateDirectoryA((s.dir + "L1").c_str(), nullptr);
    s.Set(kLocal, "L1");
    s.Set(kProject, "P1");
    s.Set(kRemote, "R1");
    s.Press(kCommit); // saves L1, P1, R1
    s.Set(kProject, "P2");
    const std::string hold = s.bin + "svn.hold";
    WriteWholeFile(hold, "");
    std::thread press([&] { s.Press(kCommit); });
    for (int i = 0; i < 200 && s.Runs("svn").size() < 2; ++i)
        Sleep(50); // until the client runs and the dialog waits for it
    ASSERT_TRUE(s.program.InjectFault());
    ExpectReport(s);
    DeleteFileA(hold.c_str());
    press.join();
    ExpectSoundSettings({ "L1", "P1", "R1" });
}

TEST(Reliability, FaultWhileSettingsAreSavedLeavesNoCorruptedValue)
{
    QuillmoorSession::ClearSettings();
    QuillmoorSession s("fault-save", true);
    ASSERT_TRUE(s.Start());
    s.Click(kSvn);
    std::vector<std::string> allowed;
    volatile bool stop = false;
    // Successful runs one after another, each saving new texts.
    std::thread runs([&] {
        for (int n = 0; !stop && n < 400; ++n) {
            std::string text = "v" + std::to_string(n);
            CreateDirectoryA((s.dir + text).c_str(), nullptr);
            s.Set(kLocal, text);
            s.Set(kProject, text);
            s.Set(kRemote, text);
            if (!s.Press(kCommit).empty() || !IsWindow(s.dialog))
                break;
        }
    });
    for (int n = 0; n < 400; ++n)
        allowed.push_back("v" + std::to_string(n));
    Sleep(1200);
    ASSERT_TRUE(s.program.InjectFault());
    ExpectReport(s);
    stop = true;
    runs.join();
    ExpectSoundSettings(allowed);
}

} // namespace
