#include "sys/UniqueFile.h"

int UniqueFile::Create(const char* name, DWORD access, DWORD shareMode, DWORD disposition)
{
    Close();
    handle = CreateFileA(name, access, shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return Valid() ? 1 : 0;
}

void UniqueFile::Close()
{
    if (Valid())
        CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}
