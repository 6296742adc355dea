#include "app/SettingsStore.h"

#include "resource.h"
#include "ui/TextBuf.h"
#include <string.h>

const char SettingsStore::kMainKey[] = "Software\\Harrowby\\Quillmoor";

namespace {

// The three remembered texts and the lists (see the constructor) of their fields.
const char* const kValueNames[] = { "Local", "Project", "Remote" };
const int kValueLists[] = { 1, 3, 2 };

const char* const kHistoryKeys[] = {
    "Software\\Harrowby\\Quillmoor\\Tags",
    "Software\\Harrowby\\Quillmoor\\Locals",
    "Software\\Harrowby\\Quillmoor\\Remotes",
    "Software\\Harrowby\\Quillmoor\\Projects",
};

} // namespace

int SettingsStore::RouteHistoryEntry(const char* name, DWORD, DWORD, BYTE*, void* user)
{
    HistoryWalk* walk = static_cast<HistoryWalk*>(user);
    // A name the code page cannot hold reads with "?" in place of its
    // characters and then names no value: it could only come back garbled.
    if (strchr(name, '?') && !walk->key.HasValue(name))
        return 1;
    walk->list->AddString(name, 0, nullptr);
    return 1;
}

void SettingsStore::AddHistory(const char* historyKey, const char* text)
{
    if (!key->Create(HKEY_CURRENT_USER, historyKey))
        return;
    key->SetDword(text, 0);
    key->Close();
}

void SettingsStore::Load()
{
    // Long histories fill faster without a redraw per entry.
    for (int n = 0; n < 4; ++n) {
        SendMessageA(lists[n]->Control(), WM_SETREDRAW, FALSE, 0);
        HistoryWalk walk;
        walk.list = lists[n];
        walk.key.Open(HKEY_CURRENT_USER, kHistoryKeys[n]);
        RegistryKey::EnumValues(HKEY_CURRENT_USER, kHistoryKeys[n], RouteHistoryEntry, nullptr, 0, nullptr, &walk);
        SendMessageA(lists[n]->Control(), WM_SETREDRAW, TRUE, 0);
    }
    // The first start: no key, so no system is checked and the SVN forms apply.
    if (!key->Open(HKEY_CURRENT_USER, kMainKey))
        return;
    for (int i = 0; i < 3; ++i) {
        char text[kFieldBytes];
        // A text the code page cannot hold would be written back garbled.
        if (key->QueryString(kValueNames[i], text) && !key->LosesCharacters(kValueNames[i]))
            lists[kValueLists[i]]->SetText(text);
        else
            unreadable[i] = key->HasValue(kValueNames[i]);
    }
    DWORD svn = 0;
    key->QueryDword("SVN", &svn);
    dialog->CheckRadio(IDC_CVS, IDC_SVN, svn ? IDC_SVN : IDC_CVS);
    key->Close();
}

void SettingsStore::Save()
{
    TextBuf text;
    lists[0]->GetText(text.Data());
    text.UpdateLength();
    if (text.Length() && text.CompareNoCase("latest") != 0)
        AddHistory(kHistoryKeys[0], text.Data());
    for (int n = 1; n < 4; ++n) {
        lists[n]->GetText(text.Data());
        text.UpdateLength();
        if (text.Length())
            AddHistory(kHistoryKeys[n], text.Data());
    }

    if (!key->Create(HKEY_CURRENT_USER, kMainKey))
        return;
    for (int i = 0; i < 3; ++i) {
        lists[kValueLists[i]]->GetText(text.Data());
        text.UpdateLength();
        // Another program's value that could not be shown is not wiped by an empty field.
        if (unreadable[i] && !text.Length())
            continue;
        unreadable[i] = false;
        key->SetString(kValueNames[i], text.Data());
    }
    key->SetDword("SVN", dialog->IsChecked(IDC_SVN));
    key->Close();
}
