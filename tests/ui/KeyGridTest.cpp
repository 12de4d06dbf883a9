// What the key grid paints, read back from its pixels.
#include "UiTestSupport.h"

#include "model/Layout.h"
#include "ui/KeyGrid.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <memory>

using namespace lay;

namespace {

const QColor kLightGreen(181, 255, 156);
const QColor kBlueFill(0, 64, 224);
const QColor kGreenFill(0, 168, 0);

// A layout of the gapped model on a grid of fixed cell sizes.
struct TGridFixture {
    TGridFixture(int layers, int cellWidth, int cellHeight, std::vector<TPoint> gaps = {{1, 1}}) {
        Layout.LoadKeyboard(GappedModel(4, 3, layers, gaps));
        Grid = std::make_unique<TKeyGrid>(nullptr, Layout);
        Grid->SetColCount(5);
        Grid->SetRowCount(4);
        for (int c = 1; c < 5; ++c)
            Grid->SetColWidth(c, cellWidth);
        for (int r = 1; r < 4; ++r)
            Grid->SetRowHeight(r, cellHeight);
        Grid->resize(Grid->sizeHint());
        Grid->SetSelection({4, 3, 4, 3}); // away from the cells under test
    }
    TKey& Key(int layer, int col, int row) { return Layout.Layers.Items(layer).KeyAt(col, row); }
    QImage Shot() { return Grid->grab().toImage(); }
    QRect Cell(int col, int row) const { return Grid->CellRect(col, row); }
    int LineHeight() const { return Grid->fontMetrics().height(); }

    TLayout Layout;
    std::unique_ptr<TKeyGrid> Grid;
};

bool IsRed(const QColor& c) {
    return c.red() > 150 && c.green() < 90 && c.blue() < 90;
}
bool IsDark(const QColor& c) {
    return c.red() < 110 && c.green() < 110 && c.blue() < 110;
}

// Pixels of a horizontal band of a cell that satisfy the test.
int Count(const QImage& image, const QRect& band, bool (*test)(const QColor&)) {
    int n = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            if (test(image.pixelColor(x, y)))
                ++n;
    return n;
}

// The text line i of a cell, as the grid lays the lines out.
QRect Line(const TGridFixture& f, int col, int row, int i) {
    const QRect cell = f.Cell(col, row);
    const int h = f.LineHeight();
    return QRect(cell.left() + 2, cell.top() + 1 + i * h, cell.width() - 2, h).intersected(cell);
}

int RightmostInk(const QImage& image, const QRect& band) {
    int right = -1;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x)
            if (IsDark(image.pixelColor(x, y)) || IsRed(image.pixelColor(x, y)))
                right = std::max(right, x);
    return right;
}

bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 &&
           std::abs(a.blue() - b.blue()) < 8;
}

TGraphic BitmapOf(const QColor& colour, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return TGraphic::FromFile(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())));
}

} // namespace

class KeyGridTest : public QObject {
    Q_OBJECT
private slots:
    void cellColours_data();
    void cellColours();
    void shownLayersLineIsRed();
    void linesThatDoNotFitAreNotDrawn();
    void codeText_data();
    void codeText();
    void layerSwitchSymbols();
    void arrowNeedsRoom();
    void groupBorders();
    void pictureCells();
    void verticalText();
    void layerText();
};

void KeyGridTest::cellColours_data() {
    QTest::addColumn<int>("layer");
    QTest::addColumn<QColor>("keyCell");
    QTest::addColumn<QColor>("corner");
    const QPalette pal;
    QTest::newRow("all layers") << 0 << pal.color(QPalette::Base) << pal.color(QPalette::Button);
    QTest::newRow("layer 2") << 2 << kLightGreen << QColor(Qt::red);
}

void KeyGridTest::cellColours() {
    QFETCH(int, layer);
    QFETCH(QColor, keyCell);
    QFETCH(QColor, corner);
    TGridFixture f(2, 60, 50);
    f.Grid->SetLayer(layer);
    const QImage shot = f.Shot();
    QCOMPARE(shot.pixelColor(f.Cell(1, 1).bottomRight() - QPoint(2, 2)), keyCell);
    QCOMPARE(shot.pixelColor(f.Cell(0, 0).topLeft() + QPoint(3, 3)), corner);
    QCOMPARE(shot.pixelColor(f.Cell(2, 2).center()), f.Grid->palette().color(QPalette::Button)); // the gap
    QCOMPARE(shot.pixelColor(f.Cell(4, 3).bottomRight() - QPoint(2, 2)),
             f.Grid->palette().color(QPalette::Highlight)); // selected
    // The corner names the shown layer.
    const QRect corner0 = f.Cell(0, 0);
    QCOMPARE(Count(shot, corner0.adjusted(4, 4, -4, -4), IsDark) > 0, layer != 0);
}

void KeyGridTest::shownLayersLineIsRed() {
    TGridFixture f(4, 90, 80);
    for (int l = 0; l < 4; ++l)
        f.Key(l, 0, 0).PressCodes.SetText("+A -A");
    for (int shown = 0; shown <= 4; ++shown) {
        f.Grid->SetLayer(shown);
        const QImage shot = f.Shot();
        for (int i = 0; i < 4; ++i) {
            const QRect band = Line(f, 1, 1, i);
            const bool red = Count(shot, band, IsRed) > 0;
            QCOMPARE(std::make_tuple(shown, i, red), std::make_tuple(shown, i, shown == i + 1));
            QVERIFY(Count(shot, band, IsDark) > 0 || red);
        }
    }
}

void KeyGridTest::linesThatDoNotFitAreNotDrawn() {
    TGridFixture probe(4, 90, 80);
    const int h = probe.LineHeight();
    // Room for two whole lines and half of the third.
    TGridFixture f(4, 90, 2 * h + 1 + h / 2);
    for (int l = 0; l < 4; ++l)
        f.Key(l, 0, 0).PressCodes.SetText("+A -A");
    const QImage shot = f.Shot();
    QVERIFY(Count(shot, Line(f, 1, 1, 0), IsDark) > 0);
    QVERIFY(Count(shot, Line(f, 1, 1, 1), IsDark) > 0);
    QCOMPARE(Count(shot, Line(f, 1, 1, 2), IsDark), 0);
}

void KeyGridTest::codeText_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("press");
    QTest::addColumn<QString>("release");
    QTest::addColumn<QString>("shown");
    QTest::newRow("press only") << int(vmLayout) << "+A -A"
                                << ""
                                << "+A -A";
    QTest::newRow("press and release") << int(vmLayout) << "+A -A"
                                       << "+B -B"
                                       << "+A -A^+B -B";
    QTest::newRow("simplified") << int(vmSimplified) << "+A -A"
                                << "+B -B"
                                << "A^B";
}

void KeyGridTest::codeText() {
    QFETCH(int, mode);
    QFETCH(QString, press);
    QFETCH(QString, release);
    QFETCH(QString, shown);
    TGridFixture f(1, 200, 40);
    f.Key(0, 0, 0).PressCodes.SetText(press.toStdString());
    f.Key(0, 0, 0).ReleaseCodes.SetText(release.toStdString());
    f.Grid->SetViewMode(mode);
    const QRect band = Line(f, 1, 1, 0);
    const int width = RightmostInk(f.Shot(), band) - band.left() + 1;
    const int expected = f.Grid->fontMetrics().horizontalAdvance(shown);
    QVERIFY2(std::abs(width - expected) <= 3, qPrintable(QString("%1 vs %2").arg(width).arg(expected)));
}

void KeyGridTest::layerSwitchSymbols() {
    TGridFixture f(3, 60, 60);
    // Layer up in layer 2 of a cell whose other layers hold codes.
    f.Key(0, 0, 0).PressCodes.SetText("+A -A");
    f.Key(1, 0, 0).SetKeyType(ktLayerUp);
    f.Key(2, 0, 0).PressCodes.SetText("+B -B");
    // Go to layer 3.
    f.Key(0, 2, 0).SetKeyType(6);
    QImage shot = f.Shot();
    const QPoint arrowBody(2 + 7, 2 + 12);
    QVERIFY(Near(shot.pixelColor(f.Cell(1, 1).topLeft() + arrowBody), kBlueFill));
    QVERIFY(Count(shot, Line(f, 1, 1, 2), IsDark) > 0); // the third layer's line is still drawn
    QVERIFY(Near(shot.pixelColor(f.Cell(3, 1).topLeft() + arrowBody), kGreenFill));
    const QRect cell = f.Cell(3, 1);
    const QRect digit(cell.left() + cell.width() - 10, cell.top() + 10, 10, f.LineHeight());
    QVERIFY(Count(shot, digit, IsDark) > 0);
    // On a selected cell the symbol is the white variant.
    f.Grid->SetSelection({3, 1, 3, 1});
    shot = f.Shot();
    QCOMPARE(shot.pixelColor(f.Cell(3, 1).topLeft() + arrowBody), QColor(Qt::white));
}

void KeyGridTest::arrowNeedsRoom() {
    TGridFixture f(1, 16, 40); // 16 − 2 is less than the bitmap's 15
    f.Key(0, 0, 0).SetKeyType(ktLayerDown);
    const QImage shot = f.Shot();
    const QRect cell = f.Cell(1, 1);
    QCOMPARE(Count(shot, cell, [](const QColor& c) { return Near(c, kBlueFill); }), 0);
    TGridFixture wide(1, 17, 40);
    wide.Key(0, 0, 0).SetKeyType(ktLayerDown);
    QVERIFY(Count(wide.Shot(), wide.Cell(1, 1), [](const QColor& c) { return Near(c, kBlueFill); }) > 0);
}

void KeyGridTest::groupBorders() {
    TGridFixture f(1, 40, 30);
    QVERIFY(f.Layout.Group({0, 0, 1, 0}));
    const QImage shot = f.Shot();
    const QRect a = f.Cell(1, 1);
    const QRect b = f.Cell(2, 1);
    QCOMPARE(shot.pixelColor(a.center().x(), a.top()), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(a.left(), a.center().y()), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(b.right(), b.center().y()), QColor(Qt::black));
    QCOMPARE(shot.pixelColor(b.center().x(), b.bottom()), QColor(Qt::black));
    // No border between the cells of one group.
    QVERIFY(shot.pixelColor(a.right(), a.center().y()) != QColor(Qt::black));
    QVERIFY(shot.pixelColor(f.Cell(3, 1).center().x(), f.Cell(3, 1).top()) != QColor(Qt::black));
}

void KeyGridTest::pictureCells() {
    TGridFixture f(1, 80, 60);
    f.Grid->SetViewMode(vmPicture);
    TPicture bitmap;
    bitmap.Graphic = BitmapOf(QColor(10, 200, 30), 200, 50); // wider than the cell: scaled down
    f.Key(0, 0, 0).Picture.SetPicture(bitmap);
    TPicture metafile;
    metafile.Graphic = TGraphic{gcMetafile, TBytes(64, 0), false};
    f.Key(0, 1, 0).Picture.SetPicture(metafile);
    f.Key(0, 2, 0).Picture.SetBackgroundColor(0x00FFFF); // yellow: red and green bytes
    const QImage shot = f.Shot();
    const QRect cell = f.Cell(1, 1);
    QVERIFY(Near(shot.pixelColor(cell.center()), QColor(10, 200, 30)));
    // Fitted inside a margin of 10 pixels, proportions kept: 60 × 15 in a 60 × 40 area.
    QCOMPARE(shot.pixelColor(cell.left() + 5, cell.center().y()), QColor(Qt::white));
    QCOMPARE(shot.pixelColor(cell.center().x(), cell.top() + 20), QColor(Qt::white));
    QVERIFY(Count(shot, f.Cell(2, 1), [](const QColor& c) { return Near(c, QColor(128, 128, 128)); }) > 0);
    QCOMPARE(shot.pixelColor(f.Cell(3, 1).center()), QColor(255, 255, 0));
    QCOMPARE(shot.pixelColor(f.Cell(2, 2).center()), f.Grid->palette().color(QPalette::Button));
}

void KeyGridTest::verticalText() {
    TGridFixture f(1, 80, 120);
    f.Grid->SetViewMode(vmPicture);
    f.Key(0, 0, 0).Picture.SetText("ABC");
    f.Key(0, 1, 0).Picture.SetText("ABC");
    f.Key(0, 1, 0).Picture.SetTextOrientation(1);
    const QImage shot = f.Shot();
    auto inkBox = [&](const QRect& cell) {
        QRect box;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (IsDark(shot.pixelColor(x, y)))
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    const QRect horizontal = inkBox(f.Cell(1, 1));
    const QRect vertical = inkBox(f.Cell(2, 1));
    QVERIFY(horizontal.width() > horizontal.height());
    QVERIFY2(vertical.height() > 2 * vertical.width(),
             qPrintable(QString("%1x%2").arg(vertical.width()).arg(vertical.height())));
    // Centred in the cell both ways.
    QVERIFY(std::abs(vertical.center().y() - f.Cell(2, 1).center().y()) <= f.LineHeight() / 2);
    QVERIFY(std::abs(vertical.center().x() - f.Cell(2, 1).center().x()) <= 4);
}

void KeyGridTest::layerText() {
    const struct {
        int Type;
        const char* Text;
    } table[] = {{0, "1"}, {1, "1"}, {2, "1"}, {4, "1"},  {5, "2"}, {6, "3"},
                 {7, "4"}, {8, "1"}, {9, "2"}, {10, "3"}, {11, "4"}};
    for (const auto& row : table)
        QCOMPARE(TArrowCtrl::LayerText(static_cast<std::uint8_t>(row.Type)), QString(row.Text));
    TArrowCtrl arrows;
    for (int type = 0; type <= 11; ++type)
        for (bool selected : {false, true}) {
            const QPixmap& bitmap = arrows.GetBitmap(static_cast<std::uint8_t>(type), selected);
            QCOMPARE(bitmap.size(), QSize(15, 19));
        }
    QVERIFY(arrows.GetBitmap(ktLayerUp, false).toImage() != arrows.GetBitmap(ktLayerDown, false).toImage());
    QVERIFY(arrows.GetBitmap(0, false).toImage() == arrows.GetBitmap(ktTempLayer2, false).toImage());
    QVERIFY(arrows.GetBitmap(ktLayer2, true).toImage() != arrows.GetBitmap(ktLayer2, false).toImage());
}

QTEST_MAIN(KeyGridTest)
#include "KeyGridTest.moc"
