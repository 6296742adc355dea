// Per-operation overhead: a Commit (SVN) pressed in Quillmoor around a client
// that ends at once, against the bench starting that client itself with the
// same line, folder and environment (ShellExecuteExA and a wait).
#include "DialogProgram.h"
#include "Measure.h"
#include "SettingsBackup.h"

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

const int kCommit = 1003;
const int kLocal = 1011;
const int kProject = 1013;
const int kRemote = 1014;
const int kSvn = 1017;

// What a failed run must undo before it ends.
DialogProgram* running = nullptr;
SettingsBackup* backupInUse = nullptr;

[[noreturn]] void Fail(const char* what)
{
    FailRun("operation", what, running, backupInUse);
}

std::string ReadWholeFile(const std::string& path)
{
    std::string text;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
            text.append(buffer, n);
        fclose(f);
    }
    return text;
}

size_t Count(const std::string& text, const char* what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The value of "name=" in the last record of the fake client's log.
std::string LastField(const std::string& log, const char* name)
{
    const std::string lines = "\n" + log;
    size_t at = lines.rfind(std::string("\n") + name + "=");
    if (at == std::string::npos)
        return std::string();
    at += strlen(name) + 2;
    return lines.substr(at, lines.find("\r\n", at) - at);
}

bool SetText(HWND window, const char* text)
{
    DWORD_PTR ignored;
    return SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000,
                               &ignored) != 0;
}

double Press(HWND dialog, int id)
{
    DWORD_PTR ignored;
    double t0 = NowMs();
    if (!SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)), SMTO_NORMAL, 60000, &ignored))
        Fail("the press did not come back");
    return NowMs() - t0;
}

double RoundTrip(HWND dialog)
{
    DWORD_PTR ignored;
    double t0 = NowMs();
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    return NowMs() - t0;
}

// Started as the program starts its clients.
double RunDirect(const std::string& exe, const std::string& parameters, const std::string& folder)
{
    double t0 = NowMs();
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NO_CONSOLE | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = exe.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOW;
    if (!ShellExecuteExA(&info) || !info.hProcess)
        Fail("cannot start the client directly");
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    if (code != 0)
        Fail("the client ended with an error");
    return NowMs() - t0;
}

} // namespace

int main(int argc, char** argv)
{
    const int reps = argc > 1 ? atoi(argv[1]) : 51;
    std::string own = OwnFolder();
    std::string build = own.substr(0, own.find_last_of('\\', own.size() - 2) + 1);
    std::string scratch = own + "scratch\\";
    CreateDirectoryA(scratch.c_str(), nullptr);
    std::string work = scratch + "operation\\";
    CreateDirectoryA(work.c_str(), nullptr);
    std::string bin = work + "bin\\";
    CreateDirectoryA(bin.c_str(), nullptr);
    std::string local = work + "proj";
    CreateDirectoryA(local.c_str(), nullptr);
    if (!CopyFileA((build + "Quillmoor.exe").c_str(), (bin + "Quillmoor.exe").c_str(), FALSE))
        Fail("Quillmoor.exe not found beside the bench folder");
    if (!CopyFileA((own + "bench_client.exe").c_str(), (bin + "svn.exe").c_str(), FALSE))
        Fail("bench_client.exe not found");
    DeleteFileA((bin + "svn.exe.log").c_str());
    DeleteFileA((bin + "svn.log").c_str());
    DeleteFileA((bin + "svn.exit").c_str());

    SettingsBackup backup;
    if (!backup.Saved())
        Fail("cannot save HKCU\\Software\\Harrowby; nothing measured");
    backupInUse = &backup;
    SettingsBackup::Clear();

    DialogProgram program;
    running = &program;
    if (!program.Start(bin + "Quillmoor.exe", work, work + "out.txt") || program.WaitReady("Quillmoor [1.04]") < 0)
        Fail("Quillmoor did not come up");
    HWND dialog = program.Dialog();
    SetText(program.Item(kLocal), local.c_str());
    SetText(program.Item(kProject), "proj");
    SetText(program.Item(kRemote), "C:\\Repositories\\main");
    DWORD_PTR ignored;
    SendMessageTimeoutA(program.Item(kSvn), BM_CLICK, 0, 0, SMTO_NORMAL, 10000, &ignored);
    if (SendMessageA(program.Item(kSvn), BM_GETCHECK, 0, 0) != BST_CHECKED)
        Fail("SVN could not be checked");

    // The first press tells the line and folder the client gets; the direct
    // runs repeat exactly those, with the same ignore list in the environment.
    Press(dialog, kCommit);
    std::string log = ReadWholeFile(bin + "svn.log");
    std::string parameters = LastField(log, "params");
    std::string folder = LastField(log, "cwd");
    std::string ignore = LastField(log, "CVSIGNORE");
    if (parameters.empty() || folder.empty())
        Fail("the client recorded no run");
    SetEnvironmentVariableA("CVSIGNORE", ignore.c_str());
    // The client writes into the standard output of whoever started it: into
    // a file for both, as Quillmoor's goes into its out.txt.
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), nullptr, TRUE };
    HANDLE directOut = CreateFileA((work + "direct.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE ownOut = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, directOut);
    RunDirect(bin + "svn.exe", parameters, folder);

    std::vector<double> pressed, direct, trip;
    for (int r = 0; r < reps; ++r) {
        pressed.push_back(Press(dialog, kCommit));
        direct.push_back(RunDirect(bin + "svn.exe", parameters, folder));
        trip.push_back(RoundTrip(dialog));
    }
    SetStdHandle(STD_OUTPUT_HANDLE, ownOut);
    CloseHandle(directOut);
    if (program.Close() != 0)
        Fail("Quillmoor did not end with 0");
    running = nullptr;
    backup.Restore();

    log = ReadWholeFile(bin + "svn.log");
    std::string out = ReadWholeFile(work + "out.txt");
    const size_t runs = size_t(reps) * 2 + 2;
    const std::string record = "params=" + parameters + "\r\n";
    if (Count(log, record.c_str()) != runs)
        Fail("the client did not record every run with the same line");
    if (Count(out, "Quillmoor: Source commited.") != size_t(reps) + 1)
        Fail("Quillmoor did not report every commit");

    // Presses and direct runs alternate, so each pair saw the same load on the
    // machine; the median of the pair differences is the steadier overhead figure.
    std::vector<double> differences;
    for (int r = 0; r < reps; ++r)
        differences.push_back(pressed[r] - direct[r]);
    const double p = Median(pressed), d = Median(direct), t = Median(trip);
    printf("per-operation overhead: Commit (SVN) around a client that ends at once (median of %d)\n", reps);
    printf("  client line: svn.exe %s\n", parameters.c_str());
    printf("  %-34s %9.2f ms\n", "baseline: client started directly", d);
    printf("  %-34s %9.2f ms   ratio %6.2f x   %+8.2f ms per operation\n", "button press in Quillmoor", p, p / d,
           p - d);
    printf("  %-34s %+9.2f ms   (quartiles %+.2f to %+.2f ms)\n", "overhead, median of pair differences",
           Median(differences), Quantile(differences, 0.25), Quantile(differences, 0.75));
    printf("  %-34s %9.2f ms   (message delivery, part of the press)\n", "of which WM_NULL round trip", t);
    fflush(stdout);
    return 0;
}
