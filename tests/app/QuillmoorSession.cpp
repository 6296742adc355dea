#include "QuillmoorSession.h"

#include "TestSupport.h"

using namespace testsupport;

namespace {
const char kKey[] = "Software\\Harrowby\\Quillmoor";
}

QuillmoorSession::QuillmoorSession(const std::string& name, bool keepSettings, const char* program)
    : dir(ScratchDir(name)), bin(dir + "bin\\")
{
    CreateDirectoryA(bin.c_str(), nullptr);
    CopyFileA((program ? TestDir() + program : BuildDir() + "Quillmoor.exe").c_str(), (bin + "Quillmoor.exe").c_str(),
              FALSE);
    for (const char* client : { "cvs.exe", "svn.exe", "svnadmin.exe" })
        PlaceFakeClient(bin, client);
    if (!keepSettings)
        ClearSettings();
}

bool QuillmoorSession::Start(const std::wstring& arguments)
{
    if (!program.Start(Wide(bin + "Quillmoor.exe"), arguments, Wide(dir), Wide(dir + "out.txt")))
        return false;
    dialog = program.WaitForWindow("Quillmoor [1.04]");
    return dialog != nullptr;
}

int QuillmoorSession::Close()
{
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return static_cast<int>(program.WaitExit());
}

std::vector<QuillmoorSession::Record> QuillmoorSession::Runs(const char* client)
{
    std::vector<Record> runs;
    std::string log = ReadWholeFile(bin + client + ".log");
    size_t at = 0;
    auto field = [&](const char* name) {
        size_t start = log.find(name, at);
        if (start == std::string::npos)
            return std::string();
        start += strlen(name);
        size_t end = log.find("\r\n", start);
        at = end + 2;
        return log.substr(start, end - start);
    };
    while (log.find("params=", at) != std::string::npos) {
        Record r;
        r.params = field("params=");
        r.args = field("args=");
        r.cwd = field("cwd=");
        r.wideCwd = field("wcwd=");
        r.ignore = field("CVSIGNORE=");
        runs.push_back(r);
    }
    return runs;
}

std::wstring QuillmoorSession::GetWide(int id)
{
    wchar_t text[1024] = L"";
    SendMessageW(Item(id), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::string> QuillmoorSession::Lines()
{
    std::vector<std::string> lines;
    std::string out = ReadWholeFile(dir + "out.txt");
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        std::string line = out.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, 9, "Quillmoor") == 0)
            lines.push_back(line);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return lines;
}

void QuillmoorSession::SetExit(const char* client, const char* exitCode)
{
    std::string base = bin + client;
    WriteWholeFile(base.substr(0, base.size() - 4) + ".exit", exitCode);
}

void QuillmoorSession::RemoveClient(const char* client)
{
    DeleteFileA((bin + client).c_str());
}

void QuillmoorSession::ClearSettings()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Harrowby");
}

bool QuillmoorSession::ReadString(const char* name, std::string* out)
{
    char text[1024];
    DWORD size = sizeof(text);
    if (RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return false;
    *out = text;
    return true;
}

bool QuillmoorSession::ReadDword(const char* name, DWORD* out)
{
    DWORD size = sizeof(*out);
    return RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, out, &size) == ERROR_SUCCESS;
}

std::vector<std::string> QuillmoorSession::History(const char* list)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kKey) + "\\" + list).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD length = sizeof(name);
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}
