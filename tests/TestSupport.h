#pragma once
#include <string>
#include <windows.h>

// Helpers shared by the test programs. Paths are Windows paths.
namespace testsupport {

// The folder of the running test program, with a trailing backslash. The
// fake clients and drivers lie there; the programs one level up.
std::string TestDir();
std::string BuildDir();

// A fresh, empty folder below the test folder, with a trailing backslash.
std::string ScratchDir(const std::string& name);
void RemoveTree(const std::string& path);
void RemoveTree(const std::wstring& path);

std::string Utf8(const std::wstring& text);
// From the ANSI code page.
std::wstring Wide(const std::string& text);

std::string ReadWholeFile(const std::string& path);
std::string ReadWholeFile(const std::wstring& path);
void WriteWholeFile(const std::string& path, const std::string& text);
bool FileExists(const std::string& path);

// True for a 32-bit test program that the runner starts under qemu-i386
// emulation, where a few facilities fail (32-bit dbghelp, threads started at
// a bad address); false on Windows and for 64-bit programs.
bool UnderX86Emulation();
// The reason a test gives for skipping its minidump, stack line or list row
// checks there: 32-bit dbghelp cannot initialise symbols nor write a dump.
extern const char kEmulatedDbghelp[];

// The number of values of a key below HKEY_CURRENT_USER; -1 when it is missing.
int ValueCount(const char* key);

// Runs a command line and waits for its end; a program still running after
// the time-out is ended. Its exit code, or 0xDEAD when it cannot start.
DWORD RunAndWait(const std::string& commandLine, const std::string& workDir = "", DWORD timeoutMs = 120000);

// Copies the fake client (tests folder) into folder under the given name.
bool PlaceFakeClient(const std::string& folder, const char* name, const char* exitCode = nullptr);

// A registry key of the test's own below HKEY_CURRENT_USER\Software\QuillmoorTests,
// emptied on creation and removed on destruction.
class ScratchKey {
public:
    explicit ScratchKey(const std::string& name);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& Path() const { return path; }
    HKEY Handle() const { return key; }
    void SetRaw(const char* name, DWORD type, const void* data, DWORD bytes);

private:
    std::string path;
    HKEY key;
};

} // namespace testsupport
