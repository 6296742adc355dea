#include "crash/StackWalker.h"

#include "ui/FileUtil.h"
#include <stddef.h>
#include <stdio.h>
#include <string.h>

namespace {

const DWORD kSymOptLoadLines = 0x10;
const DWORD kModuleInfoBytes = 1664;
const DWORD kSymbolInfoBytes = 88;
const DWORD kSymbolInfoNameLength = 412;
const DWORD kSymbol64Bytes = 24;
const DWORD kSymbol64NameLength = 476;
// The 64-bit symbol's name begins at offset 28, so 476 bytes of it end at 504:
// the buffer is larger than the 500 bytes the structures are told about.
const int kSymbolBufferBytes = 512;

static_assert(sizeof(IMAGEHLP_MODULE64) >= kModuleInfoBytes, "module info too small");
static_assert(offsetof(SYMBOL_INFO, Name) + kSymbolInfoNameLength <= kSymbolBufferBytes, "symbol buffer");
static_assert(offsetof(IMAGEHLP_SYMBOL64, Name) + kSymbol64NameLength < kSymbolBufferBytes, "symbol buffer");

#ifdef _WIN64
// Wide enough for any address of the process.
const char kBareAddressFormat[] = "0x%016I64X";
DWORD64 Parameter(DWORD64 value) { return value; }
#else
const char kBareAddressFormat[] = "0x%08I64X";
DWORD64 Parameter(DWORD64 value) { return static_cast<DWORD>(value); }
#endif

} // namespace

StackWalker::StackWalker(const char* name) : libraryName(name)
{
    Forget();
}

void StackWalker::Forget()
{
    miniDumpWriteDump = nullptr;
    symInitialize = nullptr;
    symSetOptions = nullptr;
    symGetSymFromAddr64 = nullptr;
    symFromAddr = nullptr;
    symGetModuleInfo64 = nullptr;
    stackWalk64 = nullptr;
    symFunctionTableAccess64 = nullptr;
    symGetModuleBase64 = nullptr;
    symGetLineFromAddr64 = nullptr;
}

int StackWalker::Bind()
{
    Forget();
    if (!library.Load(libraryName))
        return 0;
    miniDumpWriteDump = library.Resolve<MiniDumpWriteDumpFn>("MiniDumpWriteDump");
    symInitialize = library.Resolve<SymInitializeFn>("SymInitialize");
    symSetOptions = library.Resolve<SymSetOptionsFn>("SymSetOptions");
    symGetSymFromAddr64 = library.Resolve<SymGetSymFromAddr64Fn>("SymGetSymFromAddr64");
    symFromAddr = library.Resolve<SymFromAddrFn>("SymFromAddr");
    symGetModuleInfo64 = library.Resolve<SymGetModuleInfo64Fn>("SymGetModuleInfo64");
    stackWalk64 = library.Resolve<StackWalk64Fn>("StackWalk64");
    symFunctionTableAccess64 = library.Resolve<PFUNCTION_TABLE_ACCESS_ROUTINE64>("SymFunctionTableAccess64");
    symGetModuleBase64 = library.Resolve<PGET_MODULE_BASE_ROUTINE64>("SymGetModuleBase64");
    symGetLineFromAddr64 = library.Resolve<SymGetLineFromAddr64Fn>("SymGetLineFromAddr64");
    if (!miniDumpWriteDump || !symInitialize || !symSetOptions || !symGetSymFromAddr64 || !symFromAddr ||
        !symGetModuleInfo64 || !stackWalk64 || !symFunctionTableAccess64 || !symGetModuleBase64 ||
        !symGetLineFromAddr64) {
        Unbind();
        return 0;
    }
    symSetOptions(kSymOptLoadLines);
    TextBuf path(512);
    BuildSearchPath(path);
    if (!symInitialize(GetCurrentProcess(), path.Data() ? path.Data() : "", TRUE)) {
        Unbind();
        return 0;
    }
    return 1;
}

void StackWalker::Unbind()
{
    library.Free();
    Forget();
}

int StackWalker::BuildSearchPath(TextBuf& path)
{
    path.Assign("");
    char buffer[kFieldRoom];
    // A path not read whole would name a folder that does not exist.
    if (FileUtil::ModuleDirectory(nullptr, buffer) && buffer[0]) {
        path.Append(buffer);
        path.Append(";");
    }
    static const char* const kVariables[] = {"_NT_SYMBOL_PATH", "_NT_ALTERNATE_SYMBOL_PATH", "SYSTEMROOT"};
    for (const char* name : kVariables) {
        DWORD needed = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
        if (needed == 0)
            continue;
        if (needed < sizeof(buffer)) {
            path.Append(buffer);
        } else {
            // Symbol paths often list many folders: a long value is read whole, not dropped.
            TextBuf value(static_cast<int>(needed));
            DWORD got = GetEnvironmentVariableA(name, value.Data(), needed);
            if (!value.Data() || got == 0 || got >= needed)
                continue;
            value.UpdateLength();
            path.Append(value);
        }
        path.Append(";");
    }
    if (path.Length() > 0)
        path.Truncate(path.Length() - 1);
    return path.Data() != nullptr;
}

void StackWalker::WalkStack(const CONTEXT* context, HANDLE file)
{
    if (!Bound() || !context)
        return;
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    STACKFRAME64 frame;
    memset(&frame, 0, sizeof(frame));
#ifdef _WIN64
    const DWORD machine = IMAGE_FILE_MACHINE_AMD64;
    // The x64 unwinder works from the registers and changes them as it goes.
    CONTEXT registers = *context;
    void* contextRecord = &registers;
    frame.AddrPC.Offset = registers.Rip;
    frame.AddrFrame.Offset = registers.Rbp;
    frame.AddrStack.Offset = registers.Rsp;
    frame.AddrStack.Mode = AddrModeFlat;
#else
    const DWORD machine = IMAGE_FILE_MACHINE_I386;
    void* contextRecord = nullptr;
    frame.AddrPC.Offset = context->Eip;
    frame.AddrFrame.Offset = context->Ebp;
#endif
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrFrame.Mode = AddrModeFlat;
    HANDLE process = GetCurrentProcess();
    DWORD64 previousPc = 0;
    // A frame chain can loop without repeating one address.
    for (int frames = 0; frames < kMaxFrames; ++frames) {
        if (!stackWalk64(machine, process, nullptr, &frame, contextRecord, nullptr, symFunctionTableAccess64,
                         symGetModuleBase64, nullptr))
            break;
        DWORD64 pc = frame.AddrPC.Offset;
        if (pc == previousPc)
            break;
        previousPc = pc;
        char module[kNameBytes];
        if (!LookupModule(pc, module))
            module[0] = 0;
        char symbol[kNameBytes];
        if (!LookupSymbol(pc, symbol))
            _snprintf(symbol, sizeof(symbol), kBareAddressFormat, pc);
        IMAGEHLP_LINE64 line;
        memset(&line, 0, sizeof(line));
        int hasLine = LookupLine(pc, &line);
        // The shared user page of the system is walked over but not listed.
        if ((pc >> 16) != 0x7FFE) {
            DWORD64 p0 = Parameter(frame.Params[0]);
            DWORD64 p1 = Parameter(frame.Params[1]);
            DWORD64 p2 = Parameter(frame.Params[2]);
            DWORD64 p3 = Parameter(frame.Params[3]);
            const char* fileName = line.FileName ? line.FileName : "";
            char text[kFrameLineBytes];
            int length;
            if (hasLine && module[0])
                length = FormatLine(text, sizeof(text), "%s:%s(0x%I64X,0x%I64X,0x%I64X,0x%I64X) - Line %u in %s\r\n",
                                    module, symbol, p0, p1, p2, p3, static_cast<unsigned>(line.LineNumber),
                                    fileName);
            else if (hasLine)
                length = FormatLine(text, sizeof(text), "%s(0x%I64X,0x%I64X,0x%I64X,0x%I64X) - Line %u in %s\r\n",
                                    symbol, p0, p1, p2, p3, static_cast<unsigned>(line.LineNumber), fileName);
            else if (module[0])
                length = FormatLine(text, sizeof(text), "%s:%s(0x%I64X,0x%I64X,0x%I64X,0x%I64X)\r\n", module, symbol,
                                    p0, p1, p2, p3);
            else
                length = FormatLine(text, sizeof(text), "%s(0x%I64X,0x%I64X,0x%I64X,0x%I64X)\r\n", symbol, p0, p1,
                                    p2, p3);
            DWORD written;
            WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
        }
        if (frame.AddrReturn.Offset == 0)
            break;
    }
    SetErrorMode(previousMode);
}

int StackWalker::LookupModule(DWORD64 address, char* nameOut)
{
    if (!Bound())
        return 0;
    IMAGEHLP_MODULE64 info;
    memset(&info, 0, sizeof(info));
    info.SizeOfStruct = kModuleInfoBytes;
    if (symGetModuleInfo64(GetCurrentProcess(), address, &info) != 1)
        return 0;
    char name[sizeof(info.ModuleName) + 1];
    memcpy(name, info.ModuleName, sizeof(info.ModuleName));
    name[sizeof(info.ModuleName)] = 0;
    CopyCut(nameOut, kNameBytes, name);
    return 1;
}

int StackWalker::LookupSymbol(DWORD64 address, char* textOut)
{
    if (!Bound())
        return 0;
    HANDLE process = GetCurrentProcess();
    alignas(8) unsigned char buffer[kSymbolBufferBytes];
    memset(buffer, 0, sizeof(buffer));
    SYMBOL_INFO* info = reinterpret_cast<SYMBOL_INFO*>(buffer);
    info->SizeOfStruct = kSymbolInfoBytes;
    info->MaxNameLen = kSymbolInfoNameLength;
    // The zeroed tail of the buffer terminates a name that fills its room.
    if (symFromAddr(process, address, nullptr, info)) {
        CopyCut(textOut, kNameBytes, info->Name);
        return 1;
    }
    memset(buffer, 0, sizeof(buffer));
    IMAGEHLP_SYMBOL64* symbol = reinterpret_cast<IMAGEHLP_SYMBOL64*>(buffer);
    symbol->SizeOfStruct = kSymbol64Bytes;
    symbol->MaxNameLength = kSymbol64NameLength;
    if (symGetSymFromAddr64(process, address, nullptr, symbol)) {
        CopyCut(textOut, kNameBytes, symbol->Name);
        return 1;
    }
    char module[kNameBytes];
    if (!LookupModule(address, module))
        return 0;
    // Inside a known module without a symbol: the line shows the module, then the address.
    _snprintf(textOut, kNameBytes, "0x%I64X", address);
    textOut[kNameBytes - 1] = 0;
    return 1;
}

int StackWalker::LookupLine(DWORD64 address, IMAGEHLP_LINE64* lineOut)
{
    if (!Bound())
        return 0;
    lineOut->SizeOfStruct = sizeof(IMAGEHLP_LINE64);
    DWORD displacement = 0;
    return symGetLineFromAddr64(GetCurrentProcess(), address, &displacement, lineOut) ? 1 : 0;
}

int StackWalker::FormatLine(char* line, int bytes, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int length = VFormatLine(line, bytes, format, args);
    va_end(args);
    return length;
}

int StackWalker::VFormatLine(char* line, int bytes, const char* format, va_list args)
{
    int length = _vsnprintf(line, bytes, format, args);
    if (length < 0 || length >= bytes) {
        // Cut: the report stays one line per entry, and no double-byte
        // character loses its trail byte to the line end.
        length = 0;
        for (int step; length < bytes - 3; length += step) {
            step = IsDBCSLeadByte(static_cast<BYTE>(line[length])) ? 2 : 1;
            if (length + step > bytes - 3)
                break;
        }
        line[length++] = '\r';
        line[length++] = '\n';
    }
    line[length] = 0;
    return length;
}

void StackWalker::CopyCut(char* to, int bytes, const char* from)
{
    int i = 0;
    while (from[i]) {
        int step = IsDBCSLeadByte(static_cast<BYTE>(from[i])) && from[i + 1] ? 2 : 1;
        if (i + step > bytes - 1)
            break;
        memcpy(to + i, from + i, step);
        i += step;
    }
    to[i] = 0;
}
