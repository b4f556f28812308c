#include "framework/win/Application.h"

#include "framework/Exception.h"
#include "framework/StrUtils.h"
#include "framework/win/Dialogs.h"
#include "framework/win/OSError.h"

#include <algorithm>

TApplication* Application = nullptr;

namespace {

constexpr UINT WM_SYNCHRONIZE = WM_APP + 1;
constexpr wchar_t kSyncWindowClass[] = L"TApplicationSync";

struct TSyncRequest {
    const std::function<void()>* Work;
    HANDLE Done;
};

}  // namespace

std::wstring ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            RaiseLastOSError();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

TApplication::TApplication()
    : FMainThreadId(GetCurrentThreadId()), FShutdownEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (!FShutdownEvent)
        RaiseLastOSError();
}

TApplication::~TApplication()
{
    // Hand-off requests still queued are dropped with the window; the threads
    // that wait for them are released by the shutdown event.
    FSyncWindow.reset();
    SetEvent(FShutdownEvent.get());
    if (Application == this)
        Application = nullptr;
}

void TApplication::Initialize()
{
    Title = ApplicationTitleFromExePath(ExecutablePath());

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TApplication::SyncWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kSyncWindowClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError();
    FSyncWindow.reset(CreateWindowExW(0, kSyncWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      wc.hInstance, nullptr));
    if (!FSyncWindow)
        RaiseLastOSError();
}

LRESULT CALLBACK TApplication::SyncWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYNCHRONIZE) {
        auto* request = reinterpret_cast<TSyncRequest*>(lParam);
        GuardCallback([&] { (*request->Work)(); });
        SetEvent(request->Done);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool TApplication::Synchronize(const std::function<void()>& work)
{
    if (IsMainThread()) {
        work();
        return true;
    }
    TKernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done || !FSyncWindow)
        return false;
    TSyncRequest request{&work, done.get()};
    if (!PostMessageW(FSyncWindow.get(), WM_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&request)))
        return false;
    const HANDLE waits[2] = {done.get(), FShutdownEvent.get()};
    return WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0;
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    if (msg.hwnd != nullptr && !FDialogWindows.empty()) {
        const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        const auto found = std::find_if(FDialogWindows.begin(), FDialogWindows.end(),
                                        [&](const TDialogWindow& d) { return d.Window == root; });
        if (found != FDialogWindows.end()) {
            const bool tab = msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
                             GetKeyState(VK_MENU) >= 0;
            bool moved = false;
            if (tab && found->Tab) {
                const std::function<bool(bool)> move = found->Tab;
                GuardCallback([&] { moved = move(GetKeyState(VK_SHIFT) < 0); });
            }
            if (moved || IsDialogMessageW(root, &msg))
                return true;
        }
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void TApplication::Run()
{
    // HandleMessage marks the end when WM_QUIT arrives.
    while (!FTerminated)
        HandleMessage();
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        ProcessMessage(msg);
}

bool TApplication::HandleMessage()
{
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
        FTerminated = true;
        return false;
    }
    if (got != -1)
        ProcessMessage(msg);
    return true;
}

void TApplication::WaitForMessage()
{
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void TApplication::Terminate()
{
    FTerminated = true;
    PostQuitMessage(0);
}

void TApplication::HandleException(std::exception_ptr failure) noexcept
{
    ShowException(ExceptionDisplayText(failure));
}

void TApplication::ShowException(const std::wstring& text) noexcept
{
    ShowMessageBox(GetActiveWindow(), text, Title, MB_OK | MB_ICONERROR);
}

void TApplication::AddDialogNavigation(HWND window, std::function<bool(bool backward)> tab)
{
    FDialogWindows.push_back({window, std::move(tab)});
}

void TApplication::RemoveDialogNavigation(HWND window)
{
    FDialogWindows.erase(std::remove_if(FDialogWindows.begin(), FDialogWindows.end(),
                                        [&](const TDialogWindow& d) { return d.Window == window; }),
                         FDialogWindows.end());
}
