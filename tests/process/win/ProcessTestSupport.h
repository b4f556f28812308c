#pragma once
// What the process runner's Windows tests share: one application object on
// the test thread, a watchdog that fails a hanging test, the waiting loop of
// the program, the helper children, and a catcher for the exception boxes.

#include "process/win/JvCreateProcess.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace cpstest {

// Windows paths of the helper children and of the marking library.
std::wstring NimChild();
std::wstring NimChildW();
std::wstring NimPlant();
// nimchild.exe with its commands.
std::wstring Child(const std::wstring& commands);

// A command-line argument in double quotes (for paths with blanks).
std::wstring Quote(const std::wstring& s);

// The program's waiting loop: messages are handled until the runner leaves
// psWaiting. The watchdog ends a test that never gets there.
void WaitWhileWaiting(TJvCreateProcess& runner);
// Handles messages for the given time (sleeping while there are none).
void PumpFor(DWORD milliseconds);
// Handles messages until done() or the time is up; returns done().
template <typename F>
bool PumpUntil(F done, DWORD milliseconds = 20000)
{
    const ULONGLONG start = GetTickCount64();
    while (!done()) {
        if (GetTickCount64() - start > milliseconds)
            return false;
        PumpFor(10);
    }
    return true;
}

// The screen a receiver of OnRead builds: a new line when the flag is true,
// the last line replaced when it is false.
struct TScreen {
    std::vector<std::wstring> Lines;
    void Apply(const std::wstring& s, bool startsOnNewLine);
};

// Records everything a runner reports, in order.
struct TRecorder {
    explicit TRecorder(TJvCreateProcess& runner);

    struct TEvent {
        char Kind;  // 'T' terminate, 'R' read, 'W' raw, 'E' error read, 'X' error raw
        std::wstring Text;
        bool Flag = false;
        std::uint32_t Code = 0;
        TJvCPSState StateInHandler = psReady;
    };
    std::vector<TEvent> Events;
    TScreen Output;
    TScreen Errors;
    std::wstring Raw;
    std::wstring ErrorRaw;
    int Terminations = 0;
    std::uint32_t ExitCode = 0;
    PROCESS_INFORMATION InfoInHandler{};

    bool HasLine(const std::wstring& line) const;
};

// Closes the message boxes that the application's exception display opens on
// this thread, keeping their texts.
class TExceptionBoxCatcher {
public:
    TExceptionBoxCatcher();
    ~TExceptionBoxCatcher();
    TExceptionBoxCatcher(const TExceptionBoxCatcher&) = delete;
    TExceptionBoxCatcher& operator=(const TExceptionBoxCatcher&) = delete;
    std::vector<std::wstring> Texts() const;
};

// The number of threads and of handles of this process.
int ThreadCount();
int HandleCount();
// Handles messages until this process has no more threads and handles than
// given (threads of ended runs leave after their hand-off); false on time-out.
bool SettlesTo(int threads, int handles, DWORD milliseconds = 15000);

// A process started directly (not by a runner), ended with the object.
class TStranger {
public:
    explicit TStranger(const std::wstring& commandLine);
    ~TStranger();
    TStranger(const TStranger&) = delete;
    TStranger& operator=(const TStranger&) = delete;
    DWORD ID() const { return FInfo.dwProcessId; }
    HANDLE Handle() const { return FInfo.hProcess; }
    bool Alive() const { return WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT; }

private:
    PROCESS_INFORMATION FInfo{};
};

// A fresh folder under the temporary folder whose name holds blanks, &, ^, !,
// parentheses and non-ASCII letters; removed with its files at the end.
class TOddFolder {
public:
    TOddFolder();
    ~TOddFolder();
    const std::wstring& Path() const { return FPath; }
    // Copies a file into the folder; returns the copy's path.
    std::wstring Copy(const std::wstring& source, const std::wstring& name);

private:
    std::wstring FPath;
    std::vector<std::wstring> FFiles;
};

}  // namespace cpstest
