#pragma once
#include <vector>
#include <windows.h>

// Wall-clock time in milliseconds from the performance counter.
inline double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// The value below which the share q of the values lie, interpolated between
// neighbours; q = 0.5 is the median. 0 for no values.
double Quantile(std::vector<double> values, double q);
double Median(const std::vector<double>& values);
