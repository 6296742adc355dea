#pragma once
#include "ui/ComboListCtrl.h"
#include "ui/DialogBase.h"
#include "ui/FileUtil.h"
#include "ui/RegistryKey.h"

// The program's only window: the fields, the system choice and the operations.
class MainDialog : public DialogBase {
public:
    MainDialog() : consoleWindow(nullptr), initialFolder(nullptr) {}

    // The single command-line argument, or null.
    void SetInitialFolder(const char* folder) { initialFolder = folder; }

    int OnInitDialog() override;
    int CanClose(INT_PTR result) override;
    int OnCommand(int id, WPARAM wParam, LPARAM lParam) override;

    // The console window of the own process; null when there is none.
    void FindConsoleWindow();
    void ShowConsole(int show);
    HWND ConsoleWindow() const { return consoleWindow; }

private:
    FileUtil fileUtil;
    RegistryKey registryKey;
    ComboListCtrl tag;
    ComboListCtrl local;
    ComboListCtrl remote;
    ComboListCtrl project;
    HWND consoleWindow;
    const char* initialFolder;
};
