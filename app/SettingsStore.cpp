#include "app/SettingsStore.h"

#include "resource.h"
#include "ui/FileUtil.h"
#include "ui/TextBuf.h"
#include <string.h>

const char SettingsStore::kMainKey[] = "Software\\Harrowby\\Quillmoor";

SettingsStore::SettingsStore(WindowBase* dialog, ComboListCtrl* tag, ComboListCtrl* local, ComboListCtrl* remote,
                             ComboListCtrl* project)
    : dialog(dialog),
      fields{ { "Software\\Harrowby\\Quillmoor\\Tags", nullptr, tag, false, false },
              { "Software\\Harrowby\\Quillmoor\\Locals", "Local", local, false, true },
              { "Software\\Harrowby\\Quillmoor\\Remotes", "Remote", remote, false, false },
              { "Software\\Harrowby\\Quillmoor\\Projects", "Project", project, false, false } }
{
}

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
    if (!key.Create(HKEY_CURRENT_USER, historyKey))
        return;
    key.SetDword(text, 0);
    key.Close();
}

void SettingsStore::Load()
{
    for (const Field& field : fields) {
        // Long histories fill faster without a redraw per entry.
        field.list->SetRedraw(false);
        HistoryWalk walk;
        walk.list = field.list;
        walk.key.Open(HKEY_CURRENT_USER, field.historyKey);
        RegistryKey::EnumValues(HKEY_CURRENT_USER, field.historyKey, RouteHistoryEntry, nullptr, 0, nullptr, &walk);
        field.list->SetRedraw(true);
    }
    // The first start: no key, so no system is checked and the SVN forms apply.
    if (!key.Open(HKEY_CURRENT_USER, kMainKey))
        return;
    for (Field& field : fields) {
        if (!field.valueName)
            continue;
        char text[kFieldRoom];
        // A text the code page cannot hold would be written back garbled.
        if (key.QueryString(field.valueName, text) && !key.LosesCharacters(field.valueName))
            field.list->SetText(text);
        else
            field.keptUnreadable = key.HasValue(field.valueName);
    }
    DWORD svn = 0;
    key.QueryDword("SVN", &svn);
    dialog->CheckRadio(IDC_CVS, IDC_SVN, svn ? IDC_SVN : IDC_CVS);
    key.Close();
}

bool SettingsStore::Remembers(const Field& field, const TextBuf& text)
{
    // A text the code page cannot carry would be remembered as its
    // look-alike; a folder read cut, or one whose end Windows drops, as
    // another folder.
    if (!field.list->CarriesText())
        return false;
    return !field.folder || (field.list->FitsField() && !FileUtil::NamesAnotherFolder(text.Data()));
}

void SettingsStore::Save()
{
    TextBuf text;
    for (const Field& field : fields) {
        // "latest" stands for no tag: it is never remembered.
        if (field.list->GetText(text) && (field.valueName || text.CompareNoCase("latest") != 0) &&
            Remembers(field, text))
            AddHistory(field.historyKey, text.Data());
    }

    if (!key.Create(HKEY_CURRENT_USER, kMainKey))
        return;
    for (Field& field : fields) {
        if (!field.valueName)
            continue;
        field.list->GetText(text);
        // Another program's value that could not be shown is not wiped by an empty field.
        if ((field.keptUnreadable && !text.Length()) || !Remembers(field, text))
            continue;
        field.keptUnreadable = false;
        key.SetString(field.valueName, text.Data());
    }
    key.SetDword("SVN", dialog->IsChecked(IDC_SVN));
    key.Close();
}
