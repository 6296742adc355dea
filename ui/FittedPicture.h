#pragma once
#include <windows.h>

// Owns the bitmap a picture control (SS_BITMAP with SS_CENTERIMAGE, so that
// it keeps its size) shows: a bitmap resource scaled smoothly, with its
// aspect kept, to the largest size the control's client area holds at the
// running DPI, centred in it. The control must be gone, or
// show another bitmap, before this object is destroyed.
class FittedPicture {
public:
    FittedPicture() : bitmap(nullptr) {}
    ~FittedPicture() { Free(); }
    FittedPicture(const FittedPicture&) = delete;
    FittedPicture& operator=(const FittedPicture&) = delete;

    // 1 when the control shows the scaled bitmap; otherwise it keeps what it
    // showed. Frees the bitmap the control showed before.
    int Load(HWND picture, HINSTANCE module, int bitmapId);

private:
    void Free();

    HBITMAP bitmap;
};
