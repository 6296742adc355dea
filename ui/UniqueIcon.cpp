#include "ui/UniqueIcon.h"

int UniqueIcon::Load(HINSTANCE module, int iconId, int width, int height)
{
    Free();
    icon = static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(iconId), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
    return icon != nullptr;
}

void UniqueIcon::Free()
{
    if (icon)
        DestroyIcon(icon);
    icon = nullptr;
}
