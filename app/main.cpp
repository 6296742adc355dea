#include "app/MainDialog.h"
#include "crash/CrashReporter.h"
#include "resource.h"

// Constructed before main and destroyed after it, in this order: the crash
// reporter first, so that its filter is in place before anything else runs.
static CrashReporter crashReporter;
static MainDialog mainDialog;

int main(int argc, char** argv)
{
    mainDialog.SetInitialFolder(argc == 2 ? argv[1] : nullptr);
    return static_cast<int>(mainDialog.DoModal(GetModuleHandleA(nullptr), IDD_MAIN, nullptr));
}
