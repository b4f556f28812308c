// libFuzzer target: any caption goes through parse and layout, dynamic
// content included, without crash, hang or leak. It also checks what the
// link redraw relies on: an area node laid out alone puts its text exactly
// where the whole-caption layout put it.
//
// Input: the first byte chooses the width, every further byte is one
// character of the caption.

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "widgets/linklabel/Parser.h"
#include "widgets/linklabel/Renderer.h"
#include "tests/widgets/linklabel/FakeCanvas.h"

using namespace linklabel;

namespace {

class TEchoHandler : public IDynamicNodeHandler {
public:
    explicit TEchoHandler(std::wstring source) : FSource(std::move(source)) {}
    void SupplyDynamicSource(TDynamicNode* Node, std::wstring& Source) override
    {
        Source = Node && Node->Number() % 2 == 0 ? FSource : std::wstring();
    }

private:
    std::wstring FSource;
};

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "linklabel fuzz check failed: %s\n", what);
    std::abort();
}

template <class T>
std::vector<T*> All(const TParentNode& below)
{
    std::vector<T*> found;
    std::vector<const TParentNode*> pending{&below};
    while (!pending.empty()) {
        const TParentNode* p = pending.back();
        pending.pop_back();
        for (int i = p->Children().Count() - 1; i >= 0; --i) {
            TNode* child = p->Children()[i];
            if (auto* t = dynamic_cast<T*>(child))
                found.push_back(t);
            if (auto* cp = dynamic_cast<const TParentNode*>(child))
                pending.push_back(cp);
        }
    }
    return found;
}

void LayOutAndCheck(TNodeTree& tree, int right)
{
    test::TFakeCanvas canvas;
    TDefaultRenderer renderer;
    renderer.SetLinkColor(clBlue);
    renderer.SetLinkColorClicked(clRed);
    renderer.SetLinkColorHot(clPurple);
    renderer.SetLinkStyle({fsUnderline});
    const TRect rect{0, 0, right, 100};
    renderer.RenderTree(canvas, rect, tree);
    if (renderer.GetTextHeight() < test::TFakeCanvas::Height)
        Fail("text height below one line");

    std::map<const TStringNode*, std::vector<TRect>> whole;
    for (TStringNode* run : All<TStringNode>(tree.Root()))
        whole[run] = run->RectArray();

    int checked = 0;
    for (TAreaNode* area : All<TAreaNode>(tree.Root())) {
        if (++checked > 64)
            break;
        if (auto* link = dynamic_cast<TLinkNode*>(area))
            link->SetState(checked % 3 == 0 ? lsHot : lsClicked);
        canvas.Forget();
        renderer.RenderNode(canvas, rect, *area);
        for (TStringNode* run : All<TStringNode>(*area))
            if (run->RectArray() != whole[run])
                Fail("an area node laid out alone moved its text");
    }

    // Hit tests at the corners of the first link rectangles.
    int probes = 0;
    for (const TRect& r : tree.Root().LinkRects()) {
        if (++probes > 16)
            break;
        for (TPoint p : {TPoint{r.Left, r.Top}, TPoint{r.Right, r.Bottom}}) {
            if (!tree.IsPointInNodeClass(p, TNodeClass::Of<TLinkNode>()))
                Fail("a link rectangle's corner is not in a link");
            if (auto* link = tree.GetNodeAtPointOfClass(p, TNodeClass::Of<TLinkNode>()))
                (void)static_cast<TLinkNode*>(link)->Text();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int right = 8 + data[0] * 2;
    std::wstring caption;
    caption.reserve(size - 1);
    for (std::size_t i = 1; i < size; ++i)
        caption.push_back(static_cast<wchar_t>(data[i]));

    TLinkNode::ResetCount();
    TDynamicNode::ResetCount();
    TDefaultParser parser;
    TEchoHandler echo(caption.substr(0, 48));
    parser.SetDynamicNodeHandler(&echo);
    std::unique_ptr<TNodeTree> tree = parser.Parse(caption);
    LayOutAndCheck(*tree, right);

    // What the control does on a dynamic tag update, then a new paint.
    if (auto* dynamic = tree->Root().GetSpecificNodeOfClass<TDynamicNode>(0)) {
        dynamic->DestroyChildren();
        TDefaultParser().AddSourceTreeToDynamicNode(*dynamic, caption.substr(caption.size() / 2));
        LayOutAndCheck(*tree, right);
    }
    return 0;
}
