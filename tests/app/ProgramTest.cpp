#include "ProgramDriver.h"
#include "QuillmoorSession.h"
#include "TestSupport.h"
#include "ui/FileUtil.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const char kCaption[] = "Quillmoor [1.04]";

std::string FirstLine(const std::string& text)
{
    size_t end = text.find('\n');
    std::string line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

struct Session {
    std::string dir = ScratchDir("program");
    ProgramDriver program;
    HWND dialog = nullptr;

    void Start(const std::string& arguments, const std::wstring& from = L"")
    {
        QuillmoorSession::ClearSettings();
        ASSERT_TRUE(program.Start(Wide(BuildDir() + "Quillmoor.exe"), Wide(arguments), from.empty() ? Wide(dir) : from,
                                  Wide(dir + "out.txt")));
        dialog = program.WaitForWindow(kCaption);
        ASSERT_NE(dialog, nullptr);
    }
    std::string Field(int id) { return ProgramDriver::Text(GetDlgItem(dialog, id)); }
    std::string Output() { return ReadWholeFile(dir + "out.txt"); }
};

TEST(Program, StartsWithTheArgumentAndClosesWithZero)
{
    struct Case {
        const char* arguments;
        const char* local;
        const char* project;
        UINT closeMessage;
        WPARAM closeParam;
    } cases[] = {
        { "", "", "", WM_COMMAND, IDCANCEL },
        { "C:\\work\\proj", "C:\\work\\proj", "proj", WM_CLOSE, 0 },
        // The runtime reads a doubled backslash before the closing quote as one.
        { "\"C:\\My Work\\App\\\\\"", "C:\\My Work\\App\\", "App\\", WM_COMMAND, IDCLOSE },
        { "C:\\one C:\\two", "", "", WM_SYSCOMMAND, SC_CLOSE },
        // Visual Studio's unquoted workspace folder ("@" stands for the test's folder).
        { "@My Projects\\App ", "@My Projects\\App", "App", WM_CLOSE, 0 },
        // A prompt's completion, whose closing \" the runtime reads as a quote.
        { "\"@My Projects\\App\\\"", "@My Projects\\App\\", "App\\", WM_CLOSE, 0 },
        // A quote inside the folder gives none; a relative one is made full.
        { "C:\\a\\\"x", "", "", WM_CLOSE, 0 },
        { "sub\\..\\App", "@App", "App", WM_CLOSE, 0 },
    };
    for (const Case& c : cases) {
        Session run;
        auto here = [&run](std::string text) {
            size_t at = text.find('@');
            return at == std::string::npos ? text : text.replace(at, 1, run.dir);
        };
        CreateDirectoryA(here("@My Projects").c_str(), nullptr);
        CreateDirectoryA(here("@My Projects\\App").c_str(), nullptr);
        run.Start(here(c.arguments));
        if (!run.dialog)
            return;
        EXPECT_EQ(run.Field(1011), here(c.local)) << c.arguments;
        EXPECT_EQ(run.Field(1013), c.project) << c.arguments;
        EXPECT_EQ(run.Field(1006), "latest");
        EXPECT_FALSE(IsDlgButtonChecked(run.dialog, 1016));
        PostMessageA(run.dialog, c.closeMessage, c.closeParam, 0);
        EXPECT_EQ(run.program.WaitExit(), 0u) << c.arguments;
        EXPECT_EQ(FirstLine(run.Output()), "Quillmoor.");
    }
}

TEST(Program, EnterDoesNotCloseTheDialog)
{
    Session run;
    run.Start("");
    if (!run.dialog)
        return;
    PostMessageA(run.dialog, WM_COMMAND, IDOK, 0);
    ProgramDriver::Settle(run.dialog);
    EXPECT_TRUE(IsWindow(run.dialog));
    PostMessageA(run.dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(run.program.WaitExit(), 0u);
}

template <typename Done> bool WaitFor(Done done, int ms = 60000)
{
    for (int i = 0; i < ms / 50 && !done(); ++i)
        Sleep(50);
    return done();
}

// Real key presses: each key goes down in turn, then up in reverse.
void Type(std::initializer_list<WORD> keys)
{
    std::vector<INPUT> in(2 * keys.size());
    for (size_t i = 0; i < in.size(); ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = keys.begin()[i < keys.size() ? i : in.size() - 1 - i];
        in[i].ki.dwFlags = i < keys.size() ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// A real F1 key press over the Local Folder field.
bool HelpOpens(ProgramDriver& program, HWND dialog, const char* title = "Quillmoor Help")
{
    SetForegroundWindow(dialog);
    SetFocus(FindWindowExA(GetDlgItem(dialog, 1011), nullptr, "Edit", nullptr));
    Type({ VK_F1 });
    return WaitFor([&] { return program.FindWindowOf(title, "HH Parent") != nullptr; }, 2000);
}

TEST(Program, F1OpensTheHelpFromTheFolderCurrentAtStartElseFromBesideTheProgram)
{
    // The copy in the start folder, a folder of over 260 bytes, has a title of
    // its own, to tell it from the one beside the program.
    Session run;
    const std::wstring from = Wide(run.dir) + std::wstring(100, L'\u4e2d');
    std::string help = ReadWholeFile(BuildDir() + "Quillmoor.chm");
    WriteWholeFile(run.dir + "Here.chm", help.replace(help.find("Quillmoor Help"), 14, "Quillmoor Here"));
    ASSERT_TRUE(CreateDirectoryW(from.c_str(), nullptr) &&
                MoveFileW(Wide(run.dir + "Here.chm").c_str(), (from + L"\\Quillmoor.chm").c_str()));
    run.Start("", from);
    if (!run.dialog)
        return;
    // The path is fixed at start: a later current folder does not move it.
    // Under the x86 emulation a text written into the program from outside never reaches it.
    if (!UnderX86Emulation())
        EXPECT_TRUE(run.program.ChangeFolder(Wide(run.dir)));
    EXPECT_TRUE(HelpOpens(run.program, run.dialog, "Quillmoor Here"));
    run.program.Kill();

    Session elsewhere;
    elsewhere.Start("");
    if (!elsewhere.dialog)
        return;
    EXPECT_TRUE(HelpOpens(elsewhere.program, elsewhere.dialog));
    PostMessageA(elsewhere.dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(elsewhere.program.WaitExit(), 0u);
}

// A program folder in any language, within 259 characters but over 259
// bytes: the version, the client, the help and the crash report are all
// found beside the program.
TEST(Program, RunsFromAFolderInAnyLanguage)
{
    const std::string start = ScratchDir("own-folder");
    const std::wstring dir = Wide(start) + std::wstring(117, L'\u0142') + L"\\";
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    for (const char* file : { "Quillmoor.exe", "Quillmoor.chm" })
        ASSERT_TRUE(CopyFileW(Wide(BuildDir() + file).c_str(), (dir + Wide(file)).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Wide(TestDir() + "FakeClient.exe").c_str(), (dir + L"svn.exe").c_str(), FALSE));
    QuillmoorSession::ClearSettings();
    ProgramDriver program;
    ASSERT_TRUE(program.Start(dir + L"Quillmoor.exe", L"", Wide(start), Wide(start + "out.txt")));
    HWND dialog = program.WaitForWindow(nullptr, 20000, "#32770");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ProgramDriver::Text(dialog), kCaption);

    ProgramDriver::SetText(GetDlgItem(dialog, 1011), start);
    ProgramDriver::SetText(GetDlgItem(dialog, 1013), "App");
    ProgramDriver::SetText(GetDlgItem(dialog, 1014), "R");
    SendMessageA(GetDlgItem(dialog, 1017), BM_CLICK, 0, 0);
    program.Press(dialog, 1010);
    EXPECT_EQ(ReadWholeFile(dir + L"svn.log").rfind("params=status ", 0), 0u);
    EXPECT_TRUE(HelpOpens(program, dialog));

    EXPECT_TRUE(program.InjectFault());
    EXPECT_EQ(program.WaitExit(60000), 0xC0000005u);
    EXPECT_EQ(ReadWholeFile(dir + L"Quillmoor_Debug.txt").rfind("Exception 0xC0000005 at ", 0), 0u);
    if (!UnderX86Emulation())
        EXPECT_EQ(ReadWholeFile(dir + L"Quillmoor_Debug.dmp").substr(0, 4), "MDMP");
}

// Started from the desktop, Quillmoor has a console of its own, whose window is
// Wine's console host's as Windows 11's is the terminal's; from a prompt, the prompt's.
TEST(Program, OwnConsoleHiddenUntilTheFirstRunASharedOneLeftAlone)
{
    for (bool shared : { false, true }) {
        QuillmoorSession s("console");
        std::wstring exe = Wide(s.bin + "Quillmoor.exe"), cmd = L"C:\\windows\\system32\\cmd.exe";
        ASSERT_TRUE(s.program.Start(shared ? cmd : exe, shared ? L"/c \"" + exe + L"\"" : L"", Wide(s.dir),
                                    Wide(s.dir + "out.txt"), CREATE_NEW_CONSOLE));
        // The dialog shows once the console is hidden.
        HWND console = nullptr;
        for (int i = 0; i < 1500 && !(IsWindowVisible(s.dialog) && console); ++i, Sleep(20)) {
            s.dialog = FindWindowA("#32770", kCaption);
            console = FindWindowA("WineConsoleClass", nullptr);
        }
        ASSERT_TRUE(s.dialog && console) << shared;
        EXPECT_EQ(IsWindowVisible(console) != 0, shared);
        s.Click(1016);
        s.Press(1010);
        EXPECT_TRUE(IsWindowVisible(console)) << shared;
        EXPECT_EQ(s.Close(), 0);
        for (int i = 0; i < 250 && IsWindow(console); ++i)
            Sleep(20);
    }
}

TEST(Program, AltWithEachAccessKeyFocusesItsFieldOrPressesItsButton)
{
    // In the dialog's order. No system is chosen at first, so System reaches
    // CVS; then SVN, whose lines start with a word of their own per button.
    const struct {
        char letter;
        int focus; // 0 for a button that runs svn.exe or shows a folder dialog
        const char* ran; // the line's first word, the folder dialog's text; "" for a checked radio button
    } keys[] = { { 'L', 1011 }, { 'B', 0, "Please select local folder" }, { 'P', 1013 }, { 'R', 1014 },
                 { 'O', 0, "Please select remote folder" }, { 'T', 1006 }, { 'Y', 1016 }, { 'C', 1016, "" },
                 { 'V', 1017, "" }, { 'I', 0, "import" }, { 'M', 0, "commit" }, { 'H', 0, "co" }, { 'A', 0, "copy" },
                 { 'S', 0, "status" } };
    QuillmoorSession s("keys");
    ASSERT_TRUE(s.Start(Wide(s.dir + "bin")));
    s.Set(1014, "X:\\Repos");
    s.Set(1006, "v1");
    std::string letters;
    for (HWND c = GetWindow(s.dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        std::string text = ProgramDriver::Text(c) + "&";
        letters += text.substr(text.find('&') + 1, 1);
    }
    EXPECT_EQ(CharUpperA(&letters[0]), std::string("LBPROTYCVIMHAS")); // each control one of its own
    for (const auto& k : keys) {
        SetForegroundWindow(s.dialog);
        size_t runs = s.Runs("svn").size();
        Type({ VK_MENU, static_cast<WORD>(k.letter) });
        HWND box = s.dialog, item = s.Item(k.focus);
        GUITHREADINFO gui = { sizeof(gui) };
        EXPECT_TRUE(WaitFor([&] {
            GetGUIThreadInfo(GetWindowThreadProcessId(s.dialog, nullptr), &gui);
            // A radio button takes the focus before its check.
            return k.focus ? (gui.hwndFocus == item || GetParent(gui.hwndFocus) == item) &&
                                 (!k.ran || s.Checked(k.focus))
                           : (box = s.program.FindWindowOf(nullptr, "#32770")) != s.dialog ||
                                 s.Runs("svn").size() > runs;
        })) << k.letter;
        if (box != s.dialog)
            EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", k.ran) && PostMessageA(box, WM_COMMAND, IDCANCEL, 0));
        else if (!k.focus && s.Runs("svn").size() > runs)
            EXPECT_EQ(s.Runs("svn").back().params.find(std::string(k.ran) + " "), 0u) << k.letter;
        WaitFor([&] { return !IsWindow(box) || box == s.dialog; });
    }
    EXPECT_EQ(s.Close(), 0);
}

// Wine reads the DPI here at each program's start; the earlier setting comes back.
struct DisplayDpi {
    const char* key = "Control Panel\\Desktop";
    DWORD saved = 0, size = sizeof(saved);
    LONG missing = RegGetValueA(HKEY_CURRENT_USER, key, "LogPixels", RRF_RT_DWORD, nullptr, &saved, &size);
    explicit DisplayDpi(DWORD dpi) { Set(&dpi); }
    ~DisplayDpi() { missing ? RegDeleteKeyValueA(HKEY_CURRENT_USER, key, "LogPixels") : Set(&saved); }
    LONG Set(DWORD* dpi) { return RegSetKeyValueA(HKEY_CURRENT_USER, key, "LogPixels", REG_DWORD, dpi, 4); }
};

TEST(Program, TextsFitTheirControlsAndThePictureItsFrameAt144And192Dpi)
{
    for (int dpi : { 144, 192 }) {
        DisplayDpi scale(dpi);
        QuillmoorSession s("dpi");
        ASSERT_TRUE(s.Start());
        // The dialog font as the program makes it, and the logo scaled smoothly to the frame's client size.
        HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen), art = CreateCompatibleDC(screen);
        HGDIOBJ font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, FileUtil::ShellDialogFace());
        SelectObject(dc, font);
        for (HWND c = GetWindow(s.dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            RECT client, text = {};
            GetClientRect(c, &client);
            DrawTextA(dc, ProgramDriver::Text(c).c_str(), -1, &text, DT_CALCRECT);
            EXPECT_TRUE(text.right <= client.right && text.bottom <= client.bottom) << ProgramDriver::Text(c) << dpi;
        }
        RedrawWindow(s.dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT r;
        GetClientRect(s.Item(1018), &r);
        POINT at = {};
        ClientToScreen(s.Item(1018), &at);
        HMODULE exe = LoadLibraryExA((s.bin + "Quillmoor.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        HGDIOBJ images[3] = { LoadImageA(exe, MAKEINTRESOURCEA(105), IMAGE_BITMAP, 0, 0, 0),
                              CreateCompatibleBitmap(screen, r.right, r.bottom),
                              CreateCompatibleBitmap(screen, r.right, r.bottom) };
        BITMAP logo = {};
        GetObjectA(images[0], sizeof(logo), &logo);
        SelectObject(art, images[0]);
        SelectObject(dc, images[1]);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        SetStretchBltMode(dc, HALFTONE);
        const int side = r.right < r.bottom ? r.right : r.bottom; // the art is square, and stays so
        StretchBlt(dc, (r.right - side) / 2, (r.bottom - side) / 2, side, side, art, 0, 0, logo.bmWidth, logo.bmHeight,
                   SRCCOPY);
        SelectObject(art, images[2]);
        BitBlt(art, 0, 0, r.right, r.bottom, screen, at.x, at.y, SRCCOPY);
        double misfit = 0; // summed over the colour channels of every pixel
        for (int y = 0; y < r.bottom; ++y)
            for (int x = 0; x < r.right; ++x)
                for (COLORREF a = GetPixel(art, x, y), b = GetPixel(dc, x, y); a || b; a >>= 8, b >>= 8)
                    misfit += abs(int(a & 255) - int(b & 255));
        EXPECT_LT(misfit / (3.0 * r.right * r.bottom), 0.5) << dpi;
        DeleteDC(dc);
        DeleteDC(art);
        ReleaseDC(nullptr, screen);
        for (HGDIOBJ object : { images[0], images[1], images[2], font })
            DeleteObject(object);
        FreeLibrary(exe);
        EXPECT_EQ(s.Close(), 0);
    }
}

} // namespace
