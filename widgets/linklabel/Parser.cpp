#include "widgets/linklabel/Parser.h"

#include "widgets/linklabel/Errors.h"
#include "widgets/linklabel/Tools.h"

namespace linklabel {

// ---- TElementEnumerator

const TElement& TElementEnumerator::GetNextElement()
{
    if (IsEndReached())
        throw EParserError(L"TElementEnumerator.GetNextElement: No more elements to return");
    if (FScanned && FScanStart == FPos)
        return FElement;

    const std::size_t n = FText.size();
    const std::size_t p = FPos;
    std::size_t textStart;
    if (FText.compare(p, 2, L"</") == 0) {
        FElement.Kind = ekEndTag;
        textStart = p + 2;
    } else if (FText[p] == L'<') {
        FElement.Kind = ekBeginTag;
        textStart = p + 1;
    } else {
        std::size_t next = FText.find(L'<', p);
        if (next == std::wstring::npos)
            next = n;
        FElement.Kind = ekString;
        FElement.Text = FText.substr(p, next - p);
        FFollowing = next;
        FScanned = true;
        FScanStart = p;
        return FElement;
    }

    // The closing bracket is looked for up to the next-to-last character;
    // without one, the last character is taken for it.
    std::size_t close = std::wstring::npos;
    if (n >= 2 && textStart <= n - 2) {
        close = FText.find(L'>', textStart);
        if (close != std::wstring::npos && close > n - 2)
            close = std::wstring::npos;
    }
    if (close != std::wstring::npos) {
        FElement.Text = FText.substr(textStart, close - textStart);
        FFollowing = close + 1;
    } else {
        const std::size_t last = n - 1;
        FElement.Text = textStart < last ? FText.substr(textStart, last - textStart) : std::wstring();
        FFollowing = n;
    }
    FScanned = true;
    FScanStart = p;
    return FElement;
}

TElement TElementEnumerator::PopNextElement()
{
    TElement element = GetNextElement();
    FPos = FFollowing;
    return element;
}

TElement TElementEnumerator::PeekNextElement() { return GetNextElement(); }

// ---- TDefaultParser

namespace {

std::wstring UpperAscii(const std::wstring& s)
{
    std::wstring u = s;
    for (wchar_t& c : u)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - 32);
    return u;
}

// A name with "=" also matches a tag text that merely begins with the name
// without its "=" ("links", "link x", "colorful").
bool MatchesName(const std::wstring& upperTag, std::wstring_view name)
{
    if (upperTag == name)
        return true;
    if (!name.empty() && name.back() == L'=')
        return TStringTools::BeginsWith(upperTag, name.substr(0, name.size() - 1));
    return false;
}

std::wstring ValueOf(const std::wstring& tag)
{
    const std::size_t eq = tag.find(L'=');
    return eq == std::wstring::npos ? std::wstring() : tag.substr(eq + 1);
}

}  // namespace

std::unique_ptr<TNode> TDefaultParser::NodeFromTag(const std::wstring& Tag)
{
    const std::wstring upper = UpperAscii(Tag);
    if (MatchesName(upper, L"B"))
        return std::make_unique<TStyleNode>(fsBold);
    if (MatchesName(upper, L"I"))
        return std::make_unique<TStyleNode>(fsItalic);
    if (MatchesName(upper, L"U"))
        return std::make_unique<TStyleNode>(fsUnderline);
    if (MatchesName(upper, L"COLOR=")) {
        TColor color = 0;
        if (TryStringToColor(ValueOf(Tag), color))
            return std::make_unique<TColorNode>(color);
        return std::make_unique<TColorNode>();  // keeps the colour around it
    }
    if (MatchesName(upper, L"LINK="))
        return std::make_unique<TLinkNode>(ValueOf(Tag));
    if (MatchesName(upper, L"BR"))
        return std::make_unique<TActionNode>(atLineBreak);
    if (MatchesName(upper, L"P"))
        return std::make_unique<TActionNode>(atParagraphBreak);
    if (MatchesName(upper, L"DYNAMIC"))
        return std::make_unique<TDynamicNode>();
    return std::make_unique<TUnknownNode>(Tag);
}

std::unique_ptr<TNodeTree> TDefaultParser::Parse(const std::wstring& Text)
{
    auto tree = std::make_unique<TNodeTree>();
    TElementEnumerator elements(TStringTools::RemoveCRLF(Text));
    ParseNode(tree->Root(), elements);
    return tree;
}

std::unique_ptr<TNodeTree> TDefaultParser::Parse(const std::vector<std::wstring>& List)
{
    std::wstring text;
    for (const std::wstring& line : List) {
        text += line;
        text += L"\r\n";
    }
    return Parse(text);
}

void TDefaultParser::SetDynamicNodeHandler(IDynamicNodeHandler* Handler) { FDynamicNodeHandler = Handler; }

void TDefaultParser::ParseNode(TParentNode& Node, IElementEnumerator& Elements)
{
    // The open levels are kept on a stack of their own instead of the call
    // stack, so that any nesting depth parses.
    std::vector<TParentNode*> open{&Node};
    while (!open.empty()) {
        TParentNode& parent = *open.back();
        if (Elements.IsEndReached() || Elements.PeekNextElement().Kind == ekEndTag) {
            if (!Elements.IsEndReached())
                Elements.PopNextElement();  // the end tag that closes this level
            open.pop_back();
            continue;
        }

        const TElement element = Elements.PopNextElement();
        std::unique_ptr<TNode> made;
        switch (element.Kind) {
        case ekBeginTag:
            made = NodeFromTag(element.Text);
            break;
        case ekString:
            made = std::make_unique<TStringNode>(element.Text);
            break;
        case ekEndTag:
            throw EParserError(L"TDefaultParser.ParseNode: Unsupported state");
        }
        if (!made)
            continue;

        auto* parentRoot = dynamic_cast<TRootNode*>(&parent);
        TNode* node = parent.AddChild(std::move(made), parentRoot ? parentRoot : parent.Root());
        if (auto* dynamic = dynamic_cast<TDynamicNode*>(node)) {
            FillDynamicNode(*dynamic);
        } else if (element.Kind == ekBeginTag) {
            if (auto* level = dynamic_cast<TParentNode*>(node))
                open.push_back(level);
        }
    }
}

void TDefaultParser::FillDynamicNode(TDynamicNode& Node)
{
    if (!FDynamicNodeHandler)
        return;
    std::wstring source;
    FDynamicNodeHandler->SupplyDynamicSource(&Node, source);
    if (!source.empty())
        AddSourceTreeToDynamicNode(Node, source);
}

void TDefaultParser::AddSourceTreeToDynamicNode(TDynamicNode& Node, const std::wstring& Source)
{
    TDefaultParser parser;  // no handler: dynamic tags inside stay empty
    std::unique_ptr<TNodeTree> tree = parser.Parse(Source);
    tree->Root().SetOwnsChildren(false);
    TRootNode* root = Node.Root();
    for (std::unique_ptr<TNode>& child : tree->Root().TakeChildren()) {
        TNode* moved = Node.AddChild(std::move(child), root);
        if (auto* parent = dynamic_cast<TParentNode*>(moved)) {
            // Everything below the moved node belongs to the new tree too.
            std::vector<TParentNode*> pending{parent};
            while (!pending.empty()) {
                TParentNode* p = pending.back();
                pending.pop_back();
                for (TNode* below : p->Children()) {
                    below->SetRoot(root);
                    if (auto* bp = dynamic_cast<TParentNode*>(below))
                        pending.push_back(bp);
                }
            }
        }
    }
}

}  // namespace linklabel
