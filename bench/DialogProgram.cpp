#include "DialogProgram.h"

#include "Measure.h"
#include "SettingsBackup.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

DialogProgram::~DialogProgram()
{
    if (!info.hProcess)
        return;
    Kill();
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
}

void DialogProgram::Kill()
{
    if (info.hProcess && WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 99);
        WaitForSingleObject(info.hProcess, 5000);
    }
}

bool DialogProgram::Start(const std::string& exe, const std::string& workDir, const std::string& outputFile)
{
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), nullptr, TRUE };
    HANDLE out = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    // The bench's own output must not be inherited: a program left running
    // would keep the caller's pipe open.
    SetHandleInformation(GetStdHandle(STD_OUTPUT_HANDLE), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(GetStdHandle(STD_ERROR_HANDLE), HANDLE_FLAG_INHERIT, 0);
    std::string line = "\"" + exe + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    started = NowMs();
    BOOL ok = CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, workDir.c_str(), &si,
                             &info);
    CloseHandle(out);
    return ok != FALSE;
}

double DialogProgram::WaitReady(const char* caption, DWORD timeoutMs)
{
    const double deadline = started + timeoutMs;
    for (;;) {
        // FindWindowEx by class and caption is one cheap call per poll, so the
        // polling itself takes little from the program being started.
        HWND candidate = nullptr;
        while ((candidate = FindWindowExA(nullptr, candidate, "#32770", caption)) != nullptr) {
            DWORD pid = 0;
            GetWindowThreadProcessId(candidate, &pid);
            if (pid == info.dwProcessId && IsWindowVisible(candidate))
                break;
        }
        if (candidate) {
            DWORD_PTR ignored;
            if (!SendMessageTimeoutA(candidate, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored))
                return -1;
            dialog = candidate;
            return NowMs() - started;
        }
        if (WaitForSingleObject(info.hProcess, 1) == WAIT_OBJECT_0 || NowMs() > deadline)
            return -1;
    }
}

DWORD DialogProgram::Close(DWORD timeoutMs)
{
    if (dialog)
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    else
        Kill();
    return code;
}

std::string OwnFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

void FailRun(const char* bench, const char* what, DialogProgram* running, SettingsBackup* backup)
{
    printf("%s: %s\n", bench, what);
    fflush(stdout);
    if (running)
        running->Kill();
    if (backup)
        backup->Restore();
    exit(1);
}
