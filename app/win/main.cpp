// Program entry: the start-up sequence, then the message loop until the
// main window closes.

#include "app/dialogs/win/Unit2.h"
#include "app/win/untMain.h"
#include "framework/win/Application.h"
#include "framework/win/OleApartment.h"
#include "framework/win/Theme.h"
#include "resources/Themes.h"
#include "sysinfo/win/SystemInfo.h"
#include "theme/win/ThemeEngine.h"
#include "watcher/win/ConsoleWatcher.h"
#include "widgets/linklabel/win/LinkLabelClass.h"

#include <memory>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Started by the main window to watch a conversion's console: only that.
    if (const std::optional<int> watcherExit = RunConsoleWatcherIfAsked())
        return *watcherExit;

    // This thread is OLE's single-threaded apartment before any window of
    // ours exists, for the screen readers that ask the windows from outside.
    const TOleApartment apartment;
    // The operating-system facts are gathered before anything else exists.
    InitSystemInfo();

    TApplication app;
    Application = &app;
    try {
        app.Initialize();

        RegisterBuiltInThemes();
        // A missing theme is reported and the system's look stays. The engine
        // outlives the windows it styles: they are destroyed first.
        std::unique_ptr<TThemeEngine> engine;
        if (ApplyTheme(kDefaultThemeName))
            engine = MakeThemeEngine(*ActiveTheme());
        TInstalledControlStyler styler(engine.get());

        // The main window's link labels are window-less link label controls.
        RegisterLinkLabel();

        // The forms' owner destroys them, the dialog first, when the loop ends.
        auto forms = std::make_unique<TComponent>(nullptr);
        auto* form1 = new TForm1(forms.get());
        new TForm2(forms.get(), form1->Handle());
        app.MainFormHandle = form1->Handle();
        form1->Show();
        app.Run();
    } catch (...) {
        app.HandleException(std::current_exception());
        return 1;
    }
    return 0;
}
