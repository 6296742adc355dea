#pragma once
#include "ui/ComboListCtrl.h"
#include "ui/RegistryKey.h"
#include "ui/WindowBase.h"

// The dialog's fields, system choice and histories in the current user's
// registry: read once at start, written after every successful run and at close.
class SettingsStore {
public:
    static const char kMainKey[];

    SettingsStore(WindowBase* dialog, RegistryKey* key, ComboListCtrl* tag, ComboListCtrl* local,
                  ComboListCtrl* remote, ComboListCtrl* project)
        : dialog(dialog), key(key), lists{ tag, local, remote, project }, unreadable{ false, false, false }
    {
    }

    void Load();
    void Save();
    // Remembers text in the history key; silent when the key cannot be written.
    void AddHistory(const char* historyKey, const char* text);
    // What a walk over one history key passes as user value.
    struct HistoryWalk {
        ComboListCtrl* list;
        RegistryKey key; // the walked key, open for reading
    };
    // Adds a history entry to the walk's combo box.
    static int RouteHistoryEntry(const char* name, DWORD type, DWORD dataBytes, BYTE* data, void* user);

private:
    WindowBase* dialog;
    RegistryKey* key;
    ComboListCtrl* lists[4]; // Tag, Local Folder, Remote Folder, Project
    // "Local", "Project" and "Remote" values that exist but are no text of up to
    // 259 characters the code page holds: kept as they are until the user
    // fills the field.
    bool unreadable[3];
};
