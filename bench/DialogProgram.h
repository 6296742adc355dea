#pragma once
#include <string>
#include <windows.h>

class SettingsBackup;

// The folder of the running program, with a trailing backslash.
std::string OwnFolder();

// One run of a dialog program, started and timed from outside as a user would
// see it: from process creation until the dialog is on screen and answering.
class DialogProgram {
public:
    DialogProgram() = default;
    ~DialogProgram();
    DialogProgram(const DialogProgram&) = delete;
    DialogProgram& operator=(const DialogProgram&) = delete;

    // Standard output and error go into outputFile.
    bool Start(const std::string& exe, const std::string& workDir, const std::string& outputFile);
    // Milliseconds from Start until a visible dialog of the process with this
    // caption answered a WM_NULL; negative when none came in time or the process ended.
    double WaitReady(const char* caption, DWORD timeoutMs = 120000);
    // Closes the dialog as Escape would and waits for the end: the exit code,
    // or STILL_ACTIVE after the time-out (the process is then killed).
    DWORD Close(DWORD timeoutMs = 60000);
    // Ends the process at once when it still runs.
    void Kill();

    HWND Dialog() const { return dialog; }
    HWND Item(int id) const { return GetDlgItem(dialog, id); }

private:
    PROCESS_INFORMATION info = {};
    HWND dialog = nullptr;
    double started = 0;
};

// Reports a failed benchmark, ends the program it drives and puts the saved
// settings back, then exits with 1.
[[noreturn]] void FailRun(const char* bench, const char* what, DialogProgram* running, SettingsBackup* backup);
