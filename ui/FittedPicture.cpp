#include "ui/FittedPicture.h"

namespace {

// A new 24-bit bitmap of the given size with the source smoothly scaled into it; null on failure.
HBITMAP ScaleSmoothly(HBITMAP source, int width, int height)
{
    BITMAP from;
    if (!GetObjectA(source, sizeof(from), &from))
        return nullptr;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP scaled = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC sourceDc = CreateCompatibleDC(nullptr);
    HDC targetDc = CreateCompatibleDC(nullptr);
    BOOL done = FALSE;
    if (scaled && sourceDc && targetDc) {
        HGDIOBJ oldSource = SelectObject(sourceDc, source);
        HGDIOBJ oldTarget = SelectObject(targetDc, scaled);
        // HALFTONE averages every source pixel a target pixel covers; it
        // wants the brush origin set again after it is chosen.
        SetStretchBltMode(targetDc, HALFTONE);
        SetBrushOrgEx(targetDc, 0, 0, nullptr);
        done = StretchBlt(targetDc, 0, 0, width, height, sourceDc, 0, 0, from.bmWidth, from.bmHeight, SRCCOPY);
        SelectObject(sourceDc, oldSource);
        SelectObject(targetDc, oldTarget);
    }
    if (sourceDc)
        DeleteDC(sourceDc);
    if (targetDc)
        DeleteDC(targetDc);
    if (!done && scaled) {
        DeleteObject(scaled);
        scaled = nullptr;
    }
    return scaled;
}

} // namespace

int FittedPicture::Load(HWND picture, HINSTANCE module, int bitmapId)
{
    RECT client;
    if (!GetClientRect(picture, &client) || client.right <= 0 || client.bottom <= 0)
        return 0;
    // A device-dependent bitmap: the resource is run-length compressed, which
    // a DIB section cannot take.
    HBITMAP source = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, 0));
    if (!source)
        return 0;
    // The frame is not square in pixels at every DPI: the art keeps its
    // aspect at the largest size the frame holds, and the control centres it.
    BITMAP art;
    HBITMAP scaled = nullptr;
    if (GetObjectA(source, sizeof(art), &art) && art.bmWidth > 0 && art.bmHeight > 0) {
        int width = client.right, height = MulDiv(art.bmHeight, client.right, art.bmWidth);
        if (height > client.bottom) {
            height = client.bottom;
            width = MulDiv(art.bmWidth, client.bottom, art.bmHeight);
        }
        scaled = ScaleSmoothly(source, width > 0 ? width : 1, height > 0 ? height : 1);
    }
    DeleteObject(source);
    if (!scaled)
        return 0;
    // The one shown before is either this object's or the one the control
    // loaded from the dialog template, which nothing else frees.
    HBITMAP shown = reinterpret_cast<HBITMAP>(
        SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled)));
    if (shown && shown != bitmap)
        DeleteObject(shown);
    Free();
    bitmap = scaled;
    return 1;
}

void FittedPicture::Free()
{
    if (bitmap)
        DeleteObject(bitmap);
    bitmap = nullptr;
}
