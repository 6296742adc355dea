#pragma once
#include <windows.h>

// Keeps a copy of HKCU\Software\Harrowby while a benchmark rewrites it, and puts
// it back afterwards. A copy left by an interrupted run is restored first, so
// the user's settings survive a killed benchmark too.
class SettingsBackup {
public:
    SettingsBackup();
    ~SettingsBackup() { Restore(); }
    SettingsBackup(const SettingsBackup&) = delete;
    SettingsBackup& operator=(const SettingsBackup&) = delete;

    // Removes the settings and histories entirely.
    static void Clear();
    // Whether the copy was made; a benchmark must not touch the settings without it.
    bool Saved() const { return saved; }
    // Removes the field values and the system choice, leaving the histories.
    static void ClearFields();
    // Puts the saved tree back (or leaves none when there was none); safe to call twice.
    void Restore();

    static const char kRoot[];
    static const char kMain[];

private:
    bool saved = false;
};
