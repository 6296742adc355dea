#include "vcs/ProcessLauncher.h"

#include "TestSupport.h"
#include <gtest/gtest.h>
#include <windows.h>

using namespace testsupport;

namespace {

TEST(ProcessLauncher, RunsWaitsAndReadsTheExitCode)
{
    std::string dir = ScratchDir("launcher");
    ASSERT_TRUE(PlaceFakeClient(dir, "svn.exe", "0x2A"));
    // The longest folder Windows starts a program in: 258 characters and a
    // backslash. Under code page 932 the last character is two bytes.
    std::string work = dir + "work dir" + std::string(249 - dir.size(), 'w') + (GetACP() == 932 ? "\x95\x5c" : "w");
    CreateDirectoryA(work.c_str(), nullptr);
    SetEnvironmentVariableA("CVSIGNORE", "*.obj *.o");

    unsigned long code = 12345;
    ASSERT_EQ(ProcessLauncher::RunAndWait((dir + "svn.exe").c_str(), "co file:///X:/r -r  P",
                                          (work + "\\").c_str(), SW_SHOW, SEE_MASK_NO_CONSOLE, &code),
              1);
    EXPECT_EQ(code, 42u);
    std::string log = ReadWholeFile(dir + "svn.log");
    EXPECT_NE(log.find("params=co file:///X:/r -r  P\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("cwd=" + work + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CVSIGNORE=*.obj *.o\r\n"), std::string::npos) << log;

    // Exit code 0; no destination wanted.
    WriteWholeFile(dir + "svn.exit", "0");
    EXPECT_EQ(ProcessLauncher::RunAndWait((dir + "svn.exe").c_str(), "x", dir.c_str(), SW_SHOW,
                                          SEE_MASK_NO_CONSOLE, nullptr),
              1);
    code = 7;
    EXPECT_EQ(ProcessLauncher::RunAndWait((dir + "svn.exe").c_str(), "x", dir.c_str(), SW_SHOW,
                                          SEE_MASK_NO_CONSOLE, &code),
              1);
    EXPECT_EQ(code, 0u);

    // A missing folder, and one character more: nothing starts.
    CreateDirectoryA((work + "9").c_str(), nullptr);
    for (const std::string& refused : {dir + "gone", work + "9"})
        EXPECT_EQ(ProcessLauncher::RunAndWait((dir + "svn.exe").c_str(), "x", refused.c_str(), SW_SHOW,
                                              SEE_MASK_NO_CONSOLE, &code), 0) << refused;
}

TEST(ProcessLauncher, MissingProgramOrAFolderLeavesTheExitCodeAlone)
{
    std::string dir = ScratchDir("launcher-missing");
    unsigned long code = 0xABCD;
    // No UI, so that the shell shows no "File not found" box.
    EXPECT_EQ(ProcessLauncher::RunAndWait((dir + "cvs.exe").c_str(), "-N init", dir.c_str(), SW_SHOW,
                                          SEE_MASK_NO_CONSOLE | SEE_MASK_FLAG_NO_UI, &code),
              0);
    EXPECT_EQ(code, 0xABCDu);

    // A folder named like the client is opened by the shell, not run.
    CreateDirectoryA((dir + "cvs.exe").c_str(), nullptr);
    EXPECT_EQ(ProcessLauncher::RunAndWait((dir + "cvs.exe").c_str(), "-N init", dir.c_str(), SW_SHOW,
                                          SEE_MASK_NO_CONSOLE | SEE_MASK_FLAG_NO_UI, &code),
              0);
    EXPECT_EQ(code, 0xABCDu);
}

} // namespace
