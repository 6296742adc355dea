#pragma once
#include "ProgramDriver.h"

#include <string>
#include <vector>

// One run of Quillmoor in a scratch folder of its own, with the fake clients
// beside its copy of the program and, unless kept, no settings in the registry.
// The copy is the product's, or the named program of the tests' folder.
class QuillmoorSession {
public:
    struct Record {
        std::string params;
        std::string args; // as the client's runtime splits them, each ended by "|"
        std::string cwd;
        std::string wideCwd; // in UTF-8
        std::string ignore;
    };

    explicit QuillmoorSession(const std::string& name, bool keepSettings = false, const char* program = nullptr);
    bool Start(const std::wstring& arguments = L"");
    int Close(); // exit code

    void Set(int id, const std::string& text) { ProgramDriver::SetText(Item(id), text); }
    std::string Get(int id) { return ProgramDriver::Text(Item(id)); }
    // Texts in any language, as the control holds them.
    void SetWide(int id, const std::wstring& text) { SendMessageW(Item(id), WM_SETTEXT, 0, (LPARAM)text.c_str()); }
    std::wstring GetWide(int id);
    bool Checked(int id) { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    std::vector<ProgramDriver::Box> Press(int id) { return program.Press(dialog, id); }
    HWND Item(int id) { return GetDlgItem(dialog, id); }

    // The runs a fake client recorded, in order.
    std::vector<Record> Runs(const char* client);
    // Quillmoor's own lines on standard output.
    std::vector<std::string> Lines();
    void SetExit(const char* client, const char* exitCode);
    void RemoveClient(const char* client);

    static void ClearSettings();
    static bool ReadString(const char* name, std::string* out);
    static bool ReadDword(const char* name, DWORD* out);
    static std::vector<std::string> History(const char* list);

    std::string dir;
    std::string bin;
    ProgramDriver program;
    HWND dialog = nullptr;
};
