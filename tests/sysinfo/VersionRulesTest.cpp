#include "sysinfo/VersionRules.h"

#include <gtest/gtest.h>

namespace {

TEST(IsVersionAtLeast, ComparesMajorThenMinorThenServicePack)
{
    const TVersionTriple windows81{6, 3, 0};
    const struct {
        TVersionTriple System;
        bool Passes;
    } cases[] = {
        {{6, 3, 0}, true},    {{6, 3, 2}, true},    {{6, 4, 0}, true},   {{10, 0, 0}, true},
        {{7, 0, 0}, true},    {{10, 99, 0}, true},  {{6, 2, 0}, false},  {{6, 2, 1}, false},
        {{6, 2, 99}, false},  {{6, 2, 65535}, false}, {{6, 1, 1}, false}, {{5, 99, 9}, false},
        {{0, 0, 0}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.System.Major << "." << c.System.Minor << " SP" << c.System.ServicePackMajor);
        EXPECT_EQ(IsVersionAtLeast(c.System, windows81), c.Passes);
    }
    // The service pack counts only when major and minor are equal.
    EXPECT_TRUE(IsVersionAtLeast({6, 1, 1}, {6, 1, 1}));
    EXPECT_FALSE(IsVersionAtLeast({6, 1, 0}, {6, 1, 1}));
    EXPECT_TRUE(IsVersionAtLeast({6, 2, 0}, {6, 1, 1}));
    EXPECT_TRUE(IsVersionAtLeast({10, 0, 0}, {6, 3, 5}));
}

TEST(BuildConditionMask, EachTypeOwnsAThreeBitField)
{
    const struct {
        std::uint32_t Type;
        std::uint8_t Condition;
        std::uint64_t Mask;
    } cases[] = {
        {VER_MINORVERSION_BIT, VER_GREATER_EQUAL_CONDITION, 0x3},
        {VER_MAJORVERSION_BIT, VER_GREATER_EQUAL_CONDITION, 0x18},
        {VER_BUILDNUMBER_BIT, VER_EQUAL_CONDITION, 0x40},
        {VER_PLATFORMID_BIT, VER_EQUAL_CONDITION, 0x200},
        {VER_SERVICEPACKMINOR_BIT, VER_EQUAL_CONDITION, 0x1000},
        {VER_SERVICEPACKMAJOR_BIT, VER_GREATER_EQUAL_CONDITION, 0x18000},
        {VER_SUITENAME_BIT, 6, 0x180000},
        {VER_PRODUCT_TYPE_BIT, VER_EQUAL_CONDITION, 0x200000},
        {VER_PRODUCT_TYPE_BIT, 7, 0xE00000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.Type << " condition " << int(c.Condition));
        EXPECT_EQ(BuildConditionMask(0, c.Type, c.Condition), c.Mask);
    }
}

TEST(BuildConditionMask, ChainsLikeTheVersionTest)
{
    std::uint64_t mask = BuildConditionMask(0, VER_MAJORVERSION_BIT, VER_GREATER_EQUAL_CONDITION);
    mask = BuildConditionMask(mask, VER_MINORVERSION_BIT, VER_GREATER_EQUAL_CONDITION);
    mask = BuildConditionMask(mask, VER_SERVICEPACKMAJOR_BIT, VER_GREATER_EQUAL_CONDITION);
    EXPECT_EQ(mask, 0x1801Bu);
}

TEST(BuildConditionMask, IgnoresWhatSetsNoField)
{
    EXPECT_EQ(BuildConditionMask(0x1234, 0, VER_EQUAL_CONDITION), 0x1234u);
    EXPECT_EQ(BuildConditionMask(0x1234, VER_MAJORVERSION_BIT, 0), 0x1234u);
    EXPECT_EQ(BuildConditionMask(0x1234, VER_MAJORVERSION_BIT, 8), 0x1234u);  // only three bits count
    EXPECT_EQ(BuildConditionMask(0x1234, 0x100, VER_EQUAL_CONDITION), 0x1234u);
    // Several types: the highest one takes the condition.
    EXPECT_EQ(BuildConditionMask(0, VER_MAJORVERSION_BIT | VER_MINORVERSION_BIT, VER_EQUAL_CONDITION), 0x8u);
    EXPECT_EQ(BuildConditionMask(0, 0x23, VER_GREATER_EQUAL_CONDITION), 0x18000u);
}

}  // namespace
