#pragma once
#include <stdarg.h>
#include <wchar.h>

// The bytes of one text of the program's fields, of its registry strings and
// of the Windows calls that fill them: 259 characters and the terminator.
constexpr int kFieldBytes = 260;
// Room for such a text in any code page: under UTF-8 the 259 characters are
// UTF-16 units, as Windows counts a path, and each takes up to 3 bytes.
constexpr int kFieldRoom = 3 * kFieldBytes;

// The growable 8-bit text of the whole program, in the ANSI code page.
// The default capacity of kFieldBytes lets Windows calls fill the buffer
// directly; call UpdateLength afterwards. Searches and case-less comparisons
// follow the process's multibyte code page (lead and trail bytes, as the
// runtime's lead-byte table and case mapping give them); a lead byte right
// before the terminator counts as one character, so no search reads past it.
// An allocation failure leaves the failed state: no block, capacity and size 0.
class TextBuf {
public:
    // Format and Replace never grow a text past it.
    static const int kFormatCeiling = 3 * 1024 * 1024;

    TextBuf();
    explicit TextBuf(int capacity);
    ~TextBuf();
    TextBuf(const TextBuf&) = delete;
    TextBuf& operator=(const TextBuf&) = delete;

    int Resize(int n);
    void Reset(int n);

    int Assign(const char* s, int n);
    int Assign(const char* s);
    int Assign(const wchar_t* w);
    TextBuf& operator=(const char* s) { Assign(s); return *this; }
    TextBuf& operator=(const wchar_t* w) { Assign(w); return *this; }

    int AppendChar(char ch);
    int Append(const char* s);
    int Append(const TextBuf& other) { return Append(other.text); }
    TextBuf& operator+=(const char* s) { Append(s); return *this; }
    TextBuf& operator+=(const TextBuf& other) { Append(other); return *this; }

    // Null on allocation failure.
    char* Insert(int pos, const char* s);
    char* Truncate(int pos);
    void ReplaceChar(unsigned char from, unsigned char to);
    // Every occurrence of find, also one that a replacement forms with the
    // text around it; a null repl deletes. Null on allocation failure, and
    // when the capacity would grow past ceiling (the text is then kept).
    char* Replace(const char* find, const char* repl, int ceiling = kFormatCeiling);
    char* EnsureTrailingBackslash();
    void UpdateLength();

    int Compare(const char* s) const;
    int CompareNoCase(const char* s) const;
    int Find(const char* s) const;
    char* FindPtr(const char* s) const;
    char* FindNoCase(const char* s) const;
    int FindChar(unsigned char ch, int start = 0) const;
    int FindCharNoCase(unsigned char ch) const;

    // copyTo, when given, receives the text and its NUL; the caller provides the room.
    char* CStr(char* copyTo = nullptr) const;
    char* Data() const { return text; }
    int Length() const { return size > 0 ? size - 1 : 0; }
    int MaxLength() const { return capacity > 0 ? capacity - 1 : 0; }
    int Capacity() const { return capacity; }
    int Size() const { return size; }

    int Format(const char* fmt, ...);
    int VFormat(const char* fmt, va_list args);

    // Just after the last "\" or "/" that has a character after it; path itself without one.
    static const char* FileNamePart(const char* path);
    // Bytes of the character at p: 2 for a lead byte with its trail byte, else 1.
    static int CharBytes(const char* p);
    // Whether the last character of text is a backslash (not a trail byte 0x5C).
    static bool EndsWithBackslash(const char* text);
    // The last single-byte character ch of text, or null.
    static const char* LastChar(const char* text, unsigned char ch);

    // The bytes a Windows call may fill for one field in the code page, the
    // terminator included: kFieldRoom under UTF-8, else kFieldBytes.
    static int FieldBytes(unsigned codePage);
    // The bytes of text that a field keeps: under UTF-8 at most 259 UTF-16
    // units, never part of a character; else at most 259 bytes.
    static int FieldLength(const char* text, unsigned codePage);
    // Whether wide text survives the code page and the way back unchanged:
    // no character is lost or replaced by a look-alike.
    static int RoundTrips(const wchar_t* wide, unsigned codePage);
    // The UTF-16 units that Windows makes of text in the code page (0: the
    // ANSI one), as it counts a command line or a path.
    static int Units(const char* text, unsigned codePage);
    // The same check on units of wide, which also lands in out (outBytes, the
    // terminator included) in the code page; back is room for units wide
    // characters. Takes no memory of its own. 1 when the text fits whole and
    // survives; else 0 and out holds the empty text.
    static int Narrow(const wchar_t* wide, int units, unsigned codePage, char* out, int outBytes, wchar_t* back);

private:
    void Fail();
    int EnsureBlock();

    char* text;
    int capacity;
    int size;
};
