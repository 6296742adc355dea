#pragma once
#include "sys/LockedList.h"
#include "ui/TextBuf.h"
#include <windows.h>

// One top-level window as the enumeration found it.
struct WindowEntry : ListNode {
    HWND window;
    HWND ancestor;
    HWND parent;
    HMODULE classModule;
    DWORD threadId;
    DWORD processId;

    // At most 259 characters; 0 when the class name cannot be read.
    int ClassName(TextBuf* text) const;
};
