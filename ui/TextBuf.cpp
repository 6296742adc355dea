#include "ui/TextBuf.h"

#include <windows.h>
#include <mbctype.h>
#include <mbstring.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Whether s points into the block, which a reallocation may move.
bool Inside(const char* s, const char* block, int capacity)
{
    return block && s >= block && s < block + capacity;
}

// The code of the character at p: a lead byte and its trail byte together,
// or one byte. A lead byte right before the terminator stands alone, so no
// walk ever steps over the end of a text.
unsigned Code(const char* p, int* bytes)
{
    const unsigned char b = static_cast<unsigned char>(p[0]);
    if (b >= 0x81 && _ismbblead(b) && p[1]) {
        *bytes = 2;
        return b << 8 | static_cast<unsigned char>(p[1]);
    }
    *bytes = 1;
    return b;
}

// The first occurrence of find that starts on a character boundary.
const char* Search(const char* text, const char* find)
{
    const size_t n = strlen(find);
    for (const char* p = text;; p += TextBuf::CharBytes(p)) {
        if ((n == 0 || *p == *find) && strncmp(p, find, n) == 0)
            return p;
        if (!*p)
            return nullptr;
    }
}

// Compares character by character, as the runtime's multibyte comparisons do.
int CompareChars(const char* a, const char* b, bool foldCase, size_t maxBytes)
{
    size_t used = 0;
    while (used < maxBytes) {
        int na, nb;
        unsigned ca = Code(a, &na), cb = Code(b, &nb);
        if (foldCase) {
            ca = _mbctolower(ca);
            cb = _mbctolower(cb);
        }
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (!ca)
            return 0;
        a += na;
        b += nb;
        used += na;
    }
    return 0;
}

} // namespace

TextBuf::TextBuf() : text(nullptr), capacity(0), size(0)
{
    Resize(kDefaultCapacity);
}

TextBuf::TextBuf(int n) : text(nullptr), capacity(0), size(0)
{
    Resize(n);
}

TextBuf::~TextBuf()
{
    free(text);
    text = nullptr;
    capacity = 0;
    size = 0;
}

void TextBuf::Fail()
{
    free(text);
    text = nullptr;
    capacity = 0;
    size = 0;
}

int TextBuf::EnsureBlock()
{
    return text ? 1 : Resize(1);
}

int TextBuf::Resize(int n)
{
    if (n <= 0)
        n = 1;
    char* block = static_cast<char*>(realloc(text, n));
    if (!block) {
        Fail();
        return 0;
    }
    bool hadBlock = text != nullptr;
    text = block;
    capacity = n;
    if (!hadBlock || size <= 0) {
        text[0] = 0;
        size = 1;
    } else if (size > n) {
        size = n;
        text[n - 1] = 0;
    }
    return 1;
}

void TextBuf::Reset(int n)
{
    Resize(n);
    Assign("");
}

int TextBuf::Assign(const char* s, int n)
{
    if (!s || n < 0)
        n = 0;
    if (!s)
        s = "";
    if (n + 1 > capacity) {
        if (Inside(s, text, capacity))
            n = capacity - 1;   // a source inside the block cannot be longer than it
        else if (!Resize(n + 1))
            return 0;
    }
    memmove(text, s, n);
    text[n] = 0;
    size = lstrlenA(text) + 1;
    return 1;
}

int TextBuf::Assign(const char* s)
{
    return Assign(s, s ? static_cast<int>(strlen(s)) : 0);
}

int TextBuf::Assign(const wchar_t* w)
{
    int n = w ? static_cast<int>(wcslen(w)) : 0;
    if (n == 0)
        return Assign("");
    // A double-byte code page may need two bytes per character: ask for the exact count.
    int needed = WideCharToMultiByte(CP_ACP, 0, w, n, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || (needed + 1 > capacity && !Resize(needed + 1))) {
        Reset(kDefaultCapacity);
        return 0;
    }
    int written = WideCharToMultiByte(CP_ACP, 0, w, n, text, capacity - 1, nullptr, nullptr);
    if (written <= 0 || written > capacity - 1) {
        Reset(kDefaultCapacity);
        return 0;
    }
    text[written] = 0;
    size = lstrlenA(text) + 1;
    return 1;
}

int TextBuf::AppendChar(char ch)
{
    if (!EnsureBlock())
        return 0;
    if (size + 1 > capacity && !Resize(size + 21))
        return 0;
    text[size - 1] = ch;
    text[size] = 0;
    ++size;
    return 1;
}

int TextBuf::Append(const char* s)
{
    if (!s)
        return text ? 1 : EnsureBlock();
    if (!EnsureBlock())
        return 0;
    int len = lstrlenA(s);
    int needed = len + size;
    if (needed > capacity) {
        // Appending a part of the own text: keep the source valid across the move.
        ptrdiff_t offset = Inside(s, text, capacity) ? s - text : -1;
        if (!Resize(needed + 20))
            return 0;
        if (offset >= 0)
            s = text + offset;
    }
    memmove(text + size - 1, s, len);
    text[needed - 1] = 0;
    size = needed;
    return 1;
}

char* TextBuf::Insert(int pos, const char* s)
{
    if (!EnsureBlock())
        return nullptr;
    if (!s)
        s = "";
    if (pos < 0)
        pos = 0;
    if (pos > Length())
        pos = Length();
    int slen = lstrlenA(s);
    ptrdiff_t offset = Inside(s, text, capacity) ? s - text : -1;
    if (size + slen > capacity && !Resize(size + slen))
        return nullptr;
    if (offset >= 0) {
        // Inserting a part of the own text: copy it out before the move overwrites it.
        char* copy = static_cast<char*>(malloc(slen + 1));
        if (!copy)
            return nullptr;
        memcpy(copy, text + offset, slen);
        memmove(text + pos + slen, text + pos, size - pos);
        memcpy(text + pos, copy, slen);
        free(copy);
    } else {
        memmove(text + pos + slen, text + pos, size - pos);
        memcpy(text + pos, s, slen);
    }
    size += slen;
    return text;
}

char* TextBuf::Truncate(int pos)
{
    if (!text)
        return nullptr;
    if (pos < 0)
        pos = 0;
    if (pos > Length())
        pos = Length();
    text[pos] = 0;
    size = lstrlenA(text) + 1;
    return text;
}

void TextBuf::ReplaceChar(unsigned char from, unsigned char to)
{
    if (!text || from == to || from == 0 || to == 0)
        return;
    // Each pass turns one "from" into "to", so the loop ends; it starts again
    // because the new byte may change where the characters after it begin.
    for (int at = FindChar(from); at >= 0; at = FindChar(from))
        text[at] = static_cast<char>(to);
}

char* TextBuf::Replace(const char* find, const char* repl)
{
    if (!text)
        return nullptr;
    UpdateLength();
    if (!find || !*find)
        return text;
    int findLen = lstrlenA(find);
    int replLen = repl ? lstrlenA(repl) : 0;
    // A replacement that contains the searched text would be found again for
    // ever: then the search goes on after the inserted text.
    bool goOn = repl && Search(repl, find) != nullptr;
    char* copy = nullptr;
    if (Inside(repl, text, capacity)) {
        copy = static_cast<char*>(malloc(replLen + 1));
        if (!copy) {
            Fail();
            return nullptr;
        }
        memcpy(copy, repl, replLen + 1);
        repl = copy;
    }
    int from = 0;
    char* p = FindPtr(find);
    while (p) {
        int newCapacity = capacity + replLen - findLen;
        if (newCapacity > kFormatCeiling)
            break;
        char* block = static_cast<char*>(malloc(newCapacity));
        if (!block) {
            Fail();
            free(copy);
            return nullptr;
        }
        int at = static_cast<int>(p - text);
        int rest = size - at - findLen;   // the NUL included
        memcpy(block, text, at);
        if (replLen)
            memcpy(block + at, repl, replLen);
        memcpy(block + at + replLen, p + findLen, rest);
        free(text);
        text = block;
        capacity = newCapacity;
        size += replLen - findLen;
        // Otherwise search from the start again, so that a match formed with
        // the surrounding text is replaced too.
        from = goOn ? at + replLen : 0;
        p = const_cast<char*>(Search(text + from, find));
    }
    free(copy);
    size = lstrlenA(text) + 1;
    return text;
}

char* TextBuf::EnsureTrailingBackslash()
{
    if (!text)
        return nullptr;
    if (Length() > 0 && !EndsWithBackslash(text))
        AppendChar('\\');
    return text;
}

void TextBuf::UpdateLength()
{
    if (!text) {
        size = 0;
        return;
    }
    // A caller's write may have filled the block without a terminator.
    size_t n = strnlen(text, capacity);
    if (n == static_cast<size_t>(capacity)) {
        text[capacity - 1] = 0;
        --n;
    }
    size = static_cast<int>(n) + 1;
}

int TextBuf::Compare(const char* s) const
{
    return CompareChars(text ? text : "", s ? s : "", false, static_cast<size_t>(-1));
}

int TextBuf::CompareNoCase(const char* s) const
{
    return CompareChars(text ? text : "", s ? s : "", true, static_cast<size_t>(-1));
}

char* TextBuf::FindPtr(const char* s) const
{
    if (!text || !s)
        return nullptr;
    return const_cast<char*>(Search(text, s));
}

int TextBuf::Find(const char* s) const
{
    const char* p = FindPtr(s);
    return p ? static_cast<int>(p - text) : -1;
}

char* TextBuf::FindNoCase(const char* s) const
{
    if (!s || !text || !*text)
        return nullptr;
    size_t slen = strlen(s);
    size_t len = strlen(text);
    for (size_t i = 0; i + slen <= len; ++i) {
        if (CompareChars(text + i, s, true, slen) == 0)
            return text + i;
    }
    return nullptr;
}

int TextBuf::FindChar(unsigned char ch, int start) const
{
    if (!text || start >= size)
        return -1;
    if (start < 0)
        start = 0;
    for (const char* p = text + start;;) {
        int bytes;
        const unsigned c = Code(p, &bytes);
        if (c == ch)
            return static_cast<int>(p - text);
        if (!c)
            return -1;
        p += bytes;
    }
}

int TextBuf::FindCharNoCase(unsigned char ch) const
{
    if (!text)
        return -1;
    const char one[2] = { static_cast<char>(ch), 0 };
    for (int i = 0; text[i]; ++i) {
        if (CompareChars(text + i, one, true, 1) == 0)
            return i;
    }
    return -1;
}

char* TextBuf::CStr(char* copyTo) const
{
    if (copyTo && text)
        memcpy(copyTo, text, strlen(text) + 1);
    return text;
}

int TextBuf::Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    int result = VFormat(fmt, args);
    va_end(args);
    return result;
}

int TextBuf::VFormat(const char* fmt, va_list args)
{
    if (!text && !Resize(kDefaultCapacity))
        return 0;
    va_list probe;
    va_copy(probe, args);
    int needed = _vscprintf(fmt, probe);
    va_end(probe);
    if (needed < 0) {
        // Output that can never be produced (a conversion error), not a size problem.
        Reset(kDefaultCapacity);
        return 0;
    }
    // Grow in steps of 260 bytes up to the ceiling, as a retry loop would,
    // but with one allocation.
    if (needed > capacity - 1) {
        int steps = (needed - (capacity - 1) + 259) / 260;
        if (capacity + 260LL * (steps - 1) >= kFormatCeiling) {
            Reset(kDefaultCapacity);
            return 0;
        }
        if (!Resize(capacity + 260 * steps))
            return 0;
        memset(text, 0, capacity);
    }
    va_list pass;
    va_copy(pass, args);
    _vsnprintf(text, capacity - 1, fmt, pass);
    va_end(pass);
    text[capacity - 1] = 0;
    size = lstrlenA(text) + 1;
    return 1;
}

const char* TextBuf::FileNamePart(const char* path)
{
    if (!path)
        return path;
    const char* result = path;
    // Stepping by characters: a trail byte 0x5C is no separator.
    for (const char* p = path; *p; p += CharBytes(p)) {
        if ((*p == '\\' || *p == '/') && p[1] && CharBytes(p) == 1)
            result = p + 1;
    }
    return result;
}

int TextBuf::CharBytes(const char* p)
{
    // No code page has lead bytes below 0x81: spare the runtime call for them.
    const unsigned char b = static_cast<unsigned char>(p[0]);
    return b >= 0x81 && _ismbblead(b) && p[1] ? 2 : 1;
}

bool TextBuf::EndsWithBackslash(const char* text)
{
    // The last character, not the last byte: a trail byte may be 0x5C.
    const char* last = nullptr;
    for (const char* p = text; *p; p += CharBytes(p))
        last = p;
    return last && *last == '\\' && CharBytes(last) == 1;
}

const char* TextBuf::LastChar(const char* text, unsigned char ch)
{
    const char* last = nullptr;
    for (const char* p = text; *p; p += CharBytes(p)) {
        if (static_cast<unsigned char>(*p) == ch && CharBytes(p) == 1)
            last = p;
    }
    return last;
}
