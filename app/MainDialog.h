#pragma once
#include "app/SettingsStore.h"
#include "ui/ComboListCtrl.h"
#include "ui/DialogBase.h"
#include "ui/FileUtil.h"
#include "ui/FittedPicture.h"
#include "ui/HelpFile.h"
#include "ui/HyperlinkCtrl.h"
#include "vcs/CommandBuilder.h"

// The program's only window: the fields, the system choice and the operations.
class MainDialog : public DialogBase {
public:
    MainDialog();

    // The single command-line argument, or null.
    void SetInitialFolder(const char* folder) { initialFolder = folder; }

    int OnInitDialog() override;
    int CanClose(INT_PTR result) override;
    int OnCommand(int id, WPARAM wParam, LPARAM lParam) override;
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The window of the program's own console, also one that a terminal
    // hosts; null when there is none or the console is shared.
    void FindConsoleWindow();
    void ShowConsole(int show);
    HWND ConsoleWindow() const { return consoleWindow; }

    // 1 when the client was started and ended with exit code 0.
    int RunClient(unsigned options, const char* templateText);
    void Import();
    void Commit();
    void Checkout();
    void CreateTag();
    void ShowStatus();
    int CreateRepository();

private:
    SourceSystem System() const;
    // Reads the fields and composes the run; a box or a line says why not.
    int Compose(unsigned options, const char* templateText, ClientCommand* command);
    int RunCommand(unsigned options, const ClientCommand& command);
    int Run(Operation operation);
    void Browse(ComboListCtrl* field, const char* title, int proposeProject);
    void ProposeProject(int notification);

    FileUtil fileUtil;
    ComboListCtrl tag;
    ComboListCtrl local;
    ComboListCtrl remote;
    ComboListCtrl project;
    HelpFile help;
    HyperlinkCtrl link;
    FittedPicture logo;
    SettingsStore settings;
    HWND consoleWindow;
    const char* initialFolder;
};
