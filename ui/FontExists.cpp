#include "ui/FontExists.h"

#include <string.h>

namespace {

int CALLBACK MarkFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found)
{
    *reinterpret_cast<int*>(found) = 1;
    return 0;
}

} // namespace

int FontExists(const char* face, BYTE charSet, HDC dc)
{
    HDC screen = dc ? nullptr : GetDC(nullptr);
    LOGFONTA font = {};
    font.lfCharSet = charSet;
    strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    font.lfFaceName[LF_FACESIZE - 1] = 0;
    int found = 0;
    EnumFontFamiliesExA(dc ? dc : screen, &font, MarkFound, reinterpret_cast<LPARAM>(&found), 0);
    if (screen)
        ReleaseDC(nullptr, screen);
    return found;
}
