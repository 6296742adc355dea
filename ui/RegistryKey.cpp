#include "ui/RegistryKey.h"

#include <string.h>

int RegistryKey::Open(HKEY parent, const char* subKey, REGSAM access)
{
    return RegOpenKeyExA(parent, subKey, 0, access, &key) == ERROR_SUCCESS;
}

int RegistryKey::Create(HKEY parent, const char* subKey)
{
    return RegCreateKeyA(parent, subKey, &key) == ERROR_SUCCESS;
}

int RegistryKey::QueryDword(const char* name, DWORD* out)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return 0;
    *out = value;
    return 1;
}

int RegistryKey::QueryString(const char* name, char* out)
{
    const UINT codePage = GetACP();
    const DWORD room = TextBuf::FieldBytes(codePage);
    DWORD type = REG_NONE;
    DWORD size = room;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size);
    // Other types would read as their bytes: a number or binary data is no text.
    if (r != ERROR_SUCCESS || size > room || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        out[0] = 0;
        return 0;
    }
    // Other programs write this registry: a value may lack its terminator.
    if (size == 0 || out[size - 1] == 0) {
        out[size ? size - 1 : 0] = 0;
    } else if (size < room) {
        out[size] = 0;
    } else {
        out[0] = 0;
        return 0;
    }
    // Under UTF-8 the room holds more than the 259 units a field keeps.
    if (TextBuf::FieldLength(out, codePage) < static_cast<int>(strlen(out))) {
        out[0] = 0;
        return 0;
    }
    return 1;
}

int RegistryKey::LosesCharacters(const char* name) const
{
    // The wide reading serves only to compare: the program's text stays ANSI.
    wchar_t wideName[kFieldBytes];
    wchar_t text[kFieldBytes];
    DWORD type = 0;
    DWORD size = sizeof(text);
    if (!MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, kFieldBytes) ||
        RegQueryValueExW(key, wideName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return 0;
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(size / sizeof(wchar_t)), nullptr, 0,
                        nullptr, &lost);
    return lost ? 1 : 0;
}

int RegistryKey::SetDword(const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
           ERROR_SUCCESS;
}

int RegistryKey::SetString(const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
}

int RegistryKey::Close()
{
    if (!key)
        return 1;
    if (RegCloseKey(key) != ERROR_SUCCESS)
        return 0;
    key = nullptr;
    return 1;
}

int RegistryKey::EnumValues(HKEY root, const char* subKey, EnumValueProc callback, DWORD* typeOut,
                            DWORD dataSize, BYTE* data, void* user)
{
    HKEY h;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return 0;
    int result = 1;
    const UINT codePage = GetACP();
    for (DWORD index = 0;; ++index) {
        char name[kFieldRoom];
        DWORD nameLength = TextBuf::FieldBytes(codePage);
        DWORD dataLength = dataSize;
        LONG r = RegEnumValueA(h, index, name, &nameLength, nullptr, typeOut, data, &dataLength);
        // Under UTF-8 the room holds names longer than 259 units: skipped as well.
        if (r == ERROR_SUCCESS && TextBuf::FieldLength(name, codePage) < static_cast<int>(nameLength))
            continue;
        if (r == ERROR_SUCCESS) {
            result = callback(name, typeOut ? *typeOut : 0, dataLength, data, user) ? 1 : 0;
            if (!result)
                break;
        } else if (r != ERROR_MORE_DATA) {
            break;
        }
    }
    RegCloseKey(h);
    return result;
}
