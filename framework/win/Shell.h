#pragma once
// The shell's calls the program makes: opening a page or a program, and
// files dropped from Explorer. The shell's library is loaded on first use
// (see SystemLibrary.h); where it cannot be, the calls answer as failed.

#include <windows.h>

#include <shellapi.h>

// As ShellExecuteW: a value above 32 is success.
HINSTANCE ShellExecuteFile(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                           const wchar_t* directory, int show);

// Whether the window takes files dropped from Explorer (WM_DROPFILES).
void AcceptDroppedFiles(HWND window, bool accept);
// As DragQueryFileW and DragFinish.
UINT DroppedFile(HDROP drop, UINT index, wchar_t* buffer, UINT size);
void FinishDrop(HDROP drop);
