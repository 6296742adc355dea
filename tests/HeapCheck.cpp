// Part of every test program: after each test the runtime's heap is
// validated. Under Wine's heap checker (WINEDEBUG=warn+heap) blocks carry
// guard bytes, so this finds a write past the end of any block.
#include <gtest/gtest.h>
#include <malloc.h>
#include <stdio.h>
#include <string>
#include <windows.h>

namespace {

class HeapCheck : public ::testing::EmptyTestEventListener {
public:
    void OnTestEnd(const ::testing::TestInfo& test) override
    {
        if (_heapchk() != _HEAPOK) {
            damaged += std::string(test.test_suite_name()) + "." + test.name() + " ";
            fprintf(stderr, "heap damaged during %s.%s\n", test.test_suite_name(), test.name());
        }
    }
    std::string damaged;
};

// Reports at the end of the program, where a failure still counts.
class HeapReport : public ::testing::Environment {
public:
    explicit HeapReport(const HeapCheck* check) : check(check) {}
    void TearDown() override { EXPECT_TRUE(check->damaged.empty()) << "heap damaged during " << check->damaged; }

private:
    const HeapCheck* check;
};

struct Installer {
    Installer()
    {
        // Under the heap check the programs a test starts, whose heaps this
        // check cannot see, validate their whole heap on every call instead.
        char level[32];
        DWORD n = GetEnvironmentVariableA("QM_CHILD_WINEDEBUG", level, sizeof(level));
        if (n > 0 && n < sizeof(level))
            SetEnvironmentVariableA("WINEDEBUG", level);
        HeapCheck* check = new HeapCheck; // owned by the listener list
        ::testing::UnitTest::GetInstance()->listeners().Append(check);
        ::testing::AddGlobalTestEnvironment(new HeapReport(check));
    }
} installer;

} // namespace
