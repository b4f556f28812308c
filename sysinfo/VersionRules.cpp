#include "sysinfo/VersionRules.h"

std::uint64_t BuildConditionMask(std::uint64_t conditionMask, std::uint32_t typeMask, std::uint8_t condition)
{
    const std::uint64_t field = condition & 0x07u;
    if (typeMask == 0 || field == 0)
        return conditionMask;
    // The highest type bit wins; the field of bit n starts at bit 3n.
    for (int bit = 7; bit >= 0; --bit) {
        if (typeMask & (1u << bit))
            return conditionMask | (field << (3 * bit));
    }
    return conditionMask;  // only unknown type bits
}

bool IsVersionAtLeast(const TVersionTriple& system, const TVersionTriple& wanted)
{
    if (system.Major != wanted.Major)
        return system.Major > wanted.Major;
    if (system.Minor != wanted.Minor)
        return system.Minor > wanted.Minor;
    return system.ServicePackMajor >= wanted.ServicePackMajor;
}
