// Parse and layout time of captions of 1 KB, 10 KB and 100 KB, per caption
// and per character. Growth must stay linear.

#include <benchmark/benchmark.h>

#include <string>

#include "widgets/linklabel/Parser.h"
#include "widgets/linklabel/Renderer.h"

using namespace linklabel;

namespace {

// Fixed metrics like the test canvas, but it keeps nothing.
class TQuietCanvas : public ICanvas {
public:
    int TextWidth(std::wstring_view text) override
    {
        const bool bold = FStyle.Contains(fsBold);
        int width = 0;
        for (wchar_t c : text)
            width += c == L' ' ? (bold ? 6 : 5) : (bold ? 12 : 10);
        return width;
    }
    int TextHeight(std::wstring_view) override { return 13; }
    TFontStyles GetFontStyle() const override { return FStyle; }
    void SetFontStyle(TFontStyles style) override { FStyle = style; }
    void SetFontColor(TColor color) override { FColor = color; }
    void DrawString(int x, int y, std::wstring_view text) override
    {
        benchmark::DoNotOptimize(x + y + static_cast<int>(text.size()) + static_cast<int>(FColor));
    }

private:
    TFontStyles FStyle;
    TColor FColor = 0;
};

// A caption of at least `size` characters made of a mix of everything the
// language has, so that every step of parse and layout takes its share.
std::wstring Caption(std::size_t size)
{
    static const std::wstring pieces[] = {
        L"Some plain words and <b>bold</b>text, ",
        L"<link=topic=1>a link that may wrap</link> &lt;entity&gt; and &lt;more&gt; ",
        L"<color=clRed>red</color> <color=$00FF00>green</color><i>italic</i><u>under</u>lined ",
        L"<b>Joined</b><i>runs</i><link>without</link>spaces<br>",
        L"<link><b>bold link</b> with <color=clNavy>colour</color></link> <dynamic> x<p>",
        L"averyveryverylongwordthatcannotfitontoanylinewhateverhappens ",
        L"<b>spaces    at    the    edge <unknown tag> </i>",  // "</i>" closes the "<b>"
    };
    std::wstring caption;
    std::size_t i = 0;
    while (caption.size() < size)
        caption += pieces[i++ % std::size(pieces)];
    return caption;
}

void SetUp(TDefaultRenderer& renderer, TNodeTree& tree)
{
    renderer.SetLinkColor(clBlue);
    renderer.SetLinkColorClicked(clRed);
    renderer.SetLinkColorHot(clPurple);
    renderer.SetLinkStyle({fsUnderline});
    tree.Root().SetStyles({});
    tree.Root().SetColor(clWindowText);
}

void BM_ParseAndLayout(benchmark::State& state)
{
    const std::wstring caption = Caption(static_cast<std::size_t>(state.range(0)));
    if (TDefaultParser().Parse(caption)->Root().Text().size() < caption.size() / 2) {
        state.SkipWithError("the caption was not parsed to its end");
        return;
    }
    TQuietCanvas canvas;
    TDefaultRenderer renderer;
    for (auto _ : state) {
        TLinkNode::ResetCount();
        TDynamicNode::ResetCount();
        TDefaultParser parser;
        std::unique_ptr<TNodeTree> tree = parser.Parse(caption);
        SetUp(renderer, *tree);
        renderer.RenderTree(canvas, {0, 0, 400, 100}, *tree);
        benchmark::DoNotOptimize(renderer.GetTextHeight());
    }
    state.SetLabel(std::to_string(caption.size()) + " chars");
    state.counters["per_char"] = benchmark::Counter(static_cast<double>(caption.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

void BM_Relayout(benchmark::State& state)
{
    const std::wstring caption = Caption(static_cast<std::size_t>(state.range(0)));
    TQuietCanvas canvas;
    TDefaultRenderer renderer;
    TDefaultParser parser;
    std::unique_ptr<TNodeTree> tree = parser.Parse(caption);
    SetUp(renderer, *tree);
    renderer.RenderTree(canvas, {0, 0, 400, 100}, *tree);
    for (auto _ : state) {
        renderer.RenderTree(canvas, {0, 0, 400, 100}, *tree);
        benchmark::DoNotOptimize(renderer.GetTextHeight());
    }
    state.SetLabel(std::to_string(caption.size()) + " chars");
    state.counters["per_char"] = benchmark::Counter(static_cast<double>(caption.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_ParseAndLayout)->Arg(1 << 10)->Arg(10 << 10)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Relayout)->Arg(1 << 10)->Arg(10 << 10)->Arg(100 << 10)->Unit(benchmark::kMicrosecond);

// "--once=<size>": parse and lay out one caption of that size, twice, and
// stop; the script counts the instructions of such runs under valgrind,
// which, unlike time, do not depend on caches or on the machine's load.
int main(int argc, char** argv)
{
    const std::string once = "--once=";
    if (argc == 2 && std::string(argv[1]).rfind(once, 0) == 0) {
        const std::wstring caption = Caption(std::stoul(std::string(argv[1]).substr(once.size())));
        TQuietCanvas canvas;
        TDefaultRenderer renderer;
        std::unique_ptr<TNodeTree> tree = TDefaultParser().Parse(caption);
        SetUp(renderer, *tree);
        renderer.RenderTree(canvas, {0, 0, 400, 100}, *tree);
        renderer.RenderTree(canvas, {0, 0, 400, 100}, *tree);
        return renderer.GetTextHeight() > 0 ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
