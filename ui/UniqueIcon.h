#pragma once
#include <windows.h>

// Owns one icon loaded at a chosen size; null is the empty value. (Icons
// that LoadIcon shares with the system are not owned and need no owner.)
class UniqueIcon {
public:
    UniqueIcon() : icon(nullptr) {}
    ~UniqueIcon() { Free(); }
    UniqueIcon(const UniqueIcon&) = delete;
    UniqueIcon& operator=(const UniqueIcon&) = delete;

    // Frees any icon held first; 1 when the resource was loaded.
    int Load(HINSTANCE module, int iconId, int width, int height);
    void Free();
    HICON Handle() const { return icon; }

private:
    HICON icon;
};
