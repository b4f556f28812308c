#include "app/win/ConversionProgress.h"

#include "framework/win/Application.h"
#include "framework/win/Control.h"
#include "process/win/JvCreateProcess.h"
#include "watcher/ConsoleProgress.h"

TConversionProgress::TConversionProgress(TComponent* owner, TControl& bar, HWND taskbarWindow)
    : TComponent(owner), FBar(bar), FWatcher(new TJvCreateProcess(this)), FTaskbar(taskbarWindow)
{
    FWatcher->Name = L"cmdWatch";
    // Captured, no window, and no busy cursor while it starts.
    FWatcher->SetConsoleOptions(TJvConsoleOptions{coOwnerData, coRedirect});
    TJvCPSStartupInfo& startup = FWatcher->StartupInfo();
    startup.DefaultWindowState = false;
    startup.ShowWindow = swHide;
    startup.ForceOffFeedback = true;
    FWatcher->OnRead = [this](TJvCreateProcess*, const std::wstring& line, bool) { PercentRead(line); };
    // A watcher gone while the conversion runs: the bar cycles again.
    FWatcher->OnTerminate = [this](TJvCreateProcess*, std::uint32_t) { FKnown = false; };
}

void TConversionProgress::Started(DWORD consoleProcessId) noexcept
{
    StopWatcher();
    FKnown = false;
    FTaskbar.Show(TTaskbarState::Normal, FBar.Position());
    try {
        const std::wstring exe = ExecutablePath();
        FWatcher->SetApplicationName(exe);
        FWatcher->SetCommandLine(watcher::ComposeWatcherCommandLine(exe, consoleProcessId));
        FWatcher->SetCurrentDirectory(L"");
        FWatcher->SetWaitForTerminate(true);
        FWatcher->Run();
    } catch (...) {
        // The conversion goes on without it; the bar cycles.
    }
}

void TConversionProgress::PercentRead(const std::wstring& line)
{
    // A part of a line ("3" of "37") is passed over, as the share never falls.
    const std::optional<int> percent = watcher::ParsePercentLine(line);
    if (!percent || (FKnown && *percent <= FBar.Position()))
        return;
    FKnown = true;
    FBar.SetPosition(*percent);
    Mirror();
}

void TConversionProgress::Mirror() noexcept
{
    FTaskbar.Show(TTaskbarState::Normal, FBar.Position());
}

void TConversionProgress::StopWatcher() noexcept
{
    try {
        if (FWatcher->State() == psWaiting) {
            // It would end by itself within a look; it is not left to.
            FWatcher->Terminate();
            FWatcher->StopWaiting();
        }
    } catch (...) {
        // Only the closing of a process handle can fail here.
    }
}

void TConversionProgress::Ended(bool succeeded) noexcept
{
    StopWatcher();
    FKnown = false;
    if (succeeded)
        FTaskbar.Show(TTaskbarState::None);
    else
        FTaskbar.Show(TTaskbarState::Error, 100);
}

void TConversionProgress::Idle() noexcept
{
    FTaskbar.Show(TTaskbarState::None);
}
