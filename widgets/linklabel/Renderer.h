#pragma once
// Lays out and draws a node tree, or one area node of it, on a canvas, and
// records in the tree where every piece of text went (relative to the text
// origin, the root's StartingPoint).

#include <memory>

#include "widgets/linklabel/Canvas.h"
#include "widgets/linklabel/StartingPosObserver.h"
#include "widgets/linklabel/Tree.h"

namespace linklabel {

class ITextHandler;  // TextHandler.h, kept out of here (see there)

class IRenderer {
public:
    virtual ~IRenderer() = default;
    virtual TColor GetLinkColor() const = 0;
    virtual void SetLinkColor(TColor Value) = 0;
    virtual TColor GetLinkColorClicked() const = 0;
    virtual void SetLinkColorClicked(TColor Value) = 0;
    virtual TColor GetLinkColorHot() const = 0;
    virtual void SetLinkColorHot(TColor Value) = 0;
    virtual TFontStyles GetLinkStyle() const = 0;
    virtual void SetLinkStyle(TFontStyles Value) = 0;

    // The whole caption, its text origin at Rect's top-left corner; then
    // refreshes the root's cache of link rectangles.
    virtual void RenderTree(ICanvas& Canvas, const TRect& Rect, TNodeTree& Tree) = 0;
    // One area node where the last whole layout put it; a link is drawn in
    // the colour of its state.
    virtual void RenderNode(ICanvas& Canvas, const TRect& Rect, TAreaNode& Node) = 0;
    // The bottom of the last line of the last call, relative to the origin.
    virtual int GetTextHeight() const = 0;
};

class TDefaultRenderer : public IRenderer, public IStartingPosObserver {
public:
    TDefaultRenderer();
    ~TDefaultRenderer() override;

    TColor GetLinkColor() const override { return FLinkColor; }
    void SetLinkColor(TColor Value) override { FLinkColor = Value; }
    TColor GetLinkColorClicked() const override { return FLinkColorClicked; }
    void SetLinkColorClicked(TColor Value) override { FLinkColorClicked = Value; }
    TColor GetLinkColorHot() const override { return FLinkColorHot; }
    void SetLinkColorHot(TColor Value) override { FLinkColorHot = Value; }
    TFontStyles GetLinkStyle() const override { return FLinkStyle; }
    void SetLinkStyle(TFontStyles Value) override { FLinkStyle = Value; }

    void RenderTree(ICanvas& Canvas, const TRect& Rect, TNodeTree& Tree) override;
    void RenderNode(ICanvas& Canvas, const TRect& Rect, TAreaNode& Node) override;
    int GetTextHeight() const override { return FTextHeight; }

    void StartingPosKnown(int X, int Y, TAreaNode& Node) override;

protected:
    // Lays out Node and everything below it with the given inherited style
    // and colour. Only valid during RenderNode.
    virtual void LayoutNode(TAreaNode& Node, TFontStyles Styles, TColor Color);
    // Replaces a link placeholder colour by the matching link colour.
    virtual TColor ResolveColor(TColor Color) const;

    TColor FLinkColor = 0;
    TColor FLinkColorClicked = 0;
    TColor FLinkColorHot = 0;
    TFontStyles FLinkStyle;
    std::unique_ptr<ITextHandler> FTextHandler;
    int FTextHeight = 0;
};

}  // namespace linklabel
