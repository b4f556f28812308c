#pragma once
// The caption language: plain text with begin tags "<...>" and end tags
// "</...>". The scanner cuts a caption into elements, the parser builds a
// node tree from them.

#include <memory>
#include <string>
#include <vector>

#include "widgets/linklabel/Tree.h"

namespace linklabel {

enum TElementKind { ekBeginTag, ekEndTag, ekString };

struct TElement {
    TElementKind Kind = ekString;
    std::wstring Text;
    friend bool operator==(const TElement&, const TElement&) = default;
};

class IElementEnumerator {
public:
    virtual ~IElementEnumerator() = default;
    virtual TElement PopNextElement() = 0;
    virtual TElement PeekNextElement() = 0;
    virtual bool IsEndReached() const = 0;
};

// Scans a text that is already free of CR LF.
class TElementEnumerator : public IElementEnumerator {
public:
    explicit TElementEnumerator(std::wstring Text) : FText(std::move(Text)) {}

    TElement PopNextElement() override;
    TElement PeekNextElement() override;
    bool IsEndReached() const override { return FPos >= FText.size(); }

private:
    // The element at the current position, scanned once however often it
    // is peeked; FFollowing is the position after it.
    const TElement& GetNextElement();

    std::wstring FText;
    std::size_t FPos = 0;
    bool FScanned = false;
    std::size_t FScanStart = 0;
    std::size_t FFollowing = 0;
    TElement FElement;
};

// Supplies the caption text that fills a DYNAMIC tag; empty for none.
class IDynamicNodeHandler {
public:
    virtual ~IDynamicNodeHandler() = default;
    virtual void SupplyDynamicSource(TDynamicNode* Node, std::wstring& Source) = 0;
};

class IParser {
public:
    virtual ~IParser() = default;
    virtual std::unique_ptr<TNodeTree> Parse(const std::wstring& Text) = 0;
    // The same as Parse of the lines, each ended by CR LF.
    virtual std::unique_ptr<TNodeTree> Parse(const std::vector<std::wstring>& List) = 0;
    // The parser does not own the handler (typically the control that owns
    // the parser); it must outlive the parses it serves. nullptr: none.
    virtual void SetDynamicNodeHandler(IDynamicNodeHandler* Handler) = 0;
    // Parses Source (dynamic tags in it stay empty) and appends the result
    // to Node; new links and dynamic nodes continue the shared counts.
    virtual void AddSourceTreeToDynamicNode(TDynamicNode& Node, const std::wstring& Source) = 0;
};

class TDefaultParser : public IParser {
public:
    std::unique_ptr<TNodeTree> Parse(const std::wstring& Text) override;
    std::unique_ptr<TNodeTree> Parse(const std::vector<std::wstring>& List) override;
    void SetDynamicNodeHandler(IDynamicNodeHandler* Handler) override;
    void AddSourceTreeToDynamicNode(TDynamicNode& Node, const std::wstring& Source) override;

    // Appends the elements up to the end tag that closes Node's level
    // (consumed) or to the end. End tags close the innermost open tag,
    // whatever their name.
    void ParseNode(TParentNode& Node, IElementEnumerator& Elements);

protected:
    // The node for a begin tag's text; never fails.
    virtual std::unique_ptr<TNode> NodeFromTag(const std::wstring& Tag);

private:
    void FillDynamicNode(TDynamicNode& Node);

    IDynamicNodeHandler* FDynamicNodeHandler = nullptr;
};

}  // namespace linklabel
