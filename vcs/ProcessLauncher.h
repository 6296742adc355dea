#pragma once

// Starts programs and documents through the shell. Keeps no state.
class ProcessLauncher {
public:
    // Starts file and waits for its end without a time limit, pumping no
    // messages; a folder is never started. A directory that is not empty must
    // name an existing folder whose full path, a trailing backslash aside, has
    // at most 258 UTF-16 units; else nothing starts. 1 when a process was
    // started and has ended; *exitCode then holds its exit code and is left
    // untouched otherwise.
    static int RunAndWait(const char* file, const char* parameters, const char* directory,
                          int showCommand, unsigned long extraMask, unsigned long* exitCode);

    // Asks the shell to open a file or address and returns at once.
    static int ShellOpen(const char* file, const char* parameters, const char* directory,
                         int showCommand);
};
