#include "tools/driver/win/FontReader.h"

#include "tools/driver/win/FontQuery.h"
#include "tools/driver/win/Handle.h"
#include "tools/driver/win/HookLibrary.h"
#include "tools/driver/win/Watchdog.h"
#include "tools/driver/win/WindowSearch.h"

#include <vector>

namespace {

struct Reply {
    std::vector<FontRecord> Records;
    bool Received = false;
};

LRESULT CALLBACK ReplyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COPYDATA) {
        auto* reply = reinterpret_cast<Reply*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (reply && data && data->dwData == kFontReplyTag && data->cbData % sizeof(FontRecord) == 0) {
            const auto* first = static_cast<const FontRecord*>(data->lpData);
            reply->Records.assign(first, first + data->cbData / sizeof(FontRecord));
            reply->Received = true;
            return TRUE;
        }
        return FALSE;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

FontReader::FontReader(HWND top)
{
    SetPhase(L"reading fonts through the hook", reinterpret_cast<std::uintptr_t>(top));
    const UINT query = RegisterWindowMessageW(kFontQueryMessageName);
    HookLibrary library;
    if (!library.Procedure()) {
        FProblem = library.Problem();
        return;
    }

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ReplyProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NimdriveFontReply";
    RegisterClassExW(&wc);
    WindowHandle replyWindow(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                             wc.hInstance, nullptr));
    if (!replyWindow) {
        FProblem = L"no reply window";
        return;
    }
    Reply reply;
    SetWindowLongPtrW(replyWindow.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reply));

    {
        HookHandle hook(SetWindowsHookExW(WH_CALLWNDPROC, library.Procedure(), library.Module(), GetWindowThreadProcessId(top, nullptr)));
        if (!hook) {
            FProblem = L"SetWindowsHookExW failed, error " + std::to_wstring(GetLastError());
            return;
        }
        // While this waits, our thread takes the hook's WM_COPYDATA.
        SendWithTimeout(top, query, reinterpret_cast<WPARAM>(replyWindow.get()), 0);
    }
    SetWindowLongPtrW(replyWindow.get(), GWLP_USERDATA, 0);
    if (!reply.Received) {
        FProblem = L"the program did not answer the font query";
        return;
    }
    for (const auto& r : reply.Records) {
        Entry e;
        e.HasFont = r.HasFont != 0;
        e.Readable = r.Readable != 0;
        e.Font = r.Font;
        e.Font.lfFaceName[LF_FACESIZE - 1] = L'\0';
        FEntries[reinterpret_cast<HWND>(static_cast<std::uintptr_t>(r.Hwnd))] = e;
    }
}

JsonValue FontReader::FontOf(HWND hwnd) const
{
    auto it = FEntries.find(hwnd);
    if (it == FEntries.end()) {
        return JsonValue::MakeObject().Set("readable", false).Set(
            "problem", FProblem.empty() ? std::wstring(L"window created after the query") : FProblem);
    }
    const Entry& e = it->second;
    if (!e.HasFont)
        return JsonValue();
    if (!e.Readable)
        return JsonValue::MakeObject().Set("readable", false).Set("problem", L"GetObjectW failed");
    return JsonValue::MakeObject()
        .Set("face", std::wstring(e.Font.lfFaceName))
        .Set("height", e.Font.lfHeight)
        .Set("weight", e.Font.lfWeight)
        .Set("italic", e.Font.lfItalic != 0)
        .Set("underline", e.Font.lfUnderline != 0)
        .Set("strikeout", e.Font.lfStrikeOut != 0)
        .Set("charset", static_cast<int>(e.Font.lfCharSet))
        .Set("readable", true);
}

bool FontReader::LogFontOf(HWND hwnd, LOGFONTW& font) const
{
    auto it = FEntries.find(hwnd);
    if (it == FEntries.end() || !it->second.HasFont || !it->second.Readable)
        return false;
    font = it->second.Font;
    return true;
}
