#include "tools/driver/win/Accessibility.h"

#include "tools/driver/CommandLine.h"

#include <oleacc.h>


namespace {

// The apartment of the driver's thread, for the calls into the other process.
class Apartment {
public:
    Apartment() : FEntered(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~Apartment()
    {
        if (FEntered)
            CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

private:
    bool FEntered;
};

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr()
    {
        if (FValue)
            FValue->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** Put() { return &FValue; }
    T* operator->() const { return FValue; }
    explicit operator bool() const { return FValue != nullptr; }

private:
    T* FValue = nullptr;
};

VARIANT Child(long id)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring Hex(HRESULT hr) { return HexText(static_cast<std::uint32_t>(hr)); }

JsonValue Text(IAccessible& object, long id, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*))
{
    BSTR text = nullptr;
    if ((object.*get)(Child(id), &text) != S_OK || text == nullptr)
        return JsonValue();
    JsonValue value{std::wstring(text, SysStringLen(text))};
    SysFreeString(text);
    return value;
}

JsonValue Number(HRESULT hr, const VARIANT& v)
{
    return hr == S_OK && v.vt == VT_I4 ? JsonValue(static_cast<std::int64_t>(v.lVal)) : JsonValue();
}

JsonValue Describe(IAccessible& object, long id)
{
    VARIANT role;
    VariantInit(&role);
    const HRESULT roleResult = object.get_accRole(Child(id), &role);
    VARIANT state;
    VariantInit(&state);
    const HRESULT stateResult = object.get_accState(Child(id), &state);
    long x = 0, y = 0, w = 0, h = 0;
    JsonValue location;
    if (object.accLocation(&x, &y, &w, &h, Child(id)) == S_OK)
        location = JsonValue::MakeObject()
                       .Set("left", static_cast<std::int64_t>(x))
                       .Set("top", static_cast<std::int64_t>(y))
                       .Set("width", static_cast<std::int64_t>(w))
                       .Set("height", static_cast<std::int64_t>(h));
    JsonValue result = JsonValue::MakeObject()
                           .Set("id", static_cast<std::int64_t>(id))
                           .Set("role", Number(roleResult, role))
                           .Set("name", Text(object, id, &IAccessible::get_accName))
                           .Set("state", Number(stateResult, state))
                           .Set("location", std::move(location))
                           .Set("default_action", Text(object, id, &IAccessible::get_accDefaultAction));
    VariantClear(&role);
    VariantClear(&state);
    return result;
}

long Direction(const std::wstring& name)
{
    if (name == L"next")
        return NAVDIR_NEXT;
    if (name == L"previous")
        return NAVDIR_PREVIOUS;
    if (name == L"first")
        return NAVDIR_FIRSTCHILD;
    if (name == L"last")
        return NAVDIR_LASTCHILD;
    throw EUsageError(L"--navigate takes next, previous, first or last");
}

}  // namespace

JsonValue AccessibleClient(HWND window, const AccessibleRequest& request)
{
    const Apartment apartment;
    // __uuidof: oleacc exports IID_IAccessible as data, which a plain
    // reference through the import library does not reach.
    ComPtr<IAccessible> object;
    const HRESULT got = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                   reinterpret_cast<void**>(object.Put()));
    if (FAILED(got) || !object)
        throw EDriverFailure("not-found", L"no accessible object for the window's client (" + Hex(got) + L")");
    long count = 0;
    object->get_accChildCount(&count);
    JsonValue children = JsonValue::MakeArray();
    for (long id = 1; id <= count; ++id)
        children.Push(Describe(*object.operator->(), id));

    VARIANT focus;
    VariantInit(&focus);
    const HRESULT focusResult = object->get_accFocus(&focus);
    JsonValue result = JsonValue::MakeObject()
                           .Set("hwnd", static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(window)))
                           .Set("child_count", static_cast<std::int64_t>(count))
                           .Set("children", std::move(children))
                           .Set("focus", Number(focusResult, focus));
    VariantClear(&focus);

    if (request.Direction) {
        VARIANT end;
        VariantInit(&end);
        const HRESULT hr = object->accNavigate(Direction(*request.Direction), Child(request.From), &end);
        result.Set("navigation", JsonValue::MakeObject()
                                     .Set("from", static_cast<std::int64_t>(request.From))
                                     .Set("direction", *request.Direction)
                                     .Set("result", Hex(hr))
                                     .Set("to", Number(hr, end)));
        VariantClear(&end);
    }
    if (request.DoDefault) {
        const HRESULT hr = object->accDoDefaultAction(Child(*request.DoDefault));
        result.Set("default_action", JsonValue::MakeObject()
                                         .Set("child", static_cast<std::int64_t>(*request.DoDefault))
                                         .Set("result", Hex(hr)));
    }
    return result;
}
