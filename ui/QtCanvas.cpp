#include "ui/QtCanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include <cmath>
#include <vector>

namespace lay {

QColor ToQColor(TColor color, const QPalette& palette) {
    if (IsSystemColor(color)) {
        const int index = static_cast<int>(static_cast<std::uint32_t>(color) & 0xFF);
        switch (index) {
        case COLOR_WINDOW:
            return palette.color(QPalette::Base);
        case COLOR_WINDOWTEXT:
            return palette.color(QPalette::Text);
        case COLOR_HIGHLIGHT:
            return palette.color(QPalette::Highlight);
        case COLOR_HIGHLIGHTTEXT:
            return palette.color(QPalette::HighlightedText);
        case COLOR_BTNFACE:
            return palette.color(QPalette::Button);
        case COLOR_BTNTEXT:
            return palette.color(QPalette::ButtonText);
        default:
            color = DefaultSystemColorRGB(index);
        }
    }
    const auto rgb = static_cast<std::uint32_t>(color);
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

QFont ToQFont(const TFont& font, double unitsPerInch) {
    QFont result(QString::fromUtf8(font.Name.c_str()));
    result.setPixelSize(std::max(1, static_cast<int>(std::lround(font.Size() * unitsPerInch / 72.0))));
    result.setBold(font.Style & fsBold);
    result.setItalic(font.Style & fsItalic);
    result.setUnderline(font.Style & fsUnderline);
    result.setStrikeOut(font.Style & fsStrikeOut);
    return result;
}

QImage DecodeGraphic(const TGraphic& graphic) {
    if (graphic.ClassName == gcMetafile)
        return {};
    const TBytes bytes = graphic.FileBytes();
    QImage image;
    image.loadFromData(bytes.data(), static_cast<int>(bytes.size()));
    return image;
}

void DrawGraphicPlaceholder(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setPen(QColor(128, 128, 128));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.drawLine(rect.topLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomLeft());
    painter.restore();
}

TSize TQtTextMetrics::TextExtent(const TFont& font, std::string_view text) {
    const QFontMetrics metrics(ToQFont(font, 96.0));
    return {metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))),
            metrics.height()};
}

TQtCanvas::TQtCanvas(QPainter& painter, double unitsPerInch)
    : FPainter(painter), FUnitsPerInch(unitsPerInch) {}

void TQtCanvas::ApplyFont() {
    FPainter.setFont(ToQFont(Font, FUnitsPerInch));
    FPainter.setPen(ToQColor(ColorToRGB(Font.Color), QPalette()));
}

void TQtCanvas::FillRect(const TRect& rect) {
    FPainter.fillRect(QRect(rect.Left, rect.Top, RectWidth(rect), RectHeight(rect)),
                      ToQColor(ColorToRGB(Brush.Color), QPalette()));
}

void TQtCanvas::Polyline(std::span<const TPoint> points) {
    if (points.size() < 2)
        return;
    QPen pen(ToQColor(ColorToRGB(Pen.Color), QPalette()));
    pen.setWidth(Pen.Width);
    FPainter.setPen(pen);
    std::vector<QPoint> qpoints;
    for (const TPoint& p : points)
        qpoints.emplace_back(p.X, p.Y);
    FPainter.drawPolyline(qpoints.data(), static_cast<int>(qpoints.size()));
}

void TQtCanvas::TextRect(const TRect& clip, int x, int y, std::string_view text) {
    ApplyFont();
    FPainter.save();
    FPainter.setClipRect(QRect(clip.Left, clip.Top, RectWidth(clip), RectHeight(clip)), Qt::IntersectClip);
    const QFontMetrics metrics(FPainter.font());
    FPainter.drawText(QPoint(x, y + metrics.ascent()),
                      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    FPainter.restore();
}

TSize TQtCanvas::TextExtent(std::string_view text) {
    ApplyFont();
    const QFontMetrics metrics(FPainter.font());
    return {metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))),
            metrics.height()};
}

void TQtCanvas::StretchDraw(const TRect& rect, const TGraphic& graphic) {
    const QRect target(rect.Left, rect.Top, RectWidth(rect), RectHeight(rect));
    const QImage image = DecodeGraphic(graphic);
    if (image.isNull())
        DrawGraphicPlaceholder(FPainter, target);
    else
        FPainter.drawImage(target, image);
}

TSize TQtCanvas::GraphicSize(const TGraphic& graphic) {
    const QImage image = DecodeGraphic(graphic);
    return image.isNull() ? TCanvas::GraphicSize(graphic) : TSize{image.width(), image.height()};
}

} // namespace lay
