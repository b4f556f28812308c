#include "resources/Forms.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

void ExpectConsistent(const TFormDef& form)
{
    std::set<std::wstring> members;
    std::set<int> ids;
    for (std::size_t i = 0; i < form.ControlCount; ++i) {
        const TControlDef& c = form.Controls[i];
        EXPECT_TRUE(members.insert(c.Member).second) << "duplicate member " << std::string(c.Member, c.Member + wcslen(c.Member));
        EXPECT_TRUE(ids.insert(c.Id).second) << "duplicate id " << c.Id;
        // A parent is declared before its children.
        if (c.Parent != nullptr) {
            EXPECT_TRUE(members.count(c.Parent) == 1) << "parent after child";
        }
    }
    // Tab orders are unique within each parent.
    std::set<std::pair<std::wstring, int>> tabOrders;
    for (std::size_t i = 0; i < form.ControlCount; ++i) {
        const TControlDef& c = form.Controls[i];
        if (c.TabOrder >= 0) {
            EXPECT_TRUE(tabOrders.insert({c.Parent ? c.Parent : L"", c.TabOrder}).second);
        }
    }
}

}  // namespace

TEST(FormDefinitions, MembersIdsParentsAndTabOrdersAreConsistent)
{
    ExpectConsistent(MainFormDef);
    ExpectConsistent(InfoFormDef);
    EXPECT_EQ(std::wstring(MainFormDef.Caption), L"Nimbrel v1.8");
    EXPECT_EQ(MainFormDef.ClientWidth, 535);
    EXPECT_EQ(MainFormDef.ClientHeight, 343);
    EXPECT_EQ(MainFormDef.Color, RGBColor(0, 64, 80));
    EXPECT_EQ(InfoFormDef.ClientWidth, 513);
    EXPECT_EQ(InfoFormDef.ClientHeight, 328);
}
