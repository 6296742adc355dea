#pragma once
#include "sys/DynamicLibrary.h"
#include "ui/TextBuf.h"
#include <windows.h>
#include <dbghelp.h>

// dbghelp.dll, bound by name only while a crash report is written: symbols,
// the walk of the faulting thread's stack and the minidump entry.
class StackWalker {
public:
    static const int kNameBytes = 260;
    static const int kFrameLineBytes = 500;
    // Deeper stacks are cut: more frames than any real program has.
    static const int kMaxFrames = 4096;

    typedef BOOL(WINAPI* MiniDumpWriteDumpFn)(HANDLE process, DWORD processId, HANDLE file, MINIDUMP_TYPE type,
                                              PMINIDUMP_EXCEPTION_INFORMATION exception,
                                              PMINIDUMP_USER_STREAM_INFORMATION userStreams,
                                              PMINIDUMP_CALLBACK_INFORMATION callback);

    // The name must outlive the object; tests name a missing library to take dbghelp away.
    explicit StackWalker(const char* libraryName = "dbghelp.dll");
    StackWalker(const StackWalker&) = delete;
    StackWalker& operator=(const StackWalker&) = delete;

    void SetLibraryName(const char* name) { libraryName = name; }
    const char* LibraryName() const { return libraryName; }

    // 1 when the library, all ten entries and the symbol handler are ready;
    // on 0 nothing stays loaded.
    int Bind();
    void Unbind();
    int Bound() const { return library.Handle() != nullptr; }

    // One line per frame into file; nothing while unbound.
    void WalkStack(const CONTEXT* context, HANDLE file);

    // nameOut and textOut hold kNameBytes; longer texts are cut. Untouched on failure.
    int LookupModule(DWORD64 address, char* nameOut);
    int LookupSymbol(DWORD64 address, char* textOut);
    int LookupLine(DWORD64 address, IMAGEHLP_LINE64* lineOut);

    // Null while unbound.
    MiniDumpWriteDumpFn MiniDumpWriter() const { return miniDumpWriteDump; }

    // The program's folder with its backslash, then the values of
    // _NT_SYMBOL_PATH, _NT_ALTERNATE_SYMBOL_PATH and SYSTEMROOT, joined by ";".
    static int BuildSearchPath(TextBuf& path);

    // A report line in a buffer of bytes: a line that does not fit is cut and
    // still ends in CR LF. Returns the length, without a terminating zero.
    static int FormatLine(char* line, int bytes, const char* format, ...) __attribute__((format(ms_printf, 3, 4)));
    static int VFormatLine(char* line, int bytes, const char* format, va_list args);

    // Copies at most bytes - 1 bytes of from, never half a double-byte character.
    static void CopyCut(char* to, int bytes, const char* from);

private:
    typedef BOOL(WINAPI* SymInitializeFn)(HANDLE, PCSTR, BOOL);
    typedef DWORD(WINAPI* SymSetOptionsFn)(DWORD);
    typedef BOOL(WINAPI* SymGetSymFromAddr64Fn)(HANDLE, DWORD64, PDWORD64, PIMAGEHLP_SYMBOL64);
    typedef BOOL(WINAPI* SymFromAddrFn)(HANDLE, DWORD64, PDWORD64, PSYMBOL_INFO);
    typedef BOOL(WINAPI* SymGetModuleInfo64Fn)(HANDLE, DWORD64, PIMAGEHLP_MODULE64);
    typedef BOOL(WINAPI* StackWalk64Fn)(DWORD, HANDLE, HANDLE, LPSTACKFRAME64, PVOID, PREAD_PROCESS_MEMORY_ROUTINE64,
                                        PFUNCTION_TABLE_ACCESS_ROUTINE64, PGET_MODULE_BASE_ROUTINE64,
                                        PTRANSLATE_ADDRESS_ROUTINE64);
    typedef BOOL(WINAPI* SymGetLineFromAddr64Fn)(HANDLE, DWORD64, PDWORD, PIMAGEHLP_LINE64);

    void Forget();

    const char* libraryName;
    DynamicLibrary library;
    MiniDumpWriteDumpFn miniDumpWriteDump;
    SymInitializeFn symInitialize;
    SymSetOptionsFn symSetOptions;
    SymGetSymFromAddr64Fn symGetSymFromAddr64;
    SymFromAddrFn symFromAddr;
    SymGetModuleInfo64Fn symGetModuleInfo64;
    StackWalk64Fn stackWalk64;
    PFUNCTION_TABLE_ACCESS_ROUTINE64 symFunctionTableAccess64;
    PGET_MODULE_BASE_ROUTINE64 symGetModuleBase64;
    SymGetLineFromAddr64Fn symGetLineFromAddr64;
};
