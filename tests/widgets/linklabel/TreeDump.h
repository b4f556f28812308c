#pragma once
// A compact text form of a node tree, for comparing parse results:
//   "text"            a string node (quotes around its text)
//   b{...} i{...} u{...}   style nodes
//   color=0000FF{...} / color=none{...}
//   link#0(param){...}     dyn#0{...}     br  p   ?tag?  (unknown)
// Children are separated by single spaces.

#include <cstdio>
#include <string>

#include "widgets/linklabel/Tree.h"

namespace linklabel::test {

inline std::wstring Hex(TColor c)
{
    wchar_t buf[16];
    std::swprintf(buf, 16, L"%06X", static_cast<unsigned>(c));
    return buf;
}

inline std::wstring Dump(const TNode& node);

inline std::wstring DumpChildren(const TParentNode& parent)
{
    std::wstring out;
    for (const TNode* child : parent.Children()) {
        if (!out.empty())
            out += L' ';
        out += Dump(*child);
    }
    return out;
}

inline std::wstring Dump(const TNode& node)
{
    if (const auto* s = dynamic_cast<const TStringNode*>(&node))
        return L"\"" + s->Text() + L"\"";
    if (const auto* a = dynamic_cast<const TActionNode*>(&node))
        return a->Action() == atLineBreak ? L"br" : L"p";
    if (const auto* u = dynamic_cast<const TUnknownNode*>(&node))
        return L"?" + u->Tag() + L"?";
    std::wstring head;
    if (const auto* st = dynamic_cast<const TStyleNode*>(&node))
        head = st->Style() == fsBold ? L"b" : st->Style() == fsItalic ? L"i" : L"u";
    else if (const auto* c = dynamic_cast<const TColorNode*>(&node))
        head = L"color=" + (c->HasColor() ? Hex(c->Color()) : std::wstring(L"none"));
    else if (const auto* l = dynamic_cast<const TLinkNode*>(&node))
        head = L"link#" + std::to_wstring(l->Number()) + L"(" + l->Param() + L")";
    else if (const auto* d = dynamic_cast<const TDynamicNode*>(&node))
        head = L"dyn#" + std::to_wstring(d->Number());
    else if (dynamic_cast<const TRootNode*>(&node))
        return DumpChildren(static_cast<const TParentNode&>(node));
    else
        head = L"node";
    return head + L"{" + DumpChildren(static_cast<const TParentNode&>(node)) + L"}";
}

inline std::wstring Dump(const TNodeTree& tree) { return Dump(tree.Root()); }

}  // namespace linklabel::test
