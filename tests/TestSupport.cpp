#include "TestSupport.h"

#include "ui/TextBuf.h"

#include <stdio.h>

namespace testsupport {

std::string TestDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string BuildDir()
{
    std::string s = TestDir();
    s.pop_back();
    return s.substr(0, s.find_last_of('\\') + 1);
}

void RemoveTree(const std::string& path)
{
    RemoveTree(Wide(path));
}

// Wide, so that names in any language go too.
void RemoveTree(const std::wstring& path)
{
    std::wstring dir = path;
    if (!dir.empty() && dir.back() == L'\\')
        dir.pop_back();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = dir + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
}

std::string ScratchDir(const std::string& name)
{
    std::string root = TestDir() + "scratch\\";
    CreateDirectoryA(root.c_str(), nullptr);
    std::string dir = root + name + "\\";
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string Utf8(const std::wstring& text)
{
    std::string utf8(4 * text.size(), '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0],
                                    static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                    static_cast<int>(wide.size())));
    return wide;
}

std::string ReadWholeFile(const std::string& path)
{
    return ReadWholeFile(Wide(path));
}

std::string ReadWholeFile(const std::wstring& path)
{
    std::string text;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        text.append(buffer, n);
    fclose(f);
    return text;
}

void WriteWholeFile(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return;
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const char kEmulatedDbghelp[] = "32-bit dbghelp under qemu-i386 emulation: SymInitialize and "
                                "MiniDumpWriteDump fail, so no dump, stack lines or list rows";

bool UnderX86Emulation()
{
    char arch[8] = "";
    return sizeof(void*) == 4 && GetEnvironmentVariableA("QM_WINE_ARCH", arch, sizeof(arch)) == 3 &&
           strcmp(arch, "x86") == 0;
}

int ValueCount(const char* keyPath)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return static_cast<int>(count);
}

DWORD RunAndWait(const std::string& commandLine, const std::string& workDir, DWORD timeoutMs)
{
    std::string line = commandLine;
    STARTUPINFOA si = { sizeof(si) };
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
        return 0xDEAD;
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

bool PlaceFakeClient(const std::string& folder, const char* name, const char* exitCode)
{
    std::string target = folder + name;
    if (!CopyFileA((TestDir() + "FakeClient.exe").c_str(), target.c_str(), FALSE))
        return false;
    std::string base = target.substr(0, target.size() - 4);
    DeleteFileA((base + ".log").c_str());
    DeleteFileA((base + ".hold").c_str());
    if (exitCode)
        WriteWholeFile(base + ".exit", exitCode);
    else
        DeleteFileA((base + ".exit").c_str());
    return true;
}

ScratchKey::ScratchKey(const std::string& name)
    : path("Software\\QuillmoorTests\\" + name), key(nullptr)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key);
}

ScratchKey::~ScratchKey()
{
    if (key)
        RegCloseKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
}

void ScratchKey::SetRaw(const char* name, DWORD type, const void* data, DWORD bytes)
{
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
}

} // namespace testsupport

