#include "ProgramDriver.h"

#include "TestSupport.h"

#include <future>
#include <thread>
#include <vector>

ProgramDriver::~ProgramDriver()
{
    if (info.hProcess) {
        Kill();
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
}

bool ProgramDriver::Start(const std::string& exe, const std::string& arguments, const std::string& workDir,
                          const std::string& output)
{
    using testsupport::Wide;
    return Start(Wide(exe), Wide(arguments), Wide(workDir), Wide(output));
}

bool ProgramDriver::Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir,
                          const std::wstring& output, DWORD flags)
{
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), nullptr, TRUE };
    HANDLE out = nullptr;
    if (!output.empty()) {
        out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE)
            return false;
    }
    // The test's own output must not be inherited: a program that outlives the
    // test (or a client it starts) would keep the test runner waiting for it.
    for (DWORD which : { STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE })
        SetHandleInformation(GetStdHandle(which), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = { sizeof(si) };
    si.dwFlags = out ? STARTF_USESTDHANDLES : 0;
    si.hStdOutput = out;
    si.hStdError = out;
    si.hStdInput = nullptr;
    std::wstring line = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    BOOL ok = CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, out != nullptr, flags, nullptr,
                             workDir.empty() ? nullptr : workDir.c_str(), &si, &info);
    if (out)
        CloseHandle(out);
    return ok != FALSE;
}

namespace {

struct Search {
    DWORD pid;
    const char* caption;
    const char* className;
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param)
{
    Search* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s->pid || !IsWindowVisible(window))
        return TRUE;
    char text[512] = "";
    GetWindowTextA(window, text, sizeof(text));
    char cls[128] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if ((!s->caption || strcmp(text, s->caption) == 0) && (!s->className || strcmp(cls, s->className) == 0)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND ProgramDriver::FindWindowOf(const char* caption, const char* className)
{
    Search s = { info.dwProcessId, caption, className, nullptr };
    EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND ProgramDriver::WaitForWindow(const char* caption, DWORD timeoutMs, const char* className)
{
    DWORD start = GetTickCount();
    do {
        if (HWND w = FindWindowOf(caption, className))
            return w;
        if (WaitForSingleObject(info.hProcess, 20) == WAIT_OBJECT_0)
            return nullptr;
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

DWORD ProgramDriver::WaitExit(DWORD timeoutMs)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    return code;
}

void ProgramDriver::Kill()
{
    if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
}

bool ProgramDriver::InjectFault()
{
    // Wine has the program create the thread itself and waits for it without
    // a limit; a program that never gets to it is ended, which ends the wait.
    auto create = std::async(std::launch::async, [this] {
        return CreateRemoteThread(info.hProcess, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(0x10),
                                  nullptr, 0, nullptr);
    });
    if (create.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
        Kill();
    HANDLE thread = create.get();
    if (!thread)
        return false;
    CloseHandle(thread);
    return true;
}

bool ProgramDriver::ChangeFolder(const std::wstring& folder)
{
    // The program's kernel32 lies where the driver's does.
    auto change = (LPTHREAD_START_ROUTINE)GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetCurrentDirectoryW");
    const SIZE_T bytes = (folder.size() + 1) * sizeof(wchar_t);
    void* text = VirtualAllocEx(info.hProcess, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    HANDLE thread = WriteProcessMemory(info.hProcess, text, folder.c_str(), bytes, nullptr)
                        ? CreateRemoteThread(info.hProcess, nullptr, 0, change, text, 0, nullptr) : nullptr;
    DWORD changed = 0;
    if (thread && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0)
        GetExitCodeThread(thread, &changed);
    return thread && CloseHandle(thread) && changed;
}

std::string ProgramDriver::Text(HWND window)
{
    char text[1024] = "";
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000,
                        &ignored);
    return text;
}

std::string ProgramDriver::MessageText(HWND box)
{
    // The text of a message box is its static control with id 0xFFFF.
    HWND label = GetDlgItem(box, 0xFFFF);
    return label ? Text(label) : std::string();
}

void ProgramDriver::Settle(HWND window)
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
}

namespace {

struct BoxSearch {
    DWORD pid;
    HWND dialog;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param)
{
    BoxSearch* s = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[32] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (pid == s->pid && window != s->dialog && IsWindowVisible(window) && strcmp(cls, "#32770") == 0 &&
        GetDlgItem(window, 0xFFFF)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::vector<ProgramDriver::Box> ProgramDriver::Press(HWND dialog, int id, DWORD timeoutMs)
{
    std::vector<Box> boxes;
    volatile bool done = false;
    HWND button = GetDlgItem(dialog, id);
    std::thread press([&] {
        DWORD_PTR ignored;
        SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button),
                            SMTO_NORMAL, timeoutMs, &ignored);
        done = true;
    });
    DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < timeoutMs) {
        BoxSearch s = { info.dwProcessId, dialog, nullptr };
        EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            char caption[256] = "";
            GetWindowTextA(s.found, caption, sizeof(caption));
            boxes.push_back({ caption, MessageText(s.found) });
            PostMessageA(s.found, WM_COMMAND, IDOK, 0);
            while (IsWindow(s.found) && GetTickCount() - start < timeoutMs)
                Sleep(10);
        }
        Sleep(10);
    }
    press.join();
    return boxes;
}

void ProgramDriver::SetText(HWND window, const std::string& text)
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 10000,
                        &ignored);
}

std::vector<std::string> ProgramDriver::Items(HWND combo)
{
    std::vector<std::string> items;
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[1024] = L"";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) >= 1024)
            continue;
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
        char text[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}
