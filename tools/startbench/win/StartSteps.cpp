// Nimbrel's start-up sequence, step by step, each timed: what the program
// entry does, in the same order, with the same windows, manifest and
// libraries. Prints one line per step ("<ms> <step>"), then ends without a
// message loop.
//
//   startsteps.exe           the sequence
//   startsteps.exe --parts   what the parts of a window cost the first time
//                            in a process: the first window, each font of
//                            the window definitions, one control of each
//                            kind, the system line, showing and painting

#include "app/dialogs/win/Unit2.h"
#include "app/win/untMain.h"
#include "framework/Exception.h"
#include "framework/StrUtils.h"
#include "framework/win/Application.h"
#include "framework/win/OleApartment.h"
#include "framework/win/Theme.h"
#include "resources/Forms.h"
#include "resources/Themes.h"
#include "sysinfo/win/SystemInfo.h"
#include "theme/win/ThemeEngine.h"
#include "widgets/linklabel/win/LinkLabelClass.h"
#include "tools/startbench/win/Clock.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// Milliseconds from the creation of this process to now.
double SinceProcessCreation()
{
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    using TPrecise = void(WINAPI*)(LPFILETIME);
    static const auto precise = reinterpret_cast<TPrecise>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    if (precise != nullptr)
        precise(&now);
    else
        GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

class TSteps {
public:
    void Step(const char* what)
    {
        const double now = FClock.Milliseconds();
        std::printf("%8.1f %s\n", now - FLast, what);
        FLast = now;
    }
    double Total() const { return FClock.Milliseconds(); }

private:
    TStopwatch FClock;
    double FLast = 0;
};

// Creates fonts and controls as the forms do, each kind once, timed.
int MeasureParts()
{
    TSteps steps;
    InitSystemInfo();
    steps.Step("system facts");
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    steps.Step("common controls");
    const HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 535, 343, nullptr,
                                      nullptr, nullptr, nullptr);
    steps.Step("the process's first window");

    const HDC dc = GetDC(host);
    std::set<std::wstring> fontsSeen;
    std::vector<HFONT> fonts;
    for (const TFormDef* form : {&MainFormDef, &InfoFormDef}) {
        std::vector<const TFontDef*> defs{&form->Font};
        for (std::size_t i = 0; i < form->ControlCount; ++i)
            if (form->Controls[i].Font != nullptr)
                defs.push_back(form->Controls[i].Font);
        for (const TFontDef* font : defs) {
            const std::wstring name = std::wstring(font->Face) + L" " + std::to_wstring(font->PixelHeight) +
                                      (font->Bold ? L" bold" : L"");
            if (!fontsSeen.insert(name).second)
                continue;
            const HFONT handle = CreateFontW(-font->PixelHeight, 0, 0, 0, font->Bold ? FW_BOLD : FW_NORMAL, FALSE,
                                             FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font->Face);
            const HGDIOBJ old = SelectObject(dc, handle);
            SIZE size;
            GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
            SelectObject(dc, old);
            fonts.push_back(handle);
            steps.Step(("font " + WideToUtf8(name) + " (made and measured)").c_str());
        }
    }
    ReleaseDC(host, dc);

    struct TKind {
        const char* Name;
        const wchar_t* Class;
        DWORD Style;
    } const kinds[] = {
        {"button", L"BUTTON", BS_PUSHBUTTON},
        {"radio button", L"BUTTON", BS_AUTORADIOBUTTON},
        {"group box", L"BUTTON", BS_GROUPBOX},
        {"label", L"STATIC", SS_LEFT},
        {"edit", L"EDIT", ES_AUTOHSCROLL},
        {"memo", L"EDIT", ES_MULTILINE | WS_VSCROLL | WS_HSCROLL},
        {"combo box", L"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL},
        {"progress bar", PROGRESS_CLASSW, 0},
    };
    for (const TKind& kind : kinds) {
        CreateWindowExW(0, kind.Class, L"Probe", WS_CHILD | WS_VISIBLE | kind.Style, 0, 0, 80, 24, host, nullptr,
                        nullptr, nullptr);
        steps.Step((std::string("control: ") + kind.Name).c_str());
    }
    SystemLineForThisSystem();
    steps.Step("system line");
    ShowWindow(host, SW_SHOW);
    steps.Step("shown");
    RedrawWindow(host, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    steps.Step("painted");
    DestroyWindow(host);
    for (HFONT font : fonts)
        DeleteObject(font);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wstring(argv[1]) == L"--parts")
        return MeasureParts();

    const double toEntry = SinceProcessCreation();
    TSteps steps;
    std::printf("%8.1f process creation to program entry (loader, libraries, runtime)\n", toEntry);

    const TOleApartment apartment;
    steps.Step("OLE apartment");

    InitSystemInfo();
    steps.Step("system facts");

    TApplication app;
    Application = &app;
    int result = 0;
    try {
        app.Initialize();
        steps.Step("application object");

        RegisterBuiltInThemes();
        std::unique_ptr<TThemeEngine> engine;
        if (ApplyTheme(kDefaultThemeName))
            engine = MakeThemeEngine(*ActiveTheme());
        TInstalledControlStyler styler(engine.get());
        steps.Step("theme");
        RegisterLinkLabel();
        steps.Step("link label class");

        auto forms = std::make_unique<TComponent>(nullptr);
        auto* form1 = new TForm1(forms.get());
        steps.Step("main window created (controls, fonts, FormCreate)");
        new TForm2(forms.get(), form1->Handle());
        steps.Step("info dialog created");
        app.MainFormHandle = form1->Handle();
        form1->Show();
        steps.Step("main window shown");
        RedrawWindow(form1->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        steps.Step("main window painted");
        app.ProcessMessages();
        steps.Step("pending messages handled");
        std::printf("%8.1f total from program entry\n", steps.Total());
        std::printf("%8.1f total from process creation\n", toEntry + steps.Total());
        forms.reset();
    } catch (...) {
        // No box: nobody would be there to close it.
        std::fprintf(stderr, "%s\n", WideToUtf8(ExceptionDisplayText(std::current_exception())).c_str());
        result = 1;
    }
    std::fflush(stdout);
    return result;
}
