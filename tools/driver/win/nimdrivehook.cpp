// The hook library nimdrive places into a program's UI thread to read the
// fonts of its windows there, to drop files on a window as the shell does
// (the drop data must be memory of the program's process), and to make the
// program see high contrast as Windows' setting (HighContrastQuery.h).

#include "tools/driver/win/DropQuery.h"
#include "tools/driver/win/FontQuery.h"
#include "tools/driver/win/HighContrastQuery.h"

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

// ---- high contrast as the driver says

using SystemParametersInfoProc = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
SystemParametersInfoProc gRealSystemParametersInfo = nullptr;
bool gHighContrast = false;

BOOL WINAPI AnswerSystemParametersInfo(UINT action, UINT param, PVOID data, UINT winIni)
{
    if (action != SPI_GETHIGHCONTRAST || data == nullptr)
        return gRealSystemParametersInfo(action, param, data, winIni);
    auto* settings = static_cast<HIGHCONTRASTW*>(data);
    if (!gRealSystemParametersInfo(action, param, data, winIni))
        settings->dwFlags = 0;
    settings->dwFlags = gHighContrast ? (settings->dwFlags | HCF_HIGHCONTRASTON) : (settings->dwFlags & ~HCF_HIGHCONTRASTON);
    return TRUE;
}

// Replaces the program's import of user32's SystemParametersInfoW; true
// when it is replaced (now or before).
bool ReplaceImport()
{
    const auto base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return false;
    for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (_stricmp(reinterpret_cast<const char*>(base + import->Name), "user32.dll") != 0 ||
            import->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "SystemParametersInfoW") != 0)
                continue;
            const auto ours = reinterpret_cast<ULONG_PTR>(&AnswerSystemParametersInfo);
            if (slots->u1.Function == ours)
                return true;
            DWORD old = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &old))
                return false;
            gRealSystemParametersInfo = reinterpret_cast<SystemParametersInfoProc>(slots->u1.Function);
            slots->u1.Function = ours;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
            // The library must outlive the program's calls into it.
            HMODULE self = nullptr;
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                               reinterpret_cast<LPCWSTR>(&AnswerSystemParametersInfo), &self);
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK NimdriveCallWndProc(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT query = RegisterWindowMessageW(kFontQueryMessageName);
    static const UINT dropQuery = RegisterWindowMessageW(kDropMessageName);
    static const UINT highContrast = RegisterWindowMessageW(kHighContrastMessageName);
    if (code == HC_ACTION && lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (dropQuery && message->message == dropQuery) {
            // A hook cannot set the sent message's result; ReplyMessage
            // answers the waiting driver at once.
            ReplyMessage(PostDrop(message->hwnd, static_cast<DWORD>(message->wParam), message->lParam));
        }
        if (highContrast && message->message == highContrast) {
            gHighContrast = message->wParam != 0;
            ReplyMessage(ReplaceImport() ? 1 : 0);
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
