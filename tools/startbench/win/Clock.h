#pragma once
// Milliseconds since a start, from the performance counter.

#include <windows.h>

class TStopwatch {
public:
    TStopwatch() noexcept
    {
        QueryPerformanceFrequency(&FFrequency);
        QueryPerformanceCounter(&FStart);
    }
    double Milliseconds() const noexcept
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - FStart.QuadPart) / static_cast<double>(FFrequency.QuadPart);
    }

private:
    LARGE_INTEGER FFrequency;
    LARGE_INTEGER FStart;
};
