#include "framework/Theme.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TNamedStyle : public TVisualStyle {
public:
    TNamedStyle(std::wstring name, TColor text) : FName(std::move(name)), FText(text) {}
    const std::wstring& Name() const override { return FName; }
    std::optional<TColor> SystemColor(TColor) const override { return std::nullopt; }
    TColor WindowTextColor() const override { return FText; }

private:
    std::wstring FName;
    TColor FText;
};

}  // namespace

TEST(ThemeRegistry, FindsStylesByNameWithoutRegardToCase)
{
    TThemeRegistry registry;
    EXPECT_TRUE(registry.Register(std::make_unique<TNamedStyle>(L"Smokey Quartz Kamri", 1)));
    EXPECT_TRUE(registry.Register(std::make_unique<TNamedStyle>(L"Äther", 2)));
    struct Case {
        const wchar_t* Asked;
        TColor Text;  // 0: not found
    } const cases[] = {
        {L"Smokey Quartz Kamri", 1}, {L"smokey quartz kamri", 1}, {L"SMOKEY QUARTZ KAMRI", 1},
        {L"äTHER", 2},  {L"Smokey Quartz", 0}, {L"", 0}, {L"Smokey Quartz Kamri ", 0},
    };
    for (const Case& c : cases) {
        const TVisualStyle* found = registry.Find(c.Asked);
        EXPECT_EQ(found != nullptr ? found->WindowTextColor() : 0u, c.Text) << c.Asked;
    }
    EXPECT_EQ(registry.Names(), (std::vector<std::wstring>{L"Smokey Quartz Kamri", L"Äther"}));
}

TEST(ThemeRegistry, AStyleInUseIsNeverReplacedByOneOfTheSameName)
{
    TThemeRegistry registry;
    ASSERT_TRUE(registry.Register(std::make_unique<TNamedStyle>(L"Quartz", 1)));
    const TVisualStyle* inUse = registry.Find(L"Quartz");
    EXPECT_FALSE(registry.Register(std::make_unique<TNamedStyle>(L"QUARTZ", 2)));
    EXPECT_FALSE(registry.Register(nullptr));
    EXPECT_EQ(registry.Find(L"quartz"), inUse);
    EXPECT_EQ(inUse->WindowTextColor(), 1u);
    EXPECT_EQ(registry.Names().size(), 1u);
}

TEST(ThemeRegistry, TheMissingStyleMessageNamesTheStyle)
{
    EXPECT_EQ(ThemeNotFoundMessage(L"Smokey Quartz Kamri"), L"Stil 'Smokey Quartz Kamri' nicht gefunden");
    EXPECT_EQ(ThemeNotFoundMessage(L""), L"Stil '' nicht gefunden");
}
