// The hook library nimdrive places into a program's UI thread to read the
// fonts of its windows there, and to drop files on a window as the shell
// does (the drop data must be memory of the program's process).

#include "tools/driver/win/DropQuery.h"
#include "tools/driver/win/FontQuery.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

namespace {

struct Collector {
    std::vector<FontRecord> Records;
};

void Collect(HWND hwnd, Collector& c)
{
    FontRecord r{};
    r.Hwnd = reinterpret_cast<std::uintptr_t>(hwnd);
    DWORD_PTR font = 0;
    // Bounded, in case the window belongs to another thread that hangs.
    if (SendMessageTimeoutW(hwnd, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, 2000, &font) && font) {
        r.HasFont = 1;
        r.Readable = GetObjectW(reinterpret_cast<HGDIOBJ>(font), sizeof r.Font, &r.Font) == sizeof r.Font;
    }
    c.Records.push_back(r);
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param)
{
    Collect(hwnd, *reinterpret_cast<Collector*>(param));
    return TRUE;
}

void Answer(HWND top, HWND replyTo)
{
    Collector c;
    Collect(top, c);
    EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&c));
    COPYDATASTRUCT data{};
    data.dwData = kFontReplyTag;
    data.cbData = static_cast<DWORD>(c.Records.size() * sizeof(FontRecord));
    data.lpData = c.Records.data();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(replyTo, WM_COPYDATA, reinterpret_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&data),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
}

// Builds the HDROP from the driver's file list and posts it; 1 on success.
LRESULT PostDrop(HWND top, DWORD driverPid, LPARAM point)
{
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, DropMappingName(driverPid).c_str());
    if (!mapping)
        return 0;
    LRESULT result = 0;
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0)) {
        DropHeader header{};
        std::memcpy(&header, view, sizeof header);
        if (HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + header.Bytes)) {
            if (auto* drop = static_cast<DROPFILES*>(GlobalLock(memory))) {
                drop->pFiles = sizeof(DROPFILES);
                drop->pt.x = static_cast<short>(LOWORD(point));
                drop->pt.y = static_cast<short>(HIWORD(point));
                drop->fNC = FALSE;
                drop->fWide = TRUE;
                std::memcpy(drop + 1, static_cast<const char*>(view) + sizeof header, header.Bytes);
                GlobalUnlock(memory);
                // Whoever takes the message frees the data (DragFinish).
                if (PostMessageW(top, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0))
                    result = 1;
            }
            if (!result)
                GlobalFree(memory);
        }
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return result;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK NimdriveCallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT query = RegisterWindowMessageW(kFontQueryMessageName);
    static const UINT dropQuery = RegisterWindowMessageW(kDropMessageName);
    if (code == HC_ACTION && lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (dropQuery && message->message == dropQuery) {
            // A hook cannot set the sent message's result; ReplyMessage
            // answers the waiting driver at once.
            ReplyMessage(PostDrop(message->hwnd, static_cast<DWORD>(message->wParam), message->lParam));
        }
        if (query && message->message == query) {
            // Never let anything escape into the program we visit.
            try {
                Answer(message->hwnd, reinterpret_cast<HWND>(message->wParam));
            } catch (...) {
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The driver looks the procedure up by name and calls it as a HOOKPROC: the
// compiler checks here what that cast cannot (the 32-bit calling convention).
#include <type_traits>
static_assert(std::is_same_v<decltype(&NimdriveCallWndProc), HOOKPROC>);
