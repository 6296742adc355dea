#include "vcs/ProcessLauncher.h"

#include "ui/FileUtil.h"
#include "ui/TextBuf.h"
#include <windows.h>
#include <shellapi.h>

namespace {

// The longest current folder Windows keeps, in UTF-16 units, a trailing backslash aside.
const int kLongestFolder = 258;

// Windows' own process start refuses (error 267) a working folder that is
// missing or too long; Wine's shell would instead start the program in the
// caller's folder, or abort the caller.
int UsableFolder(const char* directory)
{
    // A character takes up to three bytes, so a longer path is too long anyway.
    char full[3 * MAX_PATH];
    DWORD bytes = GetFullPathNameA(directory, sizeof(full), full, nullptr);
    if (!bytes || bytes >= sizeof(full))
        return 0;
    int units = TextBuf::Units(full, CP_ACP);
    if (TextBuf::EndsWithBackslash(full))
        --units;
    return units <= kLongestFolder && FileUtil::IsFolder(full);
}

} // namespace

int ProcessLauncher::RunAndWait(const char* file, const char* parameters, const char* directory,
                                int showCommand, unsigned long extraMask, unsigned long* exitCode)
{
    // The shell would open a folder window and report it as a started process.
    if (FileUtil::IsFolder(file))
        return 0;
    if (directory && directory[0] && !UsableFolder(directory))
        return 0;
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = extraMask | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = showCommand;
    if (!ShellExecuteExA(&info))
        return 0;
    // The shell may open the file without starting a process.
    if (!info.hProcess)
        return 0;
    WaitForSingleObject(info.hProcess, INFINITE);
    if (exitCode) {
        DWORD code;
        if (GetExitCodeProcess(info.hProcess, &code))
            *exitCode = code;
    }
    CloseHandle(info.hProcess);
    return 1;
}

int ProcessLauncher::ShellOpen(const char* file, const char* parameters, const char* directory,
                               int showCommand)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = showCommand;
    return ShellExecuteExA(&info) ? 1 : 0;
}
