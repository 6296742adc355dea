#pragma once
#include <string>
#include <vector>
#include <windows.h>

// Starts a program of the product with its output in a file and drives its
// windows from outside, as a user would.
class ProgramDriver {
public:
    ~ProgramDriver();

    // arguments holds the arguments only; output, when given, collects
    // standard output and standard error.
    bool Start(const std::string& exe, const std::string& arguments, const std::string& workDir,
               const std::string& output = "");
    // The same with paths in any language; flags are CreateProcess's.
    bool Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir,
               const std::wstring& output = L"", DWORD flags = 0);
    // The first visible top-level window of the process whose caption and
    // class match (null for any); null after the time-out.
    HWND WaitForWindow(const char* caption, DWORD timeoutMs = 10000, const char* className = nullptr);
    HWND FindWindowOf(const char* caption, const char* className = nullptr);
    // Exit code, or STILL_ACTIVE when the program did not end in time.
    DWORD WaitExit(DWORD timeoutMs = 10000);
    void Kill();
    // Makes the running program fault from outside: a thread of its own that
    // starts at an invalid address. A program that does not start the thread
    // within 20 s is ended.
    bool InjectFault();
    DWORD ProcessId() const { return info.dwProcessId; }
    // Makes the running program change its current folder, from a thread of its own.
    bool ChangeFolder(const std::wstring& folder);

    struct Box {
        std::string caption;
        std::string text;
    };
    // Sends a button's command and waits until the dialog has handled it,
    // dismissing every message box of the process that shows meanwhile.
    std::vector<Box> Press(HWND dialog, int id, DWORD timeoutMs = 30000);

    // Each waits at most 10 s for the window.
    static std::string Text(HWND window);
    static void SetText(HWND window, const std::string& text);
    // List items read with the wide call: the ANSI one does not cross processes here.
    static std::vector<std::string> Items(HWND combo);
    // The static text of a message box, without its caption.
    static std::string MessageText(HWND box);
    // Waits until the window has handled everything posted before.
    static void Settle(HWND window);

private:
    PROCESS_INFORMATION info = {};
};
