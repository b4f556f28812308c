#include "framework/win/Shell.h"

#include "framework/win/SystemLibrary.h"

namespace {

constexpr wchar_t kShell[] = L"shell32.dll";

}  // namespace

HINSTANCE ShellExecuteFile(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                           const wchar_t* directory, int show)
{
    using TShellExecute = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    static const auto shellExecute = SystemFunction<TShellExecute>(kShell, "ShellExecuteW");
    if (shellExecute == nullptr)
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
    return shellExecute(owner, verb, file, parameters, directory, show);
}

void AcceptDroppedFiles(HWND window, bool accept)
{
    // What the shell's DragAcceptFiles does, without loading the shell.
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    SetWindowLongPtrW(window, GWL_EXSTYLE, accept ? exStyle | WS_EX_ACCEPTFILES : exStyle & ~WS_EX_ACCEPTFILES);
}

UINT DroppedFile(HDROP drop, UINT index, wchar_t* buffer, UINT size)
{
    using TDragQueryFile = UINT(WINAPI*)(HDROP, UINT, LPWSTR, UINT);
    static const auto dragQueryFile = SystemFunction<TDragQueryFile>(kShell, "DragQueryFileW");
    return dragQueryFile != nullptr ? dragQueryFile(drop, index, buffer, size) : 0;
}

void FinishDrop(HDROP drop)
{
    using TDragFinish = void(WINAPI*)(HDROP);
    static const auto dragFinish = SystemFunction<TDragFinish>(kShell, "DragFinish");
    if (dragFinish != nullptr)
        dragFinish(drop);
}
