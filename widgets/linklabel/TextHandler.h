#pragma once
// Places text runs for one layout call: buffers runs that touch without a
// space between them, measures words (once per string node; the widths are
// cached in the tree) and breaks lines where a word would pass the right edge.
// Win32 code may include it too: the TextOut macro of <windows.h> is kept
// away from the declarations below (call the operation there as
// `handler.ITextHandler::TextOut` after an #undef, or not at all).

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "widgets/linklabel/Canvas.h"
#include "widgets/linklabel/StartingPosObserver.h"
#include "widgets/linklabel/Tree.h"

#pragma push_macro("TextOut")
#undef TextOut

namespace linklabel {

// ---- buffer elements

class TParentTextElement {
public:
    virtual ~TParentTextElement() = default;
};

class TStringElement : public TParentTextElement {
public:
    TStringElement(TStringNode& node, TFontStyles style, TColor color) : Node(&node), Style(style), Color(color) {}
    TStringNode* Node;
    TFontStyles Style;
    TColor Color;
};

class TActionElement : public TParentTextElement {
public:
    explicit TActionElement(TActionType actionType, TActionNode* node = nullptr) : ActionType(actionType), Node(node) {}
    TActionType ActionType;
    TActionNode* Node;  // the break's node, when it came from the tree
};

class TTextElementList {
public:
    void AddStringElement(TStringNode& Node, TFontStyles Style, TColor Color);
    void AddLineBreak(TActionNode* Node = nullptr);
    void AddParagraphBreak(TActionNode* Node = nullptr);
    void Add(std::unique_ptr<TParentTextElement> Element) { FItems.push_back(std::move(Element)); }
    TParentTextElement* operator[](int index) const { return FItems[static_cast<std::size_t>(index)].get(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TParentTextElement>> FItems;
};

// ---- starting-position observers

// An area node whose position becomes known when its first element (the
// first string run or break laid out inside it) is placed.
struct TNodeObserver {
    IStartingPosObserver* Observer;
    TAreaNode* ParentNode;
    TNode* FirstNode;
};

// Found by the first node in constant time: a long caption may wait for
// many positions at once.
class TNodeObserverList {
public:
    void AddObserver(IStartingPosObserver& Observer, TAreaNode& ParentNode, TNode& FirstNode);
    // Removes and returns the records waiting for FirstNode, oldest first.
    std::vector<TNodeObserver> TakeObserversOf(const TNode& FirstNode);
    int Count() const { return FCount; }

private:
    std::unordered_map<const TNode*, std::vector<TNodeObserver>> FByFirstNode;
    int FCount = 0;
};

// ---- words

class IWordEnumerator {
public:
    virtual ~IWordEnumerator() = default;
    virtual void SetText(const std::wstring& Text) = 0;
    virtual const std::wstring& GetText() const = 0;
    virtual int GetCount() const = 0;
    virtual std::wstring PopNext() = 0;
    virtual std::wstring PeekNext() = 0;
    virtual bool HasNext() const = 0;
    virtual void Reset() = 0;
};

// A word runs up to and including the next space, or to the end: "a  b"
// gives "a ", " " and "b".
class TWordEnumerator : public IWordEnumerator {
public:
    explicit TWordEnumerator(std::wstring Text = {}) : FText(std::move(Text)) {}
    void SetText(const std::wstring& Text) override;
    const std::wstring& GetText() const override { return FText; }
    int GetCount() const override { return FCount; }
    std::wstring PopNext() override { return GetNext(true); }
    std::wstring PeekNext() override { return GetNext(false); }
    bool HasNext() const override { return FPos < FText.size(); }
    void Reset() override;

private:
    std::wstring GetNext(bool advance);

    std::size_t FPos = 0;
    std::wstring FText;
    int FCount = 0;
};

// ---- the handler

class ITextHandler {
public:
    virtual ~ITextHandler() = default;
    virtual int GetPosX() const = 0;
    virtual int GetPosY() const = 0;
    virtual int GetLineHeight() const = 0;
    virtual ICanvas& GetCanvas() const = 0;
    virtual void TextOut(TStringNode& Node, TFontStyles Style, TColor Color) = 0;
    virtual void DoParagraphBreak(TActionNode* Node = nullptr) = 0;
    virtual void DoLineBreak(TActionNode* Node = nullptr) = 0;
    virtual void EmptyBuffer() = 0;
    virtual int GetTextHeight() const = 0;
    // True when the buffer is empty: the current position is where the next
    // run will start.
    virtual bool IsPosCurrent() const = 0;
    // Observer learns Node's position when FirstNode (a string or action
    // node about to be laid out inside Node) is placed.
    virtual void AddStartingPosObserver(IStartingPosObserver& Observer, TAreaNode& Node, TNode& FirstNode) = 0;
    // The same, FirstNode being the first string or action node the layout
    // reaches inside Node; a node without any never learns its position.
    virtual void AddStartingPosObserver(IStartingPosObserver& Observer, TAreaNode& Node) = 0;
};

class TTextHandler : public ITextHandler {
public:
    // StartingPos is where the first run goes, relative to the text origin.
    TTextHandler(const TRect& Rect, TPoint StartingPos, ICanvas& Canvas);

    int GetPosX() const override { return FPosX; }
    int GetPosY() const override { return FPosY; }
    int GetLineHeight() const override { return FLineHeight; }
    ICanvas& GetCanvas() const override { return FCanvas; }
    void TextOut(TStringNode& Node, TFontStyles Style, TColor Color) override;
    void DoParagraphBreak(TActionNode* Node = nullptr) override;
    void DoLineBreak(TActionNode* Node = nullptr) override;
    void EmptyBuffer() override;
    int GetTextHeight() const override { return FPosY + FLineHeight; }
    bool IsPosCurrent() const override { return FList.Count() == 0; }
    void AddStartingPosObserver(IStartingPosObserver& Observer, TAreaNode& Node, TNode& FirstNode) override;
    void AddStartingPosObserver(IStartingPosObserver& Observer, TAreaNode& Node) override;

protected:
    // Width and space information of word WordIndex of the string element
    // at buffer position Index. Its last word may go on in the following
    // runs that touch it; their first words are counted with it.
    TWordInfo MeasureWord(int Index, int WordIndex, const std::wstring& Word, bool IsLastWord);

    int FPosX;
    int FPosY;
    TTextElementList FList;
    TRect FRect;
    ICanvas& FCanvas;
    int FLineHeight;
    TNodeObserverList FObservers;

private:
    void PlaceString(int Index, TStringElement& Element);
    void NotifyObservers(const TNode* FirstNode);
};

}  // namespace linklabel

#pragma pop_macro("TextOut")
