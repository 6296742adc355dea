// The folder operations of FileUtil, which belong to the version-control
// operations: browsing for a folder, creating every level of one, and the
// trailing backslash.
#include "ui/FileUtil.h"

#include "ui/TextBuf.h"
#include "ui/WindowBase.h"
#include <ole2.h>
#include <shlobj.h>
#include <string.h>

int FileUtil::BrowseForFolder(HWND owner, const char* title, UINT flags, int root, char* path)
{
    // Only a successful start may be balanced: the caller's own COM must stay up.
    const bool oleStarted = SUCCEEDED(OleInitialize(nullptr));
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) {
        if (oleStarted)
            OleUninitialize();
        return 0;
    }
    LPITEMIDLIST rootList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, root, &rootList)))
        rootList = nullptr;

    BROWSEINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.hwndOwner = owner;
    info.pidlRoot = rootList;
    info.pszDisplayName = path;
    info.lpszTitle = title;
    info.ulFlags = flags ? flags : BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_UAHINT;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(path);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);

    int result = 0;
    if (chosen) {
        // Read wide: the ANSI call holds MAX_PATH bytes, fewer than a path
        // takes under UTF-8, and an older code page would put look-alikes in
        // place of the characters it lacks.
        wchar_t wide[MAX_PATH];
        const UINT codePage = GetACP();
        if (SHGetPathFromIDListW(chosen, wide) && TextBuf::RoundTrips(wide, codePage) &&
            WideCharToMultiByte(codePage, 0, wide, -1, path, TextBuf::FieldBytes(codePage), nullptr, nullptr)) {
            path[TextBuf::FieldLength(path, codePage)] = 0;
            result = 1;
        }
        allocator->Free(chosen);
    }
    if (rootList)
        allocator->Free(rootList);
    allocator->Release();
    if (oleStarted)
        OleUninitialize();
    return result;
}

int CALLBACK FileUtil::BrowseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data)
{
    if (message == BFFM_INITIALIZED) {
        const char* start = reinterpret_cast<const char*>(data);
        if (start && start[0] && start[1]) {
            SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
        } else if (start && start[0]) {
            LPITEMIDLIST special = nullptr;
            if (SUCCEEDED(SHGetSpecialFolderLocation(dialog, static_cast<unsigned char>(start[0]), &special)) && special) {
                SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(special));
                CoTaskMemFree(special);
            }
        }
        // The new dialog style nests the tree deeper; focusing nothing would swallow the keys.
        if (HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr))
            SetFocus(tree);
        ShowWindow(dialog, SW_SHOWNORMAL);
        WindowBase::ForceForeground(dialog);
    } else if (message == BFFM_SELCHANGED) {
        char selected[MAX_PATH];
        if (lParam && SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), selected))
            SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(selected));
    }
    return 0;
}

int FileUtil::CreateDirectoryChain(const char* path, int lastIsFile)
{
    if (!path)
        return 0;
    // The first three bytes (a drive prefix) are never split; the search must
    // begin on a character, not on a trail byte that happens to be a backslash.
    int from = 0;
    while (path[from] && from < 3)
        from += TextBuf::CharBytes(path + from);

    TextBuf work;
    int result = 0;
    int split = from - 1;
    do {
        if (!work.Assign(path))
            return 0;
        split = work.FindChar('\\', split + 1);
        if (split >= 0)
            work.Truncate(split);
        else if (lastIsFile)
            return result;
        result = CreateDirectoryA(work.Data(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    } while (split >= 0);
    return result;
}

void FileUtil::AppendBackslash(char* path)
{
    if (!path || !path[0] || TextBuf::EndsWithBackslash(path))
        return;
    const size_t end = strlen(path);
    path[end] = '\\';
    path[end + 1] = 0;
}

int FileUtil::IsFolder(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int FileUtil::NamesAnotherFolder(const char* path)
{
    // The last part: from the character after a separator to the last
    // character that is none. Dots and blanks are never trail bytes.
    const char* part = path;
    const char* end = path;
    bool afterSeparator = true;
    for (const char* p = path; *p;) {
        const int bytes = TextBuf::CharBytes(p);
        const bool separator = bytes == 1 && (*p == '\\' || *p == '/');
        if (!separator) {
            if (afterSeparator)
                part = p;
            end = p + bytes;
        }
        afterSeparator = separator;
        p += bytes;
    }
    const size_t length = end - part;
    if (!length || (length <= 2 && strspn(part, ".") >= length))
        return 0;
    return end[-1] == '.' || end[-1] == ' ';
}
