#include "framework/win/TaskbarProgress.h"

#include "framework/win/SystemLibrary.h"

#include <objbase.h>
#include <shobjidl.h>

namespace {

constexpr wchar_t kCom[] = L"ole32.dll";

using TCoInitializeEx = HRESULT(WINAPI*)(LPVOID, DWORD);
using TCoUninitialize = void(WINAPI*)();
using TCoCreateInstance = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

TBPFLAG Flag(TTaskbarState state)
{
    switch (state) {
    case TTaskbarState::Normal:
        return TBPF_NORMAL;
    case TTaskbarState::Error:
        return TBPF_ERROR;
    case TTaskbarState::None:
        break;
    }
    return TBPF_NOPROGRESS;
}

}  // namespace

TTaskbarProgress::~TTaskbarProgress()
{
    if (FList != nullptr)
        FList->Release();
    // The object goes before the apartment it lives in.
    if (FComEntered) {
        if (const auto uninitialize = SystemFunction<TCoUninitialize>(kCom, "CoUninitialize"))
            uninitialize();
    }
}

bool TTaskbarProgress::Ready() noexcept
{
    if (FTried)
        return FList != nullptr;
    FTried = true;
    const auto initialize = SystemFunction<TCoInitializeEx>(kCom, "CoInitializeEx");
    const auto create = SystemFunction<TCoCreateInstance>(kCom, "CoCreateInstance");
    if (initialize == nullptr || create == nullptr)
        return false;
    // The user-interface thread is a single-threaded apartment; entering it
    // again (S_FALSE) is counted too and left again at the end. A thread
    // already in the other kind of apartment can use the object as well.
    const HRESULT entered = initialize(nullptr, COINIT_APARTMENTTHREADED);
    FComEntered = SUCCEEDED(entered);
    if (FAILED(entered) && entered != RPC_E_CHANGED_MODE)
        return false;
    void* list = nullptr;
    if (FAILED(create(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &list)) || list == nullptr)
        return false;
    FList = static_cast<ITaskbarList3*>(list);
    if (FAILED(FList->HrInit())) {
        FList->Release();
        FList = nullptr;
    }
    return FList != nullptr;
}

void TTaskbarProgress::Show(TTaskbarState state, int percent) noexcept
{
    if (!Ready())
        return;
    FList->SetProgressState(FWindow, Flag(state));
    if (state != TTaskbarState::None)
        FList->SetProgressValue(FWindow, static_cast<ULONGLONG>(percent < 0 ? 0 : percent > 100 ? 100 : percent), 100);
}
