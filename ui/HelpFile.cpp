#include "ui/HelpFile.h"

#include "ui/FileUtil.h"
#include <htmlhelp.h>
#include <string.h>

// HTML Help is bound when it is first needed, not at load time: a system
// without it still runs the program, only without help. Like the platform's
// own binding, the library stays loaded once found.
HWND WINAPI HelpFile::HtmlHelpOnFirstUse(HWND caller, LPCSTR file, UINT command, DWORD_PTR data)
{
    static DisplayFn entry = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (HMODULE module = LoadLibraryA("hhctrl.ocx"))
            entry = reinterpret_cast<DisplayFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "HtmlHelpA")));
    }
    return entry ? entry(caller, file, command, data) : nullptr;
}

HelpFile::HelpFile() : gate(nullptr), gateValue(nullptr), display(HtmlHelpOnFirstUse)
{
    path[0] = 0;
}

void HelpFile::Bind(const char* fileName, int useCurrentDirectory, Gate gateFn, void* value)
{
    gate = gateFn;
    gateValue = value;
    path[0] = 0;
    if (!fileName)
        return;
    // One byte more than the directory may take, for the backslash.
    char folder[MAX_PATH + 1] = "";
    if (useCurrentDirectory) {
        // A directory longer than the buffer is reported by its size, not copied.
        DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
        if (n == 0 || n >= MAX_PATH)
            return;
        FileUtil::AppendBackslash(folder);
    }
    if (strlen(folder) + strlen(fileName) >= MAX_PATH)
        return;
    strcpy(path, folder);
    strcat(path, fileName);
}

int HelpFile::Show(HWND caller, const char* page)
{
    if (gate && !gate(this, gateValue))
        return 0;
    static const char kSeparator[] = "::/";
    if (!path[0] || !page || strlen(path) + strlen(kSeparator) + strlen(page) >= MAX_PATH)
        return 0;
    char topic[MAX_PATH];
    strcpy(topic, path);
    strcat(topic, kSeparator);
    strcat(topic, page);
    return display && display(caller, topic, HH_DISPLAY_TOPIC, 0) ? 1 : 0;
}
