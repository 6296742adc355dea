#include "QuillmoorSession.h"
#include "TestSupport.h"
#include "vcs/CommandBuilder.h"

#include <algorithm>
#include <gtest/gtest.h>

using testsupport::Utf8;
using testsupport::Wide;

namespace {

enum { kImport = 1002, kCommit = 1003, kCheckout = 1004, kCreateTag = 1005, kTag = 1006, kShowStatus = 1010,
       kLocal = 1011, kProject = 1013, kRemote = 1014, kCvs = 1016, kSvn = 1017 };

typedef std::vector<std::string> Lines;

void ExpectRuns(QuillmoorSession& s, const char* client, const Lines& params, const std::string& cwd)
{
    auto runs = s.Runs(client);
    ASSERT_EQ(runs.size(), params.size()) << client;
    for (size_t i = 0; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].params, params[i]);
        EXPECT_EQ(runs[i].cwd, cwd);
        EXPECT_EQ(runs[i].ignore, CommandBuilder::kIgnoreList);
    }
}

bool Has(const Lines& list, const std::string& text)
{
    return std::count(list.begin(), list.end(), text) == 1;
}

TEST(Operations, FiveButtonsUnderCvs)
{
    QuillmoorSession s("cvs-buttons");
    ASSERT_TRUE(s.Start());
    std::string local = s.dir + "work";
    CreateDirectoryA(local.c_str(), nullptr);
    s.Set(kLocal, local);
    s.Set(kProject, "App");
    s.Set(kRemote, "X:\\cvsroot");
    s.Set(kTag, "v1_0");
    s.Click(kCvs);
    for (int id : { kImport, kCommit, kCheckout, kCreateTag, kShowStatus })
        for (auto& b : s.Press(id)) ADD_FAILURE() << b.caption << ": " << b.text;
    ExpectRuns(s, "cvs", { "-d X:\\cvsroot -N init", "-z3 -d X:\\cvsroot -N import -m import App import",
                           "-z3 -d X:\\cvsroot -N -q commit -m commited",
                           "-z3 -d X:\\cvsroot -N -q checkout -d " + local + " -r v1_0 App",
                           "-z3 -d X:\\cvsroot -N -q tag -F -c v1_0", "-z3 -d X:\\cvsroot -N -Q status -v -X" },
               local);
    EXPECT_TRUE(s.Runs("svn").empty());
    EXPECT_EQ(s.Lines(), Lines({ "Quillmoor.", "Quillmoor: Source import'd.", "Quillmoor: Source commited.",
                                 "Quillmoor: Source checked out.", "Quillmoor: Source tag'd." }));
    EXPECT_EQ(s.Close(), 0);
}

TEST(Operations, FiveButtonsUnderSvn)
{
    QuillmoorSession s("svn-buttons");
    ASSERT_TRUE(s.Start());
    std::string local = s.dir + "work";
    CreateDirectoryA(local.c_str(), nullptr);
    s.Set(kLocal, local);
    s.Set(kProject, "App");
    s.Set(kRemote, "X:\\Repos\\Main");
    s.Set(kTag, "v1_0");
    s.Click(kSvn);
    for (int id : { kImport, kCommit, kCheckout, kCreateTag, kShowStatus })
        for (auto& b : s.Press(id)) ADD_FAILURE() << b.caption << ": " << b.text;
    ExpectRuns(s, "svnadmin", { "create X:\\Repos\\Main" }, local);
    ExpectRuns(s, "svn", { "import " + local + " file:///X:/Repos/Main -m \"import\"",
                           "commit -m commited " + local + "\\App", "co file:///X:/Repos/Main -r v1_0 App",
                           "copy file:///X:/Repos/Main file:///X:/Repos/Main/v1_0 -m \"v1_0\"",
                           "status " + local + "\\App" },
               local);
    EXPECT_EQ(s.Lines(), Lines({ "Quillmoor.", "Quillmoor: Source import'd.", "Quillmoor: Source commited.",
                                 "Quillmoor: Source checked out.", "Quillmoor: Source tag'd.",
                                 "Quillmoor: Status done." }));
    EXPECT_EQ(s.Close(), 0);
}

// Folders and projects reach the client whole: with blanks, in any language
// (never a look-alike), and with 259 characters however many bytes they take.
TEST(Operations, FoldersReachTheClientWhole)
{
    QuillmoorSession s("whole-folders");
    ASSERT_TRUE(s.Start());
    const std::wstring dir(s.dir.begin(), s.dir.end()), lodz = dir + L"\u0141\u00f3d\u017a Praca";
    const std::wstring created = dir + L"\u015cablono\\nowy", half((220 - dir.size()) / 2, L'\u0142');
    const std::wstring longFolder = dir + half + L"\\" + half; // 220 or 221 characters, above 400 bytes
    for (const std::wstring& folder : { lodz, dir + L"Lodz Praca", dir + half, longFolder })
        CreateDirectoryW(folder.c_str(), nullptr);
    s.Set(kRemote, "X:\\My Repos");
    for (const std::wstring& folder : { lodz, created, longFolder }) {
        s.SetWide(kLocal, folder);
        s.SetWide(kProject, folder == created ? L"My App" : std::wstring(300, L'\u0142'));
        s.Click(folder == created ? kCvs : kSvn);
        s.Press(folder == created ? kCheckout : kShowStatus);
    }
    auto svn = s.Runs("svn"), cvs = s.Runs("cvs");
    ASSERT_EQ(svn.size(), 2u);
    ASSERT_EQ(cvs.size(), 1u);
    const std::wstring project = L"\\" + std::wstring(259, L'\u0142');
    EXPECT_EQ(svn[0].args, "status|" + Utf8(lodz + project) + "|");
    EXPECT_EQ(svn[1].args, "status|" + Utf8(longFolder + project) + "|");
    EXPECT_EQ(cvs[0].args, "-z3|-d|X:\\My Repos|-N|-q|checkout|-d|" + Utf8(created) + "|My App|");
    EXPECT_EQ(svn[0].wideCwd + cvs[0].wideCwd + svn[1].wideCwd, Utf8(lodz + created + longFolder));
    for (const std::wstring& folder : { lodz, created, longFolder }) {
        DWORD zero = 1, size = 4;
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Harrowby\\Quillmoor\\Locals", folder.c_str(),
                               RRF_RT_REG_DWORD, nullptr, &zero, &size), ERROR_SUCCESS);
    }
    EXPECT_EQ(s.Close(), 0);
}

// Windows before 10 version 1903 runs Quillmoor under its own code page, which
// turns a folder with characters it lacks into a look-alike: another folder.
TEST(Operations, WithoutUtf8ALookAlikeIsNeitherTakenNorRemembered)
{
    QuillmoorSession s("ansi", false, "QuillmoorAnsi.exe");
    const std::wstring lodz = L"C:\\Praca\\\u0141\u00f3d\u017a";
    // Nor is a client started beside a program that lies in such a folder.
    const std::wstring dir = Wide(s.dir), exe = dir + L"\u0141\\Quillmoor.exe";
    ASSERT_TRUE(CreateDirectoryW((dir + L"\u0141").c_str(), nullptr) &&
                MoveFileW(Wide(s.bin + "Quillmoor.exe").c_str(), exe.c_str()));
    ASSERT_TRUE(s.program.Start(exe, lodz, dir, dir + L"out.txt"));
    ASSERT_TRUE((s.dialog = s.program.WaitForWindow("Quillmoor")) != nullptr); // no version: the path is unread
    EXPECT_EQ(s.GetWide(kLocal), L"");
    s.SetWide(kLocal, lodz);
    s.Press(kShowStatus);
    EXPECT_EQ(s.Lines(), Lines({ "Quillmoor.", "Quillmoor: Can't start cvs.exe." }));
    EXPECT_EQ(s.Close(), 0);
    EXPECT_EQ(QuillmoorSession::History("Locals"), Lines());
}

TEST(Operations, FirstStartTakesTheSvnFormsAndTheNextStartChecksCvs)
{
    QuillmoorSession s("first-start");
    ASSERT_TRUE(s.Start());
    EXPECT_EQ(s.Get(kTag), "latest");
    for (int id : { kLocal, kProject, kRemote })
        EXPECT_EQ(s.Get(id), "");
    EXPECT_FALSE(s.Checked(kCvs));
    EXPECT_FALSE(s.Checked(kSvn));
    s.Set(kProject, "P");
    s.Set(kRemote, "R");
    s.Press(kCheckout);
    s.Press(kShowStatus);
    // An empty local folder: the client runs in Quillmoor's own current folder.
    ExpectRuns(s, "svn", { "co R  P", "status \\P" }, s.dir.substr(0, s.dir.size() - 1));
    EXPECT_EQ(s.Lines(), Lines({ "Quillmoor.", "Quillmoor: Source checked out." }));
    s.Set(kProject, "");
    s.Set(kRemote, "");
    EXPECT_EQ(s.Close(), 0);

    // Closing wrote the (empty) fields and the system.
    std::string text = "?";
    DWORD svn = 7;
    EXPECT_TRUE(QuillmoorSession::ReadString("Local", &text) && text.empty());
    EXPECT_TRUE(QuillmoorSession::ReadString("Remote", &text) && text.empty());
    EXPECT_TRUE(QuillmoorSession::ReadDword("SVN", &svn) && svn == 0);

    QuillmoorSession next("first-start-next", true);
    ASSERT_TRUE(next.Start());
    EXPECT_TRUE(next.Checked(kCvs));
    EXPECT_EQ(next.Close(), 0);
}

TEST(Operations, ValidationBoxesStopTheRun)
{
    QuillmoorSession s("validation");
    ASSERT_TRUE(s.Start());
    s.Click(kCvs);
    s.Set(kRemote, "R");
    auto boxes = s.Press(kCheckout);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Quillmoor");
    EXPECT_EQ(boxes[0].text, "Please specify a project name.\n\nExample: 'My cool application'");
    s.Set(kTag, "LaTeSt");
    boxes = s.Press(kCreateTag);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please specify a tag first.\n\nExample: 'v1_64'");
    // Windows drops a name's last dots and blanks, and a field reads 259 characters.
    s.Set(kProject, "App");
    const std::string cut = s.dir + std::string(258 - s.dir.size(), 'n') + "\\sub"; // read as its parent
    for (const std::string& local : { s.dir + "old.", s.dir + "old ", cut }) {
        s.Set(kLocal, local);
        boxes = s.Press(kCheckout);
        EXPECT_TRUE(boxes.size() == 1 && boxes[0].text.rfind("The Local Folder ", 0) == 0) << local;
    }
    s.SetWide(kTag, L"\xD800v"); // a lone surrogate: no code page carries it
    boxes = s.Press(kCreateTag);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("The Tag holds characters", 0), 0u) << boxes[0].text;
    EXPECT_TRUE(s.Runs("cvs").empty());
    EXPECT_EQ(s.Lines(), Lines({ "Quillmoor." }));
    EXPECT_EQ(s.Close(), 0);
    EXPECT_EQ(QuillmoorSession::History("Locals"), Lines());
}

TEST(Operations, FailuresAreReportedAndSaveNothing)
{
    QuillmoorSession s("failures");
    ASSERT_TRUE(s.Start());
    s.Click(kSvn);
    s.Set(kProject, "App");
    s.Set(kRemote, "X:\\Repos\\Main");
    s.SetExit("svnadmin.exe", "1");
    s.Press(kImport);
    EXPECT_EQ(s.Runs("svnadmin").size(), 1u);
    EXPECT_TRUE(s.Runs("svn").empty());
    s.SetExit("svn.exe", "0xC0000005");
    s.Press(kCommit);
    s.RemoveClient("svn.exe");
    auto boxes = s.Press(kCommit); // the shell reports the missing program itself
    // Fields whose placeholders keep forming new ones make no line at all.
    s.Set(kProject, "%%cvsroot%cvsroot%");
    s.Set(kRemote, "cvsroot%%cvsroot");
    s.Press(kCheckout);
    s.Click(kCvs);
    s.Press(kImport); // the repository step alone composes: neither runs
    EXPECT_TRUE(s.Runs("cvs").empty());
    EXPECT_EQ(s.Lines(), Lines({ "Quillmoor.", "Quillmoor: error 0x1.", "Quillmoor: error 0xC0000005.",
                                 "Quillmoor: Can't start cvs.exe.", "Quillmoor: Can't compose the parameter line.",
                                 "Quillmoor: Can't compose the parameter line." }));
    EXPECT_TRUE(QuillmoorSession::History("Projects").empty());
    std::string text;
    EXPECT_FALSE(QuillmoorSession::ReadString("Project", &text));
    s.Set(kProject, "");
    s.Set(kRemote, "");
    EXPECT_EQ(s.Close(), 0);
}

TEST(Operations, SettingsAfterSuccessFailureAndClose)
{
    QuillmoorSession s("settings");
    ASSERT_TRUE(s.Start());
    s.Click(kSvn);
    s.Set(kLocal, s.dir + "w");
    s.Set(kProject, "App");
    s.Set(kRemote, "svn://host/repo");
    s.Set(kTag, "LATEST");
    s.Press(kCheckout);
    s.Set(kTag, "rel_1");
    s.Press(kCheckout);
    s.Press(kCheckout); // the same texts once more
    std::string text;
    DWORD svn = 0;
    ASSERT_TRUE(QuillmoorSession::ReadString("Project", &text));
    EXPECT_EQ(text, "App");
    EXPECT_TRUE(QuillmoorSession::ReadDword("SVN", &svn) && svn == 1);
    EXPECT_EQ(QuillmoorSession::History("Tags"), Lines({ "rel_1" }));
    EXPECT_EQ(QuillmoorSession::History("Projects"), Lines({ "App" }));
    EXPECT_EQ(QuillmoorSession::History("Locals"), Lines({ s.dir + "w" }));
    EXPECT_EQ(QuillmoorSession::History("Remotes"), Lines({ "svn://host/repo" }));

    // A failed run leaves the stored settings as they were.
    s.SetExit("svn.exe", "2");
    s.Set(kProject, "Other");
    s.Press(kCheckout);
    ASSERT_TRUE(QuillmoorSession::ReadString("Project", &text));
    EXPECT_EQ(text, "App");
    EXPECT_EQ(QuillmoorSession::History("Projects"), Lines({ "App" }));

    // Closing saves the fields as they stand.
    EXPECT_EQ(s.Close(), 0);
    ASSERT_TRUE(QuillmoorSession::ReadString("Project", &text));
    EXPECT_EQ(text, "Other");
    EXPECT_EQ(QuillmoorSession::History("Projects").size(), 2u);

    // The next start shows the saved fields and the histories in the lists;
    // the command-line folder wins over the saved folder and project.
    QuillmoorSession next("settings-next", true);
    ASSERT_TRUE(next.Start(L"C:\\from\\argument"));
    EXPECT_EQ(next.Get(kLocal), "C:\\from\\argument");
    EXPECT_EQ(next.Get(kProject), "argument");
    EXPECT_EQ(next.Get(kRemote), "svn://host/repo");
    EXPECT_TRUE(next.Checked(kSvn));
    EXPECT_EQ(ProgramDriver::Items(next.Item(kProject)), Lines({ "App", "Other" }));
    EXPECT_EQ(ProgramDriver::Items(next.Item(kTag)), Lines({ "latest", "rel_1" }));
    EXPECT_EQ(next.Close(), 0);
}

TEST(Operations, CheckoutCreatesTheMissingLevels)
{
    QuillmoorSession s("checkout-levels");
    ASSERT_TRUE(s.Start());
    std::string local = s.dir + "co\\a\\b";
    s.Click(kCvs);
    s.Set(kLocal, local);
    s.Set(kProject, "App");
    s.Set(kRemote, "X:\\cvsroot");
    s.Press(kCheckout);
    EXPECT_TRUE(testsupport::FileExists(local));
    auto runs = s.Runs("cvs");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].cwd, local);
    EXPECT_EQ(s.Close(), 0);
}

} // namespace
