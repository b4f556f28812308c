#include "framework/win/GraphicAccessible.h"

#include "framework/win/GraphicHost.h"
#include "framework/win/SystemLibrary.h"

#include <oleacc.h>

#include <algorithm>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// Not IID_IAccessible: oleacc.dll exports that as data, which a plain
// extern reference through the import library does not reach.

// A string for the caller to free with SysFreeString; nullptr when out of
// memory. Its library is there whenever assistive technology asks.
BSTR AllocString(const std::wstring& text)
{
    using TSysAllocStringLen = BSTR(WINAPI*)(const OLECHAR*, UINT);
    static const auto allocate = SystemFunction<TSysAllocStringLen>(L"oleaut32.dll", "SysAllocStringLen");
    return allocate != nullptr ? allocate(text.data(), static_cast<UINT>(text.size())) : nullptr;
}

// How many child windows the system's object for the client counts: its
// children come first, the window-less controls after them.
long ChildWindowCount(HWND window)
{
    long count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

// The window-less controls of a host that present themselves, in their order.
std::vector<TGraphicControl*> PresentedControls(const TGraphicHost& host)
{
    std::vector<TGraphicControl*> presented;
    TAccessibleInfo info;
    for (const auto& c : host.Controls())
        if (c->GetAccessibleInfo(info))
            presented.push_back(c.get());
    return presented;
}

// The window's client as assistive technology sees it: the system's own
// object for the window (its child windows, its location, focus and so on)
// with the window-less controls that present themselves added as simple
// children after the system's. Nothing is cached: every answer asks the
// host, which may be gone by then (the object can outlive the window).
class TClientAccessible final : public IAccessible {
public:
    TClientAccessible(HWND window, IAccessible* standard) : FWindow(window), FStandard(standard) {}
    ~TClientAccessible() { FStandard->Release(); }
    TClientAccessible(const TClientAccessible&) = delete;
    TClientAccessible& operator=(const TClientAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FRefs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = InterlockedDecrement(&FRefs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

    // IDispatch: not offered; assistive technology uses the vtable.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return FStandard->get_accParent(parent); }

    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = ChildWindowCount(FWindow) + static_cast<long>(Presented().size());
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override
    {
        if (dispatch == nullptr)
            return E_POINTER;
        *dispatch = nullptr;
        return ForChild(
            child, [&] { return FStandard->get_accChild(child, dispatch); },
            [](TGraphicControl&, const TAccessibleInfo&) { return S_FALSE; });  // a simple element of this object
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        return Text(child, name, &IAccessible::get_accName, [](const TAccessibleInfo& info) { return info.Name; });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return Text(child, value, &IAccessible::get_accValue, nullptr);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override
    {
        return Text(child, description, &IAccessible::get_accDescription, nullptr);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override
    {
        return Text(child, help, &IAccessible::get_accHelp, nullptr);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override
    {
        return Text(child, shortcut, &IAccessible::get_accKeyboardShortcut, nullptr);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        return Text(child, action, &IAccessible::get_accDefaultAction,
                    [](const TAccessibleInfo& info) { return info.DefaultAction; });
    }

    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (role == nullptr)
            return E_POINTER;
        return ForChild(
            child, [&] { return FStandard->get_accRole(child, role); },
            [&](TGraphicControl&, const TAccessibleInfo& info) {
                VariantInitI4(*role, info.Role == TAccessibleRole::Link ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT);
                return S_OK;
            });
    }

    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        if (state == nullptr)
            return E_POINTER;
        return ForChild(
            child, [&] { return FStandard->get_accState(child, state); },
            [&](TGraphicControl& control, const TAccessibleInfo& info) {
                long bits = info.Role == TAccessibleRole::Link ? STATE_SYSTEM_LINKED : STATE_SYSTEM_READONLY;
                if (!control.Visible())
                    bits |= STATE_SYSTEM_INVISIBLE;
                if (!control.Enabled())
                    bits |= STATE_SYSTEM_UNAVAILABLE;
                if (control.CanFocus())
                    bits |= STATE_SYSTEM_FOCUSABLE;
                if (control.Focused())
                    bits |= STATE_SYSTEM_FOCUSED;
                VariantInitI4(*state, bits);
                return S_OK;
            });
    }

    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        return ForChild(
            child, [&] { return FStandard->get_accHelpTopic(file, child, topic); },
            [&](TGraphicControl&, const TAccessibleInfo&) {
                if (file != nullptr)
                    *file = nullptr;
                if (topic != nullptr)
                    *topic = 0;
                return S_FALSE;
            });
    }

    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        if (focus == nullptr)
            return E_POINTER;
        const std::vector<TGraphicControl*> presented = Presented();
        for (std::size_t i = 0; i < presented.size(); ++i) {
            if (presented[i]->Focused()) {
                VariantInitI4(*focus, ChildWindowCount(FWindow) + static_cast<long>(i) + 1);
                return S_OK;
            }
        }
        return FStandard->get_accFocus(focus);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        return FStandard->get_accSelection(selection);
    }

    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        // The controls take the focus, when they are tab stops, and no selection.
        return ForChild(
            child, [&] { return FStandard->accSelect(flags, child); },
            [&](TGraphicControl& control, const TAccessibleInfo&) {
                if (flags != SELFLAG_TAKEFOCUS || !control.CanFocus())
                    return DISP_E_MEMBERNOTFOUND;
                TGraphicHost::Of(FWindow)->TakeFocus(control);
                return S_OK;
            });
    }

    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override
    {
        return ForChild(
            child, [&] { return FStandard->accLocation(left, top, width, height, child); },
            [&](TGraphicControl& control, const TAccessibleInfo&) {
                if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
                    return E_POINTER;
                const RECT r = TGraphicHost::Of(FWindow)->ScreenRect(control);
                *left = r.left;
                *top = r.top;
                *width = r.right - r.left;
                *height = r.bottom - r.top;
                return S_OK;
            });
    }

    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        if (end == nullptr)
            return E_POINTER;
        if (start.vt != VT_I4)
            return E_INVALIDARG;
        // The child windows, then the controls presented here: the order
        // the Tab key goes. The system answers among its own children.
        const long windows = ChildWindowCount(FWindow);
        const long presented = static_cast<long>(Presented().size());
        const long from = start.lVal;
        long to = -1;
        if (from == CHILDID_SELF) {
            if (direction == NAVDIR_LASTCHILD && presented > 0)
                to = windows + presented;
            else if (direction == NAVDIR_FIRSTCHILD && windows == 0 && presented > 0)
                to = 1;
            else
                return FStandard->accNavigate(direction, start, end);
        } else if (from < 1 || from > windows + presented) {
            return E_INVALIDARG;
        } else if (from <= windows && !(direction == NAVDIR_NEXT && from == windows)) {
            return FStandard->accNavigate(direction, start, end);
        } else if (direction == NAVDIR_NEXT && from < windows + presented) {
            to = from + 1;
        } else if (direction == NAVDIR_PREVIOUS && from > windows + 1) {
            to = from - 1;
        } else if (direction == NAVDIR_PREVIOUS && from == windows + 1 && windows > 0) {
            to = windows;
        } else if (direction != NAVDIR_NEXT && direction != NAVDIR_PREVIOUS) {
            return FStandard->accNavigate(direction, start, end);
        }
        end->vt = VT_EMPTY;
        if (to < 0)
            return S_FALSE;
        VariantInitI4(*end, to);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        if (child == nullptr)
            return E_POINTER;
        if (TGraphicHost* host = TGraphicHost::Of(FWindow)) {
            POINT p{x, y};
            ScreenToClient(FWindow, &p);
            RECT client;
            GetClientRect(FWindow, &client);
            if (PtInRect(&client, p)) {
                const std::vector<TGraphicControl*> presented = Presented();
                TGraphicControl* hit = host->ControlAt(TPoint{p.x, p.y});
                for (std::size_t i = 0; i < presented.size(); ++i) {
                    if (presented[i] == hit) {
                        VariantInitI4(*child, ChildWindowCount(FWindow) + static_cast<long>(i) + 1);
                        return S_OK;
                    }
                }
            }
        }
        return FStandard->accHitTest(x, y, child);
    }

    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        return ForChild(child, [&] { return FStandard->accDoDefaultAction(child); },
                        [&](TGraphicControl& control, const TAccessibleInfo& info) {
                            if (info.DefaultAction.empty())
                                return DISP_E_MEMBERNOTFOUND;
                            TGraphicHost::Of(FWindow)->PostDefaultAction(control);
                            return S_OK;
                        });
    }

    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    static void VariantInitI4(VARIANT& v, long value)
    {
        v.vt = VT_I4;
        v.lVal = value;
    }

    // The window-less controls that present themselves, in their order.
    std::vector<TGraphicControl*> Presented() const
    {
        const TGraphicHost* host = TGraphicHost::Of(FWindow);
        return host != nullptr ? PresentedControls(*host) : std::vector<TGraphicControl*>{};
    }

    // Answers a question about a child: own() for one of the controls
    // presented here, forward() for the object itself or a child window,
    // the error for a child that does not exist.
    template <class Forward, class Own>
    HRESULT ForChild(const VARIANT& child, Forward forward, Own own) const
    {
        TGraphicControl* control = nullptr;
        TAccessibleInfo info;
        const HRESULT hr = Resolve(child, control, info);
        if (FAILED(hr))
            return hr;
        return control == nullptr ? forward() : own(*control, info);
    }

    // Which child a VARIANT names: the object itself or a child window
    // (control stays nullptr), or one of the controls presented here.
    HRESULT Resolve(const VARIANT& child, TGraphicControl*& control, TAccessibleInfo& info) const
    {
        control = nullptr;
        if (child.vt != VT_I4)
            return E_INVALIDARG;
        if (child.lVal == CHILDID_SELF)
            return S_OK;
        const long standard = ChildWindowCount(FWindow);
        if (child.lVal <= standard)
            return child.lVal > 0 ? S_OK : E_INVALIDARG;
        const std::vector<TGraphicControl*> presented = Presented();
        const long index = child.lVal - standard - 1;
        if (index >= static_cast<long>(presented.size()))
            return E_INVALIDARG;
        control = presented[static_cast<std::size_t>(index)];
        control->GetAccessibleInfo(info);
        return S_OK;
    }

    template <class Pick>
    HRESULT Text(const VARIANT& child, BSTR* out, HRESULT (STDMETHODCALLTYPE IAccessible::*standard)(VARIANT, BSTR*),
                 Pick pick)
    {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        return ForChild(child, [&] { return (FStandard->*standard)(child, out); },
                        [&](TGraphicControl&, const TAccessibleInfo& info) {
                            if constexpr (!std::is_same_v<Pick, std::nullptr_t>) {
                                const std::wstring text = pick(info);
                                if (!text.empty()) {
                                    *out = AllocString(text);
                                    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
                                }
                            }
                            return S_FALSE;
                        });
    }

    LONG FRefs = 1;
    HWND FWindow;
    IAccessible* FStandard;
};

}  // namespace

LRESULT AnswerAccessibleObject(TGraphicHost& host, WPARAM wParam, LPARAM lParam, bool& answered)
{
    answered = false;
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT) || host.Controls().empty())
        return 0;
    // Assistive technology asks rarely: its library is loaded when it does.
    using TCreateStdAccessibleObject = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using TLresultFromObject = LRESULT(WINAPI*)(REFIID, WPARAM, IUnknown*);
    static const auto createStandard =
        SystemFunction<TCreateStdAccessibleObject>(L"oleacc.dll", "CreateStdAccessibleObject");
    static const auto lresultFromObject = SystemFunction<TLresultFromObject>(L"oleacc.dll", "LresultFromObject");
    IAccessible* standard = nullptr;
    if (createStandard == nullptr || lresultFromObject == nullptr ||
        FAILED(createStandard(host.Handle(), OBJID_CLIENT, __uuidof(IAccessible),
                              reinterpret_cast<void**>(&standard))) ||
        standard == nullptr)
        return 0;
    auto* client = new (std::nothrow) TClientAccessible(host.Handle(), standard);
    if (client == nullptr) {
        standard->Release();
        return 0;
    }
    const LRESULT result = lresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(client));
    client->Release();  // LresultFromObject holds its own reference
    // An error (no COM on this thread, say) would reach the asking program
    // as the answer: it gets the system's own object instead.
    answered = !FAILED(static_cast<HRESULT>(result));
    return answered ? result : 0;
}

void NotifyAccessibleFocus(TGraphicHost& host, const TGraphicControl& control)
{
    const std::vector<TGraphicControl*> presented = PresentedControls(host);
    const auto found = std::find(presented.begin(), presented.end(), &control);
    if (found == presented.end())
        return;
    NotifyWinEvent(EVENT_OBJECT_FOCUS, host.Handle(), OBJID_CLIENT,
                   ChildWindowCount(host.Handle()) + static_cast<LONG>(found - presented.begin()) + 1);
}
