#include "widgets/linklabel/Tree.h"

#include <gtest/gtest.h>

#include "widgets/linklabel/Errors.h"
#include "widgets/linklabel/Parser.h"
#include "widgets/linklabel/Tools.h"
#include "tests/widgets/linklabel/TreeDump.h"

using namespace linklabel;
using linklabel::test::Dump;

namespace {

template <class E, class F>
std::wstring MessageOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    return L"<no exception>";
}

std::unique_ptr<TNodeTree> ParseFresh(const std::wstring& caption)
{
    TLinkNode::ResetCount();
    TDynamicNode::ResetCount();
    return TDefaultParser().Parse(caption);
}

}  // namespace

// ---- tools

TEST(StringTools, BeginsAndEndsWith)
{
    struct Case {
        std::wstring s, sub;
        bool begins, ends;
    };
    const Case cases[] = {
        {L"link=x", L"link", true, false}, {L"abc", L"", true, true},  {L"", L"a", false, false},
        {L"a", L"ab", false, false},       {L"Abc", L"a", false, false}, {L"abc ", L" ", false, true},
        {L"abc", L"abc", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TStringTools::BeginsWith(c.s, c.sub), c.begins) << c.s << L"/" << c.sub;
        EXPECT_EQ(TStringTools::EndsWith(c.s, c.sub), c.ends) << c.s << L"/" << c.sub;
    }
}

TEST(StringTools, RemoveCRLFRemovesPairsOnly)
{
    EXPECT_EQ(TStringTools::RemoveCRLF(L"a\r\nb\r\n"), L"ab");
    EXPECT_EQ(TStringTools::RemoveCRLF(L"a\rb\nc\n\r"), L"a\rb\nc\n\r");
    EXPECT_EQ(TStringTools::RemoveCRLF(L"\r\r\n\n"), L"");
    EXPECT_EQ(TStringTools::RemoveCRLF(L""), L"");
}

TEST(StringTools, ReplaceReplacesEveryOccurrence)
{
    struct Case {
        std::wstring oldSub, newSub, s, expected;
        bool replaced;
    };
    const Case cases[] = {
        {L"&lt;", L"<", L"&lt;a&lt;&lt;", L"<a<<", true},
        {L"&lt;", L"<", L"none", L"none", false},
        {L"ab", L"", L"xabyab", L"xy", true},
        // Text put in is not searched again: no endless loop.
        {L"a", L"aa", L"banana", L"baanaanaa", true},
        {L"", L"x", L"abc", L"abc", false},
    };
    for (const Case& c : cases) {
        std::wstring s = c.s;
        EXPECT_EQ(TStringTools::Replace(c.oldSub, c.newSub, s), c.replaced) << c.s;
        EXPECT_EQ(s, c.expected);
    }
}

TEST(GraphicTools, AllFourEdgesBelongToTheRectangle)
{
    const TRect r{10, 20, 30, 40};
    for (TPoint p : {TPoint{10, 20}, TPoint{30, 40}, TPoint{10, 40}, TPoint{30, 20}, TPoint{20, 30}})
        EXPECT_TRUE(TGraphicTools::IsPointInRect(p, r)) << p.X << "," << p.Y;
    for (TPoint p : {TPoint{9, 30}, TPoint{31, 30}, TPoint{20, 19}, TPoint{20, 41}})
        EXPECT_FALSE(TGraphicTools::IsPointInRect(p, r)) << p.X << "," << p.Y;
}

TEST(StaticObjects, CannotBeMade)
{
    EXPECT_EQ(MessageOf<EGenericToolsError>([] { TStringTools tools; }), L"This class cannot be instantiated");
    EXPECT_EQ(MessageOf<EGenericToolsError>([] { TGraphicTools tools; }), L"This class cannot be instantiated");
}

// ---- nodes

TEST(Nodes, TypeIdsOfTheExactClass)
{
    struct TOwnStringNode : TStringNode {
        TOwnStringNode() : TStringNode(L"") {}
    };
    EXPECT_EQ(TNode().GetNodeType(), ntNode);
    EXPECT_EQ(TParentNode().GetNodeType(), ntParentNode);
    EXPECT_EQ(TAreaNode().GetNodeType(), ntAreaNode);
    EXPECT_EQ(TStyleNode(fsBold).GetNodeType(), ntStyleNode);
    EXPECT_EQ(TColorNode().GetNodeType(), ntColorNode);
    EXPECT_EQ(TLinkNode().GetNodeType(), ntLinkNode);
    EXPECT_EQ(TDynamicNode().GetNodeType(), ntDynamicNode);
    EXPECT_EQ(TRootNode().GetNodeType(), ntRootNode);
    EXPECT_EQ(TStringNode(L"").GetNodeType(), ntStringNode);
    EXPECT_EQ(TActionNode(atLineBreak).GetNodeType(), ntActionNode);
    EXPECT_EQ(TUnknownNode(L"").GetNodeType(), ntUnknownNode);
    EXPECT_EQ(MessageOf<ENodeError>([] { TOwnStringNode().GetNodeType(); }), L"TNode.GetNodeType: Unknown class");
}

TEST(Nodes, LinkColourIsAPlaceholderByState)
{
    TLinkNode link(L"p");
    link.SetColor(clRed);
    EXPECT_EQ(link.GetColor(), 0x80000400u);
    link.SetState(lsClicked);
    EXPECT_EQ(link.GetColor(), 0x80000401u);
    link.SetState(lsHot);
    EXPECT_EQ(link.GetColor(), 0x80000402u);
    EXPECT_EQ(link.Color(), clRed);
    EXPECT_EQ(link.Param(), L"p");
}

TEST(Nodes, StringNodeDecodesEntitiesOnlyAtConstruction)
{
    TStringNode node(L"&lt;b&gt; &amp;");
    EXPECT_EQ(node.Text(), L"<b> &amp;");
    node.SetText(L"&lt;");
    EXPECT_EQ(node.Text(), L"&lt;");
}

TEST(Nodes, WordInformation)
{
    TStringNode node(L"a b");
    EXPECT_FALSE(node.IsWordInfoInArray(0));
    node.AddWordInfo({true, 5}, 15);
    node.AddWordInfo({false, 5}, 10);
    EXPECT_TRUE(node.IsWordInfoInArray(1));
    EXPECT_FALSE(node.IsWordInfoInArray(2));
    EXPECT_FALSE(node.IsWordInfoInArray(-1));
    EXPECT_EQ(node.GetWordInfo(0), (TWordInfo{{true, 5}, 15}));
    EXPECT_EQ(MessageOf<ENodeError>([&] { node.GetWordInfo(2); }), L"TStringNode.GetWordInfo: Index out of bounds");
    node.ClearWordInfo();
    EXPECT_EQ(MessageOf<ENodeError>([&] { node.GetWordInfo(0); }), L"TStringNode.GetWordInfo: Index out of bounds");
}

TEST(Nodes, ParentNodeChildren)
{
    TRootNode root;
    auto* a = root.AddChild(std::make_unique<TStringNode>(L"a"), &root);
    auto* b = root.AddChild(std::make_unique<TStyleNode>(fsBold), &root);
    auto* c = b->AddChild(std::make_unique<TStringNode>(L"c"), &root);
    EXPECT_EQ(root.IndexOfChild(a), 0);
    EXPECT_EQ(root.IndexOfChild(b), 1);
    EXPECT_EQ(root.IndexOfChild(c), -1);
    EXPECT_EQ(c->Parent(), b);
    EXPECT_EQ(c->Root(), &root);

    root.SetOwnsChildren(false);
    root.DestroyChildren();  // not its business now
    EXPECT_EQ(root.Children().Count(), 2);
    root.SetOwnsChildren(true);
    root.DestroyChildren();
    EXPECT_EQ(root.Children().Count(), 0);
}

TEST(Nodes, NodeList)
{
    TStringNode a(L"a"), b(L"b"), c(L"c");
    TNodeList list;
    list.Add(&a);
    list.Add(&c);
    list.Insert(1, &b);
    EXPECT_EQ(list.IndexOf(&b), 1);
    EXPECT_EQ(list.Remove(&a), 0);
    EXPECT_EQ(list.Remove(&a), -1);
    list.Put(0, &a);
    EXPECT_EQ(list[0], &a);
    EXPECT_EQ(list[1], &c);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_THROW(list.Get(2), ENodeError);
    EXPECT_THROW(list.Insert(3, &a), ENodeError);
}

TEST(Tree, TextOfAnAreaIsAllItsRunsInOrder)
{
    auto tree = ParseFresh(L"a<b>b<i>c</i></b><br>d<dynamic>");
    EXPECT_EQ(tree->Root().Text(), L"abcd");
    EXPECT_EQ(tree->Root().GetFirstNodeOfClass<TStyleNode>()->Text(), L"bc");
}

TEST(Tree, FirstNodeOfClassIsTheFirstInDocumentOrder)
{
    auto tree = ParseFresh(L"x<link><b>ab</b>cd</link>");
    auto* link = tree->Root().GetFirstNodeOfClass<TLinkNode>();
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetFirstNodeOfClass<TStringNode>()->Text(), L"ab");
    EXPECT_EQ(tree->Root().GetFirstNodeOfClass<TStringNode>()->Text(), L"x");
    EXPECT_EQ(tree->Root().GetFirstNodeOfClass<TDynamicNode>(), nullptr);
    // A class includes the classes derived from it.
    EXPECT_EQ(tree->Root().GetFirstNodeOfClass(TNodeClass::Of<TAreaNode>()), link);
}

TEST(Tree, TopLevelEnumeration)
{
    auto tree = ParseFresh(L"<link>a<link>b</link></link><b><link>c</link></b><dynamic>");
    auto links = tree->GetTopLevelNodeEnumerator(TNodeClass::Of<TLinkNode>());
    std::vector<int> numbers;
    while (links->HasNext())
        numbers.push_back(static_cast<TLinkNode*>(links->GetNext())->Number());
    EXPECT_EQ(numbers, (std::vector<int>{0, 2}));
    EXPECT_EQ(MessageOf<ENodeError>([&] { links->GetNext(); }), L"No more nodes to return");
    links->Reset();
    EXPECT_EQ(static_cast<TLinkNode*>(links->GetNext())->Number(), 0);

    auto areas = tree->GetTopLevelNodeEnumerator(TNodeClass::Of<TAreaNode>());
    int count = 0;
    while (areas->HasNext()) {
        areas->GetNext();
        ++count;
    }
    EXPECT_EQ(count, 3);  // link, b, dynamic
    EXPECT_EQ(tree->GetSpecificNodeOfClass(2, TNodeClass::Of<TAreaNode>())->GetNodeType(), ntDynamicNode);
    EXPECT_EQ(tree->GetSpecificNodeOfClass(3, TNodeClass::Of<TAreaNode>()), nullptr);
    EXPECT_EQ(tree->GetSpecificNodeOfClass(-1, TNodeClass::Of<TAreaNode>()), nullptr);
}

// ---- rectangles and hit tests

namespace {

// "a<link>bc<b>d</b></link><link>e<link>f</link></link>" with rectangles
// given by hand, as a layout would record them.
struct THitTree {
    std::unique_ptr<TNodeTree> Tree = ParseFresh(L"a<link>bc<b>d</b></link><link>e<link>f</link></link>");
    TStringNode* Run(const std::wstring& text) const
    {
        auto runs = Tree->Root().GetTopLevelNodeEnumerator(TNodeClass::Of<TStringNode>());
        while (runs->HasNext()) {
            auto* run = static_cast<TStringNode*>(runs->GetNext());
            if (run->Text() == text)
                return run;
        }
        return nullptr;
    }
    THitTree()
    {
        Run(L"a")->AddRect({0, 0, 10, 13});
        Run(L"bc")->AddRect({10, 0, 30, 13});
        Run(L"d")->AddRect({30, 0, 42, 13});
        Run(L"e")->AddRect({0, 13, 10, 26});
        Run(L"f")->AddRect({10, 13, 20, 26});
        Run(L"f")->AddRect({0, 26, 5, 39});
    }
};

}  // namespace

TEST(HitTest, RectanglesOfAnAreaInDocumentOrder)
{
    THitTree t;
    auto* first = t.Tree->Root().GetFirstNodeOfClass<TLinkNode>();
    auto rects = first->GetRectEnumerator();
    std::vector<TRect> got;
    while (rects->HasNext())
        got.push_back(rects->GetNext());
    EXPECT_EQ(got, (std::vector<TRect>{{10, 0, 30, 13}, {30, 0, 42, 13}}));
    EXPECT_EQ(MessageOf<ENodeError>([&] { rects->GetNext(); }), L"No more records to return");
    rects->Reset();
    EXPECT_EQ(rects->GetNext(), (TRect{10, 0, 30, 13}));
}

TEST(HitTest, PointsOnEdgesHitAndJustOutsideMiss)
{
    THitTree t;
    const TNodeTree& tree = *t.Tree;
    const auto link = TNodeClass::Of<TLinkNode>();
    struct Case {
        TPoint p;
        int link;  // number of the link found, -1 for none
        bool inTree;
    };
    const Case cases[] = {
        {{9, 5}, -1, true},    // plain text
        {{10, 0}, 0, true},    // the edge "a" and "bc" share
        {{42, 13}, 0, true},   // bottom-right corner of "d"
        {{43, 5}, -1, false},  // just right of it
        {{15, 20}, 1, true},   // "f" inside the nested link: the top-level link is the answer
        {{5, 39}, 1, true},    // corner of the second rectangle of "f"
        {{6, 39}, -1, false},
        {{0, 40}, -1, false},
    };
    for (const Case& c : cases) {
        auto* found = static_cast<TLinkNode*>(tree.GetNodeAtPointOfClass(c.p, link));
        EXPECT_EQ(found ? found->Number() : -1, c.link) << c.p.X << "," << c.p.Y;
        EXPECT_EQ(tree.IsPointInNodeClass(c.p, link), c.link >= 0) << c.p.X << "," << c.p.Y;
        EXPECT_EQ(tree.IsPointInTree(c.p), c.inTree) << c.p.X << "," << c.p.Y;
    }
    // Searching for the inner class goes down through the outer link.
    auto* bold = tree.GetNodeAtPointOfClass({35, 5}, TNodeClass::Of<TStyleNode>());
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->Text(), L"d");
    auto* inner = t.Tree->Root().GetSpecificNodeOfClass<TLinkNode>(1)->GetNodeAtPointOfClass<TLinkNode>({15, 20});
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Number(), 2);
}

TEST(HitTest, RootAnswersLinkQueriesFromItsCache)
{
    THitTree t;
    TRootNode& root = t.Tree->Root();
    root.RetrieveRectsOfTLinkNodeChildren();
    EXPECT_EQ(root.LinkRects(),
              (std::vector<TRect>{{10, 0, 30, 13}, {30, 0, 42, 13}, {0, 13, 10, 26}, {10, 13, 20, 26}, {0, 26, 5, 39}}));

    // The cache answers for links even after the text has moved...
    t.Run(L"bc")->ClearRects();
    EXPECT_TRUE(root.IsPointInNodeClass<TLinkNode>({20, 5}));
    // ...but for no other class.
    EXPECT_FALSE(root.IsPointInNodeClass<TAreaNode>({20, 5}));

    t.Tree->Clear();
    EXPECT_TRUE(root.LinkRects().empty());
    EXPECT_FALSE(root.IsPointInNodeClass<TLinkNode>({20, 5}));
}
