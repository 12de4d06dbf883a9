#include "ui/StringGrid2.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace lay {

TStringGrid2::TStringGrid2(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetColCount(5);
    SetRowCount(5);
}

void TStringGrid2::SetColCount(int count) {
    FColWidths.resize(static_cast<std::size_t>(std::max(count, 1)), DefaultColWidth);
    update();
}

void TStringGrid2::SetRowCount(int count) {
    FRowHeights.resize(static_cast<std::size_t>(std::max(count, 1)), DefaultRowHeight);
    update();
}

void TStringGrid2::SetColWidth(int col, int width) {
    if (col >= 0 && col < ColCount())
        FColWidths[static_cast<std::size_t>(col)] = std::max(width, 0);
}

void TStringGrid2::SetRowHeight(int row, int height) {
    if (row >= 0 && row < RowCount())
        FRowHeights[static_cast<std::size_t>(row)] = std::max(height, 0);
}

QString TStringGrid2::Cell(int col, int row) const {
    const auto it = FTexts.find({col, row});
    return it == FTexts.end() ? QString() : it->second;
}

void TStringGrid2::SetCell(int col, int row, const QString& text) {
    FTexts[{col, row}] = text;
}

void TStringGrid2::SetSelection(const TGridRect& rect) {
    FAnchorCol = rect.Left;
    FAnchorRow = rect.Top;
    FCol = rect.Right;
    FRow = rect.Bottom;
    FSelection = rect;
    update();
}

QRect TStringGrid2::CellRect(int col, int row) const {
    const int line = GridLineWidth();
    int x = 0;
    for (int c = 0; c < col; ++c)
        x += ColWidth(c) + line;
    int y = 0;
    for (int r = 0; r < row; ++r)
        y += RowHeight(r) + line;
    return QRect(x, y, ColWidth(col), RowHeight(row));
}

bool TStringGrid2::MouseToCell(const QPoint& point, int& col, int& row) const {
    const int line = GridLineWidth();
    int x = 0;
    col = -1;
    for (int c = 0; c < ColCount(); ++c) {
        if (point.x() >= x && point.x() < x + ColWidth(c) + line) {
            col = c;
            break;
        }
        x += ColWidth(c) + line;
    }
    int y = 0;
    row = -1;
    for (int r = 0; r < RowCount(); ++r) {
        if (point.y() >= y && point.y() < y + RowHeight(r) + line) {
            row = r;
            break;
        }
        y += RowHeight(r) + line;
    }
    return col >= 0 && row >= 0;
}

QSize TStringGrid2::sizeHint() const {
    const QRect last = CellRect(ColCount() - 1, RowCount() - 1);
    return {last.right() + 2, last.bottom() + 2};
}

bool TStringGrid2::CanSelect(int col, int row) const {
    if (col < 1 || row < 1 || col >= ColCount() || row >= RowCount())
        return false;
    return !OnSelectCell || OnSelectCell(col, row);
}

void TStringGrid2::MoveCurrent(int col, int row, bool extend) {
    FCol = col;
    FRow = row;
    if (!extend) {
        FAnchorCol = col;
        FAnchorRow = row;
    }
    FSelection = {std::min(FAnchorCol, FCol), std::min(FAnchorRow, FRow), std::max(FAnchorCol, FCol),
                  std::max(FAnchorRow, FRow)};
    update();
}

bool TStringGrid2::NextSelectable(int col, int row, int dc, int dr, int& outCol, int& outRow) const {
    for (int c = col + dc, r = row + dr; c >= 1 && r >= 1 && c < ColCount() && r < RowCount();
         c += dc, r += dr)
        if (CanSelect(c, r)) {
            outCol = c;
            outRow = r;
            return true;
        }
    return false;
}

void TStringGrid2::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QColor fixedLine(128, 128, 128);
    const QColor cellLine(192, 192, 192);
    for (int c = 0; c < ColCount(); ++c)
        for (int r = 0; r < RowCount(); ++r) {
            const QRect cell = CellRect(c, r);
            // Lines right and below each cell, darker around the headers.
            painter.setPen((c == 0 || r == 0) ? fixedLine : cellLine);
            painter.drawLine(cell.right() + 1, cell.top(), cell.right() + 1, cell.bottom() + 1);
            painter.drawLine(cell.left(), cell.bottom() + 1, cell.right() + 1, cell.bottom() + 1);
            painter.save();
            painter.setClipRect(cell);
            DrawCell(painter, c, r, cell);
            painter.restore();
            if (c == 0 || r == 0) {
                // Header cells are raised on their left and top sides only.
                painter.setPen(palette().color(QPalette::Light));
                painter.drawLine(cell.topLeft(), cell.topRight());
                painter.drawLine(cell.topLeft(), cell.bottomLeft());
            }
        }
}

void TStringGrid2::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    int col = 0;
    int row = 0;
    if (!MouseToCell(event->position().toPoint(), col, row) || !CanSelect(col, row))
        return;
    const bool extend = event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier);
    // A right click inside the selection keeps it for the context menu.
    if (event->button() == Qt::RightButton && FSelection.Contains(col, row))
        return;
    MoveCurrent(col, row, extend);
    FSelecting = event->button() == Qt::LeftButton;
}

void TStringGrid2::mouseMoveEvent(QMouseEvent* event) {
    if (!FSelecting)
        return;
    int col = 0;
    int row = 0;
    if (MouseToCell(event->position().toPoint(), col, row) && col >= 1 && row >= 1 &&
        (col != FCol || row != FRow))
        MoveCurrent(col, row, true);
}

void TStringGrid2::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasSelecting = FSelecting;
    FSelecting = false;
    if (event->button() == Qt::RightButton) {
        if (OnClick)
            OnClick();
        return;
    }
    if (wasSelecting && OnClick)
        OnClick();
}

void TStringGrid2::mouseDoubleClickEvent(QMouseEvent* event) {
    int col = 0;
    int row = 0;
    if (event->button() == Qt::LeftButton && MouseToCell(event->position().toPoint(), col, row) && col >= 1 &&
        row >= 1 && OnDblClick)
        OnDblClick();
}

void TStringGrid2::keyPressEvent(QKeyEvent* event) {
    int dc = 0;
    int dr = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dc = -1;
        break;
    case Qt::Key_Right:
        dc = 1;
        break;
    case Qt::Key_Up:
        dr = -1;
        break;
    case Qt::Key_Down:
        dr = 1;
        break;
    default:
        if (!OnKeyDown || !OnKeyDown(event->key(), event->modifiers()))
            QWidget::keyPressEvent(event);
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    int col = 0;
    int row = 0;
    if (extend) {
        // Extending a range may pass over gaps: the range is a rectangle anyway.
        col = std::clamp(FCol + dc, 1, ColCount() - 1);
        row = std::clamp(FRow + dr, 1, RowCount() - 1);
        MoveCurrent(col, row, true);
        return;
    }
    if (!NextSelectable(FCol, FRow, dc, dr, col, row))
        return;
    MoveCurrent(col, row, false);
    if (OnClick)
        OnClick();
}

} // namespace lay
