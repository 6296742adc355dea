#include "ui/FileUtil.h"

#include "ui/TextBuf.h"

// Apart from the rest of FileUtil: the crash reporter of both programs reads
// the program's path, and Tackhouse needs nothing else of FileUtil.
int FileUtil::ModuleFileName(HMODULE module, char* out)
{
    // Read wide: only there does a cut path show, and a path that the code
    // page cannot carry is refused rather than read as a look-alike.
    wchar_t wide[kFieldBytes];
    wchar_t back[kFieldBytes];
    const DWORD units = GetModuleFileNameW(module, wide, kFieldBytes);
    const unsigned codePage = GetACP();
    if (units == 0 || units >= static_cast<DWORD>(kFieldBytes)) {
        out[0] = 0;
        return 0;
    }
    return TextBuf::Narrow(wide, static_cast<int>(units), codePage, out, TextBuf::FieldBytes(codePage), back);
}

int FileUtil::ModuleDirectory(HMODULE module, char* out)
{
    if (!ModuleFileName(module, out))
        return 0;
    char* slash = const_cast<char*>(TextBuf::LastChar(out, '\\'));
    if (slash)
        slash[1] = 0;
    else
        out[0] = 0;
    return 1;
}
