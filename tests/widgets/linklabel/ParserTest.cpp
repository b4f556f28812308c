#include "widgets/linklabel/Parser.h"

#include <gtest/gtest.h>

#include "widgets/linklabel/Errors.h"
#include "tests/widgets/linklabel/TreeDump.h"

using namespace linklabel;
using linklabel::test::Dump;

namespace {

std::unique_ptr<TNodeTree> ParseFresh(const std::wstring& caption)
{
    TLinkNode::ResetCount();
    TDynamicNode::ResetCount();
    TDefaultParser parser;
    return parser.Parse(caption);
}

std::vector<TElement> ScanAll(const std::wstring& text)
{
    TElementEnumerator elements(text);
    std::vector<TElement> out;
    while (!elements.IsEndReached())
        out.push_back(elements.PopNextElement());
    return out;
}

}  // namespace

TEST(ElementEnumerator, CutsTextIntoElements)
{
    struct Case {
        std::wstring text;
        std::vector<TElement> expected;
    };
    const Case cases[] = {
        {L"", {}},
        {L"plain", {{ekString, L"plain"}}},
        {L"a<b>c</b>d", {{ekString, L"a"}, {ekBeginTag, L"b"}, {ekString, L"c"}, {ekEndTag, L"b"}, {ekString, L"d"}}},
        {L"x>y", {{ekString, L"x>y"}}},
        {L"<a<b>c", {{ekBeginTag, L"a<b"}, {ekString, L"c"}}},
        {L"<>", {{ekBeginTag, L""}}},
        {L"</>", {{ekEndTag, L""}}},
        // Without a closing bracket the last character is taken for it.
        {L"x<b", {{ekString, L"x"}, {ekBeginTag, L""}}},
        {L"<bxyz", {{ekBeginTag, L"bxy"}}},
        {L"<", {{ekBeginTag, L""}}},
        {L"</", {{ekEndTag, L""}}},
        {L"a</b", {{ekString, L"a"}, {ekEndTag, L""}}},
        {L"<b>", {{ekBeginTag, L"b"}}},
        {L"<<>>", {{ekBeginTag, L"<"}, {ekString, L">"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScanAll(c.text), c.expected) << c.text;
}

TEST(ElementEnumerator, PeekDoesNotMoveAndTheEndRaises)
{
    TElementEnumerator elements(L"<i>x");
    EXPECT_EQ(elements.PeekNextElement(), (TElement{ekBeginTag, L"i"}));
    EXPECT_EQ(elements.PeekNextElement(), (TElement{ekBeginTag, L"i"}));
    EXPECT_EQ(elements.PopNextElement(), (TElement{ekBeginTag, L"i"}));
    EXPECT_EQ(elements.PeekNextElement(), (TElement{ekString, L"x"}));
    EXPECT_EQ(elements.PopNextElement(), (TElement{ekString, L"x"}));
    EXPECT_TRUE(elements.IsEndReached());
    for (int i = 0; i < 2; ++i) {
        try {
            i == 0 ? elements.PopNextElement() : elements.PeekNextElement();
            ADD_FAILURE() << "no exception";
        } catch (const EParserError& e) {
            EXPECT_EQ(e.Message, L"TElementEnumerator.GetNextElement: No more elements to return");
        }
    }
}

TEST(Parser, CaptionsGiveTheseTrees)
{
    struct Case {
        std::wstring caption;
        std::wstring tree;
    };
    const Case cases[] = {
        {L"", L""},
        {L"plain text", L"\"plain text\""},
        {L"<b>bold</i> plain", L"b{\"bold\"} \" plain\""},
        // A top-level end tag ends the parse; the rest is dropped.
        {L"one </b>two", L"\"one \""},
        {L"<b>x<br></br>y</b>", L"b{\"x\" br} \"y\""},
        {L"<link=topic=2>go</link>", L"link#0(topic=2){\"go\"}"},
        {L"<LINK>a</LINK>", L"link#0(){\"a\"}"},
        {L"<Link>a</x>", L"link#0(){\"a\"}"},
        {L"<links>a</links>", L"link#0(){\"a\"}"},
        {L"<link x>a</link>", L"link#0(){\"a\"}"},
        {L"<link=Say \"Hi\" >a</link>", L"link#0(Say \"Hi\" ){\"a\"}"},
        {L"<bold>x</bold>", L"?bold? \"x\""},
        {L"<b >x", L"?b ? \"x\""},
        {L"<i>i</i><u>u</u><I>I</I>", L"i{\"i\"} u{\"u\"} i{\"I\"}"},
        {L"a<BR>b<p>c<Br >d", L"\"a\" br \"b\" p \"c\" ?Br ? \"d\""},
        {L"a &lt;b&gt; c", L"\"a <b> c\""},
        {L"&amp;lt; &LT; &lt;gt; &gt", L"\"&amp;lt; &LT; <gt; &gt\""},
        {L"x<b", L"\"x\" ??"},
        {L"<b><i>deep</i>er</b>", L"b{i{\"deep\"} \"er\"}"},
        {L"<b>unclosed <i>to the end", L"b{\"unclosed \" i{\"to the end\"}}"},
        {L"<dynamic>x</dynamic>", L"dyn#0{} \"x\""},
        {L"<colour=red>x", L"?colour=red? \"x\""},
        {L"<link><link>x</link></link>", L"link#0(){link#1(){\"x\"}}"},
        {L"<link>a</link><link>b</link>", L"link#0(){\"a\"} link#1(){\"b\"}"},
        {L"a\r\nb\rc\nd\r\r\n\ne", L"\"ab\rc\nde\""},
        {L"<b\r\n>x</b>", L"b{\"x\"}"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Dump(*ParseFresh(c.caption)), c.tree) << c.caption;
}

TEST(Parser, ColourValues)
{
    struct Case {
        std::wstring value;
        std::wstring colour;  // as TreeDump shows it
    };
    const Case cases[] = {
        {L"clRed", L"0000FF"},
        {L"CLRED", L"0000FF"},
        {L"clbtnface", L"FF00000F"},
        {L"clWindowText", L"FF000008"},
        {L"clMenuBar", L"FF00001E"},
        {L"clHotLight", L"FF00001A"},
        {L"clSkyBlue", L"F0CAA6"},
        {L"clNone", L"1FFFFFFF"},
        {L"clDefault", L"20000000"},
        {L"255", L"0000FF"},
        {L"  +16", L"000010"},
        {L"-1", L"FFFFFFFF"},
        {L"$FF00", L"00FF00"},
        {L"x1f", L"00001F"},
        {L"X1F", L"00001F"},
        {L"0x80", L"000080"},
        {L"0X80", L"000080"},
        {L"$FFFFFFFF", L"FFFFFFFF"},
        {L"2147483647", L"7FFFFFFF"},
        {L"-2147483648", L"80000000"},
        {L"red", L"none"},
        {L"", L"none"},
        {L" clRed", L"none"},
        {L"12 ", L"none"},
        {L"2147483648", L"none"},
        {L"$100000000", L"none"},
        {L"$", L"none"},
        {L"0x", L"none"},
        {L"1e3", L"none"},
    };
    for (const Case& c : cases) {
        const std::wstring caption = L"<color=" + c.value + L">x</color>";
        EXPECT_EQ(Dump(*ParseFresh(caption)), L"color=" + c.colour + L"{\"x\"}") << c.value;
    }
    EXPECT_EQ(Dump(*ParseFresh(L"<color>x</color>")), L"color=none{\"x\"}");
    EXPECT_EQ(Dump(*ParseFresh(L"<COLORFUL>x</COLORFUL>")), L"color=none{\"x\"}");
}

TEST(Parser, LinesOfAListAreJoinedWithoutSpace)
{
    TDefaultParser parser;
    EXPECT_EQ(Dump(*parser.Parse(std::vector<std::wstring>{L"Hello", L"World"})), L"\"HelloWorld\"");
    EXPECT_EQ(Dump(*parser.Parse(std::vector<std::wstring>{L"<b>a", L"b</b>c"})), L"b{\"ab\"} \"c\"");
}

TEST(Parser, NodesKnowTheirParentAndRoot)
{
    auto tree = ParseFresh(L"a<b>b<link>c</link></b>");
    TRootNode& root = tree->Root();
    EXPECT_EQ(root.Parent(), nullptr);
    EXPECT_EQ(root.Color(), clWindowText);
    EXPECT_TRUE(root.Styles().Empty());
    ASSERT_EQ(root.Children().Count(), 2);
    auto* bold = dynamic_cast<TStyleNode*>(root.Children()[1]);
    ASSERT_NE(bold, nullptr);
    auto* link = dynamic_cast<TLinkNode*>(bold->Children()[1]);
    ASSERT_NE(link, nullptr);
    for (TNode* n : {root.Children()[0], root.Children()[1], bold->Children()[0], static_cast<TNode*>(link),
                     link->Children()[0]})
        EXPECT_EQ(n->Root(), &root);
    EXPECT_EQ(bold->Parent(), &root);
    EXPECT_EQ(link->Parent(), bold);
    EXPECT_EQ(link->Children()[0]->Parent(), link);
}

TEST(Parser, LinksAndDynamicTagsAreNumberedInDocumentOrder)
{
    auto tree = ParseFresh(L"<dynamic><link>a</link>x<b><link>b</link><dynamic></b><link><link>c</link></link>");
    auto links = tree->GetTopLevelNodeEnumerator(TNodeClass::Of<TLinkNode>());
    std::vector<int> numbers;
    while (links->HasNext())
        numbers.push_back(static_cast<TLinkNode*>(links->GetNext())->Number());
    EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2}));  // the nested link 3 is not top-level
    EXPECT_EQ(tree->GetSpecificNodeOfClass(1, TNodeClass::Of<TDynamicNode>()),
              tree->Root().GetFirstNodeOfClass<TStyleNode>()->Children()[1]);

    // Without a reset the count goes on.
    TDefaultParser parser;
    auto next = parser.Parse(L"<link>d</link><dynamic>");
    EXPECT_EQ(next->Root().GetFirstNodeOfClass<TLinkNode>()->Number(), 4);
    EXPECT_EQ(next->Root().GetFirstNodeOfClass<TDynamicNode>()->Number(), 2);
}

TEST(Parser, DeepNestingNeedsNoDeepStack)
{
    const int depth = 100000;
    std::wstring caption;
    for (int i = 0; i < depth; ++i)
        caption += L"<b>";
    caption += L"core";
    auto tree = ParseFresh(caption);
    EXPECT_EQ(tree->Root().Text(), L"core");
    EXPECT_EQ(tree->Root().GetFirstNodeOfClass<TStringNode>()->Root(), &tree->Root());
    tree.reset();  // destroying must not recurse either
}

// ---- dynamic tags

namespace {

class TRecordingHandler : public IDynamicNodeHandler {
public:
    void SupplyDynamicSource(TDynamicNode* Node, std::wstring& Source) override
    {
        Asked.push_back(Node ? Node->Number() : -1);
        Source = Answer;
    }
    std::wstring Answer;
    std::vector<int> Asked;
};

}  // namespace

TEST(Parser, DynamicTagsAreFilledByTheHandler)
{
    TLinkNode::ResetCount();
    TDynamicNode::ResetCount();
    TRecordingHandler handler;
    handler.Answer = L"<link=in>x</link> <dynamic>";
    TDefaultParser parser;
    parser.SetDynamicNodeHandler(&handler);
    auto tree = parser.Parse(L"<link>a</link><dynamic><link>b</link><b><dynamic></b>");

    // Content is filled in when the tag is met, so it takes the next numbers
    // at once; dynamic tags inside supplied content are not asked for.
    EXPECT_EQ(Dump(*tree), L"link#0(){\"a\"} dyn#0{link#1(in){\"x\"} \" \" dyn#1{}} link#2(){\"b\"} "
                           L"b{dyn#2{link#3(in){\"x\"} \" \" dyn#3{}}}");
    EXPECT_EQ(handler.Asked, (std::vector<int>{0, 2}));

    auto* dynamic = tree->Root().GetFirstNodeOfClass<TDynamicNode>();
    auto* inner = dynamic->GetFirstNodeOfClass<TLinkNode>();
    EXPECT_EQ(inner->Parent(), dynamic);
    EXPECT_EQ(inner->Root(), &tree->Root());
    EXPECT_EQ(inner->Children()[0]->Root(), &tree->Root());
    EXPECT_EQ(inner->Children()[0]->Parent(), inner);
    EXPECT_EQ(dynamic->Text(), L"x ");
}

TEST(Parser, DynamicTagsStayEmptyWithoutHandlerOrAnswer)
{
    EXPECT_EQ(Dump(*ParseFresh(L"a<dynamic>b")), L"\"a\" dyn#0{} \"b\"");

    TRecordingHandler handler;
    TDefaultParser parser;
    parser.SetDynamicNodeHandler(&handler);
    TDynamicNode::ResetCount();
    EXPECT_EQ(Dump(*parser.Parse(L"<dynamic>")), L"dyn#0{}");
    EXPECT_EQ(handler.Asked, std::vector<int>{0});
}

TEST(Parser, ReplacingTheContentOfADynamicNodeContinuesTheCounts)
{
    auto tree = ParseFresh(L"<link>a</link><dynamic>");
    auto* dynamic = tree->Root().GetFirstNodeOfClass<TDynamicNode>();
    TDefaultParser parser;
    parser.AddSourceTreeToDynamicNode(*dynamic, L"<b>one</b><link>two</link>");
    EXPECT_EQ(Dump(*tree), L"link#0(){\"a\"} dyn#0{b{\"one\"} link#1(){\"two\"}}");

    dynamic->DestroyChildren();
    parser.AddSourceTreeToDynamicNode(*dynamic, L"<link>three</link><dynamic>");
    EXPECT_EQ(Dump(*tree), L"link#0(){\"a\"} dyn#0{link#2(){\"three\"} dyn#1{}}");
    EXPECT_EQ(tree->GetSpecificNodeOfClass(1, TNodeClass::Of<TLinkNode>())->Root(), &tree->Root());
}

// ---- the one failure of the parser itself

namespace {

// Says an end tag is not next, then hands one out anyway.
class TTwoFacedElements : public IElementEnumerator {
public:
    TElement PopNextElement() override { return {ekEndTag, L"b"}; }
    TElement PeekNextElement() override { return {ekString, L"x"}; }
    bool IsEndReached() const override { return false; }
};

}  // namespace

TEST(Parser, AnEndTagPoppedAsContentRaises)
{
    TNodeTree tree;
    TTwoFacedElements elements;
    TDefaultParser parser;
    try {
        parser.ParseNode(tree.Root(), elements);
        ADD_FAILURE() << "no exception";
    } catch (const EParserError& e) {
        EXPECT_EQ(e.Message, L"TDefaultParser.ParseNode: Unsupported state");
    }
}
