#pragma once
#include "ui/RegistryKey.h"
#include <windows.h>

// Adds Quillmoor to the external-tool list of Visual Studio 6 for the current
// user, or tells at deinstallation that the entry must be removed by hand.
class ToolRegistrar {
public:
    typedef int(WINAPI* MessageBoxFn)(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
    enum Action { kNothing, kInstall, kDeinstall };

    static const char kToolsKey[];
    // Held by an install while it reads and writes the list.
    static const char kListMutex[];

    // key is a closed key object; each operation opens it and closes it again.
    // messageBox replaces the warning box in tests.
    explicit ToolRegistrar(RegistryKey& key, MessageBoxFn messageBox = MessageBoxA);
    ToolRegistrar(const ToolRegistrar&) = delete;
    ToolRegistrar& operator=(const ToolRegistrar&) = delete;

    // What the whole command line asks for, read after the program's path. For
    // kInstall *pathOut points into commandLine at the path; otherwise it is
    // left untouched.
    static Action Parse(const char* commandLine, const char** pathOut);
    // Runs what Parse finds. The exit code of the program: always 0.
    int Dispatch(const char* commandLine);
    // Appends one entry; nothing when the list or its "NumTools" is missing,
    // or when the count is at its largest value and cannot grow.
    void Install(const char* path);
    // Only the warning, and only when the list has its "NumTools".
    void Deinstall();

private:
    RegistryKey& key;
    MessageBoxFn messageBox;
};
