#include "model/Canvas.h"
#include "model/Errors.h"
#include "model/Layout.h"
#include "model/Text.h"
#include "model/Utils.h"

#include <algorithm>
#include <climits>

namespace lay {

namespace {

// Sizes multiply counts by cell sizes and gaps that a caller or a file chose; they are clamped
// rather than left to overflow.
int Clamp(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void DrawGridLines(TCanvas& canvas, int x0, int y0, int cols, int rows, int cellWidth, int cellHeight) {
    const int right = Clamp(x0 + static_cast<long long>(cols) * cellWidth);
    const int bottom = Clamp(y0 + static_cast<long long>(rows) * cellHeight);
    canvas.MoveTo(x0, y0);
    canvas.LineTo(right, y0);
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x0, bottom);
    for (int e = 1; e <= cols; ++e) {
        const int x = Clamp(x0 + static_cast<long long>(e) * cellWidth);
        canvas.MoveTo(x, y0);
        canvas.LineTo(x, bottom);
    }
    for (int f = 1; f <= rows; ++f) {
        const int y = Clamp(y0 + static_cast<long long>(f) * cellHeight);
        canvas.MoveTo(x0, y);
        canvas.LineTo(right, y);
    }
}

} // namespace

void TLayout::Draw(TCanvas& canvas, int cellWidth, const TRect& area, int vertGap, int horzGap,
                   int cellHeight) const {
    // No cell size, nothing to draw (and no division by it).
    if (cellWidth <= 0 || cellHeight <= 0)
        return;
    const TLayer* layer = Layers.Count() > 0 ? &Layers.Items(0) : nullptr;
    const int colCount = ColCount();
    const int rowCount = RowCount();
    const long long fit =
        std::min<long long>(colCount, (static_cast<long long>(area.Right) - area.Left) / cellWidth);
    const int n = static_cast<int>(std::max<long long>(fit, 0));
    const int x0 = Clamp(static_cast<long long>(area.Left) + 2);
    const int y0 = Clamp(static_cast<long long>(area.Top) + 2);
    canvas.Pen.Width = 1;

    auto cellRect = [&](int c, int r, int top) {
        const int left = Clamp(x0 + static_cast<long long>(c) * cellWidth);
        const int y = Clamp(top + static_cast<long long>(r) * cellHeight);
        return TRect{left, y, Clamp(static_cast<long long>(left) + cellWidth),
                     Clamp(static_cast<long long>(y) + cellHeight)};
    };
    auto drawBlock = [&](int firstCol, int cols, int top, TColor emptyColor) {
        for (int c = 0; c < cols; ++c)
            for (int r = 0; r < rowCount; ++r) {
                const TRect cell = cellRect(c, r, top);
                const TKey* key = layer ? layer->FindKey(firstCol + c, r) : nullptr;
                if (!key) {
                    canvas.Brush.Color = emptyColor;
                    canvas.FillRect(cell);
                } else if (!GroupAt(firstCol + c, r)) {
                    DrawKey(canvas, cell, key);
                }
            }
        DrawGridLines(canvas, x0, top, cols, rowCount, cellWidth, cellHeight);
    };

    const int blockHeight = Clamp(static_cast<long long>(rowCount) * cellHeight);
    // With not even one column fitting there is no first block; everything goes into the one
    // block that continues below it, which then starts at the top.
    int bottom = y0;
    if (n > 0) {
        drawBlock(0, n, y0, clWhite);
        bottom = Clamp(static_cast<long long>(y0) + blockHeight);
    }
    if (n < colCount) {
        const int y1 = n > 0 ? Clamp(static_cast<long long>(bottom) + vertGap / 2) : y0;
        drawBlock(n, colCount - n, y1, clBtnFace);
        bottom = Clamp(static_cast<long long>(y1) + blockHeight);
    }

    int x = x0;
    int y = Clamp(static_cast<long long>(bottom) + vertGap);
    int maxBottom = 0;
    for (int i = 0; i < Groups.Count(); ++i) {
        const TRect& g = Groups.Items(i).Rect();
        const long long spanX = static_cast<long long>(g.Right) - g.Left;
        const long long spanY = static_cast<long long>(g.Bottom) - g.Top;
        const int width = Clamp((spanX + 1) * cellWidth + spanX * horzGap);
        const int height = Clamp((spanY + 1) * cellHeight + spanY * vertGap);
        // A box wider than the whole area stays at the start of its line: moving it to a new
        // line would not make it fit, and the first box of all would land on top of the grid.
        if (static_cast<long long>(x) + width > area.Right && x != x0) {
            x = x0;
            y = Clamp(static_cast<long long>(maxBottom) + vertGap);
        }
        const TRect box{x, y, Clamp(static_cast<long long>(x) + width),
                        Clamp(static_cast<long long>(y) + height)};
        maxBottom = std::max(maxBottom, box.Bottom);
        // A layout without layers has no key for the group either.
        if (!layer)
            throw Exception("Клавиша с координатами (" + std::to_string(g.Left) + ", " +
                            std::to_string(g.Top) + ") не найдена.");
        DrawKey(canvas, box, &layer->KeyAt(g.Left, g.Top));
        const TPoint outline[5] = {{box.Left, box.Top},
                                   {box.Right, box.Top},
                                   {box.Right, box.Bottom},
                                   {box.Left, box.Bottom},
                                   {box.Left, box.Top}};
        canvas.Polyline(outline);
        x = Clamp(static_cast<long long>(box.Right) + horzGap);
    }
}

void TLayout::DrawKey(TCanvas& canvas, const TRect& rect, const TKey* key) const {
    if (!key)
        return;
    const TKeyPicture& picture = key->Picture;
    canvas.TransparentText = true;
    if (picture.BackgroundColor() != 0) {
        canvas.Brush.Color = picture.BackgroundColor();
        canvas.FillRect(rect);
    }
    if (picture.HasGraphic()) {
        const TGraphic& graphic = *picture.Picture().Graphic;
        const TSize size = canvas.GraphicSize(graphic);
        // A graphic whose size cannot be read has no place to be fitted into.
        if (size.cx > 0 && size.cy > 0)
            canvas.StretchDraw(FitGraphic(size, rect), graphic);
    }
    const std::string& text = picture.Text();
    if (text.empty())
        return;
    canvas.Font = picture.Font();
    const int freeHeight = RectHeight(rect);
    if (picture.TextOrientation() == 0) {
        TRect measured = rect;
        const int textHeight = canvas.DrawText(text, measured, dtWordBreak | dtCalcRect);
        const int top = rect.Top + (freeHeight - textHeight) / 2;
        TRect place{rect.Left, top, rect.Right, top + textHeight};
        canvas.DrawText(text, place, dtWordBreak | dtCenter);
        return;
    }
    // Vertical text: one character a line, in a column as wide as the first character.
    const std::u32string chars = DecodeUtf8(text);
    const std::string first = EncodeUtf8(chars.substr(0, 1));
    const TSize one = canvas.TextExtent(first);
    const long long columnHeight = static_cast<long long>(chars.size()) * one.cy;
    const int top = std::max(rect.Top, Clamp(rect.Top + (freeHeight - columnHeight) / 2));
    const int bottom = std::min(rect.Bottom, Clamp(top + columnHeight));
    const int left = rect.Left + (RectWidth(rect) - one.cx) / 2;
    std::string spaced;
    for (char32_t ch : chars) {
        AppendUtf8(spaced, ch);
        spaced += ' ';
    }
    TRect column{left, top, left + one.cx, bottom};
    canvas.DrawText(spaced, column, dtWordBreak | dtCenter);
}

} // namespace lay
