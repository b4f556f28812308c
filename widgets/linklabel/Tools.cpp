#include "widgets/linklabel/Tools.h"

#include "widgets/linklabel/Errors.h"

namespace linklabel {

TStaticObject::TStaticObject() { throw EGenericToolsError(L"This class cannot be instantiated"); }

bool TStringTools::BeginsWith(std::wstring_view S, std::wstring_view SubS)
{
    return S.size() >= SubS.size() && S.substr(0, SubS.size()) == SubS;
}

bool TStringTools::EndsWith(std::wstring_view S, std::wstring_view SubS)
{
    return S.size() >= SubS.size() && S.substr(S.size() - SubS.size()) == SubS;
}

std::wstring TStringTools::RemoveCRLF(std::wstring_view S)
{
    // Like bracket matching: an LF cancels the CR just before it in the
    // output, so nested pairs vanish in one linear pass.
    std::wstring out;
    out.reserve(S.size());
    for (wchar_t c : S) {
        if (c == L'\n' && !out.empty() && out.back() == L'\r')
            out.pop_back();
        else
            out.push_back(c);
    }
    return out;
}

bool TStringTools::Replace(std::wstring_view OldSubstr, std::wstring_view NewSubstr, std::wstring& S)
{
    if (OldSubstr.empty())
        return false;
    std::size_t found = S.find(OldSubstr);
    if (found == std::wstring::npos)
        return false;
    std::wstring out;
    out.reserve(S.size());
    std::size_t from = 0;
    while (found != std::wstring::npos) {
        out.append(S, from, found - from);
        out.append(NewSubstr);
        from = found + OldSubstr.size();
        found = S.find(OldSubstr, from);
    }
    out.append(S, from, std::wstring::npos);
    S = std::move(out);
    return true;
}

bool TGraphicTools::IsPointInRect(const TPoint& P, const TRect& R)
{
    return P.X >= R.Left && P.X <= R.Right && P.Y >= R.Top && P.Y <= R.Bottom;
}

}  // namespace linklabel
