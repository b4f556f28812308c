// The hook library nimdrive places into a program's UI thread to read the
// fonts of its windows there. It only reads, and answers the one query.

#include "tools/driver/win/FontQuery.h"

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

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK NimdriveCallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT query = RegisterWindowMessageW(kFontQueryMessageName);
    if (code == HC_ACTION && lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
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
