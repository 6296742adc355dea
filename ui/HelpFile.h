#pragma once
#include "ui/TextBuf.h"
#include <windows.h>

// Names the program's compiled help file and shows its topics through HTML Help.
class HelpFile {
public:
    typedef int (*Gate)(HelpFile* helpFile, void* gateValue);
    typedef HWND(WINAPI* DisplayFn)(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

    HelpFile();

    // useCurrentDirectory 1 puts the current directory in front of fileName.
    // A directory and name longer than a field keeps (TextBuf::FieldLength)
    // leave the path empty, so that Show shows nothing. When no file lies at that path but one lies in
    // otherFolder (ending in a backslash), the path names that one instead.
    void Bind(const char* fileName, int useCurrentDirectory, Gate gate, void* gateValue,
              const char* otherFolder = nullptr);
    // 0 when the gate refuses, the path is empty, or HTML Help opens no window.
    int Show(HWND caller, const char* page);

    const char* Path() const { return path; }
    // Tests replace HTML Help with a recorder.
    void SetDisplay(DisplayFn fn) { display = fn; }
    static HWND WINAPI HtmlHelpOnFirstUse(HWND caller, LPCSTR file, UINT command, DWORD_PTR data);

private:
    char path[kFieldRoom];
    Gate gate;
    void* gateValue;
    DisplayFn display;
};
