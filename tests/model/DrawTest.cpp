#include "model/Canvas.h"
#include "model/Errors.h"
#include "model/Layout.h"
#include "tests/common/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lay;

namespace {

// Records what is drawn as geometry. Every character is 6 wide, every line 10 high.
class TRecordingCanvas : public TCanvas {
public:
    struct TOp {
        std::string Kind; // fill, line, text, graphic
        TRect Rect;       // fill and graphic: the rectangle; text: x, y and the clip in Clip
        TColor Color = 0;
        std::vector<TPoint> Points;
        std::string Text;
        TRect Clip;
    };
    std::vector<TOp> Ops;

    void FillRect(const TRect& rect) override { Ops.push_back({"fill", rect, Brush.Color, {}, {}, {}}); }
    void Polyline(std::span<const TPoint> points) override {
        Ops.push_back({"line", {}, Pen.Color, {points.begin(), points.end()}, {}, {}});
    }
    void TextRect(const TRect& clip, int x, int y, std::string_view text) override {
        Ops.push_back({"text", {x, y, x, y}, Font.Color, {}, std::string(text), clip});
    }
    TSize TextExtent(std::string_view text) override { return {static_cast<int>(DecodeCount(text)) * 6, 10}; }
    void StretchDraw(const TRect& rect, const TGraphic&) override {
        Ops.push_back({"graphic", rect, 0, {}, {}, {}});
    }

    std::vector<TOp> Of(const std::string& kind) const {
        std::vector<TOp> result;
        std::copy_if(Ops.begin(), Ops.end(), std::back_inserter(result),
                     [&](const TOp& op) { return op.Kind == kind; });
        return result;
    }
    const TOp* FillAt(const TRect& rect) const {
        for (const TOp& op : Ops)
            if (op.Kind == "fill" && op.Rect == rect)
                return &op;
        return nullptr;
    }
    bool HasSegment(TPoint a, TPoint b) const {
        for (const TOp& op : Ops)
            if (op.Kind == "line" && op.Points.size() == 2 && op.Points[0] == a && op.Points[1] == b)
                return true;
        return false;
    }

private:
    static std::size_t DecodeCount(std::string_view text) {
        return static_cast<std::size_t>(std::count_if(
            text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    }
};

TKeyboardModel Model(int cols, int rows, std::vector<std::pair<int, int>> gaps = {}) {
    TKeyboardModel m;
    m.ID = 1;
    m.Width = cols;
    m.Height = rows;
    m.Layers = 1;
    int number = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            ++number;
            if (std::find(gaps.begin(), gaps.end(), std::make_pair(c, r)) == gaps.end())
                m.Keys.push_back({c + 1, r + 1, number});
        }
    return m;
}

constexpr TColor kKeyColour = 0x123456;

// Every key filled with kKeyColour, so that fills of keys and of empty cells differ.
void PaintKeys(TLayout& layout) {
    TKeys& keys = layout.Layers.Items(0).Keys;
    for (int i = 0; i < keys.Count(); ++i)
        keys.Items(i).Picture.SetBackgroundColor(kKeyColour);
}

} // namespace

TEST(Draw, ColumnsBeyondTheAreaContinueInOneBlockBelow) {
    TLayout layout;
    layout.SetKeyboard(Model(15, 2, {{3, 0}, {12, 1}}));
    PaintKeys(layout);
    TRecordingCanvas canvas;
    // Cells 20 × 30, an area 10 cells (and a bit) wide, gaps 16 vertical, 10 horizontal.
    layout.Draw(canvas, 20, {0, 0, 205, 1000}, 16, 10, 30);

    // First block: columns 0 to 9 from (2, 2); the gap at column 3 of row 0 is white.
    ASSERT_NE(canvas.FillAt({2, 2, 22, 32}), nullptr);
    EXPECT_EQ(canvas.FillAt({2, 2, 22, 32})->Color, kKeyColour);
    ASSERT_NE(canvas.FillAt({62, 2, 82, 32}), nullptr);
    EXPECT_EQ(canvas.FillAt({62, 2, 82, 32})->Color, clWhite);
    EXPECT_EQ(canvas.FillAt({182, 32, 202, 62})->Color, kKeyColour) << "column 9, row 1";
    // Second block: y1 = bottom 62 + half the vertical gap; column 10 at x0 again, the gap at
    // column 12 of row 1 in the button face colour.
    EXPECT_EQ(canvas.FillAt({2, 70, 22, 100})->Color, kKeyColour);
    ASSERT_NE(canvas.FillAt({42, 100, 62, 130}), nullptr);
    EXPECT_EQ(canvas.FillAt({42, 100, 62, 130})->Color, clBtnFace);
    EXPECT_EQ(canvas.FillAt({82, 100, 102, 130})->Color, kKeyColour) << "column 14";
    EXPECT_EQ(canvas.FillAt({102, 100, 122, 130}), nullptr) << "nothing past the last column";
    EXPECT_EQ(canvas.Of("fill").size(), 30u);

    // Grid lines of both blocks.
    EXPECT_TRUE(canvas.HasSegment({2, 2}, {202, 2}));
    EXPECT_TRUE(canvas.HasSegment({2, 2}, {2, 62}));
    EXPECT_TRUE(canvas.HasSegment({202, 2}, {202, 62}));
    EXPECT_TRUE(canvas.HasSegment({2, 62}, {202, 62}));
    EXPECT_TRUE(canvas.HasSegment({2, 70}, {102, 70}));
    EXPECT_TRUE(canvas.HasSegment({102, 70}, {102, 130}));
    EXPECT_TRUE(canvas.HasSegment({2, 130}, {102, 130}));
    EXPECT_EQ(canvas.Of("line").size(), (2u + 10 + 2) + (2u + 5 + 2));
}

TEST(Draw, AGroupIsOneBoxBelowTheGridShowingItsTopLeftKey) {
    TLayout layout;
    layout.SetKeyboard(Model(4, 2));
    PaintKeys(layout);
    layout.Layers.Items(0).KeyAt(1, 0).Picture.SetBackgroundColor(0x00AA00);
    ASSERT_TRUE(layout.Group({1, 0, 2, 0}));
    TRecordingCanvas canvas;
    layout.Draw(canvas, 20, {0, 0, 500, 1000}, 16, 10, 30);

    EXPECT_EQ(canvas.FillAt({22, 2, 42, 32}), nullptr) << "grouped cells show nothing in the grid";
    EXPECT_EQ(canvas.FillAt({42, 2, 62, 32}), nullptr);
    // Two cells and one horizontal gap wide, one cell high, a vertical gap under the grid.
    const TRect box{2, 78, 52, 108};
    ASSERT_NE(canvas.FillAt(box), nullptr);
    EXPECT_EQ(canvas.FillAt(box)->Color, 0x00AA00);
    const auto outlines = canvas.Of("line");
    ASSERT_FALSE(outlines.empty());
    EXPECT_EQ(outlines.back().Points, (std::vector<TPoint>{{2, 78}, {52, 78}, {52, 108}, {2, 108}, {2, 78}}));
}

TEST(Draw, GroupBoxesFlowIntoNewLines) {
    TLayout layout;
    layout.SetKeyboard(Model(6, 3));
    ASSERT_TRUE(layout.Group({0, 0, 1, 0}));
    ASSERT_TRUE(layout.Group({2, 0, 3, 1})); // two rows: 30 + 16 + 30 high
    ASSERT_TRUE(layout.Group({4, 0, 5, 0}));
    TRecordingCanvas canvas;
    layout.Draw(canvas, 20, {0, 0, 130, 1000}, 16, 10, 30);
    std::vector<std::vector<TPoint>> boxes;
    for (const auto& op : canvas.Of("line"))
        if (op.Points.size() == 5)
            boxes.push_back(op.Points);
    ASSERT_EQ(boxes.size(), 3u);
    // The grid ends at 92; boxes start a vertical gap below it.
    EXPECT_EQ(boxes[0][0], (TPoint{2, 108}));
    EXPECT_EQ(boxes[1][0], (TPoint{62, 108}));
    EXPECT_EQ(boxes[1][2], (TPoint{112, 184}));
    // The third would end at 172, past the area's right edge 130: a new line under the
    // tallest box of the line before.
    EXPECT_EQ(boxes[2][0], (TPoint{2, 200}));
}

TEST(Draw, ABoxWiderThanTheAreaStaysUnderTheGrid) {
    TLayout layout;
    layout.SetKeyboard(Model(6, 1));
    ASSERT_TRUE(layout.Group({0, 0, 5, 0}));
    TRecordingCanvas canvas;
    layout.Draw(canvas, 20, {0, 0, 130, 1000}, 16, 10, 30);
    const auto lines = canvas.Of("line");
    ASSERT_EQ(lines.back().Points.size(), 5u);
    // Moving it to a new line would have put it at the top of the page, over the grid.
    EXPECT_EQ(lines.back().Points[0], (TPoint{2, 48}));
}

TEST(Draw, NoGroupsDrawsOnlyTheGrid) {
    TLayout layout;
    layout.SetKeyboard(Model(3, 2));
    TRecordingCanvas canvas;
    layout.Draw(canvas, 20, {0, 0, 500, 1000}, 16, 10, 30);
    EXPECT_EQ(canvas.Of("fill").size(), 6u);
    EXPECT_EQ(canvas.Of("line").size(), 2u + 3 + 2);
    for (const auto& op : canvas.Of("line"))
        EXPECT_EQ(op.Points.size(), 2u);
    EXPECT_TRUE(canvas.Of("text").empty());
}

TEST(Draw, AGroupWithoutItsTopLeftKeyStopsTheDrawing) {
    TLayout layout;
    layout.SetKeyboard(Model(3, 2, {{0, 0}}));
    ASSERT_TRUE(layout.Group({0, 0, 1, 0}));
    TRecordingCanvas canvas;
    try {
        layout.Draw(canvas, 20, {0, 0, 500, 1000}, 16, 10, 30);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Клавиша с координатами (0, 0) не найдена.");
    }
}

TEST(Draw, NothingForCellsWithoutSize) {
    TLayout layout;
    layout.SetKeyboard(Model(3, 2));
    TRecordingCanvas canvas;
    layout.Draw(canvas, 0, {0, 0, 500, 1000}, 16, 10, 30);
    layout.Draw(canvas, 20, {0, 0, 500, 1000}, 16, 10, -5);
    EXPECT_TRUE(canvas.Ops.empty());
}

TEST(Draw, AreaNarrowerThanACellPutsEverythingInTheContinuationBlock) {
    TLayout layout;
    layout.SetKeyboard(Model(3, 1));
    TRecordingCanvas canvas;
    layout.Draw(canvas, 20, {0, 0, 10, 1000}, 16, 10, 30);
    // Empty cells of that block are button face; keys drawn from the top.
    EXPECT_NE(canvas.FillAt({42, 2, 62, 32}), nullptr);
    EXPECT_TRUE(canvas.HasSegment({2, 2}, {62, 2}));
}

TEST(DrawKey, BackgroundOnlyKeyIsFilledWithoutText) {
    TLayout layout;
    layout.SetKeyboard(Model(1, 1));
    TKey& key = layout.Layers.Items(0).KeyAt(0, 0);
    key.Picture.SetBackgroundColor(0x0000FF);
    TRecordingCanvas canvas;
    layout.DrawKey(canvas, {10, 10, 50, 70}, &key);
    ASSERT_EQ(canvas.Ops.size(), 1u);
    EXPECT_EQ(canvas.Ops[0].Kind, "fill");
    EXPECT_EQ(canvas.Ops[0].Color, 0x0000FF);

    // Background 0 means no fill; no key, nothing at all.
    key.Picture.SetBackgroundColor(0);
    canvas.Ops.clear();
    layout.DrawKey(canvas, {10, 10, 50, 70}, &key);
    layout.DrawKey(canvas, {10, 10, 50, 70}, nullptr);
    EXPECT_TRUE(canvas.Ops.empty());
}

TEST(DrawKey, VerticalTextStandsOneCharacterALineCentred) {
    TLayout layout;
    layout.SetKeyboard(Model(1, 1));
    TKey& key = layout.Layers.Items(0).KeyAt(0, 0);
    key.Picture.SetText("AB");
    key.Picture.SetTextOrientation(1);
    TRecordingCanvas canvas;
    layout.DrawKey(canvas, {2, 2, 42, 62}, &key);
    const auto texts = canvas.Of("text");
    ASSERT_EQ(texts.size(), 2u);
    // A column one character (6) wide and two lines (20) high in the middle of the cell.
    EXPECT_EQ(texts[0].Text, "A");
    EXPECT_EQ(texts[0].Rect.Left, 19);
    EXPECT_EQ(texts[0].Rect.Top, 22);
    EXPECT_EQ(texts[1].Text, "B");
    EXPECT_EQ(texts[1].Rect.Left, 19);
    EXPECT_EQ(texts[1].Rect.Top, 32);
    EXPECT_EQ(texts[0].Clip, (TRect{19, 22, 25, 42}));
    EXPECT_TRUE(canvas.TransparentText);
}

TEST(DrawKey, AVerticalTextTallerThanTheCellStartsAtItsTopAndIsCut) {
    TLayout layout;
    layout.SetKeyboard(Model(1, 1));
    TKey& key = layout.Layers.Items(0).KeyAt(0, 0);
    key.Picture.SetText("ИТОГОВАЯ");
    key.Picture.SetTextOrientation(1);
    TRecordingCanvas canvas;
    layout.DrawKey(canvas, {0, 0, 40, 35}, &key);
    const auto texts = canvas.Of("text");
    ASSERT_EQ(texts.size(), 4u) << "lines from the top while they start inside the cell";
    EXPECT_EQ(texts[0].Text, "И");
    EXPECT_EQ(texts[0].Rect.Top, 0);
    EXPECT_EQ(texts[3].Text, "Г");
    EXPECT_EQ(texts[0].Clip.Bottom, 35);
}

TEST(DrawKey, HorizontalTextIsWrappedAndCentredBothWays) {
    TLayout layout;
    layout.SetKeyboard(Model(1, 1));
    TKey& key = layout.Layers.Items(0).KeyAt(0, 0);
    key.Picture.SetText("Hello world");
    TFont font;
    font.Name = "Arial";
    font.Color = 0x0000FF;
    key.Picture.SetFont(font);
    TRecordingCanvas canvas;
    layout.DrawKey(canvas, {2, 2, 42, 62}, &key);
    const auto texts = canvas.Of("text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Text, "Hello");
    EXPECT_EQ(texts[0].Rect.Left, 7);
    EXPECT_EQ(texts[0].Rect.Top, 22);
    EXPECT_EQ(texts[1].Text, "world");
    EXPECT_EQ(texts[1].Rect.Top, 32);
    EXPECT_EQ(texts[0].Color, 0x0000FF) << "the picture's font";
    EXPECT_EQ(canvas.Font.Name, "Arial");
}

TEST(DrawKey, GraphicIsFittedIntoTheCell) {
    TLayout layout;
    layout.SetKeyboard(Model(1, 1));
    TKey& key = layout.Layers.Items(0).KeyAt(0, 0);
    key.Picture.SetPicture(TPicture{TGraphic::FromFile(gcBitmap, Bitmap24(10, 20))});
    TRecordingCanvas canvas;
    layout.DrawKey(canvas, {2, 2, 42, 62}, &key);
    const auto graphics = canvas.Of("graphic");
    ASSERT_EQ(graphics.size(), 1u);
    EXPECT_EQ(graphics[0].Rect, (TRect{17, 22, 27, 42}));

    // Larger than the cell less its margins: scaled down, proportions kept.
    key.Picture.SetPicture(TPicture{TGraphic::FromFile(gcBitmap, Bitmap24(100, 100))});
    canvas.Ops.clear();
    layout.DrawKey(canvas, {2, 2, 42, 62}, &key);
    EXPECT_EQ(canvas.Of("graphic").at(0).Rect, (TRect{12, 22, 32, 42}));
}

TEST(Canvas, WrapText) {
    TRecordingCanvas canvas;
    struct TCase {
        std::string Text;
        int Width;
        unsigned Format;
        std::vector<std::string> Lines;
    };
    const std::vector<TCase> cases = {
        {"Hello world", 40, dtWordBreak, {"Hello", "world"}},
        {"a b c", 100, dtWordBreak, {"a b c"}},
        {"a b c", 18, dtWordBreak, {"a b", "c"}},
        {"longword x", 10, dtWordBreak, {"longword", "x"}},
        {"one\r\ntwo\nthree", 100, dtWordBreak, {"one", "two", "three"}},
        {"one\ntwo", 100, 0, {"one", "two"}},
        {"one\ntwo", 100, dtSingleLine | dtWordBreak, {"one\ntwo"}},
        {"  ab  ", 100, dtWordBreak, {"  ab"}},
        {"A B ", 6, dtWordBreak, {"A", "B"}},
        {"", 100, dtWordBreak, {""}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(canvas.WrapText(c.Text, c.Width, c.Format), c.Lines) << c.Text << " in " << c.Width;
}

TEST(Canvas, DrawTextMeasuresAndAligns) {
    TRecordingCanvas canvas;
    TRect rect{0, 0, 40, 100};
    EXPECT_EQ(canvas.DrawText("Hello wide world", rect, dtWordBreak | dtCalcRect), 30);
    EXPECT_EQ(rect, (TRect{0, 0, 30, 30}));
    EXPECT_TRUE(canvas.Ops.empty()) << "measuring draws nothing";

    TRect right{0, 0, 40, 100};
    canvas.DrawText("ab", right, dtRight);
    EXPECT_EQ(canvas.Ops.at(0).Rect.Left, 28);
}

TEST(Canvas, SystemColours) {
    TRecordingCanvas canvas;
    EXPECT_EQ(canvas.ColorToRGB(clBtnFace), 0xF0F0F0);
    EXPECT_EQ(canvas.ColorToRGB(clWindowText), 0);
    EXPECT_EQ(canvas.ColorToRGB(0x123456), 0x123456);
    EXPECT_EQ(ColorByName("clBtnFace"), clBtnFace);
    EXPECT_EQ(ColorByName("clwindow"), clWindow);
    EXPECT_EQ(ColorByName("clNoSuchColour"), std::nullopt);
}

TEST(Canvas, GraphicSizeFromTheFileHeaders) {
    EXPECT_EQ(GraphicSize(TGraphic::FromFile(gcBitmap, Bitmap24(7, 9))), (TSize{7, 9}));
    // An icon directory with one 32 × 0 (= 256) entry.
    TBytes ico = {0, 0, 1, 0, 1, 0, 32, 0, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 22, 0, 0, 0};
    EXPECT_EQ(GraphicSize(TGraphic::FromFile(gcIcon, ico)), (TSize{32, 256}));
    // A JPEG start, an application segment, then a baseline frame of 300 × 200.
    TBytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC0, 0, 11, 8, 0, 200, 1, 44, 3};
    EXPECT_EQ(GraphicSize(TGraphic::FromFile(gcJPEGImage, jpeg)), (TSize{300, 200}));
    // Truncated or foreign data tells no size and never reads past its end.
    EXPECT_EQ(GraphicSize(TGraphic::FromFile(gcJPEGImage, TBytes{0xFF, 0xD8, 0xFF, 0xC0, 0})), (TSize{}));
    EXPECT_EQ(GraphicSize(TGraphic{gcBitmap, {4, 0, 0, 0, 'B', 'M', 0, 0}, false}), (TSize{}));
}

TEST(Canvas, ApproximateMetrics) {
    TFont font; // height -11: characters 11 pixels high
    EXPECT_EQ(TApproxTextMetrics::LineHeight(font), 13);
    TApproxTextMetrics metrics;
    EXPECT_LT(metrics.TextExtent(font, "iii").cx, metrics.TextExtent(font, "WWW").cx);
    EXPECT_EQ(metrics.TextExtent(font, "Итог").cx,
              TApproxTextMetrics::CharWidth(font, U'И') + TApproxTextMetrics::CharWidth(font, U'т') * 1 +
                  TApproxTextMetrics::CharWidth(font, U'о') + TApproxTextMetrics::CharWidth(font, U'г'));
    font.Style = fsBold;
    TFont plain;
    EXPECT_GT(metrics.TextExtent(font, "Total").cx, metrics.TextExtent(plain, "Total").cx);
}
