#pragma once
#include <windows.h>

// Module paths, the versioned caption, resources and dialog templates; the
// folder operations further below belong to the version-control operations
// and live in vcs/FileUtilFolders.cpp, the module paths in FileUtilModule.cpp.
// Paths are kFieldRoom-byte buffers that keep a field's text (TextBuf::FieldLength).
class FileUtil {
public:
    FileUtil() { caption[0] = 0; }

    // A null module means the program's own. 0 when the path cannot be read
    // whole or the code page cannot carry it; out is then empty.
    static int ModuleFileName(HMODULE module, char* out);
    // The path cut after its last "\", which stays; empty without one.
    static int ModuleDirectory(HMODULE module, char* out);
    // major and minor keep their values where the FileVersion text has no number.
    static int ReadFileVersion(const char* path, unsigned* major, unsigned* minor);
    // "<title> [<major>.<minor, two digits at least>]" of the module's file
    // version, 1.01 without one; the bare title when the module's path cannot
    // be read (ModuleFileName). A null out uses this object's 200-byte buffer;
    // the caption is cut to the buffer.
    char* VersionCaption(const char* title, HMODULE module, char* out = nullptr, int outSize = 0);
    static char* FormatCaption(char* out, int outSize, const char* title, unsigned major, unsigned minor);

    // The resource in the given language, else its primary and neutral forms, else English.
    static const void* FindResourceData(HINSTANCE module, LPCSTR type, int id, WORD language, DWORD* sizeOut);
    // A malloc'ed copy of the template with the shell dialog font, or null
    // when the template is missing, malformed or needs no change.
    static void* LoadDialogTemplate(HINSTANCE module, int templateId, WORD language);
    // The pure rewrite: face() is asked only when the face must change.
    static void* RewriteTemplateFont(const void* data, DWORD size, const wchar_t* (*face)(), DWORD* newSize);
    static const wchar_t* ShellDialogFace();

    // Folder operations.
    // path (kFieldRoom bytes) names the folder to preselect on entry, the chosen
    // folder after a 1; after a 0 its content is undefined. 0 also for a folder
    // the ANSI code page cannot carry. root is a CSIDL number; flags 0 stand
    // for file-system folders in the new dialog style.
    static int BrowseForFolder(HWND owner, const char* title, UINT flags, int root, char* path);
    // The folder dialog's callback; data is the path to preselect (one character:
    // a CSIDL number). Always 0.
    static int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data);
    // Creates every level after the first three characters; lastIsFile 1 leaves
    // out the last element. The result is that of the last level tried.
    static int CreateDirectoryChain(const char* path, int lastIsFile);
    // Appends "\" unless path is empty or its last character is one; room is the caller's.
    static void AppendBackslash(char* path);
    static int IsFolder(const char* path);
    // Whether Windows would take path for another folder: it drops the dots
    // and blanks that end its last part (a trailing backslash aside). The
    // parts "." and ".." are no names and keep their meaning.
    static int NamesAnotherFolder(const char* path);

private:
    char caption[200];
};
