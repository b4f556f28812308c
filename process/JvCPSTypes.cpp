#include "process/JvCPSTypes.h"

std::uint32_t ProcessPriorityValue(TJvProcessPriority priority) noexcept
{
    switch (priority) {
    case ppIdle: return 0x40;
    case ppNormal: return 0x20;
    case ppHigh: return 0x80;
    case ppRealTime: return 0x100;
    case ppBelowNormal: return 0x4000;
    case ppAboveNormal: return 0x8000;
    }
    return 0x20;
}

std::uint32_t CreationFlagValue(TJvCPSFlag flag) noexcept
{
    switch (flag) {
    case cfDefaultErrorMode: return 0x4000000;
    case cfNewConsole: return 0x10;
    case cfNewProcGroup: return 0x200;
    case cfSeparateWdm: return 0x800;
    case cfSharedWdm: return 0x1000;
    case cfSuspended: return 0x4;
    case cfUnicode: return 0x400;
    case cfDetached: return 0x8;
    }
    return 0;
}

std::uint16_t ShowWindowValue(TJvCPSShowWindow show) noexcept
{
    switch (show) {
    case swHide: return 0;
    case swMinimize: return 2;
    case swMaximize: return 3;
    case swNormal: return 1;
    }
    return 1;
}

std::uint32_t ComposeCreationFlags(TJvProcessPriority priority, TJvCPSFlags flags) noexcept
{
    std::uint32_t value = ProcessPriorityValue(priority);
    for (TJvCPSFlag flag : {cfDefaultErrorMode, cfNewConsole, cfNewProcGroup, cfSeparateWdm, cfSharedWdm, cfSuspended,
                            cfUnicode, cfDetached}) {
        if (flags.Contains(flag))
            value |= CreationFlagValue(flag);
    }
    return value;
}

std::wstring ComposeThreadDebugName(const std::wstring& threadName, const std::wstring& className)
{
    if (threadName.empty())
        return className;
    return threadName + L" {" + className + L"}";
}
