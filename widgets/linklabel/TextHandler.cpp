#include "widgets/linklabel/TextHandler.h"

#include "widgets/linklabel/Errors.h"
#include "widgets/linklabel/Tools.h"

namespace linklabel {

namespace {

std::wstring FirstWordOf(const std::wstring& text)
{
    const std::size_t space = text.find(L' ');
    return space == std::wstring::npos ? text : text.substr(0, space + 1);
}

std::wstring WithoutTrailingSpaces(const std::wstring& s)
{
    std::size_t end = s.size();
    while (end > 0 && s[end - 1] == L' ')
        --end;
    return s.substr(0, end);
}

}  // namespace

// ---- TTextElementList

void TTextElementList::AddStringElement(TStringNode& Node, TFontStyles Style, TColor Color)
{
    FItems.push_back(std::make_unique<TStringElement>(Node, Style, Color));
}

void TTextElementList::AddLineBreak(TActionNode* Node)
{
    FItems.push_back(std::make_unique<TActionElement>(atLineBreak, Node));
}

void TTextElementList::AddParagraphBreak(TActionNode* Node)
{
    FItems.push_back(std::make_unique<TActionElement>(atParagraphBreak, Node));
}

// ---- TNodeObserverList

void TNodeObserverList::AddObserver(IStartingPosObserver& Observer, TAreaNode& ParentNode, TNode& FirstNode)
{
    FByFirstNode[&FirstNode].push_back({&Observer, &ParentNode, &FirstNode});
    ++FCount;
}

std::vector<TNodeObserver> TNodeObserverList::TakeObserversOf(const TNode& FirstNode)
{
    const auto found = FByFirstNode.find(&FirstNode);
    if (found == FByFirstNode.end())
        return {};
    std::vector<TNodeObserver> records = std::move(found->second);
    FByFirstNode.erase(found);
    FCount -= static_cast<int>(records.size());
    return records;
}

// ---- TWordEnumerator

void TWordEnumerator::SetText(const std::wstring& Text)
{
    FText = Text;
    Reset();
}

void TWordEnumerator::Reset()
{
    FPos = 0;
    FCount = 0;
}

std::wstring TWordEnumerator::GetNext(bool advance)
{
    if (!HasNext())
        throw ETextHandlerError(L"TWordEnumerator.GetNext: No more words to return");
    const std::size_t space = FText.find(L' ', FPos);
    const std::size_t end = space == std::wstring::npos ? FText.size() : space + 1;
    std::wstring word = FText.substr(FPos, end - FPos);
    if (advance) {
        FPos = end;
        ++FCount;
    }
    return word;
}

// ---- TTextHandler

TTextHandler::TTextHandler(const TRect& Rect, TPoint StartingPos, ICanvas& Canvas)
    : FPosX(StartingPos.X), FPosY(StartingPos.Y), FRect(Rect), FCanvas(Canvas), FLineHeight(0)
{
    // The line height is that of the plain font, whatever style is set.
    const TFontStyles style = FCanvas.GetFontStyle();
    FCanvas.SetFontStyle({});
    FLineHeight = FCanvas.TextHeight(L"Yy");
    FCanvas.SetFontStyle(style);
}

void TTextHandler::TextOut(TStringNode& Node, TFontStyles Style, TColor Color)
{
    const std::wstring& text = Node.Text();
    if (TStringTools::BeginsWith(text, L" "))
        EmptyBuffer();
    FList.AddStringElement(Node, Style, Color);
    if (TStringTools::EndsWith(text, L" "))
        EmptyBuffer();
}

void TTextHandler::DoParagraphBreak(TActionNode* Node)
{
    FList.AddParagraphBreak(Node);
    EmptyBuffer();
}

void TTextHandler::DoLineBreak(TActionNode* Node)
{
    FList.AddLineBreak(Node);
    EmptyBuffer();
}

void TTextHandler::AddStartingPosObserver(IStartingPosObserver& Observer, TAreaNode& Node, TNode& FirstNode)
{
    FObservers.AddObserver(Observer, Node, FirstNode);
}

void TTextHandler::AddStartingPosObserver(IStartingPosObserver& Observer, TAreaNode& Node)
{
    // The layout enters area nodes only and places string and action nodes.
    std::vector<std::pair<const TParentNode*, int>> stack{{&Node, 0}};
    while (!stack.empty()) {
        auto& [parent, next] = stack.back();
        if (next >= parent->Children().Count()) {
            stack.pop_back();
            continue;
        }
        TNode* child = parent->Children()[next++];
        if (dynamic_cast<TStringNode*>(child) || dynamic_cast<TActionNode*>(child)) {
            FObservers.AddObserver(Observer, Node, *child);
            return;
        }
        if (const auto* area = dynamic_cast<const TAreaNode*>(child))
            stack.emplace_back(area, 0);
    }
}

void TTextHandler::NotifyObservers(const TNode* FirstNode)
{
    if (FirstNode == nullptr || FObservers.Count() == 0)
        return;
    for (const TNodeObserver& record : FObservers.TakeObserversOf(*FirstNode))
        record.Observer->StartingPosKnown(FPosX, FPosY, *record.ParentNode);
}

void TTextHandler::EmptyBuffer()
{
    struct TClearAtEnd {
        TTextElementList& List;
        ~TClearAtEnd() { List.Clear(); }
    } clearAtEnd{FList};

    for (int i = 0; i < FList.Count(); ++i) {
        TParentTextElement* element = FList[i];
        if (auto* action = dynamic_cast<TActionElement*>(element)) {
            NotifyObservers(action->Node);
            FPosX = 0;
            FPosY += action->ActionType == atParagraphBreak ? 2 * FLineHeight : FLineHeight;
        } else if (auto* run = dynamic_cast<TStringElement*>(element)) {
            PlaceString(i, *run);
        } else {
            throw ETextHandlerError(L"TTextHandler.EmptyBuffer: Unsupported TParentTextElement descendant encountered");
        }
    }
}

void TTextHandler::PlaceString(int Index, TStringElement& Element)
{
    TStringNode& node = *Element.Node;
    const TPoint origin = node.Root() ? node.Root()->StartingPoint() : TPoint{};

    NotifyObservers(&node);
    FCanvas.SetFontStyle(Element.Style);
    FCanvas.SetFontColor(Element.Color);

    TWordEnumerator words(node.Text());
    std::wstring line;
    int width = 0;  // of the segment so far, including the current word
    node.ClearRects();

    while (words.HasNext()) {
        const int k = words.GetCount();
        const std::wstring word = words.PopNext();
        const bool isLast = !words.HasNext();

        TWordInfo info;
        if (node.IsWordInfoInArray(k)) {
            info = node.GetWordInfo(k);
        } else {
            info = MeasureWord(Index, k, word, isLast);
            node.AddWordInfo(info.SpaceInfo, info.Width);
        }

        width += info.Width;
        const int effective = info.SpaceInfo.LastWordEndsWithSpace ? width - info.SpaceInfo.SpaceWidth : width;
        const bool countedBefore = node.FirstWordWidthRetrieved() && k == 0;
        // The very first word of the text stays put however wide it is; the
        // text origin is where it starts, in whatever call.
        const bool atTextStart = FPosX == 0 && FPosY == 0 && k == 0;

        if (effective + FPosX + origin.X >= FRect.Right && word != L" " && !atTextStart && !countedBefore) {
            const std::wstring shown = WithoutTrailingSpaces(line);
            if (!shown.empty())
                FCanvas.DrawString(FPosX + origin.X, FPosY + origin.Y, shown);
            node.AddRect({FPosX, FPosY, FPosX + FCanvas.TextWidth(line), FPosY + FLineHeight});
            line.clear();
            FPosX = 0;
            width = info.Width;
            FPosY += FLineHeight;
        } else if (countedBefore && !isLast) {
            // Its width went into the run before; the words after it still
            // have to start behind it.
            if (!node.FirstWordOwnWidth())
                node.SetFirstWordOwnWidth(FCanvas.TextWidth(word));
            width += *node.FirstWordOwnWidth();
        }
        line += word;
    }

    const int lineWidth = FCanvas.TextWidth(line);
    if (!line.empty())
        FCanvas.DrawString(FPosX + origin.X, FPosY + origin.Y, line);
    node.AddRect({FPosX, FPosY, FPosX + lineWidth, FPosY + FLineHeight});
    FPosX += lineWidth;
}

TWordInfo TTextHandler::MeasureWord(int Index, int WordIndex, const std::wstring& Word, bool IsLastWord)
{
    auto& element = static_cast<TStringElement&>(*FList[Index]);
    const bool countedBefore = element.Node->FirstWordWidthRetrieved() && WordIndex == 0;

    TWordInfo info;
    info.Width = countedBefore ? 0 : FCanvas.TextWidth(Word);
    info.SpaceInfo = {TStringTools::EndsWith(Word, L" "), FCanvas.TextWidth(L" ")};

    if (IsLastWord && !countedBefore) {
        for (int j = Index + 1; j < FList.Count(); ++j) {
            const auto* before = dynamic_cast<TStringElement*>(FList[j - 1]);
            auto* next = dynamic_cast<TStringElement*>(FList[j]);
            if (!before || !next)
                break;
            const std::wstring& nextText = next->Node->Text();
            if (TStringTools::EndsWith(before->Node->Text(), L" ") || TStringTools::BeginsWith(nextText, L" "))
                break;
            FCanvas.SetFontStyle(next->Style);
            const std::wstring firstWord = FirstWordOf(nextText);
            info.Width += FCanvas.TextWidth(firstWord);
            next->Node->SetFirstWordWidthRetrieved(true);
            if (j == FList.Count() - 1)
                info.SpaceInfo = {TStringTools::EndsWith(firstWord, L" "), FCanvas.TextWidth(L" ")};
            if (firstWord.size() < nextText.size())
                break;  // the word ends inside this run
        }
        FCanvas.SetFontStyle(element.Style);
    }
    return info;
}

}  // namespace linklabel
