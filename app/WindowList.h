#pragma once
#include "app/WindowEntry.h"
#include "sys/DynamicLibrary.h"
#include "sys/LockedList.h"

// The top-level windows in the order the system reports them. Owns its entries.
class WindowList : public LockedList {
public:
    explicit WindowList(const char* library = "user32.dll");
    ~WindowList();

    // Empties the list and enumerates again; the first entry or null.
    WindowEntry* Fill();
    void Clear();

private:
    static BOOL CALLBACK Add(HWND window, LPARAM self);

    DynamicLibrary user32;
    HWND (WINAPI* getAncestor)(HWND, UINT);
};
