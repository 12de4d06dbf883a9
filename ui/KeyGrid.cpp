#include "ui/KeyGrid.h"

#include "model/Layout.h"
#include "model/Utils.h"
#include "ui/QtCanvas.h"

#include <QPainter>

// The resource initialiser lives in the library, outside any namespace.
static void InitArrowResources() {
    Q_INIT_RESOURCE(layomatic);
}

namespace lay {

namespace {

const QColor kOneLayerColor(181, 255, 156);

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TArrowCtrl::TArrowCtrl() {
    InitArrowResources();
    const char* names[] = {"BLUP", "BLUPS", "BLDN", "BLDNS", "GRUP", "GRUPS", "RDUP", "RDUPS"};
    for (std::size_t i = 0; i < FBitmaps.size(); ++i)
        FBitmaps[i] = QPixmap(QString(":/arrows/") + names[i]);
}

const QPixmap& TArrowCtrl::GetBitmap(std::uint8_t keyType, bool selected) const {
    std::size_t index = 6;
    if (keyType == ktLayerUp)
        index = 0;
    else if (keyType == ktLayerDown)
        index = 2;
    else if (keyType >= ktLayer1 && keyType <= ktLayer4)
        index = 4;
    return FBitmaps[index + (selected ? 1 : 0)];
}

QString TArrowCtrl::LayerText(std::uint8_t keyType) {
    switch (keyType) {
    case ktLayer2:
    case ktTempLayer2:
        return "2";
    case ktLayer3:
    case ktTempLayer3:
        return "3";
    case ktLayer4:
    case ktTempLayer4:
        return "4";
    default:
        return "1";
    }
}

void TArrowCtrl::DrawSymbol(QPainter& painter, const TKey& key, const QRect& rect, bool selected,
                            int layer) const {
    const QPixmap& bitmap = GetBitmap(key.KeyType(), selected);
    if (rect.width() - 2 >= bitmap.width() && rect.height() - 2 >= bitmap.height())
        painter.drawPixmap(rect.left() + 2, rect.top() + 2, bitmap);
    if (key.KeyType() >= ktLayer1 && key.KeyType() <= ktTempLayer4) {
        painter.setPen(selected ? WindowColor : (layer != 0 ? QColor(Qt::red) : QColor(Qt::black)));
        const QFontMetrics metrics(painter.font());
        // (Right − 10, Top + 10) is the text's top left corner.
        painter.drawText(rect.left() + rect.width() - 10, rect.top() + 10 + metrics.ascent(),
                         LayerText(key.KeyType()));
    }
}

TKeyGrid::TKeyGrid(QWidget* parent, TLayout& layout) : TStringGrid2(parent), FLayout(&layout) {}

void TKeyGrid::SetLayer(int layer) {
    if (layer == FLayer)
        return;
    FLayer = layer;
    update();
}

void TKeyGrid::SetViewMode(int mode) {
    FViewMode = mode;
    update();
}

bool TKeyGrid::IsCellSelected(int col, int row) const {
    return (hasFocus() && col == Col() && row == Row()) || Selection().Contains(col, row);
}

void TKeyGrid::DrawCell(QPainter& painter, int col, int row, const QRect& rect) {
    const QPalette& pal = palette();
    FArrowCtrl.WindowColor = pal.color(QPalette::Base);
    if (col >= 1 && row >= 1) {
        if (FViewMode == vmPicture)
            DrawPictureCell(painter, col, row, rect);
        else
            DrawLayoutCell(painter, col, row, rect);
        DrawGroupBorder(painter, col, row, rect);
        return;
    }
    if (col != 0 || row != 0) {
        painter.fillRect(rect, pal.color(QPalette::Button));
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, Cell(col, row));
        return;
    }
    painter.fillRect(rect, FLayer != 0 ? QColor(Qt::red) : pal.color(QPalette::Button));
    if (FLayer != 0) {
        painter.setPen(pal.color(QPalette::ButtonText));
        painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, QString::number(FLayer));
        painter.setPen(pal.color(QPalette::Base));
        painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
        painter.drawLine(rect.right(), rect.bottom(), rect.right(), rect.top());
    }
}

void TKeyGrid::DrawLayoutCell(QPainter& painter, int col, int row, const QRect& rect) {
    const QPalette& pal = palette();
    const bool sel = IsCellSelected(col, row);
    const TLayout& layout = *FLayout;
    const bool noKey = layout.LayerCount() == 0 || !layout.Layers.Items(0).FindKey(col - 1, row - 1);
    painter.fillRect(rect, noKey ? pal.color(QPalette::Button)
                                 : (sel ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base)));
    const QFontMetrics metrics(painter.font());
    const int h = metrics.height();
    int x = rect.left() + 2;
    int y = rect.top() + 1;
    // One past the bottom edge, as the cell rectangles of the platform grid count it.
    const int bottom = rect.bottom() + 1;
    bool filled = false;
    for (int i = 0; i < layout.LayerCount(); ++i) {
        const TKey* key = layout.Layers.Items(i).FindKey(col - 1, row - 1);
        if (key) {
            if (!filled) {
                filled = true;
                painter.fillRect(rect, sel ? pal.color(QPalette::Highlight)
                                           : (FLayer != 0 ? kOneLayerColor : pal.color(QPalette::Base)));
            }
            if (key->KeyType() == ktMacro) {
                const bool simple = FViewMode == vmSimplified;
                std::string text = simple ? key->PressCodes.ShortText() : key->PressCodes.Text();
                const std::string release = simple ? key->ReleaseCodes.ShortText() : key->ReleaseCodes.Text();
                if (!release.empty())
                    text += "^" + release;
                if (y + h < bottom) {
                    painter.setPen(sel ? pal.color(QPalette::Base)
                                       : (FLayer == i + 1 ? QColor(Qt::red) : QColor(Qt::black)));
                    painter.drawText(QPoint(x, y + metrics.ascent()), FromUtf8(text));
                }
            } else {
                FArrowCtrl.DrawSymbol(painter, *key, rect, sel, FLayer);
            }
        }
        y += h;
    }
}

void TKeyGrid::DrawPictureCell(QPainter& painter, int col, int row, const QRect& rect) {
    const QPalette& pal = palette();
    const TLayout& layout = *FLayout;
    const TKey* key = layout.LayerCount() > 0 ? layout.Layers.Items(0).FindKey(col - 1, row - 1) : nullptr;
    if (!key) {
        painter.fillRect(rect, pal.color(QPalette::Button));
        return;
    }
    const TKeyPicture& picture = key->Picture;
    const TColor background = picture.BackgroundColor();
    // Black is how pictures say "not filled": the cell keeps the window colour then.
    painter.fillRect(rect, IsCellSelected(col, row) ? pal.color(QPalette::Highlight)
                           : background == clBlack  ? pal.color(QPalette::Base)
                                                    : ToQColor(background, pal));
    const TRect cell{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
    if (picture.HasGraphic()) {
        const TGraphic& graphic = *picture.Picture().Graphic;
        const QImage image = DecodeGraphic(graphic);
        const TSize size = image.isNull() ? lay::GraphicSize(graphic) : TSize{image.width(), image.height()};
        const TRect place =
            FitGraphic(size.cx > 0 && size.cy > 0 ? size : TSize{RectWidth(cell), RectHeight(cell)}, cell);
        const QRect target(place.Left, place.Top, RectWidth(place), RectHeight(place));
        if (image.isNull())
            DrawGraphicPlaceholder(painter, target);
        else
            painter.drawImage(target, image);
    }
    const QString text = FromUtf8(picture.Text());
    if (text.isEmpty())
        return;
    painter.setFont(ToQFont(picture.Font(), logicalDpiY()));
    painter.setPen(ToQColor(picture.Font().Color, pal));
    const QFontMetrics metrics(painter.font());
    if (picture.TextOrientation() == 0) {
        const QRect measured = metrics.boundingRect(rect, Qt::TextWordWrap | Qt::AlignHCenter, text);
        QRect target = rect;
        if (measured.height() <= rect.height())
            target.setTop(rect.top() + (rect.height() - measured.height()) / 2);
        painter.drawText(target, Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignTop, text);
    } else {
        const QString first = text.left(1);
        const int w = metrics.horizontalAdvance(first);
        const int ch = metrics.height();
        const int n = static_cast<int>(text.size());
        int top = rect.top() + (rect.height() - n * ch) / 2;
        top = std::max(top, rect.top());
        const int height = std::min(n * ch, rect.bottom() + 1 - top);
        const QRect column(rect.left() + (rect.width() - w) / 2, top, w, height);
        QString spaced;
        for (const QChar c : text)
            spaced += QString(c) + ' ';
        painter.drawText(column, Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignTop, spaced);
    }
    painter.setFont(font());
}

void TKeyGrid::DrawGroupBorder(QPainter& painter, int col, int row, const QRect& rect) {
    const TKeyGroup* group = FLayout->GroupAt(col - 1, row - 1);
    if (!group)
        return;
    const TRect& g = group->Rect();
    const bool sel = IsCellSelected(col, row);
    QPen pen(sel ? QColor(192, 192, 192) : QColor(Qt::black));
    pen.setWidth(sel ? 2 : 1);
    painter.setPen(pen);
    // A pen of two pixels is centred on the line: half of it falls inside the cell.
    const int inset = sel ? 1 : 0;
    if (row - 1 == g.Top)
        painter.drawLine(rect.left(), rect.top() + inset, rect.right(), rect.top() + inset);
    if (row - 1 == g.Bottom)
        painter.drawLine(rect.left(), rect.bottom() - inset, rect.right(), rect.bottom() - inset);
    if (col - 1 == g.Left)
        painter.drawLine(rect.left() + inset, rect.top(), rect.left() + inset, rect.bottom());
    if (col - 1 == g.Right)
        painter.drawLine(rect.right() - inset, rect.top(), rect.right() - inset, rect.bottom());
}

} // namespace lay
