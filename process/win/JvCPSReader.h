#pragma once
// A captured stream as the runner sees it (line assembly plus its read
// thread), and the holders of pipe ends used while a run is set up.

#include "framework/win/Handle.h"
#include "process/JvReaderCore.h"
#include "process/win/JvCPSThreads.h"

#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

class TJvCreateProcess;

class TJvReader : public TJvBaseReader {
public:
    explicit TJvReader(TJvCreateProcess* owner);
    ~TJvReader() override;

    // Starts reading a pipe: a new line state and a read thread of its own.
    void CreateThread(TKernelHandle readHandle, std::uint32_t run);
    // The two halves of CreateThread, so that a run can create every thread
    // before it commits to any of them.
    std::unique_ptr<TJvReadThread> PrepareThread(TKernelHandle readHandle, std::uint32_t run);
    void StartThread(std::unique_ptr<TJvReadThread> thread);

    // Stops the read thread without counting its end; a drain or finishing
    // step under way stops after the handler that is running.
    void Terminate();
    // Takes every pending piece and processes it (a read notification).
    void Drain();
    // The completion step of the read thread, on the user-interface thread:
    // the last pieces, the unfinished line, then the count. The thread waits
    // for it; deferred while a drain is under way.
    void ThreadEnded();

    TJvReadThread* Thread() const noexcept { return FThread; }

    // The code page the child's bytes are decoded from: 0 (the default) for
    // the system's ANSI code page.
    void UseCodePage(unsigned codePage);

protected:
    bool OwnerData() const override;

private:
    // The stream's end: the last pieces, the unfinished line, the count.
    void FinishRun();
    // After a drain: a finishing step that waited for it, or a notification
    // that it may have swallowed.
    void FinishPending(std::exception_ptr& failure);

    // A read handler may process messages, and with them the next read
    // notification or the thread's end. For the run being drained these wait
    // for the drain under way, so pieces are never processed inside another
    // piece of the same run; the next run (started by a handler) is drained
    // at once, as the frame below has stopped using the line state.
    class TDrainScope;
    bool Busy() const noexcept { return FDraining && FDrainingGeneration == Generation(); }

    TJvReadThread* FThread = nullptr;
    TJvCPSBuffer FParseBuffer{};
    bool FDraining = false;
    std::uint32_t FDrainingGeneration = 0;
    bool FDrainAgain = false;     // a notification came during the drain
    bool FFinishPending = false;  // the thread ended during a drain
};

// Decoding from a Windows code page: the decoder and, where the code page
// allows it, the length of each character (for decoding a line piece by piece).
TJvCPSDecoder CodePageDecoder(unsigned codePage);
TJvCPSCharLength CodePageCharLength(unsigned codePage);

// Three handle slots: Read, Write, Error. Setting a slot to another handle
// closes the old one; Extract... hands a handle and its ownership out.
class TJvRWEHandles {
public:
    TJvRWEHandles() = default;
    ~TJvRWEHandles() = default;
    TJvRWEHandles(const TJvRWEHandles&) = delete;
    TJvRWEHandles& operator=(const TJvRWEHandles&) = delete;

    HANDLE Read() const noexcept { return FRead.get(); }
    HANDLE Write() const noexcept { return FWrite.get(); }
    HANDLE Error() const noexcept { return FError.get(); }
    void SetRead(HANDLE value) noexcept { Set(FRead, value); }
    void SetWrite(HANDLE value) noexcept { Set(FWrite, value); }
    void SetError(HANDLE value) noexcept { Set(FError, value); }

    TKernelHandle ExtractRead() noexcept { return std::move(FRead); }
    TKernelHandle ExtractWrite() noexcept { return std::move(FWrite); }
    TKernelHandle ExtractError() noexcept { return std::move(FError); }

    void Clear() noexcept;

private:
    static void Set(TKernelHandle& slot, HANDLE value) noexcept
    {
        if (slot.get() != value)
            slot.reset(value);
    }

    TKernelHandle FRead;
    TKernelHandle FWrite;
    TKernelHandle FError;
};

// Creates the pipes of a capture: the child's ends (inheritable) in child,
// the program's ends (not inheritable) in parent. Standard error shares the
// output pipe unless separateError.
void CreateCapturePipes(bool separateError, TJvRWEHandles& parent, TJvRWEHandles& child);
