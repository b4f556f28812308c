#include "tools/driver/win/DropFiles.h"

#include "tools/driver/win/DropQuery.h"
#include "tools/driver/win/Handle.h"
#include "tools/driver/win/HookLibrary.h"
#include "tools/driver/win/WindowSearch.h"

#include <cstring>

namespace {

class MappedView {
public:
    explicit MappedView(void* view) : FView(view) {}
    ~MappedView()
    {
        if (FView)
            UnmapViewOfFile(FView);
    }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    void* get() const { return FView; }

private:
    void* FView;
};

[[noreturn]] void Fail(const std::wstring& message) { throw EDriverFailure("error", message); }

}  // namespace

JsonValue DropFiles(HWND top, const std::vector<std::wstring>& paths, POINT clientPoint)
{
    std::wstring list;
    for (const auto& p : paths) {
        list += p;
        list += L'\0';
    }
    list += L'\0';
    const DWORD bytes = static_cast<DWORD>(list.size() * sizeof(wchar_t));

    KernelHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(DropHeader) + bytes, DropMappingName(GetCurrentProcessId()).c_str()));
    if (!mapping)
        ThrowLastError(L"CreateFileMappingW");
    {
        MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
        if (!view.get())
            ThrowLastError(L"MapViewOfFile");
        DropHeader header{bytes};
        std::memcpy(view.get(), &header, sizeof header);
        std::memcpy(static_cast<char*>(view.get()) + sizeof header, list.data(), bytes);
    }

    HookLibrary library;
    if (!library.Procedure())
        Fail(library.Problem());
    const UINT message = RegisterWindowMessageW(kDropMessageName);
    std::optional<LRESULT> answer;
    {
        HookHandle hook(SetWindowsHookExW(WH_CALLWNDPROC, library.Procedure(), library.Module(), GetWindowThreadProcessId(top, nullptr)));
        if (!hook)
            ThrowLastError(L"SetWindowsHookExW");
        answer = SendWithTimeout(top, message, GetCurrentProcessId(),
                                 MAKELPARAM(static_cast<short>(clientPoint.x), static_cast<short>(clientPoint.y)));
    }
    if (!answer)
        throw EDriverFailure("timeout", L"the program did not take the drop");
    if (*answer != 1)
        Fail(L"the hook could not post the drop");
    LetSettle(top, 250);
    JsonValue files = JsonValue::MakeArray();
    for (const auto& p : paths)
        files.Push(p);
    return JsonValue::MakeObject().Set("dropped", std::move(files)).Set("hwnd", HandleValue(top));
}
