#include "ui/TextBuf.h"

#include <windows.h>
#include <mbctype.h>
#include <mbstring.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Room added beyond the new size when an append grows the block.
const int kAppendSlack = 20;
// Format grows the block by one field's room at a time.
const int kFormatStep = kFieldBytes;
// No code page has lead bytes below it: the runtime is asked only from here on.
const unsigned char kFirstLeadByte = 0x81;

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
    if (b >= kFirstLeadByte && _ismbblead(b) && p[1]) {
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

// A growable array of bytes used as a stack; its room doubles.
class ByteStack {
public:
    ByteStack() = default;
    ~ByteStack() { free(bytes); }
    ByteStack(const ByteStack&) = delete;
    ByteStack& operator=(const ByteStack&) = delete;

    bool Reserve(int n)
    {
        if (n <= room)
            return true;
        char* grown = static_cast<char*>(realloc(bytes, n));
        if (!grown)
            return false;
        bytes = grown;
        room = n;
        return true;
    }
    bool Push(char b)
    {
        if (count == room && !Reserve(room < 32 ? 64 : room * 2))
            return false;
        bytes[count++] = b;
        return true;
    }
    char Pop() { return bytes[--count]; }
    void Drop(int n) { count -= n; }
    char operator[](int i) const { return bytes[i]; }
    const char* Data() const { return bytes; }
    int Count() const { return count; }

private:
    char* bytes = nullptr;
    int count = 0;
    int room = 0;
};

} // namespace

TextBuf::TextBuf() : text(nullptr), capacity(0), size(0)
{
    Resize(kFieldBytes);
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
        Reset(kFieldBytes);
        return 0;
    }
    int written = WideCharToMultiByte(CP_ACP, 0, w, n, text, capacity - 1, nullptr, nullptr);
    if (written <= 0 || written > capacity - 1) {
        Reset(kFieldBytes);
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
    if (size + 1 > capacity && !Resize(size + 1 + kAppendSlack))
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
        if (!Resize(needed + kAppendSlack))
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

char* TextBuf::Replace(const char* find, const char* repl, int ceiling)
{
    if (!text)
        return nullptr;
    UpdateLength();
    if (!find || !*find || !Search(text, find))
        return text;
    const int findLen = lstrlenA(find);
    const int replLen = repl ? lstrlenA(repl) : 0;
    const int growth = replLen - findLen;
    // A replacement that contains the searched text would be found again for
    // ever: then the search goes on after the inserted text.
    const bool goOn = repl && Search(repl, find) != nullptr;

    // Searching from the start again after each replacement gives the same
    // result as searching on from findLen - 1 bytes before it, since nothing
    // before that changed: the text is rewritten in one pass, the finished
    // part in "done" (with a mark for each byte that begins a character), the
    // rest in "todo", kept back to front so that a replacement goes in front.
    ByteStack done, starts, todo;
    if (!todo.Reserve(size - 1) || !done.Reserve(size) || !starts.Reserve(size)) {
        Fail();
        return nullptr;
    }
    for (int i = size - 2; i >= 0; --i)
        todo.Push(text[i]);
    long long newCapacity = capacity;
    int floor = 0; // no match begins before it; a character begins at it
    // Moves a byte to the finished part and marks whether a character begins at it.
    auto keep = [&](char b) {
        const int at = done.Count();
        return done.Push(b) && starts.Push(!(at > floor && starts[at - 1] && CharBytes(done.Data() + at - 1) == 2));
    };
    while (todo.Count()) {
        const char b = todo.Pop();
        if (!keep(b)) {
            Fail();
            return nullptr;
        }
        const int from = done.Count() - findLen;
        if (from < floor || b != find[findLen - 1] || !starts[from] || memcmp(done.Data() + from, find, findLen) != 0)
            continue;
        // The text would pass the ceiling: leave it as it was.
        if (growth > 0 && newCapacity + growth > ceiling)
            return nullptr;
        newCapacity += growth;
        done.Drop(findLen);
        starts.Drop(findLen);
        if (goOn) {
            for (int i = 0; i < replLen; ++i) {
                if (!keep(repl[i])) {
                    Fail();
                    return nullptr;
                }
            }
            floor = done.Count();
            continue;
        }
        for (int i = replLen - 1; i >= 0; --i) {
            if (!todo.Push(repl[i])) {
                Fail();
                return nullptr;
            }
        }
    }
    char* block = static_cast<char*>(malloc(static_cast<size_t>(newCapacity)));
    if (!block) {
        Fail();
        return nullptr;
    }
    if (done.Count())
        memcpy(block, done.Data(), done.Count());
    block[done.Count()] = 0;
    free(text);
    text = block;
    capacity = static_cast<int>(newCapacity);
    size = done.Count() + 1;
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
    if (!text && !Resize(kFieldBytes))
        return 0;
    va_list probe;
    va_copy(probe, args);
    int needed = _vscprintf(fmt, probe);
    va_end(probe);
    if (needed < 0) {
        // Output that can never be produced (a conversion error), not a size problem.
        Reset(kFieldBytes);
        return 0;
    }
    // Grow in steps up to the ceiling, as a retry loop would, but with one allocation.
    if (needed > capacity - 1) {
        int steps = (needed - (capacity - 1) + kFormatStep - 1) / kFormatStep;
        if (capacity + static_cast<long long>(kFormatStep) * (steps - 1) >= kFormatCeiling) {
            Reset(kFieldBytes);
            return 0;
        }
        if (!Resize(capacity + kFormatStep * steps))
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
    const unsigned char b = static_cast<unsigned char>(p[0]);
    return b >= kFirstLeadByte && _ismbblead(b) && p[1] ? 2 : 1;
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

int TextBuf::FieldBytes(unsigned codePage)
{
    return codePage == CP_UTF8 ? kFieldRoom : kFieldBytes;
}

int TextBuf::FieldLength(const char* text, unsigned codePage)
{
    const int most = kFieldBytes - 1;
    if (codePage != CP_UTF8)
        return static_cast<int>(strnlen(text, most));
    int at = 0;
    for (int units = 0; text[at];) {
        const unsigned char b = static_cast<unsigned char>(text[at]);
        int bytes = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF8 ? 4 : 1;
        for (int k = 1; k < bytes; ++k) {
            // A read that ran out of room may end inside a character: that part goes.
            if (!text[at + k])
                return at;
            if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80)
                bytes = 1; // no character: Windows reads the byte as one replacement
        }
        // Four bytes are a surrogate pair, which is never split.
        units += bytes == 4 ? 2 : 1;
        if (units > most)
            break;
        at += bytes;
    }
    return at;
}

int TextBuf::RoundTrips(const wchar_t* wide, unsigned codePage)
{
    const int units = static_cast<int>(wcslen(wide));
    if (!units)
        return 1;
    // No code page takes more than four bytes for a unit.
    const int bytes = 4 * units + 1;
    char* narrow = static_cast<char*>(malloc(bytes));
    wchar_t* back = static_cast<wchar_t*>(malloc(units * sizeof(wchar_t)));
    int same = narrow && back && Narrow(wide, units, codePage, narrow, bytes, back);
    free(narrow);
    free(back);
    return same;
}

int TextBuf::Units(const char* text, unsigned codePage)
{
    return *text ? MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0) - 1 : 0;
}

int TextBuf::Narrow(const wchar_t* wide, int units, unsigned codePage, char* out, int outBytes, wchar_t* back)
{
    if (outBytes <= 0)
        return 0;
    out[0] = 0;
    if (!units)
        return 1;
    // UTF-8 takes no flags; it loses only what is no character, a lone surrogate.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int bytes = WideCharToMultiByte(codePage, flags, wide, units, out, outBytes - 1, nullptr, nullptr);
    if (bytes <= 0 || MultiByteToWideChar(codePage, 0, out, bytes, back, units) != units ||
        memcmp(back, wide, units * sizeof(wchar_t)) != 0) {
        out[0] = 0;
        return 0;
    }
    out[bytes] = 0;
    return 1;
}
