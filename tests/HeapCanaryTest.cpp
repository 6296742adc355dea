// The heap check's canary, outside the normal suite: a program started the
// way the tests start Quillmoor damages its heap. Under the heap check this
// must be reported; the heap checker may also end the program early.
#include "ProgramDriver.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

TEST(HeapCanary, AStartedProgramDamagesItsHeap)
{
    std::string dir = testsupport::ScratchDir("heap-canary");
    ProgramDriver canary;
    ASSERT_TRUE(canary.Start(testsupport::TestDir() + "HeapCanary.exe", "", dir, dir + "out.txt"));
    canary.WaitExit(10000);
}
