#pragma once
// Small helpers with class operations only.

#include <string>
#include <string_view>

#include "widgets/linklabel/Types.h"

namespace linklabel {

// Base of classes that only carry class operations: making one raises
// EGenericToolsError.
class TStaticObject {
public:
    TStaticObject();
};

class TStringTools : public TStaticObject {
public:
    // Case-sensitive comparison of the first / last characters of S, as many
    // as SubS has, with SubS. False when S is shorter than SubS.
    static bool BeginsWith(std::wstring_view S, std::wstring_view SubS);
    static bool EndsWith(std::wstring_view S, std::wstring_view SubS);

    // S without its CR LF pairs. A pair that only forms once an inner pair
    // is gone ("\r\r\n\n") goes as well, so the result holds no CR LF.
    static std::wstring RemoveCRLF(std::wstring_view S);

    // Replaces the occurrences of OldSubstr in S by NewSubstr, from left to
    // right; text put in by a replacement is not searched again, so a
    // NewSubstr that contains OldSubstr cannot make it loop. Returns whether
    // anything was replaced. An empty OldSubstr replaces nothing.
    static bool Replace(std::wstring_view OldSubstr, std::wstring_view NewSubstr, std::wstring& S);
};

class TGraphicTools : public TStaticObject {
public:
    // Left <= x <= Right and Top <= y <= Bottom: all four edges belong to R.
    static bool IsPointInRect(const TPoint& P, const TRect& R);
};

}  // namespace linklabel
