#pragma once
// The link label: a window-less label whose caption is written in the link
// tag language. It parses the caption into a node tree, lays it out word-
// wrapped to its width, draws links in link colours with a hand cursor over
// them, reports clicks on links, and lets the application fill dynamic
// tags. It is at the same time an ordinary clickable control: OnClick fires
// for a click anywhere on it. Portable: it draws through an ISurface.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Exception.h"
#include "widgets/linklabel/JvExControls.h"
#include "widgets/linklabel/Parser.h"
#include "widgets/linklabel/Renderer.h"
#include "widgets/linklabel/Surface.h"
#include "widgets/linklabel/Tree.h"

namespace linklabel {

class ELinkLabelError : public Exception {
public:
    using Exception::Exception;
};

enum TTextLayout { tlTop, tlCenter, tlBottom };

using TLinkClickEvent = std::function<void(TGraphicControl* Sender, int LinkNumber, const std::wstring& LinkText,
                                           const std::wstring& LinkParam)>;
using TDynamicTagInitEvent = std::function<void(TGraphicControl* Sender, std::wstring& Source, int Number)>;
using TNotifyEvent = std::function<void(TGraphicControl* Sender)>;

class TJvCustomLinkLabel : public TJvExGraphicControl, public IDynamicNodeHandler {
public:
    TJvCustomLinkLabel();
    ~TJvCustomLinkLabel() override;

    // The platform's drawing surface; without one the label draws nothing.
    void SetSurface(std::unique_ptr<ISurface> Surface);
    ISurface* Surface() const { return FSurface.get(); }

    // Replaces the content of the top-level dynamic tag of that Number and
    // repaints at once.
    void UpdateDynamicTag(int Number, const std::wstring& Source);
    // The text of the top-level dynamic tag at 0-based position Number.
    std::wstring GetDynamicTagContents(int Number) const;

    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& Value);
    // The caption as lines; setting them sets the caption to the lines,
    // each followed by CR LF.
    const std::vector<std::wstring>& Text() const { return FText; }
    void SetText(const std::vector<std::wstring>& Value);
    bool Transparent() const { return (ControlStyle() & csOpaque) == 0; }
    void SetTransparent(bool Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    TColor LinkColor() const { return FRenderer->GetLinkColor(); }
    void SetLinkColor(TColor Value);
    TColor LinkColorClicked() const { return FRenderer->GetLinkColorClicked(); }
    void SetLinkColorClicked(TColor Value);
    TColor LinkColorHot() const { return FRenderer->GetLinkColorHot(); }
    void SetLinkColorHot(TColor Value);
    TCursor LinkCursor() const { return FLinkCursor; }
    void SetLinkCursor(TCursor Value);
    TFontStyles LinkStyle() const { return FRenderer->GetLinkStyle(); }
    void SetLinkStyle(TFontStyles Value);
    bool HotLinks() const { return FHotLinks; }
    void SetHotLinks(bool Value);
    bool AutoHeight() const { return FAutoHeight; }
    void SetAutoHeight(bool Value);
    int MarginWidth() const { return FMarginWidth; }
    void SetMarginWidth(int Value);
    int MarginHeight() const { return FMarginHeight; }
    void SetMarginHeight(int Value);

    TDynamicTagInitEvent OnDynamicTagInit;
    TNotifyEvent OnCaptionChanged;
    TLinkClickEvent OnLinkClick;

    // The parsed caption; its positions are valid after a paint.
    TNodeTree& NodeTree() const { return *FNodeTree; }
    // The link that is hot or clicked, or nullptr.
    TLinkNode* ActiveLink() const { return FActiveLinkNode; }

    void Loaded() override;
    // A link to assistive technology: named by the caption's text; its
    // default action is the click.
    bool GetAccessibleInfo(TAccessibleInfo& Info) const override;
    // Focused, Enter does what a left click on the link text does, in the
    // same order of events; Space does it too, pressed and released.
    void KeyDown(unsigned Key, bool Repeated) override;
    void KeyUp(unsigned Key) override;

    // Asked by the parser for the content of each dynamic tag.
    void SupplyDynamicSource(TDynamicNode* Node, std::wstring& Source) override;

protected:
    // Called once by the constructor (a derived class's override is not
    // reached from there) and by UpdateDynamicTag.
    virtual std::unique_ptr<IParser> MakeParser();
    virtual std::unique_ptr<IRenderer> MakeRenderer();
    virtual void FireCaptionChanged();
    virtual void FireLinkClick(int LinkNumber, const std::wstring& LinkText, const std::wstring& LinkParam);
    virtual void FireDynamicTagInit(std::wstring& Source, int Number);

    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void FontChanged() override;
    void MouseLeave() override;
    void TextChanged() override;
    // Focused, the label shows a focus rectangle around its link text while
    // the system shows focus cues.
    void FocusChanged() override;
    // Under high contrast the links take the system's link colours, and
    // their own come back afterwards.
    void HighContrastChanged() override;

    // Makes the link at P (control coordinates) the active one in State.
    void ActivateLinkAt(TPoint P, TLinkState State);
    // Returns the active link to normal; afterwards there is none, also
    // when an exception passes.
    void ResetActiveLink();
    void EraseLinkArea(const TLinkNode& Link);

private:
    TPoint TextOrigin() const { return FNodeTree->Root().StartingPoint(); }
    TLinkNode* LinkAt(TPoint P) const;
    bool IsLinkAt(TPoint P) const;
    bool ActiveLinkClicked() const { return FActiveLinkNode != nullptr && FActiveLinkNode->State() == lsClicked; }
    // The client rectangle shrunk by the margins.
    TRect MarginRect() const;
    // Where the text starts vertically for a text of that height.
    int TextTop(const TRect& R, int TextHeight) const;
    void RedrawLink(TLinkNode& Link);
    // Where a keyboard click lands: on the first link's text, else on the
    // label's corner.
    TPoint LinkTextPoint() const;
    void DrawFocusCue();
    void CopyFontToRoot();
    // Every width measured for the tree goes: a change of font, link
    // style or content makes them stale.
    void ClearWordInfo();

    std::vector<std::wstring> FText;
    std::unique_ptr<IRenderer> FRenderer;
    TLinkNode* FActiveLinkNode = nullptr;
    bool FHotLinks = false;
    TCursor FLinkCursor = crDefault;
    bool FAutoHeight = false;
    int FMarginWidth = 0;
    int FMarginHeight = 0;
    TCursor FOriginalCursor = crDefault;
    std::unique_ptr<IParser> FParser;
    TTextLayout FLayout = tlTop;
    std::wstring FCaption;
    std::unique_ptr<TNodeTree> FNodeTree;
    std::unique_ptr<ISurface> FSurface;
    bool FSpaceDown = false;  // a press made with the space bar
    bool FSystemLinkColors = false;
    TColor FOwnLinkColors[3] = {};  // normal, clicked, hot: kept while the system's are used
};

// The published face of the link label.
class TJvLinkLabel : public TJvCustomLinkLabel {
};

}  // namespace linklabel
