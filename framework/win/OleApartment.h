#pragma once
// The user-interface thread's COM apartment: single-threaded, with OLE, and
// entered before any window exists. Screen readers in other processes then
// get the windows' accessible objects (LresultFromObject marshals them),
// and their calls arrive on this thread through its message loop, never on
// threads of their own.

#include <ole2.h>

class TOleApartment {
public:
    // A failure (another apartment already entered) is quiet: the windows
    // then answer assistive technology with the system's objects.
    TOleApartment() noexcept : FEntered(SUCCEEDED(OleInitialize(nullptr))) {}
    ~TOleApartment()
    {
        if (FEntered)
            OleUninitialize();
    }
    TOleApartment(const TOleApartment&) = delete;
    TOleApartment& operator=(const TOleApartment&) = delete;

    bool Entered() const noexcept { return FEntered; }

private:
    bool FEntered;
};
