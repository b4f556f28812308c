#include "widgets/linklabel/Colors.h"

#include <array>

namespace linklabel {

namespace {

struct TColorName {
    std::wstring_view Name;
    TColor Value;
};

constexpr std::array<TColorName, 52> ColorNames{{
    {L"clBlack", clBlack},
    {L"clMaroon", clMaroon},
    {L"clGreen", clGreen},
    {L"clOlive", clOlive},
    {L"clNavy", clNavy},
    {L"clPurple", clPurple},
    {L"clTeal", clTeal},
    {L"clGray", clGray},
    {L"clSilver", clSilver},
    {L"clRed", clRed},
    {L"clLime", clLime},
    {L"clYellow", clYellow},
    {L"clBlue", clBlue},
    {L"clFuchsia", clFuchsia},
    {L"clAqua", clAqua},
    {L"clWhite", clWhite},
    {L"clMoneyGreen", clMoneyGreen},
    {L"clSkyBlue", clSkyBlue},
    {L"clCream", clCream},
    {L"clMedGray", clMedGray},
    {L"clScrollBar", clScrollBar},
    {L"clBackground", clBackground},
    {L"clActiveCaption", clActiveCaption},
    {L"clInactiveCaption", clInactiveCaption},
    {L"clMenu", clMenu},
    {L"clWindow", clWindow},
    {L"clWindowFrame", clWindowFrame},
    {L"clMenuText", clMenuText},
    {L"clWindowText", clWindowText},
    {L"clCaptionText", clCaptionText},
    {L"clActiveBorder", clActiveBorder},
    {L"clInactiveBorder", clInactiveBorder},
    {L"clAppWorkSpace", clAppWorkSpace},
    {L"clHighlight", clHighlight},
    {L"clHighlightText", clHighlightText},
    {L"clBtnFace", clBtnFace},
    {L"clBtnShadow", clBtnShadow},
    {L"clGrayText", clGrayText},
    {L"clBtnText", clBtnText},
    {L"clInactiveCaptionText", clInactiveCaptionText},
    {L"clBtnHighlight", clBtnHighlight},
    {L"cl3DDkShadow", cl3DDkShadow},
    {L"cl3DLight", cl3DLight},
    {L"clInfoText", clInfoText},
    {L"clInfoBk", clInfoBk},
    {L"clHotLight", clHotLight},
    {L"clGradientActiveCaption", clGradientActiveCaption},
    {L"clGradientInactiveCaption", clGradientInactiveCaption},
    {L"clMenuHighlight", clMenuHighlight},
    {L"clMenuBar", clMenuBar},
    {L"clNone", clNone},
    {L"clDefault", clDefault},
}};

wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool SameTextAscii(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

int DigitValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    c = AsciiUpper(c);
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return 99;
}

}  // namespace

bool IdentToColor(std::wstring_view ident, TColor& color)
{
    for (const TColorName& entry : ColorNames) {
        if (SameTextAscii(ident, entry.Name)) {
            color = entry.Value;
            return true;
        }
    }
    return false;
}

bool TryStrToInt(std::wstring_view s, std::int32_t& value)
{
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n && s[i] == L' ')
        ++i;
    bool negative = false;
    if (i < n && (s[i] == L'+' || s[i] == L'-')) {
        negative = s[i] == L'-';
        ++i;
    }
    unsigned base = 10;
    if (i < n && (s[i] == L'$' || s[i] == L'x' || s[i] == L'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == L'0' && (s[i + 1] == L'x' || s[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i == n)
        return false;

    // Hexadecimal covers all 32 bits; decimal the signed range.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int d = DigitValue(s[i]);
        if (d >= static_cast<int>(base))
            return false;
        magnitude = magnitude * base + static_cast<unsigned>(d);
        if (magnitude > limit)
            return false;
    }
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<std::int32_t>(bits);
    return true;
}

bool TryStringToColor(std::wstring_view s, TColor& color)
{
    if (IdentToColor(s, color))
        return true;
    std::int32_t number = 0;
    if (!TryStrToInt(s, number))
        return false;
    color = static_cast<TColor>(number);
    return true;
}

}  // namespace linklabel
