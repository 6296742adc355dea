#pragma once
#include <windows.h>

// Owns one library loaded by name at run time. Entry points obtained from it
// stay valid only while it holds the library.
class DynamicLibrary {
public:
    DynamicLibrary() : module(nullptr) {}
    ~DynamicLibrary() { Free(); }
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Frees what was held first, so a failed load leaves the object empty.
    int Load(const char* name);
    // 1 when a library was held and has been released.
    int Free();
    // Null when the entry is missing or nothing is held.
    FARPROC Resolve(const char* entry) const { return module ? GetProcAddress(module, entry) : nullptr; }
    template <class Fn> Fn Resolve(const char* entry) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(Resolve(entry)));
    }
    HMODULE Handle() const { return module; }

private:
    HMODULE module;
};
