#pragma once

#include "ui/StringGrid2.h"

#include <QPixmap>

#include <array>
#include <cstdint>

namespace lay {

class TKey;
class TLayout;

// Paints the symbols of the keys that switch layers.
class TArrowCtrl {
public:
    TArrowCtrl();
    const QPixmap& GetBitmap(std::uint8_t keyType, bool selected) const;
    // The symbol in the cell's top left corner, and for the go-to-layer types the target layer's
    // digit near the top right corner.
    void DrawSymbol(QPainter& painter, const TKey& key, const QRect& rect, bool selected, int layer) const;
    static QString LayerText(std::uint8_t keyType);
    // The digit's colour on a selected cell.
    QColor WindowColor = Qt::white;

private:
    // Plain and selected variants of: layer up, layer down, go to layer, any other type.
    std::array<QPixmap, 8> FBitmaps;
};

// Shows one layout as a matrix of cells: for every key the codes of all layers (layout and
// simplified modes) or its picture (picture mode), framed groups, highlighted selection.
class TKeyGrid : public TStringGrid2 {
    Q_OBJECT
public:
    TKeyGrid(QWidget* parent, TLayout& layout);

    TLayout& Layout() const { return *FLayout; }
    int Layer() const { return FLayer; }
    int ViewMode() const { return FViewMode; }
    void SetLayer(int layer);
    void SetViewMode(int mode);
    bool IsCellSelected(int col, int row) const;

protected:
    void DrawCell(QPainter& painter, int col, int row, const QRect& rect) override;
    virtual void DrawLayoutCell(QPainter& painter, int col, int row, const QRect& rect);

private:
    void DrawPictureCell(QPainter& painter, int col, int row, const QRect& rect);
    void DrawGroupBorder(QPainter& painter, int col, int row, const QRect& rect);

    TLayout* FLayout;
    int FLayer = 0;
    int FViewMode = 0;
    TArrowCtrl FArrowCtrl;
};

} // namespace lay
