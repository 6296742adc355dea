#pragma once
#include "ui/ComboListCtrl.h"
#include "ui/RegistryKey.h"
#include "ui/WindowBase.h"

// The dialog's fields, system choice and histories in the current user's
// registry: read once at start, written after every successful run and at close.
class SettingsStore {
public:
    static const char kMainKey[];

    SettingsStore(WindowBase* dialog, ComboListCtrl* tag, ComboListCtrl* local, ComboListCtrl* remote,
                  ComboListCtrl* project);
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

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
    // One field of the dialog as the registry remembers it.
    struct Field {
        const char* historyKey;
        // The value that holds the field's text; null for the tag, whose
        // text is remembered in its history only.
        const char* valueName;
        ComboListCtrl* list;
        // A value that exists but is no text of up to 259 characters the
        // code page holds: kept as it is until the user fills the field.
        bool keptUnreadable;
        // The Local Folder, whose text names the folder the clients run in.
        bool folder;
    };

    // Whether the field's text, as read, is the one to remember.
    static bool Remembers(const Field& field, const TextBuf& text);

    WindowBase* dialog;
    RegistryKey key;
    Field fields[4];
};
