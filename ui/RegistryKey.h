#pragma once
#include "ui/TextBuf.h"
#include <windows.h>

// Called for every value of a key; non-zero continues the walk.
typedef int (*EnumValueProc)(const char* valueName, DWORD type, DWORD dataBytes, BYTE* data, void* user);

// One open registry key: 32-bit numbers and strings of up to 259 characters.
class RegistryKey {
public:
    RegistryKey() : key(nullptr) {}
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Call on a closed object only: an open handle is not closed first.
    int Open(HKEY parent, const char* subKey, REGSAM access = KEY_READ);
    int Create(HKEY parent, const char* subKey);
    // A value of any type of up to 4 bytes; missing bytes read as zero.
    // *out is left untouched on failure.
    int QueryDword(const char* name, DWORD* out);
    // out holds kFieldRoom and always receives a terminated text: the value's,
    // when it is a REG_SZ or REG_EXPAND_SZ that a field keeps
    // (TextBuf::FieldLength) with a terminator; else the empty text and 0.
    int QueryString(const char* name, char* out);
    // 1 when the value exists, whatever its type and size.
    int HasValue(const char* name) const
    {
        return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    }
    // 1 when the value is a text with characters that the ANSI code page
    // cannot hold: its ANSI reading has replacement characters in their place.
    int LosesCharacters(const char* name) const;
    int SetDword(const char* name, DWORD value);
    int SetString(const char* name, const char* text);
    // 1 when no key was open or it closed; a failed close keeps the handle.
    int Close();
    HKEY Handle() const { return key; }

    // Walks the values of root\subKey in the registry's order. Names longer
    // than a field keeps (TextBuf::FieldLength) are skipped. 0 when the key cannot be
    // opened or the callback stopped the walk.
    static int EnumValues(HKEY root, const char* subKey, EnumValueProc callback, DWORD* typeOut,
                          DWORD dataSize, BYTE* data, void* user);

private:
    HKEY key;
};
