#include "widgets/linklabel/Renderer.h"

#include <vector>

#include "widgets/linklabel/TextHandler.h"

namespace linklabel {

namespace {

// The root's StartingPoint is the text origin itself, not a position
// relative to it.
bool IsTextOrigin(const TAreaNode& node) { return dynamic_cast<const TRootNode*>(&node) != nullptr; }

}  // namespace

TDefaultRenderer::TDefaultRenderer() = default;
TDefaultRenderer::~TDefaultRenderer() = default;

void TDefaultRenderer::RenderTree(ICanvas& Canvas, const TRect& Rect, TNodeTree& Tree)
{
    Tree.Root().SetStartingPoint({Rect.Left, Rect.Top});
    RenderNode(Canvas, Rect, Tree.Root());
    Tree.Root().RetrieveRectsOfTLinkNodeChildren();
}

void TDefaultRenderer::RenderNode(ICanvas& Canvas, const TRect& Rect, TAreaNode& Node)
{
    struct TReleaseAtEnd {
        std::unique_ptr<ITextHandler>& Handler;
        ~TReleaseAtEnd() { Handler.reset(); }
    } releaseAtEnd{FTextHandler};

    const TPoint start = IsTextOrigin(Node) ? TPoint{} : Node.StartingPoint();
    FTextHandler = std::make_unique<TTextHandler>(Rect, start, Canvas);
    LayoutNode(Node, Node.GetStyles(), Node.GetColor());
    FTextHandler->EmptyBuffer();
    FTextHeight = FTextHandler->GetTextHeight();
}

void TDefaultRenderer::StartingPosKnown(int X, int Y, TAreaNode& Node) { Node.SetStartingPoint({X, Y}); }

TColor TDefaultRenderer::ResolveColor(TColor Color) const
{
    switch (Color) {
    case LinkColorNormalPlaceholder:
        return FLinkColor;
    case LinkColorClickedPlaceholder:
        return FLinkColorClicked;
    case LinkColorHotPlaceholder:
        return FLinkColorHot;
    default:
        return Color;
    }
}

void TDefaultRenderer::LayoutNode(TAreaNode& Node, TFontStyles Styles, TColor Color)
{
    ITextHandler& handler = *FTextHandler;

    // Walks the subtree in document order with a stack of its own, so any
    // nesting depth is safe.
    struct TFrame {
        TAreaNode* Node;
        TFontStyles Styles;
        TColor Color;
        int Next;
    };
    std::vector<TFrame> frames;
    // Area nodes entered while the buffer still held text: their position
    // is that of their first string run or break, once it is placed.
    std::vector<TAreaNode*> waiting;

    auto enter = [&](TAreaNode& area, TFontStyles styles, TColor color) {
        if (!IsTextOrigin(area)) {
            if (handler.IsPosCurrent())
                area.SetStartingPoint({handler.GetPosX(), handler.GetPosY()});
            else
                waiting.push_back(&area);
        }
        area.SetStyles(styles);
        area.SetColor(ResolveColor(color));
        frames.push_back({&area, styles, color, 0});
    };
    auto placing = [&](TNode& first) {
        for (TAreaNode* area : waiting)
            handler.AddStartingPosObserver(*this, *area, first);
        waiting.clear();
    };

    enter(Node, Styles, Color);
    while (!frames.empty()) {
        TFrame& top = frames.back();
        if (top.Next >= top.Node->Children().Count()) {
            if (!waiting.empty() && waiting.back() == top.Node)
                waiting.pop_back();  // nothing inside it was placed
            frames.pop_back();
            continue;
        }
        TNode* child = top.Node->Children()[top.Next++];
        const TFontStyles styles = top.Styles;
        TFontStyles childStyles = styles;
        TColor childColor = ResolveColor(top.Color);

        if (auto* style = dynamic_cast<TStyleNode*>(child)) {
            childStyles = styles + style->Style();
        } else if (auto* color = dynamic_cast<TColorNode*>(child)) {
            if (color->HasColor())
                childColor = color->Color();
        } else if (dynamic_cast<TLinkNode*>(child)) {
            childStyles = styles + FLinkStyle;
            childColor = FLinkColor;
        } else if (auto* text = dynamic_cast<TStringNode*>(child)) {
            placing(*text);
            handler.TextOut(*text, childStyles, childColor);
        } else if (auto* action = dynamic_cast<TActionNode*>(child)) {
            placing(*action);
            if (action->Action() == atLineBreak)
                handler.DoLineBreak(action);
            else
                handler.DoParagraphBreak(action);
        }

        if (auto* area = dynamic_cast<TAreaNode*>(child))
            enter(*area, childStyles, childColor);  // may move frames: top is not used after this
    }
}

}  // namespace linklabel
