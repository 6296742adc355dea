#pragma once
#include <windows.h>

// Owns one file handle; INVALID_HANDLE_VALUE, what CreateFileA gives on
// failure, is the empty value.
class UniqueFile {
public:
    UniqueFile() : handle(INVALID_HANDLE_VALUE) {}
    ~UniqueFile() { Close(); }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;

    // Closes any file held first; 1 when the new one was created.
    int Create(const char* name, DWORD access, DWORD shareMode, DWORD disposition);
    void Close();
    bool Valid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle; }

private:
    HANDLE handle;
};
