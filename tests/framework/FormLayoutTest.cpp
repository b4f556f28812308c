#include "framework/FormLayout.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

// Aligned panels, a group box's child, a label sized by its text, a control
// above its parent's edge, and two buttons that meet.
const TControlDef kControls[] = {
    {L"Outer", 1, TControlKind::Panel, nullptr, 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Strip", 2, TControlKind::Panel, L"Outer", 0, 0, 0, 105, L"", -1, coAlignTop, nullptr, nullptr},
    {L"Body", 3, TControlKind::Panel, L"Outer", 0, 0, 0, 0, L"", -1, coAlignClient, nullptr, nullptr},
    {L"Group", 4, TControlKind::GroupBox, L"Body", 318, 136, 193, 84, L"", 0, coNone, nullptr, nullptr},
    {L"Radio", 5, TControlKind::RadioButton, L"Group", 16, 15, 161, 33, L"", 0, coNone, nullptr, nullptr},
    {L"Sized", 6, TControlKind::Label, L"Strip", 16, 77, 0, 0, L"", -1, coNone, nullptr, nullptr},
    {L"Above", 7, TControlKind::CheckBox, L"Body", 16, -9, 495, 17, L"", -1, coHidden, nullptr, nullptr},
    {L"Left", 8, TControlKind::Button, L"Body", 16, 141, 137, 33, L"", 1, coNone, nullptr, nullptr},
    {L"Right", 9, TControlKind::Button, L"Body", 153, 141, 137, 33, L"", 2, coNone, nullptr, nullptr},
};
const TFormDef kForm = {L"T", L"T", TBorderStyle::ToolWindow, TPosition::ScreenCenter, 535, 343, clBlack,
                        TFontDef{L"Tahoma", 11, false, clWindowText}, kControls, std::size(kControls)};

}  // namespace

TEST(FormLayout, EdgesScaleHalvesAwayFromZeroAlignedControlsShareTheRestFontsScale)
{
    struct Case {
        int Dpi, ClientWidth, ClientHeight, Font;
        TRect Expected[std::size(kControls)];
    } const cases[] = {
        {96, 535, 343, 11,
         {{0, 0, 535, 343}, {0, 0, 535, 105}, {0, 105, 535, 343}, {318, 136, 511, 220}, {16, 15, 177, 48},
          {16, 77, 16, 77}, {16, -9, 511, 8}, {16, 141, 153, 174}, {153, 141, 290, 174}}},
        // 802.5 x 514.5, the strip 157.5, the group's right edge 766.5: the buttons still meet.
        {144, 803, 515, 17,
         {{0, 0, 803, 515}, {0, 0, 803, 158}, {0, 158, 803, 515}, {477, 204, 767, 330}, {24, 23, 266, 72},
          {24, 116, 24, 116}, {24, -14, 767, 12}, {24, 212, 230, 261}, {230, 212, 435, 261}}},
    };
    for (const Case& c : cases) {
        const TFormLayout layout = LayoutForm(kForm, c.Dpi);
        EXPECT_EQ(layout.Dpi, c.Dpi);
        EXPECT_EQ(layout.ClientWidth, c.ClientWidth) << c.Dpi;
        EXPECT_EQ(layout.ClientHeight, c.ClientHeight) << c.Dpi;
        EXPECT_EQ(FontHeightForDpi(kForm.Font, c.Dpi), c.Font) << c.Dpi;
        ASSERT_EQ(layout.Bounds.size(), std::size(kControls));
        for (std::size_t i = 0; i < std::size(kControls); ++i)
            EXPECT_EQ(layout.Bounds[i], c.Expected[i]) << "control " << i << " at " << c.Dpi << " DPI";
    }
}

TEST(FormLayout, ControlsAreCreatedAfterTheirParentsAndSiblingsInTabOrderAfterTheRest)
{
    // Defined out of tab order, with a tie, one outside the tab order and
    // one whose parent does not exist.
    const TControlDef loose[] = {
        {L"A", 1, TControlKind::Button, nullptr, 0, 0, 1, 1, L"", 2, coNone, nullptr, nullptr},
        {L"B", 2, TControlKind::Button, nullptr, 0, 0, 1, 1, L"", 0, coNone, nullptr, nullptr},
        {L"Orphan", 3, TControlKind::Button, L"Nowhere", 0, 0, 1, 1, L"", 0, coNone, nullptr, nullptr},
        {L"C", 4, TControlKind::Button, nullptr, 0, 0, 1, 1, L"", 2, coNone, nullptr, nullptr},
        {L"D", 5, TControlKind::Label, nullptr, 0, 0, 1, 1, L"", -1, coNone, nullptr, nullptr},
    };
    const TFormDef looseForm = {L"T", L"T", TBorderStyle::Dialog, TPosition::ScreenCenter, 10, 10, clBlack,
                                kForm.Font, loose, std::size(loose)};
    struct Case {
        const TFormDef* Form;
        std::vector<std::size_t> Expected;
    } const cases[] = {
        // Body's children: the hidden check box, then the group (tab order
        // 0) and the buttons; the radio button only after its group.
        {&kForm, {0, 1, 2, 5, 6, 3, 7, 8, 4}},
        {&looseForm, {4, 1, 0, 3, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CreationOrder(*c.Form), c.Expected) << c.Form->Controls[0].Member;
}
