#include "vcs/ProcessLauncher.h"

#include <windows.h>
#include <shellapi.h>

int ProcessLauncher::RunAndWait(const char* file, const char* parameters, const char* directory,
                                int showCommand, unsigned long extraMask, unsigned long* exitCode)
{
    // The shell would open a folder window and report it as a started process.
    DWORD attributes = GetFileAttributesA(file);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
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
