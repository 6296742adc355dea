#include "SettingsBackup.h"

#include <string>

const char SettingsBackup::kRoot[] = "Software\\Harrowby";
const char SettingsBackup::kMain[] = "Software\\Harrowby\\Quillmoor";

namespace {

const char kSaved[] = "Software\\HarrowbyBenchSaved";
// Marks a saved copy as complete: a copy without it was cut short and is not used.
const char kComplete[] = "(bench copy complete)";

bool KeyExists(const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Copies values and subkeys; names of up to 16383 characters and data of any size.
bool CopyTree(HKEY from, HKEY to)
{
    std::string name(16384, '\0');
    std::string data;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = DWORD(name.size()), type = 0, bytes = 0;
        LONG r = RegEnumValueA(from, i, &name[0], &nameLength, nullptr, &type, nullptr, &bytes);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        if (r != ERROR_SUCCESS)
            return false;
        data.resize(bytes + 1);
        nameLength = DWORD(name.size());
        if (RegEnumValueA(from, i, &name[0], &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                          &bytes) != ERROR_SUCCESS ||
            RegSetValueExA(to, name.c_str(), 0, type, reinterpret_cast<BYTE*>(&data[0]), bytes) != ERROR_SUCCESS)
            return false;
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = DWORD(name.size());
        LONG r = RegEnumKeyExA(from, i, &name[0], &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        if (r != ERROR_SUCCESS)
            return false;
        HKEY child, copy;
        if (RegOpenKeyExA(from, name.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS)
            return false;
        bool ok = RegCreateKeyExA(to, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &copy, nullptr) ==
                  ERROR_SUCCESS;
        if (ok) {
            ok = CopyTree(child, copy);
            RegCloseKey(copy);
        }
        RegCloseKey(child);
        if (!ok)
            return false;
    }
    return true;
}

bool Copy(const char* fromPath, const char* toPath)
{
    HKEY from, to;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, fromPath, 0, KEY_READ, &from) != ERROR_SUCCESS)
        return false;
    bool ok = RegCreateKeyExA(HKEY_CURRENT_USER, toPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &to, nullptr) ==
              ERROR_SUCCESS;
    if (ok) {
        ok = CopyTree(from, to);
        RegCloseKey(to);
    }
    RegCloseKey(from);
    return ok;
}

// The saved copy: subkey "Tree" holds the settings tree, and the value kComplete
// says whether there was one (1) or not (0). Written last, so it marks a whole copy.
bool SavedCopy(DWORD* hadSettings)
{
    DWORD bytes = sizeof(*hadSettings);
    return RegGetValueA(HKEY_CURRENT_USER, kSaved, kComplete, RRF_RT_REG_DWORD, nullptr, hadSettings, &bytes) ==
           ERROR_SUCCESS;
}

void PutBack(DWORD hadSettings)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, SettingsBackup::kRoot);
    if (hadSettings)
        Copy((std::string(kSaved) + "\\Tree").c_str(), SettingsBackup::kRoot);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSaved);
}

} // namespace

SettingsBackup::SettingsBackup()
{
    DWORD hadSettings = 0;
    if (SavedCopy(&hadSettings))
        PutBack(hadSettings);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSaved);
    hadSettings = KeyExists(kRoot) ? 1 : 0;
    if (hadSettings && !Copy(kRoot, (std::string(kSaved) + "\\Tree").c_str()))
        return;
    HKEY saved;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSaved, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &saved, nullptr) !=
        ERROR_SUCCESS)
        return;
    this->saved = RegSetValueExA(saved, kComplete, 0, REG_DWORD, reinterpret_cast<BYTE*>(&hadSettings),
                                 sizeof(hadSettings)) == ERROR_SUCCESS;
    RegCloseKey(saved);
}

void SettingsBackup::Restore()
{
    DWORD hadSettings = 0;
    if (SavedCopy(&hadSettings))
        PutBack(hadSettings);
}

void SettingsBackup::Clear()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kRoot);
}

void SettingsBackup::ClearFields()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kMain, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const char* name : { "Local", "Project", "Remote", "SVN" })
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}
