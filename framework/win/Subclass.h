#pragma once
// The one guard every window procedure runs its body in, and window
// subclasses whose state travels as the subclass's reference data.

#include "framework/win/Application.h"

#include <windows.h>

#include <commctrl.h>

// Runs a window procedure's body; an exception goes to the application and
// the fallback (the default procedure) answers instead, so nothing crosses
// the system's call.
template <class Body, class Fallback>
LRESULT GuardedCall(Body&& body, Fallback&& fallback) noexcept
{
    LRESULT result = 0;
    bool handled = false;
    GuardCallback([&] {
        result = body();
        handled = true;
    });
    return handled ? result : fallback();
}

// The state of a subclass, owned through its reference data. It goes when
// it is retired (its window's WM_NCDESTROY, or its owner letting go), but
// never while one of its messages is being handled: a click handler that
// destroys its own control leaves the record alive until the message that
// ran the handler returns. Code that called the default procedure asks
// Gone() before it touches the window again.
class TSubclassRecord {
public:
    TSubclassRecord() = default;
    virtual ~TSubclassRecord() = default;
    TSubclassRecord(const TSubclassRecord&) = delete;
    TSubclassRecord& operator=(const TSubclassRecord&) = delete;

    bool Gone() const noexcept { return FGone; }
    // Deletes the record now, or when the message in hand returns.
    void Retire() noexcept
    {
        FGone = true;
        if (FBusy == 0)
            delete this;
    }

    // Held while a message of the record is handled.
    class TBusy {
    public:
        explicit TBusy(TSubclassRecord& record) noexcept : FRecord(record) { ++FRecord.FBusy; }
        ~TBusy()
        {
            if (--FRecord.FBusy == 0 && FRecord.FGone)
                delete &FRecord;
        }
        TBusy(const TBusy&) = delete;
        TBusy& operator=(const TBusy&) = delete;

    private:
        TSubclassRecord& FRecord;
    };

private:
    int FBusy = 0;
    bool FGone = false;
};

// A subclass procedure for a record type: the record comes from the
// reference data, its Handle member answers inside the guard, and the
// default procedure answers when it fails.
template <class TRecord, LRESULT (TRecord::*Handle)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK RecordSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR data) noexcept
{
    auto* record = reinterpret_cast<TRecord*>(data);
    const TSubclassRecord::TBusy busy(*record);
    return GuardedCall([&] { return (record->*Handle)(window, message, wParam, lParam); },
                       [&] { return DefSubclassProc(window, message, wParam, lParam); });
}
