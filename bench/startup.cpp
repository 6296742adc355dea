// Start-up and settings load: the time from process creation until the dialog
// is on screen and answering, for Quillmoor against a minimal dialog program,
// and for Quillmoor with growing history lists against its start without any.
#include "DialogProgram.h"
#include "Measure.h"
#include "SettingsBackup.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

const char kQuillmoorCaption[] = "Quillmoor [1.04]";
const char kBaselineCaption[] = "Bench Dialog";
const char* const kLists[] = { "Tags", "Locals", "Remotes", "Projects" };
const int kComboIds[] = { 1006, 1011, 1014, 1013 };

// What a failed run must undo before it ends.
DialogProgram* running = nullptr;
SettingsBackup* backupInUse = nullptr;

[[noreturn]] void Fail(const char* what)
{
    FailRun("startup", what, running, backupInUse);
}

struct Setup {
    std::string work;
    std::string quillmoor;
    std::string baseline;
};

Setup Prepare()
{
    std::string own = OwnFolder();
    std::string build = own.substr(0, own.find_last_of('\\', own.size() - 2) + 1);
    Setup s;
    std::string scratch = own + "scratch\\";
    CreateDirectoryA(scratch.c_str(), nullptr);
    s.work = scratch + "startup\\";
    CreateDirectoryA(s.work.c_str(), nullptr);
    s.quillmoor = s.work + "Quillmoor.exe";
    s.baseline = s.work + "bench_dialog.exe";
    if (!CopyFileA((build + "Quillmoor.exe").c_str(), s.quillmoor.c_str(), FALSE))
        Fail("Quillmoor.exe not found beside the bench folder");
    if (!CopyFileA((own + "bench_dialog.exe").c_str(), s.baseline.c_str(), FALSE))
        Fail("bench_dialog.exe not found");
    return s;
}

// One start: ready time in ms. The item counts of Quillmoor's lists are
// checked against what the registry holds, so a run that loaded nothing fails.
double StartOnce(const Setup& s, bool quillmoor, int entries)
{
    DialogProgram program;
    running = &program;
    if (!program.Start(quillmoor ? s.quillmoor : s.baseline, s.work, s.work + "out.txt"))
        Fail("cannot start the program");
    double ms = program.WaitReady(quillmoor ? kQuillmoorCaption : kBaselineCaption);
    if (ms < 0)
        Fail("no dialog came up");
    if (quillmoor) {
        for (int n = 0; n < 4; ++n) {
            LRESULT count = SendMessageA(program.Item(kComboIds[n]), CB_GETCOUNT, 0, 0);
            if (count != entries + (n == 0 ? 1 : 0))
                Fail("the history lists were not loaded in full");
        }
    }
    if (program.Close() != 0)
        Fail("the program did not end with 0");
    running = nullptr;
    return ms;
}

std::string EntryName(int list, int index)
{
    char text[128];
    switch (list) {
    case 0:
        snprintf(text, sizeof(text), "v1_%05d", index);
        break;
    case 1:
        snprintf(text, sizeof(text), "C:\\Work\\Projects\\module%05d", index);
        break;
    case 2:
        snprintf(text, sizeof(text), "\\\\fileserver\\repositories\\module%05d", index);
        break;
    default:
        snprintf(text, sizeof(text), "module%05d", index);
        break;
    }
    return text;
}

// Adds entries [from, to) to each list, written in a scrambled order as a
// user's history would grow.
void AddEntries(int from, int to)
{
    const int count = to - from;
    const int stride = 7919; // a prime above every count, so the walk visits each index once
    for (int n = 0; n < 4; ++n) {
        HKEY key;
        std::string path = std::string(SettingsBackup::kMain) + "\\" + kLists[n];
        if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            Fail("cannot create a history key");
        DWORD zero = 0;
        for (int k = 0; k < count; ++k) {
            std::string name = EntryName(n, from + int((long long)k * stride % count));
            RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), sizeof(zero));
        }
        RegCloseKey(key);
    }
}

// Renames the program's key away (hide) or back, so that a start sees no
// settings at all; RegRenameKey is bound at run time as older systems lack it.
// The one key is renamed rather than the four lists: Wine loses sibling keys
// after several renames under one parent.
bool HideSettings(bool hide)
{
    typedef LONG(WINAPI * RenameFn)(HKEY, LPCWSTR, LPCWSTR);
    static RenameFn rename = reinterpret_cast<RenameFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegRenameKey")));
    if (!rename)
        return false;
    HKEY root;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsBackup::kRoot, 0, KEY_ALL_ACCESS, &root) != ERROR_SUCCESS)
        return false;
    const wchar_t shown[] = L"Quillmoor", hidden[] = L"Quillmoor (bench hidden)";
    // A start without settings writes a new key when it closes.
    if (!hide)
        RegDeleteTreeW(root, shown);
    bool ok = rename(root, hide ? shown : hidden, hide ? hidden : shown) == ERROR_SUCCESS;
    RegCloseKey(root);
    return ok;
}

// The two halves of the load inside this process: walking the value names as
// the program does (names only, 260-byte buffer) and filling sorted combos.
struct Breakdown {
    double walk = 0;
    double insertEnumerated = 0;
    double insertScrambled = 0;
    double insertQuiet = 0;
    bool sortedEnumeration = true;
};

double Walk(std::vector<std::string>* names)
{
    double t0 = NowMs();
    for (int n = 0; n < 4; ++n) {
        HKEY key;
        std::string path = std::string(SettingsBackup::kMain) + "\\" + kLists[n];
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        for (DWORD i = 0;; ++i) {
            char name[MAX_PATH];
            DWORD length = sizeof(name);
            LONG r = RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (r == ERROR_MORE_DATA)
                continue;
            if (r != ERROR_SUCCESS)
                break;
            names[n].push_back(name);
        }
        RegCloseKey(key);
    }
    return NowMs() - t0;
}

double Insert(const std::vector<std::string>* names, bool redrawOff)
{
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND combos[4];
    for (int n = 0; n < 4; ++n)
        combos[n] = CreateWindowExA(0, "COMBOBOX", "",
                                    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN |
                                        CBS_AUTOHSCROLL | CBS_SORT,
                                    10, 10 + 30 * n, 300, 200, parent, nullptr, nullptr, nullptr);
    double t0 = NowMs();
    for (int n = 0; n < 4; ++n) {
        if (redrawOff)
            SendMessageA(combos[n], WM_SETREDRAW, FALSE, 0);
        for (const std::string& name : names[n]) {
            LRESULT index = SendMessageA(combos[n], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            SendMessageA(combos[n], CB_SETITEMDATA, index, 0);
        }
        if (redrawOff)
            SendMessageA(combos[n], WM_SETREDRAW, TRUE, 0);
    }
    double ms = NowMs() - t0;
    for (int n = 0; n < 4; ++n)
        if (SendMessageA(combos[n], CB_GETCOUNT, 0, 0) != LRESULT(names[n].size()))
            Fail("the in-process combo lost entries");
    DestroyWindow(parent);
    return ms;
}

Breakdown Measure(int reps)
{
    std::vector<double> walk, enumerated, quiet, scrambled;
    Breakdown b;
    for (int r = 0; r < reps; ++r) {
        std::vector<std::string> names[4];
        walk.push_back(Walk(names));
        for (auto& list : names)
            for (size_t i = 1; i < list.size(); ++i)
                if (lstrcmpiA(list[i - 1].c_str(), list[i].c_str()) > 0)
                    b.sortedEnumeration = false;
        enumerated.push_back(Insert(names, false));
        quiet.push_back(Insert(names, true));
        for (auto& list : names) {
            // The same scrambled order in every repetition.
            unsigned seed = 12345;
            for (size_t i = list.size(); i > 1; --i) {
                seed = seed * 1103515245u + 12345u;
                std::swap(list[i - 1], list[(seed >> 8) % i]);
            }
        }
        scrambled.push_back(Insert(names, false));
    }
    b.walk = Median(walk);
    b.insertEnumerated = Median(enumerated);
    b.insertScrambled = Median(scrambled);
    b.insertQuiet = Median(quiet);
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    const int reps = argc > 1 ? atoi(argv[1]) : 9;
    // A second argument "-v" prints every timed start.
    const bool verbose = argc > 2 && strcmp(argv[2], "-v") == 0;
    const int levels[] = { 100, 1000, 10000 };
    const int levelReps[] = { reps > 7 ? 7 : reps, reps > 7 ? 7 : reps, reps > 3 ? 3 : reps };

    Setup s = Prepare();
    SettingsBackup backup;
    if (!backup.Saved())
        Fail("cannot save HKCU\\Software\\Harrowby; nothing measured");
    backupInUse = &backup;
    SettingsBackup::Clear();

    // First starts load the programs into the caches; they are not counted.
    StartOnce(s, false, 0);
    StartOnce(s, true, 0);
    SettingsBackup::Clear();

    std::vector<double> baseline, quillmoor;
    for (int r = 0; r < reps; ++r) {
        baseline.push_back(StartOnce(s, false, 0));
        // Closing writes the fields: every start begins without settings.
        SettingsBackup::Clear();
        quillmoor.push_back(StartOnce(s, true, 0));
        SettingsBackup::Clear();
        if (verbose)
            printf("    pair %d: %.1f ms, %.1f ms\n", r + 1, baseline.back(), quillmoor.back());
    }
    const double base = Median(baseline), empty = Median(quillmoor);
    printf("start-up to a ready dialog, no settings (median of %d, quartiles in brackets)\n", reps);
    printf("  %-34s %9.1f ms  (%.0f-%.0f)\n", "baseline: minimal dialog program", base, Quantile(baseline, 0.25),
           Quantile(baseline, 0.75));
    printf("  %-34s %9.1f ms  (%.0f-%.0f)   ratio %5.2f x   %+7.1f ms\n", "Quillmoor", empty,
           Quantile(quillmoor, 0.25), Quantile(quillmoor, 0.75), empty / base, empty - base);
    fflush(stdout);

    // With the settings renamed away between the starts, every start with N
    // entries has a start without them next to it, under the same load.
    AddEntries(0, levels[0]);
    const bool paired = HideSettings(true) && HideSettings(false);
    printf("settings load: start-up with N entries in each of the 4 history lists\n");
    printf("  baseline: Quillmoor with 0 entries, %s\n",
           paired ? "started in turn with each start with N entries" : "the start-up figure above");
    printf("  %-7s %-5s %12s %12s %8s %11s %16s %11s\n", "N", "runs", "0 entries", "N entries", "ratio", "added",
           "(quartiles)", "per entry");
    fflush(stdout);
    std::vector<Breakdown> parts;
    int have = levels[0];
    for (int i = 0; i < 3; ++i) {
        AddEntries(have, levels[i]);
        have = levels[i];
        std::vector<double> none, full, added;
        for (int r = 0; r < levelReps[i]; ++r) {
            if (paired) {
                HideSettings(true);
                none.push_back(StartOnce(s, true, 0));
                HideSettings(false);
            }
            SettingsBackup::ClearFields();
            full.push_back(StartOnce(s, true, have));
            added.push_back(full.back() - (paired ? none.back() : empty));
            if (verbose)
                printf("    pair %d: %.1f ms, %.1f ms\n", r + 1, paired ? none.back() : empty, full.back());
        }
        SettingsBackup::ClearFields();
        const double t0 = paired ? Median(none) : empty, t = Median(full), a = Median(added);
        char spread[32];
        snprintf(spread, sizeof(spread), "(%+.0f %+.0f)", Quantile(added, 0.25), Quantile(added, 0.75));
        printf("  %-7d %-5d %9.1f ms %9.1f ms %6.2f x %+8.1f ms %16s %8.1f us\n", have, levelReps[i], t0, t, t / t0,
               a, spread, a * 1000.0 / (4.0 * have));
        fflush(stdout);
        parts.push_back(Measure(levelReps[i]));
    }
    printf("  (added: median of the differences of the paired starts; per entry: added / (4 x N))\n");

    printf("settings load inside one process (the bench's), 4 lists of N entries, sorted combo boxes\n");
    printf("  %-8s %14s %16s %16s %16s\n", "N", "registry walk", "insert in", "insert in", "registry order,");
    printf("  %-8s %14s %16s %16s %16s\n", "", "", "registry order", "scrambled order", "redraw off");
    for (int i = 0; i < 3; ++i) {
        const Breakdown& b = parts[i];
        printf("  %-8d %11.1f ms %13.1f ms %13.1f ms %13.1f ms\n", levels[i], b.walk, b.insertEnumerated,
               b.insertScrambled, b.insertQuiet);
    }
    const Breakdown& last = parts.back();
    printf("  per entry at %d: walk %.1f us, insert %.1f us (%.1f us with redraw off)\n", levels[2],
           last.walk * 1000.0 / (4.0 * levels[2]), last.insertEnumerated * 1000.0 / (4.0 * levels[2]),
           last.insertQuiet * 1000.0 / (4.0 * levels[2]));
    printf("  registry walk returns names in sorted order: %s\n", parts.back().sortedEnumeration ? "yes" : "no");
    fflush(stdout);

    backup.Restore();
    return 0;
}
