#include "sys/DynamicLibrary.h"

int DynamicLibrary::Load(const char* name)
{
    Free();
    module = LoadLibraryA(name);
    return module != nullptr;
}

int DynamicLibrary::Free()
{
    if (!module)
        return 0;
    FreeLibrary(module);
    module = nullptr;
    return 1;
}
