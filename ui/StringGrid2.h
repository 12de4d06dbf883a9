#pragma once

#include <QWidget>

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace lay {

// An inclusive rectangle of grid cells.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool Contains(int col, int row) const {
        return col >= Left && col <= Right && row >= Top && row <= Bottom;
    }
    bool operator==(const TGridRect&) const = default;
};

// A grid of cells with one header column and one header row: column widths, row heights, a
// current cell and a range selection that mouse and keyboard move, text of the header cells.
// Cells are painted by DrawCell; the grid paints its lines itself. Without scroll bars: the
// owner sizes the cells to the window.
class TStringGrid2 : public QWidget {
    Q_OBJECT
public:
    explicit TStringGrid2(QWidget* parent = nullptr);

    int ColCount() const { return static_cast<int>(FColWidths.size()); }
    int RowCount() const { return static_cast<int>(FRowHeights.size()); }
    void SetColCount(int count);
    void SetRowCount(int count);
    int ColWidth(int col) const { return FColWidths[static_cast<std::size_t>(col)]; }
    int RowHeight(int row) const { return FRowHeights[static_cast<std::size_t>(row)]; }
    void SetColWidth(int col, int width);
    void SetRowHeight(int row, int height);
    int DefaultColWidth = 25;
    int DefaultRowHeight = 25;
    int GridLineWidth() const { return 1; }

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);

    int Col() const { return FCol; }
    int Row() const { return FRow; }
    const TGridRect& Selection() const { return FSelection; }
    // Moves the anchor to the rectangle's top left and the current cell to its bottom right.
    void SetSelection(const TGridRect& rect);

    // The cell's rectangle on the control, grid lines excluded.
    QRect CellRect(int col, int row) const;
    // The cell under a point; false for the lines and the space beyond the last cell.
    bool MouseToCell(const QPoint& point, int& col, int& row) const;

    // A cell may become the current one only when this allows it.
    std::function<bool(int col, int row)> OnSelectCell;
    // After a click or a drag (on release), and after the keyboard moved the current cell without Shift.
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    // Keys the grid does not use itself; true when handled.
    std::function<bool(int key, Qt::KeyboardModifiers modifiers)> OnKeyDown;

    QSize sizeHint() const override;

protected:
    // rect excludes the grid lines; fixed cells are the header column and row.
    virtual void DrawCell(QPainter& painter, int col, int row, const QRect& rect) = 0;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool CanSelect(int col, int row) const;
    // Moves the current cell; with extend the anchor stays and the selection grows to it.
    void MoveCurrent(int col, int row, bool extend);
    // The nearest cell from (col, row) in the step's direction that may be selected.
    bool NextSelectable(int col, int row, int dc, int dr, int& outCol, int& outRow) const;

    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    std::map<std::pair<int, int>, QString> FTexts;
    int FCol = 1;
    int FRow = 1;
    int FAnchorCol = 1;
    int FAnchorRow = 1;
    TGridRect FSelection{1, 1, 1, 1};
    bool FSelecting = false;
};

} // namespace lay
