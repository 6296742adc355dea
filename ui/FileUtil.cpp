#include "ui/FileUtil.h"

#include "ui/FontExists.h"
#include "ui/TextBuf.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int FileUtil::ReadFileVersion(const char* path, unsigned* major, unsigned* minor)
{
    DWORD ignored;
    DWORD n = GetFileVersionInfoSizeA(path, &ignored);
    if (!n)
        return 0;
    void* block = LocalAlloc(LMEM_ZEROINIT, n);
    if (!block)
        return 0;
    int result = 0;
    if (GetFileVersionInfoA(path, 0, n, block)) {
        char* text = nullptr;
        UINT length = 0;
        if (VerQueryValueA(block, "\\StringFileInfo\\040704b0\\FileVersion", reinterpret_cast<void**>(&text), &length) ||
            VerQueryValueA(block, "\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&text), &length)) {
            __ms_sscanf(text, "%u.%u", major, minor);
            result = 1;
        }
    }
    LocalFree(block);
    return result;
}

char* FileUtil::FormatCaption(char* out, int outSize, const char* title, unsigned major, unsigned minor)
{
    if (outSize <= 0)
        return out;
    _snprintf(out, outSize - 1, "%s [%u.%02u]", title, major, minor);
    out[outSize - 1] = 0;
    return out;
}

char* FileUtil::VersionCaption(const char* title, HMODULE module, char* out, int outSize)
{
    if (!out) {
        out = caption;
        outSize = sizeof(caption);
    }
    if (outSize <= 0)
        return out;
    char path[kFieldRoom];
    if (!ModuleFileName(module, path)) {
        // The default version means "no version block": better none at all.
        _snprintf(out, outSize - 1, "%s", title);
        out[outSize - 1] = 0;
        return out;
    }
    unsigned major = 1, minor = 1;
    ReadFileVersion(path, &major, &minor);
    return FormatCaption(out, outSize, title, major, minor);
}

const void* FileUtil::FindResourceData(HINSTANCE module, LPCSTR type, int id, WORD language, DWORD* sizeOut)
{
    const WORD tries[] = { language, WORD((language & 0x3FF) | 0x400), WORD(language & 0x3FF), 0, 0x0409, 0x0809, 0x0009 };
    HRSRC found = nullptr;
    for (WORD lang : tries) {
        found = FindResourceExA(module, type, MAKEINTRESOURCEA(id & 0xFFFF), lang);
        if (found)
            break;
    }
    if (!found)
        return nullptr;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return nullptr;
    DWORD size = SizeofResource(module, found);
    if (!size)
        return nullptr;
    if (sizeOut)
        *sizeOut = size;
    return LockResource(loaded);
}

const wchar_t* FileUtil::ShellDialogFace()
{
    return FontExists("MS Shell Dlg 2", DEFAULT_CHARSET) ? L"MS Shell Dlg 2" : L"MS Shell Dlg";
}

void* FileUtil::LoadDialogTemplate(HINSTANCE module, int templateId, WORD language)
{
    DWORD size = 0;
    const void* data = FindResourceData(module, RT_DIALOG, templateId, language, &size);
    if (!data)
        return nullptr;
    DWORD newSize;
    return RewriteTemplateFont(data, size, ShellDialogFace, &newSize);
}

namespace {

// Reads a template strictly inside its size; any step past the end fails.
struct Reader {
    const BYTE* data;
    DWORD size;
    DWORD at;

    bool Skip(DWORD n)
    {
        if (n > size - at)
            return false;
        at += n;
        return true;
    }
    bool Word(WORD* w)
    {
        if (size - at < 2)
            return false;
        memcpy(w, data + at, 2);
        at += 2;
        return true;
    }
    // A menu, class or title: 0xFFFF and an ordinal, or a terminated UTF-16 string.
    bool Field()
    {
        WORD w;
        if (!Word(&w))
            return false;
        if (w == 0xFFFF)
            return Skip(2);
        while (w != 0) {
            if (!Word(&w))
                return false;
        }
        return true;
    }
};

DWORD Align4(DWORD n) { return (n + 3) & ~3u; }

bool FaceIs(const BYTE* face, DWORD bytes, const wchar_t* name)
{
    DWORD n = static_cast<DWORD>(wcslen(name) + 1) * 2;
    if (bytes != n)
        return false;
    for (DWORD i = 0; i < n / 2; ++i) {
        WORD w;
        memcpy(&w, face + 2 * i, 2);
        if (w != static_cast<WORD>(name[i]))
            return false;
    }
    return true;
}

} // namespace

void* FileUtil::RewriteTemplateFont(const void* data, DWORD size, const wchar_t* (*face)(), DWORD* newSize)
{
    Reader r = { static_cast<const BYTE*>(data), size, 0 };
    if (size < 4)
        return nullptr;
    WORD signature;
    memcpy(&signature, r.data + 2, 2);
    const bool extended = signature == 0xFFFF;
    DWORD style;
    if (extended) {
        if (size < 26)
            return nullptr;
        memcpy(&style, r.data + 12, 4);
        r.at = 26;
    } else {
        if (size < 18)
            return nullptr;
        memcpy(&style, r.data, 4);
        r.at = 18;
    }
    if (!r.Field() || !r.Field() || !r.Field())
        return nullptr;
    if (!(style & (DS_SETFONT | DS_FIXEDSYS)))
        return nullptr;
    if (extended) {
        if (!r.Skip(6))
            return nullptr;
    } else {
        if (!r.Skip(r.at & 1) || !r.Skip(2))
            return nullptr;
    }
    const DWORD faceStart = r.at;
    WORD w = 1;
    while (w != 0) {
        if (!r.Word(&w))
            return nullptr;
    }
    const DWORD faceEnd = r.at;
    if (!FaceIs(r.data + faceStart, faceEnd - faceStart, L"MS Sans Serif") &&
        !FaceIs(r.data + faceStart, faceEnd - faceStart, L"System"))
        return nullptr;

    const wchar_t* newFace = face();
    const DWORD faceBytes = static_cast<DWORD>(wcslen(newFace) + 1) * 2;
    // The items start on 4-byte boundaries, in the source as in the copy.
    const DWORD restStart = Align4(faceEnd);
    const DWORD rest = restStart < size ? size - restStart : 0;
    const DWORD itemsAt = Align4(faceStart + faceBytes);
    const DWORD total = itemsAt + rest;
    BYTE* block = static_cast<BYTE*>(calloc(1, total));
    if (!block)
        return nullptr;
    memcpy(block, r.data, faceStart);
    for (DWORD i = 0; i < faceBytes / 2; ++i) {
        WORD c = static_cast<WORD>(newFace[i]);
        memcpy(block + faceStart + 2 * i, &c, 2);
    }
    memcpy(block + itemsAt, r.data + restStart, rest);
    if (newSize)
        *newSize = total;
    return block;
}
