#include "app/MainDialog.h"

#include "app/WindowList.h"
#include "resource.h"
#include "ui/TextBuf.h"
#include "vcs/ProcessLauncher.h"
#include <objbase.h>
#include <stdio.h>
#include <string.h>

namespace {

const char kCaption[] = "Quillmoor";
const char kHomePage[] = "https://quillmoor.example.org/";

void Say(const char* line)
{
    fputs(line, stdout);
    fflush(stdout);
}

} // namespace

MainDialog::MainDialog()
    : settings(this, &tag, &local, &remote, &project), consoleWindow(nullptr), initialFolder(nullptr)
{
}

int MainDialog::OnInitDialog()
{
    SetIcon(IDI_MAIN);
    SetText(fileUtil.VersionCaption(kCaption, instance));
    FindConsoleWindow();
    ShowConsole(0);
    link.Attach(GetItem(IDC_LINK), "Quillmoor", kHomePage, IDCUR_HAND);
    logo.Load(GetItem(IDC_LOGO), instance, IDB_LOGO);

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
    settings.Load();
    // The help file is looked for in the folder that is current at start, then
    // beside the program: a start from elsewhere (a prompt, the IDE's tool
    // entry, a shortcut) finds it there.
    char programFolder[kFieldRoom];
    int besideProgram = FileUtil::ModuleDirectory(nullptr, programFolder);
    help.Bind("Quillmoor.chm", 1, nullptr, nullptr, besideProgram ? programFolder : nullptr);

    SetForegroundWindow(window);
    if (initialFolder) {
        local.SetText(initialFolder);
        project.SetText(TextBuf::FileNamePart(initialFolder));
    }
    return kDefaultFocus;
}

int MainDialog::CanClose(INT_PTR)
{
    settings.Save();
    CoUninitialize();
    return 1;
}

int MainDialog::OnCommand(int id, WPARAM wParam, LPARAM lParam)
{
    switch (id) {
    case IDC_IMPORT:
        Import();
        return kHandled;
    case IDC_COMMIT:
        Commit();
        return kHandled;
    case IDC_CHECKOUT:
        Checkout();
        return kHandled;
    case IDC_CREATE_TAG:
        CreateTag();
        return kHandled;
    case IDC_SHOW_STATUS:
        ShowStatus();
        return kHandled;
    case IDC_BROWSE_LOCAL:
        Browse(&local, "Please select local folder", 1);
        return kHandled;
    case IDC_BROWSE_REMOTE:
        Browse(&remote, "Please select remote folder", 0);
        return kHandled;
    case IDC_LOCAL:
        ProposeProject(HIWORD(wParam));
        return kHandled;
    default:
        return DialogBase::OnCommand(id, wParam, lParam);
    }
}

int MainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_HELP)
        return DialogBase::OnMessage(message, wParam, lParam);
    const HELPINFO* info = reinterpret_cast<const HELPINFO*>(lParam);
    if (info && info->iContextType == HELPINFO_WINDOW)
        help.Show(static_cast<HWND>(info->hItemHandle), "Main.html");
    return kHandled;
}

void MainDialog::Browse(ComboListCtrl* field, const char* title, int proposeProject)
{
    char path[kFieldRoom];
    field->GetText(path);
    if (!FileUtil::BrowseForFolder(window, title, 0, 0, path))
        return;
    field->SetText(path);
    if (proposeProject)
        project.SetText(TextBuf::FileNamePart(path));
}

void MainDialog::ProposeProject(int notification)
{
    char text[kFieldRoom] = "";
    if (notification == CBN_SELCHANGE)
        local.GetSelection(nullptr, text, nullptr); // the edit part is not updated yet
    else if (notification == CBN_EDITCHANGE)
        local.GetText(text);
    else
        return;
    project.SetText(TextBuf::FileNamePart(text));
}

int MainDialog::RunClient(unsigned options, const char* templateText)
{
    ClientCommand command;
    return Compose(options, templateText, &command) && RunCommand(options, command);
}

int MainDialog::Compose(unsigned options, const char* templateText, ClientCommand* command)
{
    // The clients lie beside the program: without its whole path none is started.
    char folder[kFieldRoom];
    if (!FileUtil::ModuleDirectory(nullptr, folder)) {
        Say("Quillmoor: Can't start cvs.exe.\n");
        return 0;
    }
    // Where the code page is not UTF-8, Windows would hand the client a
    // look-alike for each character the code page lacks: another folder.
    const struct {
        const ComboListCtrl* field;
        const char* name;
    } fields[] = { { &local, "Local Folder" }, { &project, "Project" }, { &remote, "Remote Folder" }, { &tag, "Tag" } };
    for (const auto& f : fields) {
        if (!f.field->CarriesText()) {
            ShowMessage(0, kCaption,
                        "The %s holds characters that this Windows cannot pass to the client.\n\n"
                        "Folders in any language need Windows 10 version 1903 or later.",
                        f.name);
            return 0;
        }
    }
    char projectText[kFieldRoom], remoteText[kFieldRoom], tagText[kFieldRoom], localText[kFieldRoom];
    project.GetText(projectText);
    remote.GetText(remoteText);
    tag.GetText(tagText);
    local.GetText(localText);
    // The client would run in another folder than the one typed, and succeed there.
    if (!local.FitsField()) {
        ShowMessage(0, kCaption, "%s", "The Local Folder is longer than 259 characters, so it would be read cut.");
        return 0;
    }
    if (FileUtil::NamesAnotherFolder(localText)) {
        ShowMessage(0, kCaption, "%s",
                    "The Local Folder ends in a dot or a blank, which Windows drops, so it names another folder.");
        return 0;
    }
    OperationRequest request = { System(), templateText, options, projectText, remoteText, tagText, localText };
    switch (CommandBuilder::Build(request, folder, command)) {
    case BuildResult::Ok:
        return 1;
    case BuildResult::ProjectMissing:
        ShowMessage(0, kCaption, "%s", "Please specify a project name.\n\nExample: 'My cool application'");
        return 0;
    case BuildResult::TagMissing:
        ShowMessage(0, kCaption, "%s", "Please specify a tag first.\n\nExample: 'v1_64'");
        return 0;
    default:
        Say("Quillmoor: Can't compose the parameter line.\n");
        return 0;
    }
}

int MainDialog::RunCommand(unsigned options, const ClientCommand& command)
{
    if (options & OptCreateLocal)
        FileUtil::CreateDirectoryChain(command.directory.Data(), 0);
    SetEnvironmentVariableA("CVSIGNORE", CommandBuilder::kIgnoreList);
    ShowConsole(1);
    unsigned long exitCode = 0;
    if (!ProcessLauncher::RunAndWait(command.executable.Data(), command.parameters.Data(), command.directory.Data(),
                                     SW_SHOW, SEE_MASK_NO_CONSOLE, &exitCode)) {
        Say("Quillmoor: Can't start cvs.exe.\n");
        return 0;
    }
    if (exitCode != 0) {
        char line[64];
        _snprintf(line, sizeof(line) - 1, "Quillmoor: error 0x%lX.\n", exitCode);
        line[sizeof(line) - 1] = 0;
        Say(line);
        return 0;
    }
    settings.Save();
    return 1;
}

SourceSystem MainDialog::System() const
{
    return IsChecked(IDC_CVS) ? SourceSystem::Cvs : SourceSystem::Svn;
}

int MainDialog::Run(Operation operation)
{
    unsigned options = 0;
    const char* templateText = CommandBuilder::Template(operation, System(), &options);
    return RunClient(options, templateText);
}

int MainDialog::CreateRepository()
{
    return Run(Operation::CreateRepository);
}

void MainDialog::Import()
{
    // The import line first: a repository made for an import that cannot
    // follow would stop the next Import at its first step.
    unsigned options = 0;
    const char* templateText = CommandBuilder::Template(Operation::Import, System(), &options);
    ClientCommand import;
    if (Compose(options, templateText, &import) && CreateRepository() && RunCommand(options, import))
        Say("Quillmoor: Source import'd.\n");
}

void MainDialog::Commit()
{
    if (Run(Operation::Commit))
        Say("Quillmoor: Source commited.\n");
}

void MainDialog::Checkout()
{
    if (Run(Operation::Checkout))
        Say("Quillmoor: Source checked out.\n");
}

void MainDialog::CreateTag()
{
    if (Run(Operation::CreateTag))
        Say("Quillmoor: Source tag'd.\n");
}

void MainDialog::ShowStatus()
{
    if (Run(Operation::ShowStatus) && IsChecked(IDC_SVN))
        Say("Quillmoor: Status done.\n");
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
    // A terminal (Windows 11's, or Wine's console host) owns the window of a
    // console started from the desktop. A console shared with the prompt
    // that started the program is the prompt's, and stays as it is.
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) == 1)
        consoleWindow = GetConsoleWindow();
}

void MainDialog::ShowConsole(int show)
{
    if (consoleWindow)
        ShowWindow(consoleWindow, show ? SW_SHOW : SW_HIDE);
}
