#pragma once
// The process runner's enumerations and sets, the platform value each member
// stands for, and its own failure type. Portable: the values are the
// documented constants of the Windows API, written out here so that the
// composition can be tested without the platform headers (the Win32 side
// checks them against <windows.h> at compile time).

#include "framework/Exception.h"

#include <cstdint>
#include <initializer_list>
#include <string>

// A set of members of a small enumeration (at most 32 members), as a bit mask.
template <typename E>
class TSet {
public:
    constexpr TSet() noexcept = default;
    constexpr TSet(std::initializer_list<E> members) noexcept
    {
        for (E member : members)
            FBits |= Bit(member);
    }

    constexpr bool Contains(E member) const noexcept { return (FBits & Bit(member)) != 0; }
    constexpr bool Empty() const noexcept { return FBits == 0; }
    constexpr TSet& Include(E member) noexcept
    {
        FBits |= Bit(member);
        return *this;
    }
    constexpr TSet& Exclude(E member) noexcept
    {
        FBits &= ~Bit(member);
        return *this;
    }
    constexpr TSet operator+(TSet other) const noexcept { return FromBits(FBits | other.FBits); }
    constexpr TSet operator-(TSet other) const noexcept { return FromBits(FBits & ~other.FBits); }
    friend constexpr bool operator==(TSet a, TSet b) noexcept { return a.FBits == b.FBits; }

private:
    static constexpr std::uint32_t Bit(E member) noexcept { return std::uint32_t{1} << static_cast<unsigned>(member); }
    static constexpr TSet FromBits(std::uint32_t bits) noexcept
    {
        TSet s;
        s.FBits = bits;
        return s;
    }
    std::uint32_t FBits = 0;
};

enum TJvCPSState { psReady, psRunning, psWaiting };

// Priority class of the child.
enum TJvProcessPriority { ppIdle, ppNormal, ppHigh, ppRealTime, ppBelowNormal, ppAboveNormal };

// Extra creation flags.
enum TJvCPSFlag {
    cfDefaultErrorMode,
    cfNewConsole,
    cfNewProcGroup,
    cfSeparateWdm,
    cfSharedWdm,
    cfSuspended,
    cfUnicode,
    cfDetached
};
using TJvCPSFlags = TSet<TJvCPSFlag>;

enum TJvConsoleOption { coOwnerData, coRedirect, coSeparateError };
using TJvConsoleOptions = TSet<TJvConsoleOption>;

enum TJvCPSShowWindow { swHide, swMinimize, swMaximize, swNormal };

std::uint32_t ProcessPriorityValue(TJvProcessPriority priority) noexcept;
std::uint32_t CreationFlagValue(TJvCPSFlag flag) noexcept;
std::uint16_t ShowWindowValue(TJvCPSShowWindow show) noexcept;

// The dwCreationFlags of a run: the priority class plus every extra flag.
std::uint32_t ComposeCreationFlags(TJvProcessPriority priority, TJvCPSFlags flags) noexcept;

// Raised by the runner's state guards.
class EJvCreateProcessError : public Exception {
public:
    using Exception::Exception;
};

inline constexpr wchar_t RsProcessIsRunning[] = L"Cannot perform this operation when process is running";
inline constexpr wchar_t RsProcessNotRunning[] = L"Process is not running";
inline constexpr wchar_t RsEmptyMultiSzItem[] = L"String list passed to StringsToMultiSz cannot contain empty strings.";

// The name a runner thread announces to a debugger: the class name alone, or
// the thread's own name followed by the class name in braces.
std::wstring ComposeThreadDebugName(const std::wstring& threadName, const std::wstring& className);
