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
    mainDialog.SetInitialFolder(folder);
    return static_cast<int>(mainDialog.DoModal(GetModuleHandleA(nullptr), IDD_MAIN, nullptr));
}
