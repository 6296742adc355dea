#include "crash/CrashReporter.h"
#include "toolreg/ToolRegistrar.h"
#include "ui/RegistryKey.h"

// The reporter is the first static object, so that its filter is in place
// before anything else runs; the tool-list key follows it.
static CrashReporter crashReporter;
static RegistryKey toolKey;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ToolRegistrar registrar(toolKey);
    return registrar.Dispatch(GetCommandLineA());
}
