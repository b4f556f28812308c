#include "widgets/linklabel/JvLinkLabel.h"

#include <algorithm>

#include "framework/StyleColors.h"

namespace linklabel {

namespace {

constexpr wchar_t kDefaultAction[] = L"Klicken";

bool IsBelow(const TNode& node, const TNode& ancestor)
{
    for (const TNode* n = &node; n != nullptr; n = n->Parent())
        if (n == &ancestor)
            return true;
    return false;
}

TPoint Minus(TPoint a, TPoint b) { return {a.X - b.X, a.Y - b.Y}; }

}  // namespace

TJvCustomLinkLabel::TJvCustomLinkLabel()
{
    FLinkCursor = crHandPoint;
    FText.clear();
    SetControlStyle(ControlStyle() | csOpaque | csReplicatable);
    SetControlStyle(ControlStyle() | csParentBackground);
    SetBounds(Left(), Top(), 160, 17);
    FNodeTree = std::make_unique<TNodeTree>();
    SetAutoHeight(true);
    FParser = MakeParser();
    FParser->SetDynamicNodeHandler(this);
    FRenderer = MakeRenderer();
    FLayout = tlTop;
    // Each through its property, which passes it on to the renderer.
    SetLinkColor(clBlue);
    SetLinkColorClicked(clRed);
    SetLinkColorHot(clPurple);
    SetLinkStyle({fsUnderline});
}

TJvCustomLinkLabel::~TJvCustomLinkLabel()
{
    FActiveLinkNode = nullptr;
    FNodeTree.reset();
    FText.clear();
}

void TJvCustomLinkLabel::SetSurface(std::unique_ptr<ISurface> Surface) { FSurface = std::move(Surface); }

std::unique_ptr<IParser> TJvCustomLinkLabel::MakeParser() { return std::make_unique<TDefaultParser>(); }

std::unique_ptr<IRenderer> TJvCustomLinkLabel::MakeRenderer() { return std::make_unique<TDefaultRenderer>(); }

// ---- properties

void TJvCustomLinkLabel::SetCaption(const std::wstring& Value)
{
    if (Value == FCaption)
        return;
    FText.clear();
    FCaption = Value;
    FText.push_back(Value);

    FActiveLinkNode = nullptr;
    // An empty tree stands in while the new one is parsed, so a failing
    // dynamic tag handler leaves a usable label.
    FNodeTree = std::make_unique<TNodeTree>();
    TLinkNode::ResetCount();
    TDynamicNode::ResetCount();
    FNodeTree = FParser->Parse(Value);

    CopyFontToRoot();
    Invalidate();
    FireCaptionChanged();
}

void TJvCustomLinkLabel::SetText(const std::vector<std::wstring>& Value)
{
    FText = Value;
    std::wstring caption;
    for (const std::wstring& line : FText)
        caption += line + L"\r\n";
    SetCaption(caption);
}

void TJvCustomLinkLabel::SetTransparent(bool Value)
{
    if (Value == Transparent())
        return;
    if (Value)
        SetControlStyle(ControlStyle() & ~(csOpaque | csParentBackground));
    else
        SetControlStyle(ControlStyle() | csOpaque | csParentBackground);
    Invalidate();
}

void TJvCustomLinkLabel::SetLayout(TTextLayout Value)
{
    if (Value == FLayout)
        return;
    FLayout = Value;
    Invalidate();
}

void TJvCustomLinkLabel::SetLinkColor(TColor Value)
{
    if (Value == FRenderer->GetLinkColor())
        return;
    FRenderer->SetLinkColor(Value);
    Invalidate();
}

void TJvCustomLinkLabel::SetLinkColorClicked(TColor Value)
{
    if (Value == FRenderer->GetLinkColorClicked())
        return;
    FRenderer->SetLinkColorClicked(Value);
}

void TJvCustomLinkLabel::SetLinkColorHot(TColor Value) { FRenderer->SetLinkColorHot(Value); }

void TJvCustomLinkLabel::SetLinkCursor(TCursor Value) { FLinkCursor = Value; }

void TJvCustomLinkLabel::SetLinkStyle(TFontStyles Value)
{
    if (Value == FRenderer->GetLinkStyle())
        return;
    FRenderer->SetLinkStyle(Value);
    // Link text is measured in the link style.
    ClearWordInfo();
    Invalidate();
}

void TJvCustomLinkLabel::SetHotLinks(bool Value) { FHotLinks = Value; }

void TJvCustomLinkLabel::SetAutoHeight(bool Value)
{
    if (Value == FAutoHeight)
        return;
    FAutoHeight = Value;
    Invalidate();
}

void TJvCustomLinkLabel::SetMarginWidth(int Value)
{
    if (Value == FMarginWidth)
        return;
    FMarginWidth = Value;
    Resize();
    Invalidate();
}

void TJvCustomLinkLabel::SetMarginHeight(int Value)
{
    if (Value == FMarginHeight)
        return;
    FMarginHeight = Value;
    Resize();
    Invalidate();
}

// ---- notifications

void TJvCustomLinkLabel::FontChanged()
{
    TJvExGraphicControl::FontChanged();
    CopyFontToRoot();
    ClearWordInfo();
    Invalidate();
}

void TJvCustomLinkLabel::TextChanged()
{
    TJvExGraphicControl::TextChanged();
    Invalidate();
}

void TJvCustomLinkLabel::Loaded()
{
    TJvExGraphicControl::Loaded();
    FOriginalCursor = Cursor();
}

void TJvCustomLinkLabel::CopyFontToRoot()
{
    FNodeTree->Root().SetStyles(Font().Style);
    FNodeTree->Root().SetColor(Font().Color);
}

void TJvCustomLinkLabel::ClearWordInfo()
{
    auto runs = FNodeTree->GetTopLevelNodeEnumerator(TNodeClass::Of<TStringNode>());
    while (runs->HasNext()) {
        auto* run = static_cast<TStringNode*>(runs->GetNext());
        run->ClearWordInfo();
        run->SetFirstWordWidthRetrieved(false);
    }
}

// ---- painting

TRect TJvCustomLinkLabel::MarginRect() const
{
    return {FMarginWidth, FMarginHeight, ClientWidth() - FMarginWidth, ClientHeight() - FMarginHeight};
}

int TJvCustomLinkLabel::TextTop(const TRect& R, int TextHeight) const
{
    switch (FLayout) {
    case tlCenter:
        return std::max(R.Top + (R.Height() - TextHeight) / 2, FMarginHeight);
    case tlBottom:
        return std::max(R.Bottom - TextHeight, FMarginHeight);
    case tlTop:
    default:
        return R.Top;
    }
}

void TJvCustomLinkLabel::Paint()
{
    if (!FSurface)
        return;
    ISurface& surface = *FSurface;
    // The surface starts each paint with the control's colour as its brush.
    surface.SetBrushColor(Color());
    if (!Transparent())
        PaintThemedBackground(*this, surface, ClientRect(), true);
    surface.SetFont(Font());

    const int imageHeight = ClientHeight() - 2 * FMarginHeight + 1;
    const int imageWidth = ClientWidth() - 2 * FMarginWidth + 1;
    // The image shows the background the control's own fill shows.
    std::unique_ptr<IImage> image =
        surface.MakeImage(std::max(imageWidth, 1), std::max(imageHeight, 1), StyleColor(Color()));
    const TRect layoutRect{0, 0, imageWidth - 1, imageHeight - 1};

    FNodeTree->Root().SetStartingPoint({0, 0});
    FRenderer->RenderTree(*image, layoutRect, *FNodeTree);
    const int textHeight = FRenderer->GetTextHeight();

    if (FAutoHeight && (Align() == alNone || Align() == alTop || Align() == alBottom)) {
        const int wanted = textHeight + 2 * FMarginHeight;
        if (wanted != ClientHeight()) {
            const int before = ClientHeight();
            SetClientHeight(wanted);
            // A new height brings another paint; a height the constraints
            // keep as it was does not, so this paint draws.
            if (ClientHeight() != before)
                return;
        }
    }

    const TRect r = MarginRect();
    const TPoint origin{r.Left, TextTop(r, textHeight)};
    if (Transparent()) {
        // The background under the text is copied from where the image
        // goes, then the text is laid out again on it (the widths are
        // cached by now).
        surface.CopyToImage(*image, origin);
        FRenderer->RenderTree(*image, layoutRect, *FNodeTree);
    }
    FNodeTree->Root().SetStartingPoint(origin);
    surface.DrawImage(*image, origin);
    DrawFocusCue();
}

void TJvCustomLinkLabel::DrawFocusCue()
{
    if (!FSurface || !Focused() || Parent() == nullptr || !Parent()->FocusCuesShown())
        return;
    // Around the link text; around the whole label when it has no link.
    TRect area = ClientRect();
    bool first = true;
    auto links = FNodeTree->GetTopLevelNodeEnumerator(TNodeClass::Of<TLinkNode>());
    while (links->HasNext()) {
        auto rects = static_cast<TLinkNode*>(links->GetNext())->GetRectEnumerator();
        while (rects->HasNext()) {
            const TRect r = rects->GetNext();
            if (first)
                area = r;
            else
                area = {std::min(area.Left, r.Left), std::min(area.Top, r.Top), std::max(area.Right, r.Right),
                        std::max(area.Bottom, r.Bottom)};
            first = false;
        }
    }
    if (!first) {
        const TPoint origin = TextOrigin();
        area = {std::max(area.Left + origin.X - 1, 0), std::max(area.Top + origin.Y, 0),
                std::min(area.Right + origin.X + 1, ClientWidth()), std::min(area.Bottom + origin.Y, ClientHeight())};
    }
    FSurface->DrawFocusRect(area, LinkColor());
}

// ---- links

bool TJvCustomLinkLabel::IsLinkAt(TPoint P) const
{
    return FNodeTree->IsPointInNodeClass(Minus(P, TextOrigin()), TNodeClass::Of<TLinkNode>());
}

TLinkNode* TJvCustomLinkLabel::LinkAt(TPoint P) const
{
    const TPoint q = Minus(P, TextOrigin());
    if (!FNodeTree->IsPointInNodeClass(q, TNodeClass::Of<TLinkNode>()))
        return nullptr;
    return static_cast<TLinkNode*>(FNodeTree->GetNodeAtPointOfClass(q, TNodeClass::Of<TLinkNode>()));
}

void TJvCustomLinkLabel::ActivateLinkAt(TPoint P, TLinkState State)
{
    TLinkNode* link = LinkAt(P);
    if (link == nullptr)
        return;
    if (link != FActiveLinkNode || link->State() != State) {
        ResetActiveLink();
        link->SetState(State);
        FActiveLinkNode = link;
        RedrawLink(*link);
    }
}

void TJvCustomLinkLabel::ResetActiveLink()
{
    struct TForget {
        TLinkNode*& Active;
        ~TForget() { Active = nullptr; }
    } forget{FActiveLinkNode};
    if (FActiveLinkNode != nullptr) {
        FActiveLinkNode->SetState(lsNormal);
        RedrawLink(*FActiveLinkNode);
    }
}

void TJvCustomLinkLabel::RedrawLink(TLinkNode& Link)
{
    if (!FSurface)
        return;
    TSurfaceLock lock(*FSurface);
    EraseLinkArea(Link);
    FSurface->SetFont(Font());
    FRenderer->RenderNode(FSurface->Canvas(), MarginRect(), Link);
    DrawFocusCue();
}

void TJvCustomLinkLabel::EraseLinkArea(const TLinkNode& Link)
{
    if (!FSurface || Parent() == nullptr || !Parent()->HandleAllocated())
        return;
    // Each rectangle of the link's text on its own: a wrapped link's
    // rectangles enclose text that is not the link's, which its redraw
    // would not bring back.
    const TPoint origin = TextOrigin();
    auto rects = Link.GetRectEnumerator();
    if (!Transparent())
        FSurface->SetBrushColor(StyleColor(Color()));
    while (rects->HasNext()) {
        TRect r = rects->GetNext();
        r = {r.Left + origin.X, r.Top + origin.Y, r.Right + origin.X, r.Bottom + origin.Y};
        if (Transparent())
            FSurface->PaintParentBackground(r);
        else
            FSurface->FillRect(r);
    }
}

// ---- mouse

void TJvCustomLinkLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TJvExGraphicControl::MouseDown(Button, Shift, X, Y);
    ActivateLinkAt({X, Y}, lsClicked);
}

void TJvCustomLinkLabel::MouseMove(TShiftState Shift, int X, int Y)
{
    TJvExGraphicControl::MouseMove(Shift, X, Y);
    if (IsLinkAt({X, Y})) {
        SetCursor(FLinkCursor);
        if (FHotLinks && !ActiveLinkClicked())
            ActivateLinkAt({X, Y}, lsHot);
    } else {
        SetCursor(FOriginalCursor);
        if (FHotLinks && !ActiveLinkClicked())
            ResetActiveLink();
    }
}

void TJvCustomLinkLabel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TJvExGraphicControl::MouseUp(Button, Shift, X, Y);
    try {
        if (TLinkNode* link = LinkAt({X, Y}))
            FireLinkClick(link->Number(), link->Text(), link->Param());
    } catch (...) {
        ResetActiveLink();
        throw;
    }
    ResetActiveLink();
}

void TJvCustomLinkLabel::MouseLeave()
{
    TJvExGraphicControl::MouseLeave();
    if (FHotLinks && !ActiveLinkClicked())
        ResetActiveLink();
}

// ---- keyboard

TPoint TJvCustomLinkLabel::LinkTextPoint() const
{
    if (const auto* link = FNodeTree->Root().GetFirstNodeOfClass<TLinkNode>()) {
        auto rects = link->GetRectEnumerator();
        if (rects->HasNext()) {
            const TRect r = rects->GetNext();
            const TPoint origin = TextOrigin();
            return {origin.X + (r.Left + r.Right) / 2, origin.Y + (r.Top + r.Bottom) / 2};
        }
    }
    return {0, 0};
}

void TJvCustomLinkLabel::KeyDown(unsigned Key, bool Repeated)
{
    if (Repeated || FSpaceDown)
        return;
    const TPoint p = LinkTextPoint();
    if (Key == vkReturn) {
        HandleMouseDown(mbLeft, 0, p.X, p.Y);
        HandleMouseUp(mbLeft, 0, p.X, p.Y);
    } else if (Key == vkSpace) {
        FSpaceDown = true;
        HandleMouseDown(mbLeft, 0, p.X, p.Y);
    }
}

void TJvCustomLinkLabel::KeyUp(unsigned Key)
{
    if (Key != vkSpace || !FSpaceDown)
        return;
    FSpaceDown = false;
    const TPoint p = LinkTextPoint();
    HandleMouseUp(mbLeft, 0, p.X, p.Y);
}

void TJvCustomLinkLabel::FocusChanged()
{
    TJvExGraphicControl::FocusChanged();
    // Losing the focus with the space bar down is a release elsewhere.
    if (!Focused() && FSpaceDown) {
        FSpaceDown = false;
        HandleCancelMode();
    }
    Invalidate();
}

void TJvCustomLinkLabel::HighContrastChanged()
{
    const bool on = Parent() != nullptr && Parent()->HighContrast();
    if (on == FSystemLinkColors)
        return;
    if (on) {
        FOwnLinkColors[0] = LinkColor();
        FOwnLinkColors[1] = LinkColorClicked();
        FOwnLinkColors[2] = LinkColorHot();
        SetLinkColor(clHotLight);
        SetLinkColorClicked(clHighlight);
        SetLinkColorHot(clHotLight);
    } else {
        SetLinkColor(FOwnLinkColors[0]);
        SetLinkColorClicked(FOwnLinkColors[1]);
        SetLinkColorHot(FOwnLinkColors[2]);
    }
    FSystemLinkColors = on;
    Invalidate();
}

// ---- events

void TJvCustomLinkLabel::FireCaptionChanged()
{
    if (OnCaptionChanged)
        OnCaptionChanged(this);
}

void TJvCustomLinkLabel::FireLinkClick(int LinkNumber, const std::wstring& LinkText, const std::wstring& LinkParam)
{
    if (OnLinkClick)
        OnLinkClick(this, LinkNumber, LinkText, LinkParam);
}

void TJvCustomLinkLabel::FireDynamicTagInit(std::wstring& Source, int Number)
{
    Source.clear();
    if (OnDynamicTagInit)
        OnDynamicTagInit(this, Source, Number);
}

// ---- dynamic tags

void TJvCustomLinkLabel::SupplyDynamicSource(TDynamicNode* Node, std::wstring& Source)
{
    Source.clear();
    if (Node != nullptr)
        FireDynamicTagInit(Source, Node->Number());
}

void TJvCustomLinkLabel::UpdateDynamicTag(int Number, const std::wstring& Source)
{
    TDynamicNode* node = nullptr;
    auto dynamics = FNodeTree->GetTopLevelNodeEnumerator(TNodeClass::Of<TDynamicNode>());
    while (dynamics->HasNext() && node == nullptr) {
        auto* candidate = static_cast<TDynamicNode*>(dynamics->GetNext());
        if (candidate->Number() == Number)
            node = candidate;
    }
    if (node == nullptr)
        throw ELinkLabelError(L"TJvCustomLinkLabel.UpdateDynamicTag: Tag not found");

    std::unique_ptr<IParser> parser = MakeParser();
    // The active link may be among the nodes that go.
    if (FActiveLinkNode != nullptr && IsBelow(*FActiveLinkNode, *node))
        FActiveLinkNode = nullptr;
    node->DestroyChildren();
    parser->AddSourceTreeToDynamicNode(*node, Source);
    // Runs before the tag may now join other words.
    ClearWordInfo();
    Repaint();
}

std::wstring TJvCustomLinkLabel::GetDynamicTagContents(int Number) const
{
    auto* node = static_cast<TDynamicNode*>(FNodeTree->GetSpecificNodeOfClass(Number, TNodeClass::Of<TDynamicNode>()));
    if (node == nullptr)
        throw ELinkLabelError(L"Unable to locate specified node");
    return node->Text();
}

// ---- accessibility

bool TJvCustomLinkLabel::GetAccessibleInfo(TAccessibleInfo& Info) const
{
    const bool hasLink = FNodeTree->Root().GetFirstNodeOfClass<TLinkNode>() != nullptr;
    Info.Role = hasLink ? TAccessibleRole::Link : TAccessibleRole::StaticText;
    Info.Name = FNodeTree->Root().Text();
    Info.DefaultAction = kDefaultAction;
    return true;
}

}  // namespace linklabel
