#pragma once
// The real progress of a running conversion on ProgressBar1 and on the
// taskbar button. A watcher (the program in its helper mode, see
// watcher/win/ConsoleWatcher.h) reads the percentage wimlib-imagex shows in
// the conversion's console and prints it; its output is captured here.
// Until a percentage arrives, and again when the watcher is gone while the
// conversion runs, the bar cycles as Timer1 drives it.
//
// One bar for the whole run: export, integrity table and verification each
// fill their measured share of it (watcher/ConsoleProgress.h).

#include "framework/win/Component.h"
#include "framework/win/TaskbarProgress.h"

#include <windows.h>

class TControl;
class TJvCreateProcess;

class TConversionProgress : public TComponent {
public:
    TConversionProgress(TComponent* owner, TControl& bar, HWND taskbarWindow);

    // The conversion's interpreter runs as process consoleProcessId: starts
    // its watcher. A watcher that cannot start leaves the bar cycling.
    void Started(DWORD consoleProcessId) noexcept;
    // Whether the bar shows a percentage read from the console (and Timer1
    // therefore does not cycle it).
    bool Known() const noexcept { return FKnown; }
    // The bar's position also on the taskbar button, after Timer1 moved it.
    void Mirror() noexcept;
    // The conversion has ended: the watcher is ended too, and the taskbar
    // button shows an error until Idle, or nothing after a success.
    void Ended(bool succeeded) noexcept;
    void Idle() noexcept;

private:
    void PercentRead(const std::wstring& line);
    void StopWatcher() noexcept;

    TControl& FBar;
    TJvCreateProcess* FWatcher;
    TTaskbarProgress FTaskbar;
    bool FKnown = false;
};
