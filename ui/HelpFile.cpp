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

namespace {

// out holds kFieldRoom bytes and is left untouched when the two texts are
// longer than a field keeps.
int Join(char* out, const char* folder, const char* name)
{
    char joined[kFieldRoom];
    if (strlen(folder) + strlen(name) >= sizeof(joined))
        return 0;
    strcpy(joined, folder);
    strcat(joined, name);
    if (TextBuf::FieldLength(joined, GetACP()) < static_cast<int>(strlen(joined)))
        return 0;
    strcpy(out, joined);
    return 1;
}

int IsFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

HelpFile::HelpFile() : gate(nullptr), gateValue(nullptr), display(HtmlHelpOnFirstUse)
{
    path[0] = 0;
}

void HelpFile::Bind(const char* fileName, int useCurrentDirectory, Gate gateFn, void* value, const char* otherFolder)
{
    gate = gateFn;
    gateValue = value;
    path[0] = 0;
    if (!fileName)
        return;
    // One byte more than the directory may take, for the backslash.
    char folder[kFieldRoom + 1] = "";
    int fits = 1;
    if (useCurrentDirectory) {
        // A directory longer than the buffer is reported by its size, not copied.
        DWORD n = GetCurrentDirectoryA(kFieldRoom, folder);
        fits = n != 0 && n < static_cast<DWORD>(kFieldRoom);
        FileUtil::AppendBackslash(folder);
    }
    if (fits)
        Join(path, folder, fileName);
    // The first folder's file wins; without one in either folder the first
    // path stays, and HTML Help shows nothing for it as before.
    char other[kFieldRoom];
    if (otherFolder && !IsFile(path) && Join(other, otherFolder, fileName) && IsFile(other))
        strcpy(path, other);
}

int HelpFile::Show(HWND caller, const char* page)
{
    if (gate && !gate(this, gateValue))
        return 0;
    if (!path[0] || !page)
        return 0;
    // Only the file's path must fit a path's room; the topic may go beyond it.
    TextBuf topic;
    if (!topic.Assign(path) || !topic.Append("::/") || !topic.Append(page))
        return 0;
    return display && display(caller, topic.Data(), HH_DISPLAY_TOPIC, 0) ? 1 : 0;
}
