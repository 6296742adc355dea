// Stands in for cvs.exe, svn.exe and svnadmin.exe in tests.
// Appends one record per run to "<own path without .exe>.log":
//   params=<the parameter line>
//   args=<the arguments as the C runtime splits the line, each ended by "|", in UTF-8>
//   cwd=<current directory>
//   wcwd=<current directory as the wide call gives it, in UTF-8>
//   CVSIGNORE=<value, or "(unset)">
//   end
// and exits with the code written in "<own path without .exe>.exit"
// (decimal or 0x-hexadecimal; 0 without the file). While a file
// "<own path without .exe>.hold" exists it waits (at most a minute), so that a
// test can act while the client runs.
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* SkipProgramName(const char* line)
{
    if (*line == '"') {
        const char* end = strchr(line + 1, '"');
        line = end ? end + 1 : line + strlen(line);
    } else {
        while (*line && *line != ' ' && *line != '\t')
            ++line;
    }
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

int main()
{
    // Read wide: the client may lie in a folder in any language.
    wchar_t own[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (!n || n >= MAX_PATH)
        return 250;
    const std::wstring base = std::wstring(own).substr(0, std::wstring(own).rfind(L'.'));

    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    char ignore[1024];
    DWORD got = GetEnvironmentVariableA("CVSIGNORE", ignore, sizeof(ignore));
    if (!got || got >= sizeof(ignore))
        strcpy(ignore, "(unset)");

    // What the real clients' runtime sees: the wide line split by its rules, and the wide folder.
    auto utf8 = [](const wchar_t* wide) {
        char text[4 * MAX_PATH] = "";
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
        return std::string(text);
    };
    std::string args;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i)
        args += utf8(argv[i]) + "|";
    LocalFree(argv);
    wchar_t wideCwd[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, wideCwd);
    const std::string utf8Cwd = utf8(wideCwd);

    HANDLE log = CreateFileW((base + L".log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return 251;
    const char* parts[] = { "params=", SkipProgramName(GetCommandLineA()), "\r\nargs=", args.c_str(), "\r\ncwd=", cwd,
                            "\r\nwcwd=", utf8Cwd.c_str(), "\r\nCVSIGNORE=", ignore, "\r\nend\r\n" };
    for (const char* part : parts) {
        DWORD written;
        WriteFile(log, part, (DWORD)strlen(part), &written, nullptr);
    }
    CloseHandle(log);

    unsigned long code = 0;
    if (FILE* f = _wfopen((base + L".exit").c_str(), L"r")) {
        char text[64] = "";
        if (fgets(text, sizeof(text), f))
            code = strtoul(text, nullptr, 0);
        fclose(f);
    }
    printf("fake client: %s\n", SkipProgramName(GetCommandLineA()));
    fflush(stdout);
    for (int i = 0; i < 1200 && GetFileAttributesW((base + L".hold").c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    return (int)code;
}
