#include "sys/WorkerThread.h"

#include <gtest/gtest.h>

namespace {

struct Gate {
    HANDLE open = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    volatile LONG passed = 0;
    ~Gate() { CloseHandle(open); }
};

DWORD Twice(void*, DWORD value) { return 2 * value; }

DWORD Gated(void* data, DWORD value)
{
    Gate* gate = static_cast<Gate*>(data);
    WaitForSingleObject(gate->open, INFINITE);
    InterlockedIncrement(&gate->passed);
    return value;
}

HANDLE gateToOpen;

void CALLBACK OpenGate(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    SetEvent(gateToOpen);
}

TEST(WorkerThread, RunsOneRoutineAtATime)
{
    WorkerThread worker;
    worker.Stop();
    EXPECT_EQ(worker.WaitFinished(0), 0);
    Gate gate;
    ASSERT_EQ(worker.Start(Gated, &gate, 5), 1);
    EXPECT_TRUE(worker.Running());
    EXPECT_EQ(worker.Start(Twice, nullptr, 1), 0);
    EXPECT_EQ(worker.WaitFinished(30), 0);
    // The timer fires only inside the wait, so the routine is surely still running when it begins.
    gateToOpen = gate.open;
    SetTimer(nullptr, 0, 20, OpenGate);
    EXPECT_EQ(worker.WaitFinished(0), 1);
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.Result(), 5u);
    EXPECT_EQ(gate.passed, 1);
    // Already ended: no wait at all, and stopping an idle worker changes nothing.
    EXPECT_EQ(worker.WaitFinished(0), 0);
    worker.Stop();
    EXPECT_EQ(worker.Result(), 5u);

    ASSERT_EQ(worker.Start(Twice, nullptr, 21), 1);
    worker.WaitFinished(0);
    EXPECT_EQ(worker.Result(), 42u);
}

TEST(WorkerThread, StopEndsARunningRoutineBeforeItCompletes)
{
    Gate gate;
    WorkerThread worker;
    ASSERT_EQ(worker.Start(Gated, &gate, 9), 1);
    Sleep(20);
    worker.Stop();
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.Result(), 0u);
    EXPECT_EQ(worker.WaitFinished(0), 0);
    SetEvent(gate.open);
    Sleep(50);
    EXPECT_EQ(gate.passed, 0);

    ASSERT_EQ(worker.Start(Twice, nullptr, 4), 1);
    worker.WaitFinished(0);
    EXPECT_EQ(worker.Result(), 8u);
}

// The ended thread still signals its event after clearing the running bit;
// a new run started at that very moment must not take that signal.
TEST(WorkerThread, RestartTheMomentARunEndsKeepsTheRunsApart)
{
    WorkerThread worker;
    Gate gate;
    for (DWORD i = 0; i < 300; ++i) {
        ResetEvent(gate.open);
        ASSERT_EQ(worker.Start(Twice, nullptr, i), 1);
        while (worker.Running())
            SwitchToThread();
        ASSERT_EQ(worker.Result(), 2 * i);
        ASSERT_EQ(worker.Start(Gated, &gate, i), 1);
        ASSERT_EQ(worker.WaitFinished(1), 0) << i;
        SetEvent(gate.open);
        worker.WaitFinished(0);
        ASSERT_EQ(worker.Result(), i);
    }
}

} // namespace
