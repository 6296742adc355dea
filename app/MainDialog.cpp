#include "app/MainDialog.h"

#include "app/WindowList.h"
#include "resource.h"
#include "ui/TextBuf.h"
#include <objbase.h>
#include <stdio.h>
#include <string.h>

int MainDialog::OnInitDialog()
{
    SetIcon(IDI_MAIN);
    SetText(fileUtil.VersionCaption("Quillmoor", instance));
    FindConsoleWindow();
    ShowConsole(0);

    // Written while the console is hidden: it shows with the first client's output.
    fputs("Quillmoor.\n", stdout);
    _flushall();
    CoInitialize(nullptr);

    tag.Attach(GetItem(IDC_TAG), ComboListCtrl::kCombo);
    tag.AddString("latest", 1, nullptr);
    tag.SetSelection(0);
    local.Attach(GetItem(IDC_LOCAL), ComboListCtrl::kCombo);
    remote.Attach(GetItem(IDC_REMOTE), ComboListCtrl::kCombo);
    project.Attach(GetItem(IDC_PROJECT), ComboListCtrl::kCombo);
    ComboListCtrl* folders[] = { &local, &remote };
    for (ComboListCtrl* folder : folders) {
        COMBOBOXINFO info;
        if (folder->GetComboInfo(&info))
            AutoComplete(info.hwndItem);
    }

    SetForegroundWindow(window);
    if (initialFolder) {
        local.SetText(initialFolder);
        project.SetText(TextBuf::FileNamePart(initialFolder));
    }
    return 1;
}

int MainDialog::CanClose(INT_PTR)
{
    CoUninitialize();
    return 1;
}

int MainDialog::OnCommand(int id, WPARAM wParam, LPARAM lParam)
{
    return DialogBase::OnCommand(id, wParam, lParam);
}

void MainDialog::FindConsoleWindow()
{
    const DWORD ownProcess = GetCurrentProcessId();
    WindowList list;
    TextBuf className;
    for (ListNode* node = list.Fill(); node; node = node->next) {
        WindowEntry* entry = static_cast<WindowEntry*>(node);
        if (entry->processId == ownProcess && entry->ClassName(&className) &&
            strcmp(className.Data(), "ConsoleWindowClass") == 0) {
            consoleWindow = entry->window;
            return;
        }
    }
}

void MainDialog::ShowConsole(int show)
{
    if (consoleWindow)
        ShowWindow(consoleWindow, show ? SW_SHOW : SW_HIDE);
}
