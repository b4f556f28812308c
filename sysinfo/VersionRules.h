#pragma once
// How the platform's version test treats its arguments, for the places that
// have to answer without the platform: the condition mask that
// VerSetConditionMask builds, and the order in which the version test
// compares major version, minor version and service pack.
// Portable: no platform calls.

#include <cstdint>

// The type bits of the version test.
constexpr std::uint32_t VER_MINORVERSION_BIT = 0x01;
constexpr std::uint32_t VER_MAJORVERSION_BIT = 0x02;
constexpr std::uint32_t VER_BUILDNUMBER_BIT = 0x04;
constexpr std::uint32_t VER_PLATFORMID_BIT = 0x08;
constexpr std::uint32_t VER_SERVICEPACKMINOR_BIT = 0x10;
constexpr std::uint32_t VER_SERVICEPACKMAJOR_BIT = 0x20;
constexpr std::uint32_t VER_SUITENAME_BIT = 0x40;
constexpr std::uint32_t VER_PRODUCT_TYPE_BIT = 0x80;

constexpr std::uint8_t VER_EQUAL_CONDITION = 1;
constexpr std::uint8_t VER_GREATER_EQUAL_CONDITION = 3;

// The mask VerSetConditionMask returns: each type bit owns a field of three
// bits (minor version in bits 0-2, major version in 3-5, ... product type in
// 21-23); the condition, cut to three bits, is or-ed into the field of the
// highest type bit given. No type bit or a condition of 0 leaves the mask
// unchanged.
std::uint64_t BuildConditionMask(std::uint64_t conditionMask, std::uint32_t typeMask, std::uint8_t condition);

struct TVersionTriple {
    std::uint32_t Major = 0;
    std::uint32_t Minor = 0;
    std::uint32_t ServicePackMajor = 0;
};

// "system >= wanted" as the version test decides it for major, minor and
// service pack with VER_GREATER_EQUAL: a greater major version passes
// whatever the rest, an equal one defers to the minor version, and only an
// equal major and minor version defer to the service pack.
bool IsVersionAtLeast(const TVersionTriple& system, const TVersionTriple& wanted);
