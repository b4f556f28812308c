#include "widgets/linklabel/Tree.h"

#include "widgets/linklabel/Errors.h"
#include "widgets/linklabel/Tools.h"

namespace linklabel {

namespace {

enum class TVisit { Descend, Skip, Stop };

// Depth-first walk in document order over the nodes below Start, without
// recursion. Visit decides whether a parent node is looked into.
template <class F>
void WalkBelow(const TParentNode& Start, F&& Visit)
{
    struct TPos {
        const TParentNode* Node;
        int Next;
    };
    std::vector<TPos> stack{{&Start, 0}};
    while (!stack.empty()) {
        TPos& top = stack.back();
        if (top.Next >= top.Node->Children().Count()) {
            stack.pop_back();
            continue;
        }
        TNode* child = top.Node->Children()[top.Next++];
        switch (Visit(*child)) {
        case TVisit::Stop:
            return;
        case TVisit::Descend:
            if (const auto* parent = dynamic_cast<const TParentNode*>(child))
                stack.push_back({parent, 0});
            break;
        case TVisit::Skip:
            break;
        }
    }
}

std::vector<TNode*> CollectTopLevel(const TParentNode& Start, const TNodeClass& NodeClass)
{
    std::vector<TNode*> nodes;
    WalkBelow(Start, [&](TNode& node) {
        if (NodeClass.Includes(node)) {
            nodes.push_back(&node);
            return TVisit::Skip;
        }
        return TVisit::Descend;
    });
    return nodes;
}

}  // namespace

// ---- TNodeList

void TNodeList::Insert(int index, TNode* node)
{
    if (index < 0 || index > Count())
        throw ENodeError(L"TNodeList.Insert: Index out of bounds");
    FItems.insert(FItems.begin() + index, node);
}

int TNodeList::Remove(const TNode* node)
{
    const int index = IndexOf(node);
    if (index >= 0)
        FItems.erase(FItems.begin() + index);
    return index;
}

int TNodeList::IndexOf(const TNode* node) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == node)
            return static_cast<int>(i);
    return -1;
}

TNode* TNodeList::Get(int index) const
{
    if (index < 0 || index >= Count())
        throw ENodeError(L"TNodeList.Get: Index out of bounds");
    return FItems[static_cast<std::size_t>(index)];
}

void TNodeList::Put(int index, TNode* node)
{
    if (index < 0 || index >= Count())
        throw ENodeError(L"TNodeList.Put: Index out of bounds");
    FItems[static_cast<std::size_t>(index)] = node;
}

// ---- TNode

TNodeType TNode::GetNodeType() const
{
    const std::type_info& type = typeid(*this);
    if (type == typeid(TNode))
        return ntNode;
    if (type == typeid(TParentNode))
        return ntParentNode;
    if (type == typeid(TAreaNode))
        return ntAreaNode;
    if (type == typeid(TStyleNode))
        return ntStyleNode;
    if (type == typeid(TColorNode))
        return ntColorNode;
    if (type == typeid(TLinkNode))
        return ntLinkNode;
    if (type == typeid(TDynamicNode))
        return ntDynamicNode;
    if (type == typeid(TRootNode))
        return ntRootNode;
    if (type == typeid(TStringNode))
        return ntStringNode;
    if (type == typeid(TActionNode))
        return ntActionNode;
    if (type == typeid(TUnknownNode))
        return ntUnknownNode;
    throw ENodeError(L"TNode.GetNodeType: Unknown class");
}

// ---- TParentNode

TParentNode::~TParentNode() { DestroyNodes(FOwned); }

void TParentNode::DestroyNodes(std::vector<std::unique_ptr<TNode>>& nodes)
{
    // Flattens the subtree into one work list, so that a deeply nested tree
    // does not recurse through the destructors. Siblings go last to first.
    while (!nodes.empty()) {
        std::unique_ptr<TNode> node = std::move(nodes.back());
        nodes.pop_back();
        if (auto* parent = dynamic_cast<TParentNode*>(node.get())) {
            parent->FChildren.Clear();
            for (auto& child : parent->FOwned)
                nodes.push_back(std::move(child));
            parent->FOwned.clear();
        }
    }
}

TNode* TParentNode::AddChild(std::unique_ptr<TNode> ANode, TRootNode* ARoot)
{
    if (!ANode)
        return nullptr;
    TNode* node = ANode.get();
    node->SetParent(this);
    node->SetRoot(ARoot);
    FOwned.push_back(std::move(ANode));
    FChildren.Add(node);
    return node;
}

void TParentNode::DestroyChildren()
{
    if (!FOwnsChildren)
        return;
    FChildren.Clear();
    std::vector<std::unique_ptr<TNode>> owned = std::move(FOwned);
    FOwned.clear();
    DestroyNodes(owned);
}

std::vector<std::unique_ptr<TNode>> TParentNode::TakeChildren()
{
    FChildren.Clear();
    std::vector<std::unique_ptr<TNode>> owned = std::move(FOwned);
    FOwned.clear();
    for (auto& child : owned)
        child->SetParent(nullptr);
    return owned;
}

std::unique_ptr<INodeEnumerator> TParentNode::GetTopLevelNodeEnumerator(const TNodeClass& NodeClass) const
{
    return std::make_unique<TTopLevelNodeEnumerator>(*this, NodeClass);
}

TNode* TParentNode::GetFirstNodeOfClass(const TNodeClass& NodeClass) const
{
    TNode* found = nullptr;
    WalkBelow(*this, [&](TNode& node) {
        if (NodeClass.Includes(node)) {
            found = &node;
            return TVisit::Stop;
        }
        return TVisit::Descend;
    });
    return found;
}

TNode* TParentNode::GetSpecificNodeOfClass(int Index, const TNodeClass& NodeClass) const
{
    if (Index < 0)
        return nullptr;
    const std::vector<TNode*> nodes = CollectTopLevel(*this, NodeClass);
    return static_cast<std::size_t>(Index) < nodes.size() ? nodes[static_cast<std::size_t>(Index)] : nullptr;
}

// ---- TAreaNode

bool TAreaNode::IsPointInNodeClass(TPoint P, const TNodeClass& NodeClass) const
{
    bool found = false;
    WalkBelow(*this, [&](TNode& node) {
        if (!NodeClass.Includes(node))
            return TVisit::Descend;
        const auto* area = dynamic_cast<const TAreaNode*>(&node);
        if (area && area->IsPointInNode(P)) {
            found = true;
            return TVisit::Stop;
        }
        return TVisit::Skip;
    });
    return found;
}

std::wstring TAreaNode::Text() const
{
    std::wstring text;
    WalkBelow(*this, [&](TNode& node) {
        if (const auto* s = dynamic_cast<const TStringNode*>(&node))
            text += s->Text();
        return TVisit::Descend;
    });
    return text;
}

std::unique_ptr<IRectEnumerator> TAreaNode::GetRectEnumerator() const
{
    auto list = std::make_unique<TRectList>();
    WalkBelow(*this, [&](TNode& node) {
        if (const auto* s = dynamic_cast<const TStringNode*>(&node))
            for (const TRect& r : s->RectArray())
                list->AddRect(r);
        return TVisit::Descend;
    });
    return std::make_unique<TRectEnumerator>(std::move(list));
}

bool TAreaNode::IsPointInNode(TPoint P) const
{
    bool found = false;
    WalkBelow(*this, [&](TNode& node) {
        const auto* s = dynamic_cast<const TStringNode*>(&node);
        if (s && s->IsPointInNode(P)) {
            found = true;
            return TVisit::Stop;
        }
        return TVisit::Descend;
    });
    return found;
}

TAreaNode* TAreaNode::GetNodeAtPointOfClass(TPoint P, const TNodeClass& NodeClass) const
{
    // The top-level area nodes that contain P, each searched the same way
    // before the next one: a depth-first walk that only enters area nodes
    // containing P (other parent nodes are looked through).
    TAreaNode* found = nullptr;
    WalkBelow(*this, [&](TNode& node) {
        auto* area = dynamic_cast<TAreaNode*>(&node);
        if (!area)
            return TVisit::Descend;
        if (!area->IsPointInNode(P))
            return TVisit::Skip;
        if (NodeClass.Includes(*area)) {
            found = area;
            return TVisit::Stop;
        }
        return TVisit::Descend;
    });
    return found;
}

// ---- link and dynamic nodes

TLinkNode::TLinkNode(std::wstring param) : FNumber(FCount++), FParam(std::move(param)) {}

TColor TLinkNode::GetColor() const
{
    switch (FState) {
    case lsClicked:
        return LinkColorClickedPlaceholder;
    case lsHot:
        return LinkColorHotPlaceholder;
    case lsNormal:
        break;
    }
    return LinkColorNormalPlaceholder;
}

TDynamicNode::TDynamicNode() : FNumber(FCount++) {}

// ---- TRootNode

void TRootNode::RetrieveRectsOfTLinkNodeChildren()
{
    FRectArray.clear();
    for (TNode* link : CollectTopLevel(*this, TNodeClass::Of<TLinkNode>())) {
        auto rects = static_cast<TLinkNode*>(link)->GetRectEnumerator();
        while (rects->HasNext())
            FRectArray.push_back(rects->GetNext());
    }
}

bool TRootNode::IsPointInNodeClass(TPoint P, const TNodeClass& NodeClass) const
{
    if (NodeClass == TNodeClass::Of<TLinkNode>() && !FRectArray.empty()) {
        for (const TRect& r : FRectArray)
            if (TGraphicTools::IsPointInRect(P, r))
                return true;
        return false;
    }
    return TAreaNode::IsPointInNodeClass(P, NodeClass);
}

// ---- TStringNode

TStringNode::TStringNode(std::wstring text) : FText(std::move(text))
{
    TStringTools::Replace(L"&lt;", L"<", FText);
    TStringTools::Replace(L"&gt;", L">", FText);
}

void TStringNode::SetText(std::wstring text)
{
    FText = std::move(text);
    ClearWordInfo();
}

bool TStringNode::IsPointInNode(TPoint P) const
{
    for (const TRect& r : FRectArray)
        if (TGraphicTools::IsPointInRect(P, r))
            return true;
    return false;
}

TWordInfo TStringNode::GetWordInfo(int Pos) const
{
    if (!IsWordInfoInArray(Pos))
        throw ENodeError(L"TStringNode.GetWordInfo: Index out of bounds");
    return FWordInfoArray[static_cast<std::size_t>(Pos)];
}

// ---- enumerators

TTopLevelNodeEnumerator::TTopLevelNodeEnumerator(const TParentNode& StartNode, const TNodeClass& NodeClass)
    : FNodes(CollectTopLevel(StartNode, NodeClass))
{
}

TNode* TTopLevelNodeEnumerator::GetNext()
{
    if (!HasNext())
        throw ENodeError(L"No more nodes to return");
    return FNodes[FIndex++];
}

TRect TRectEnumerator::GetNext()
{
    if (!HasNext())
        throw ENodeError(L"No more records to return");
    return (*FList)[FIndex++];
}

// ---- TNodeTree

TNodeTree::TNodeTree() : FRootNode(std::make_unique<TRootNode>())
{
    FRootNode->SetColor(clWindowText);
}

TNodeTree::~TNodeTree() = default;

void TNodeTree::Clear()
{
    FRootNode->DestroyChildren();
    FRootNode->ClearLinkRects();
}

std::unique_ptr<INodeEnumerator> TNodeTree::GetTopLevelNodeEnumerator(const TNodeClass& NodeClass) const
{
    return FRootNode->GetTopLevelNodeEnumerator(NodeClass);
}

bool TNodeTree::IsPointInTree(TPoint P) const { return FRootNode->IsPointInNode(P); }

bool TNodeTree::IsPointInNodeClass(TPoint P, const TNodeClass& NodeClass) const
{
    return FRootNode->IsPointInNodeClass(P, NodeClass);
}

TAreaNode* TNodeTree::GetNodeAtPointOfClass(TPoint P, const TNodeClass& NodeClass) const
{
    return FRootNode->GetNodeAtPointOfClass(P, NodeClass);
}

TNode* TNodeTree::GetSpecificNodeOfClass(int Index, const TNodeClass& NodeClass) const
{
    return FRootNode->GetSpecificNodeOfClass(Index, NodeClass);
}

}  // namespace linklabel
