#include "app/MainDialog.h"
#include "crash/CrashReporter.h"
#include "resource.h"
#include <string.h>

// Constructed before main and destroyed after it, in this order: the crash
// reporter first, so that its filter is in place before anything else runs.
static CrashReporter crashReporter;
static MainDialog mainDialog;

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The command line after the program's name, as the runtime splits that
// name off, without the blanks around it and one pair of enclosing quotes.
int TextAfterProgram(const char* commandLine, TextBuf* text)
{
    const char* p = commandLine;
    if (*p == '"') {
        const char* close = strchr(p + 1, '"');
        p = close ? close + 1 : p + strlen(p);
    } else {
        while (*p && !IsBlank(*p))
            ++p;
    }
    while (IsBlank(*p))
        ++p;
    const char* end = p + strlen(p);
    while (end > p && IsBlank(end[-1]))
        --end;
    if (end - p >= 2 && *p == '"' && end[-1] == '"')
        ++p, --end;
    return text->Assign(p, static_cast<int>(end - p));
}

// Against the current folder; 0 when Windows makes no full path of it.
int FullPath(const char* folder, TextBuf* full)
{
    const DWORD needed = GetFullPathNameA(folder, 0, nullptr, nullptr);
    if (!needed || !full->Resize(static_cast<int>(needed)))
        return 0;
    const DWORD written = GetFullPathNameA(folder, needed, full->Data(), nullptr);
    if (!written || written >= needed)
        return 0;
    full->UpdateLength();
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const char* folder = argc == 2 ? argv[1] : nullptr;
    // Visual Studio passes its workspace folder unquoted: one with blanks
    // arrives as several arguments, and only the whole text names it.
    TextBuf whole;
    if (argc > 2 && TextAfterProgram(GetCommandLineA(), &whole) && FileUtil::IsFolder(whole.Data()))
        folder = whole.Data();
    // A prompt completes a folder as "C:\My Folder\", whose \" the runtime
    // reads as a quote; no path holds one, so the whole text is the folder.
    if (argc == 2 && strchr(argv[1], '"'))
        folder = TextAfterProgram(GetCommandLineA(), &whole) && !strchr(whole.Data(), '"') ? whole.Data() : nullptr;
    // Where the code page is not UTF-8, a folder with characters it lacks
    // arrives as a look-alike: another folder, not the one that was meant.
    if (!TextBuf::RoundTrips(GetCommandLineW(), GetACP()))
        folder = nullptr;
    // A relative folder names another one from each start folder: the one
    // meant is the one below the folder current now. A last part that
    // Windows would cut stays as typed, so that the run refuses it.
    TextBuf full;
    if (folder && !FileUtil::NamesAnotherFolder(folder) && FullPath(folder, &full))
        folder = full.Data();
    mainDialog.SetInitialFolder(folder);
    return static_cast<int>(mainDialog.DoModal(GetModuleHandleA(nullptr), IDD_MAIN, nullptr));
}
