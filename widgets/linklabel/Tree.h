#pragma once
// The node tree of a parsed caption. A parent node owns its children; the
// tree owns its root. Parent and Root links are non-owning back references.
// Every walk over the tree is iterative, so any nesting depth is safe.

#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include "widgets/linklabel/Colors.h"
#include "widgets/linklabel/Types.h"

namespace linklabel {

class TNode;
class TParentNode;
class TAreaNode;
class TRootNode;
class TStringNode;

enum TNodeType {
    ntNode = 0,
    ntParentNode = 1,
    ntAreaNode = 2,
    ntStyleNode = 3,
    ntColorNode = 4,
    ntLinkNode = 5,
    ntDynamicNode = 6,
    ntRootNode = 7,
    ntStringNode = 8,
    ntActionNode = 9,
    ntUnknownNode = 10,
};

enum TLinkState { lsNormal, lsClicked, lsHot };
enum TActionType { atLineBreak, atParagraphBreak };

// What TLinkNode::GetColor returns instead of a colour; the renderer
// replaces these by its three link colours.
inline constexpr TColor LinkColorNormalPlaceholder = 0x80000400;
inline constexpr TColor LinkColorClickedPlaceholder = 0x80000401;
inline constexpr TColor LinkColorHotPlaceholder = 0x80000402;

// A node class as an argument: a node belongs to it when it is of that
// class or of a class derived from it. Two classes are equal when they are
// the same class.
class TNodeClass {
public:
    template <class T>
    static TNodeClass Of()
    {
        return TNodeClass(typeid(T), [](const TNode& node) { return dynamic_cast<const T*>(&node) != nullptr; });
    }

    bool Includes(const TNode& node) const { return FIncludes(node); }
    friend bool operator==(const TNodeClass& a, const TNodeClass& b) { return *a.FType == *b.FType; }

private:
    using TTest = bool (*)(const TNode&);
    TNodeClass(const std::type_info& type, TTest test) : FType(&type), FIncludes(test) {}

    const std::type_info* FType;
    TTest FIncludes;
};

struct TSpaceInfo {
    bool LastWordEndsWithSpace = false;
    int SpaceWidth = 0;
    friend bool operator==(const TSpaceInfo&, const TSpaceInfo&) = default;
};

struct TWordInfo {
    TSpaceInfo SpaceInfo;
    int Width = 0;
    friend bool operator==(const TWordInfo&, const TWordInfo&) = default;
};

// An ordered list of nodes that does not own them.
class TNodeList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    void Add(TNode* node) { FItems.push_back(node); }
    void Insert(int index, TNode* node);
    // Removes the first occurrence; returns its former index or -1.
    int Remove(const TNode* node);
    int IndexOf(const TNode* node) const;
    TNode* Get(int index) const;
    void Put(int index, TNode* node);
    TNode* operator[](int index) const { return Get(index); }
    void Clear() { FItems.clear(); }

    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<TNode*> FItems;
};

// A list that holds its own copies of rectangles.
class TRectList {
public:
    void AddRect(const TRect& rect) { FItems.push_back(rect); }
    int Count() const { return static_cast<int>(FItems.size()); }
    const TRect& operator[](int index) const { return FItems.at(static_cast<std::size_t>(index)); }
    void Clear() { FItems.clear(); }

private:
    std::vector<TRect> FItems;
};

class INodeEnumerator {
public:
    virtual ~INodeEnumerator() = default;
    virtual TNode* GetNext() = 0;
    virtual bool HasNext() const = 0;
    virtual void Reset() = 0;
};

class IRectEnumerator {
public:
    virtual ~IRectEnumerator() = default;
    virtual TRect GetNext() = 0;
    virtual bool HasNext() const = 0;
    virtual void Reset() = 0;
};

class TNode {
public:
    TNode() = default;
    virtual ~TNode() = default;
    TNode(const TNode&) = delete;
    TNode& operator=(const TNode&) = delete;

    TParentNode* Parent() const { return FParent; }
    void SetParent(TParentNode* parent) { FParent = parent; }
    TRootNode* Root() const { return FRoot; }
    void SetRoot(TRootNode* root) { FRoot = root; }

    // The type of the node's exact class; ENodeError for a class of its own.
    TNodeType GetNodeType() const;

private:
    TParentNode* FParent = nullptr;
    TRootNode* FRoot = nullptr;
};

class TParentNode : public TNode {
public:
    TParentNode() = default;
    ~TParentNode() override;

    const TNodeList& Children() const { return FChildren; }
    // When false, DestroyChildren leaves the children alone. The children a
    // node holds always die with it; hand them on with TakeChildren.
    bool OwnsChildren() const { return FOwnsChildren; }
    void SetOwnsChildren(bool owns) { FOwnsChildren = owns; }

    // Appends ANode (taking it over), sets its Parent to this node and its
    // Root to ARoot. Returns the node.
    TNode* AddChild(std::unique_ptr<TNode> ANode, TRootNode* ARoot);
    template <class T>
    T* AddChild(std::unique_ptr<T> ANode, TRootNode* ARoot)
    {
        return static_cast<T*>(AddChild(std::unique_ptr<TNode>(std::move(ANode)), ARoot));
    }
    void DestroyChildren();
    // Gives up all children, in order, to the caller.
    std::vector<std::unique_ptr<TNode>> TakeChildren();
    int IndexOfChild(const TNode* Node) const { return FChildren.IndexOf(Node); }

    std::unique_ptr<INodeEnumerator> GetTopLevelNodeEnumerator(const TNodeClass& NodeClass) const;
    TNode* GetFirstNodeOfClass(const TNodeClass& NodeClass) const;
    TNode* GetSpecificNodeOfClass(int Index, const TNodeClass& NodeClass) const;

    template <class T>
    T* GetFirstNodeOfClass() const
    {
        return static_cast<T*>(GetFirstNodeOfClass(TNodeClass::Of<T>()));
    }
    template <class T>
    T* GetSpecificNodeOfClass(int Index) const
    {
        return static_cast<T*>(GetSpecificNodeOfClass(Index, TNodeClass::Of<T>()));
    }

private:
    static void DestroyNodes(std::vector<std::unique_ptr<TNode>>& nodes);

    TNodeList FChildren;
    std::vector<std::unique_ptr<TNode>> FOwned;  // same order as FChildren
    bool FOwnsChildren = true;
};

class TAreaNode : public TParentNode {
public:
    TPoint StartingPoint() const { return FStartingPoint; }
    void SetStartingPoint(TPoint p) { FStartingPoint = p; }
    TFontStyles Styles() const { return FStyles; }
    void SetStyles(TFontStyles styles) { FStyles = styles; }
    TColor Color() const { return FColor; }
    void SetColor(TColor color) { FColor = color; }

    virtual TFontStyles GetStyles() const { return FStyles; }
    virtual TColor GetColor() const { return FColor; }
    // Whether some top-level node of the class below this node is an area
    // node that contains P.
    virtual bool IsPointInNodeClass(TPoint P, const TNodeClass& NodeClass) const;

    // The text of every string node below, in document order.
    std::wstring Text() const;
    // Copies of the rectangles of every string node below, in document order.
    std::unique_ptr<IRectEnumerator> GetRectEnumerator() const;
    bool IsPointInNode(TPoint P) const;
    TAreaNode* GetNodeAtPointOfClass(TPoint P, const TNodeClass& NodeClass) const;

    template <class T>
    bool IsPointInNodeClass(TPoint P) const
    {
        return IsPointInNodeClass(P, TNodeClass::Of<T>());
    }
    template <class T>
    T* GetNodeAtPointOfClass(TPoint P) const
    {
        return static_cast<T*>(GetNodeAtPointOfClass(P, TNodeClass::Of<T>()));
    }

private:
    TPoint FStartingPoint;
    TFontStyles FStyles;
    TColor FColor = 0;
};

class TStyleNode : public TAreaNode {
public:
    explicit TStyleNode(TFontStyle style) : FStyle(style) {}
    TFontStyle Style() const { return FStyle; }
    void SetStyle(TFontStyle style) { FStyle = style; }

private:
    TFontStyle FStyle;
};

// Its own Color hides the inherited area colour. A colour node made without
// a colour (no value, or a value that is no colour) keeps the colour around
// it.
class TColorNode : public TAreaNode {
public:
    TColorNode() = default;
    explicit TColorNode(TColor color) : FColor(color), FHasColor(true) {}
    TColor Color() const { return FColor; }
    void SetColor(TColor color)
    {
        FColor = color;
        FHasColor = true;
    }
    bool HasColor() const { return FHasColor; }

private:
    TColor FColor = 0;
    bool FHasColor = false;
};

class TLinkNode : public TAreaNode {
public:
    explicit TLinkNode(std::wstring param = {});

    TLinkState State() const { return FState; }
    void SetState(TLinkState state) { FState = state; }
    int Number() const { return FNumber; }
    std::wstring Param() const { return GetParam(); }

    // The placeholder of the link's state, not a colour.
    TColor GetColor() const override;
    virtual std::wstring GetParam() const { return FParam; }
    virtual void SetParam(const std::wstring& param) { FParam = param; }

    // The process-wide link counter that numbers new links.
    static void ResetCount() { FCount = 0; }

private:
    static inline int FCount = 0;
    TLinkState FState = lsNormal;
    int FNumber;
    std::wstring FParam;
};

class TDynamicNode : public TAreaNode {
public:
    TDynamicNode();
    int Number() const { return FNumber; }
    static void ResetCount() { FCount = 0; }

private:
    static inline int FCount = 0;
    int FNumber;
};

class TRootNode : public TAreaNode {
public:
    // Refreshes the cache of the rectangles of all top-level links.
    void RetrieveRectsOfTLinkNodeChildren();
    // For TLinkNode answers from the cache when it holds rectangles.
    bool IsPointInNodeClass(TPoint P, const TNodeClass& NodeClass) const override;
    using TAreaNode::IsPointInNodeClass;
    const std::vector<TRect>& LinkRects() const { return FRectArray; }
    void ClearLinkRects() { FRectArray.clear(); }

private:
    std::vector<TRect> FRectArray;
};

class TStringNode : public TNode {
public:
    // "&lt;" and then "&gt;" are decoded here.
    explicit TStringNode(std::wstring text);

    const std::wstring& Text() const { return FText; }
    // Sets the text as it is; the word information of the old text goes.
    void SetText(std::wstring text);
    const std::vector<TRect>& RectArray() const { return FRectArray; }

    void AddRect(const TRect& rect) { FRectArray.push_back(rect); }
    void ClearRects() { FRectArray.clear(); }
    bool IsPointInNode(TPoint P) const;

    void AddWordInfo(const TSpaceInfo& spaceInfo, int width) { FWordInfoArray.push_back({spaceInfo, width}); }
    // Also forgets the own width of the first word.
    void ClearWordInfo()
    {
        FWordInfoArray.clear();
        FFirstWordOwnWidth.reset();
    }
    bool IsWordInfoInArray(int Pos) const { return Pos >= 0 && Pos < static_cast<int>(FWordInfoArray.size()); }
    TWordInfo GetWordInfo(int Pos) const;
    int WordInfoCount() const { return static_cast<int>(FWordInfoArray.size()); }

    bool FirstWordWidthRetrieved() const { return FFirstWordWidthRetrieved; }
    void SetFirstWordWidthRetrieved(bool value) { FFirstWordWidthRetrieved = value; }
    // The first word's width by itself, once measured: when it was counted
    // with the run before, the words after it still start behind it.
    std::optional<int> FirstWordOwnWidth() const { return FFirstWordOwnWidth; }
    void SetFirstWordOwnWidth(int width) { FFirstWordOwnWidth = width; }

private:
    std::wstring FText;
    std::vector<TRect> FRectArray;
    std::vector<TWordInfo> FWordInfoArray;
    bool FFirstWordWidthRetrieved = false;
    std::optional<int> FFirstWordOwnWidth;
};

class TActionNode : public TNode {
public:
    explicit TActionNode(TActionType action) : FAction(action) {}
    TActionType Action() const { return FAction; }
    void SetAction(TActionType action) { FAction = action; }

private:
    TActionType FAction;
};

class TUnknownNode : public TNode {
public:
    explicit TUnknownNode(std::wstring tag) : FTag(std::move(tag)) {}
    const std::wstring& Tag() const { return FTag; }

private:
    std::wstring FTag;
};

// The top-level nodes of a class below a start node, collected at creation
// in document order; nodes of the class inside a collected node are not
// collected.
class TTopLevelNodeEnumerator : public INodeEnumerator {
public:
    TTopLevelNodeEnumerator(const TParentNode& StartNode, const TNodeClass& NodeClass);
    TNode* GetNext() override;
    bool HasNext() const override { return FIndex < FNodes.size(); }
    void Reset() override { FIndex = 0; }

private:
    std::vector<TNode*> FNodes;
    std::size_t FIndex = 0;
};

class TRectEnumerator : public IRectEnumerator {
public:
    explicit TRectEnumerator(std::unique_ptr<TRectList> list) : FList(std::move(list)) {}
    TRect GetNext() override;
    bool HasNext() const override { return FIndex < FList->Count(); }
    void Reset() override { FIndex = 0; }

private:
    std::unique_ptr<TRectList> FList;
    int FIndex = 0;
};

class TNodeTree {
public:
    TNodeTree();
    ~TNodeTree();
    TNodeTree(const TNodeTree&) = delete;
    TNodeTree& operator=(const TNodeTree&) = delete;

    TRootNode& Root() const { return *FRootNode; }

    // Destroys the root's children (and forgets their link rectangles).
    void Clear();
    std::unique_ptr<INodeEnumerator> GetTopLevelNodeEnumerator(const TNodeClass& NodeClass) const;
    bool IsPointInTree(TPoint P) const;
    bool IsPointInNodeClass(TPoint P, const TNodeClass& NodeClass) const;
    TAreaNode* GetNodeAtPointOfClass(TPoint P, const TNodeClass& NodeClass) const;
    TNode* GetSpecificNodeOfClass(int Index, const TNodeClass& NodeClass) const;

private:
    std::unique_ptr<TRootNode> FRootNode;
};

}  // namespace linklabel
