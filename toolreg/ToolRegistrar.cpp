#include "toolreg/ToolRegistrar.h"

#include "sys/NamedMutex.h"
#include "ui/TextBuf.h"
#include <string.h>

const char ToolRegistrar::kToolsKey[] = "Software\\Microsoft\\DevStudio\\6.0\\Tools";
const char ToolRegistrar::kListMutex[] = "Local\\Harrowby.Tackhouse.ToolList";

namespace {

const char kInstallSwitch[] = "ToolInstall";
const char kDeinstallSwitch[] = "ToolDeinstall";
const int kInstallLength = sizeof(kInstallSwitch) - 1;
const int kDeinstallLength = sizeof(kDeinstallSwitch) - 1;
// An install takes milliseconds; one that holds the list longer is stuck.
const DWORD kListWaitMs = 10000;

void SetEntryDword(RegistryKey& key, const char* nameTemplate, DWORD index, DWORD value)
{
    TextBuf name;
    if (name.Format(nameTemplate, static_cast<unsigned>(index)))
        key.SetDword(name.Data(), value);
}

void SetEntryString(RegistryKey& key, const char* nameTemplate, DWORD index, const char* text)
{
    TextBuf name;
    if (name.Format(nameTemplate, static_cast<unsigned>(index)))
        key.SetString(name.Data(), text);
}

} // namespace

ToolRegistrar::ToolRegistrar(RegistryKey& toolKey, MessageBoxFn box) : key(toolKey), messageBox(box) {}

ToolRegistrar::Action ToolRegistrar::Parse(const char* commandLine, const char** pathOut)
{
    // The program's own path may hold slashes (C:/Tools/Tackhouse.exe): it
    // ends, as the runtime splits it off, at its closing quote or its first blank.
    const char* afterProgram = commandLine;
    if (*afterProgram == '"') {
        const char* close = strchr(afterProgram + 1, '"');
        afterProgram = close ? close + 1 : afterProgram + strlen(afterProgram);
    } else {
        afterProgram += strcspn(afterProgram, " \t");
    }
    const char* slash = strchr(afterProgram, '/');
    if (!slash)
        return kNothing;
    const char* word = slash + 1;
    if (strncmp(word, kInstallSwitch, kInstallLength) == 0) {
        // The path begins after one separating character. Without one, or
        // with nothing after it, there is no path and nothing to install.
        if (word[kInstallLength] == 0 || word[kInstallLength + 1] == 0)
            return kNothing;
        *pathOut = word + kInstallLength + 1;
        return kInstall;
    }
    if (strncmp(word, kDeinstallSwitch, kDeinstallLength) == 0)
        return kDeinstall;
    return kNothing;
}

int ToolRegistrar::Dispatch(const char* commandLine)
{
    const char* path = nullptr;
    Action action = Parse(commandLine, &path);
    if (action == kInstall)
        Install(path);
    else if (action == kDeinstall)
        Deinstall();
    return 0;
}

void ToolRegistrar::Install(const char* path)
{
    // Two installs at once would both take the same count, and one entry
    // would be lost. A stuck holder is not waited for beyond the limit.
    NamedMutex listLock;
    if (listLock.Create(kListMutex))
        listLock.Lock(kListWaitMs);
    if (!key.Open(HKEY_CURRENT_USER, kToolsKey, KEY_ALL_ACCESS))
        return;
    DWORD n;
    // A count at its largest would wrap to 0 and hide every tool.
    if (!key.QueryDword("NumTools", &n) || n == MAXDWORD) {
        key.Close();
        return;
    }
    SetEntryDword(key, "AskArgument#%u", n, 0);
    SetEntryDword(key, "CloseWindow#%u", n, 0);
    SetEntryString(key, "DefaultArguments#%u", n, "$(WkspDir)");
    SetEntryDword(key, "GUITool#%u", n, 0);
    SetEntryString(key, "InitialDirectory#%u", n, "");
    SetEntryString(key, "MenuName#%u", n, "Quillmoor");
    SetEntryDword(key, "OutputRedirect#%u", n, 1);
    SetEntryString(key, "PathName#%u", n, path);
    SetEntryDword(key, "ReloadNoPrompt#%u", n, 0);
    SetEntryDword(key, "UseSearchPath#%u", n, 0);
    SetEntryDword(key, "VisibleOnMenu#%u", n, 1);
    key.SetDword("NumTools", n + 1);
    key.Close();
}

void ToolRegistrar::Deinstall()
{
    if (!key.Open(HKEY_CURRENT_USER, kToolsKey, KEY_ALL_ACCESS))
        return;
    DWORD n;
    if (key.QueryDword("NumTools", &n))
        messageBox(nullptr, "Sorry, but you must deinstall the 'Quillmoor' tool entry in Visual Studio by hand...",
                   "Quillmoor", MB_OK | MB_ICONWARNING);
    key.Close();
}
