// The document window: selection on the grid, keys, clipboard, grid sizing and printing.
#include "UiTestSupport.h"

#include "ui/DocForm.h"
#include "ui/KeyGrid.h"
#include "ui/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QToolBar>
#include <QtTest>

using namespace lay;

namespace {

TfmDoc& NewDoc(TTestEditor& e) {
    e.Main->Action("actLayoutNew")->trigger();
    ProcessEvents();
    return e.Main->ActiveDocument();
}

// Four columns, three rows, two layers; no key at column 2 of row 2 (1-based).
TfmDoc& GappedDoc(TTestEditor& e) {
    TfmDoc& doc = NewDoc(e);
    doc.Layout.LoadKeyboard(GappedModel(4, 3, 2, {{1, 1}}));
    doc.Layout.Changed(lcLayout);
    doc.Layout.SetSelection({1, 1, 1, 1});
    ProcessEvents();
    return doc;
}

QPoint CellCentre(TKeyGrid& grid, int col, int row) {
    return grid.CellRect(col, row).center();
}

std::string Press(const TfmDoc& doc, int layer, int col, int row) {
    return doc.Layout.Layers.Items(layer).KeyAt(col, row).PressCodes.Text();
}

void SetPress(TfmDoc& doc, int layer, int col, int row, const std::string& text) {
    doc.Layout.Layers.Items(layer).KeyAt(col, row).PressCodes.SetText(text);
}

QAction* Item(QMenu* menu, const char* name) {
    for (QAction* a : menu->actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

} // namespace

class DocFormTest : public QObject {
    Q_OBJECT
private slots:
    void clickOnGapKeepsCurrentCell();
    void arrowKeysSkipGaps();
    void shiftExtendsOnlyTheGridSelection();
    void deleteClearsShownLayerOnly();
    void selectAllThenClearClearsEveryKey();
    void copyPasteThroughSystemClipboard();
    void pasteOfForeignTextLeavesLayoutUnchanged();
    void popupMenuRules();
    void toolbarWithoutLaterDialogs();
    void gridFillsTheWindow();
    void printsThroughQPrinter();
};

void DocFormTest::clickOnGapKeepsCurrentCell() {
    TTestEditor e;
    TfmDoc& doc = GappedDoc(e);
    TKeyGrid& grid = doc.Grid();
    QTest::mouseClick(&grid, Qt::LeftButton, {}, CellCentre(grid, 3, 1));
    QCOMPARE(doc.Layout.Selection(), (TRect{3, 1, 3, 1}));
    QTest::mouseClick(&grid, Qt::LeftButton, {}, CellCentre(grid, 2, 2)); // the gap
    QCOMPARE(grid.Col(), 3);
    QCOMPARE(grid.Row(), 1);
    QCOMPARE(doc.Layout.Selection(), (TRect{3, 1, 3, 1}));
    // Header cells never become current either.
    QTest::mouseClick(&grid, Qt::LeftButton, {}, CellCentre(grid, 0, 2));
    QCOMPARE(grid.Col(), 3);
}

void DocFormTest::arrowKeysSkipGaps() {
    TTestEditor e;
    TfmDoc& doc = GappedDoc(e);
    TKeyGrid& grid = doc.Grid();
    grid.setFocus();
    QTest::mouseClick(&grid, Qt::LeftButton, {}, CellCentre(grid, 1, 2));
    QTest::keyClick(&grid, Qt::Key_Right); // over the gap at column 2
    QCOMPARE(std::make_pair(grid.Col(), grid.Row()), std::make_pair(3, 2));
    QCOMPARE(doc.Layout.Selection(), (TRect{3, 2, 3, 2}));
    QTest::mouseClick(&grid, Qt::LeftButton, {}, CellCentre(grid, 2, 1));
    QTest::keyClick(&grid, Qt::Key_Down); // over the gap to row 3
    QCOMPARE(std::make_pair(grid.Col(), grid.Row()), std::make_pair(2, 3));
    QTest::keyClick(&grid, Qt::Key_Down); // the edge: stays
    QCOMPARE(std::make_pair(grid.Col(), grid.Row()), std::make_pair(2, 3));
}

void DocFormTest::shiftExtendsOnlyTheGridSelection() {
    TTestEditor e;
    TfmDoc& doc = GappedDoc(e);
    TKeyGrid& grid = doc.Grid();
    grid.setFocus();
    QTest::mouseClick(&grid, Qt::LeftButton, {}, CellCentre(grid, 1, 1));
    QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(grid.Selection(), (TGridRect{1, 1, 2, 2}));
    QCOMPARE(doc.Layout.Selection(), (TRect{1, 1, 1, 1}));
    QVERIFY(doc.CanGroup());
    // A drag selects a range and hands it to the layout on release.
    QTest::mousePress(&grid, Qt::LeftButton, {}, CellCentre(grid, 3, 1));
    QMouseEvent move(QEvent::MouseMove, CellCentre(grid, 4, 3), grid.mapToGlobal(CellCentre(grid, 4, 3)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&grid, &move);
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, CellCentre(grid, 4, 3));
    QCOMPARE(doc.Layout.Selection(), (TRect{3, 1, 4, 3}));
}

void DocFormTest::deleteClearsShownLayerOnly() {
    TTestEditor e;
    TfmDoc& doc = GappedDoc(e);
    SetPress(doc, 0, 0, 0, "+A -A");
    SetPress(doc, 1, 0, 0, "+B -B");
    doc.SetLayer(2);
    TKeyGrid& grid = doc.Grid();
    grid.setFocus();
    QTest::mouseClick(&grid, Qt::LeftButton, {}, CellCentre(grid, 1, 1));
    QTest::keyClick(&grid, Qt::Key_Delete);
    QCOMPARE(Press(doc, 0, 0, 0), std::string("+A -A"));
    QCOMPARE(Press(doc, 1, 0, 0), std::string());
    QVERIFY(doc.Layout.Modified());
}

void DocFormTest::selectAllThenClearClearsEveryKey() {
    TTestEditor e;
    TfmDoc& doc = GappedDoc(e);
    SetPress(doc, 0, 0, 0, "+A -A");
    SetPress(doc, 1, 3, 2, "+B -B");
    doc.Layout.SetSelection({4, 3, 4, 3});
    e.Main->Action("actEditSelectAll")->trigger();
    QCOMPARE(doc.Grid().Selection(), (TGridRect{1, 1, 4, 3}));
    // The layout's selection stays until the next click in the grid.
    QCOMPARE(doc.Layout.Selection(), (TRect{4, 3, 4, 3}));
    e.Main->Action("actEditClear")->trigger();
    QCOMPARE(Press(doc, 0, 0, 0), std::string());
    QCOMPARE(Press(doc, 1, 3, 2), std::string());
}

void DocFormTest::copyPasteThroughSystemClipboard() {
    TTestEditor e;
    TfmDoc& doc = NewDoc(e);
    // The clipboard names the model, so it must be one of the catalogue: eight by four, with no
    // key at columns 2, 4, 6 and 8 of row 4.
    e.Main->Manager().SetLayoutKeyboard(doc.Layout, 5);
    SetPress(doc, 0, 0, 0, "+A -A");
    SetPress(doc, 0, 1, 0, "+B -B");
    SetPress(doc, 0, 0, 1, "+C -C");
    SetPress(doc, 0, 1, 1, "+D -D");
    doc.Layout.SetSelection({1, 1, 2, 2});
    e.Main->Action("actEditCopy")->trigger();
    QVERIFY(QApplication::clipboard()->text().contains("<"));
    e.Main->UpdateCommands();
    QVERIFY(e.Main->Action("actEditPaste")->isEnabled());

    // A 3 × 2 target takes the 2 × 2 block at its top left corner and shrinks to it.
    doc.Layout.SetSelection({1, 3, 3, 4});
    e.Main->Action("actEditPaste")->trigger();
    ProcessEvents();
    const auto errors = e.Dialogs.Of("error");
    QCOMPARE(errors.empty() ? QString() : errors[0].Text, QString());
    QCOMPARE(doc.Layout.Selection(), (TRect{1, 3, 2, 4}));
    QCOMPARE(doc.Grid().Selection(), (TGridRect{1, 3, 2, 4}));
    QCOMPARE(Press(doc, 0, 0, 2), std::string("+A -A"));
    QCOMPARE(Press(doc, 0, 1, 2), std::string("+B -B"));
    QCOMPARE(Press(doc, 0, 0, 3), std::string("+C -C"));
    QVERIFY(!doc.Layout.Layers.Items(0).FindKey(1, 3)); // the gap stays a gap
    QCOMPARE(Press(doc, 0, 2, 2), std::string());

    // One copied key fills every key of the target block; cut empties its source.
    doc.Layout.SetSelection({2, 2, 2, 2});
    e.Main->Action("actEditCut")->trigger();
    QCOMPARE(Press(doc, 0, 1, 1), std::string());
    doc.Layout.SetSelection({5, 1, 6, 2});
    e.Main->Action("actEditPaste")->trigger();
    for (int col : {4, 5})
        for (int row : {0, 1})
            QCOMPARE(Press(doc, 0, col, row), std::string("+D -D"));
}

void DocFormTest::pasteOfForeignTextLeavesLayoutUnchanged() {
    TTestEditor e;
    TfmDoc& doc = GappedDoc(e);
    SetPress(doc, 0, 0, 0, "+A -A");
    QApplication::clipboard()->setText("просто текст");
    e.Main->UpdateCommands();
    e.Main->Action("actEditPaste")->trigger();
    QCOMPARE(e.Dialogs.Of("error").size(), std::size_t(1));
    QCOMPARE(Press(doc, 0, 0, 0), std::string("+A -A"));
}

void DocFormTest::popupMenuRules() {
    TTestEditor e;
    TfmDoc& doc = GappedDoc(e);
    QApplication::clipboard()->clear();
    doc.Grid().SetSelection({1, 1, 1, 1});
    doc.PopupMenu1Popup();
    QVERIFY(!Item(doc.PopupMenu1(), "pmiPaste")->isEnabled());
    QVERIFY(!Item(doc.PopupMenu1(), "pmiGroup")->isEnabled());
    QVERIFY(!Item(doc.PopupMenu1(), "pmiUngroup")->isEnabled());
    QApplication::clipboard()->setText("x");
    doc.Grid().SetSelection({1, 1, 2, 1});
    doc.PopupMenu1Popup();
    QVERIFY(Item(doc.PopupMenu1(), "pmiPaste")->isEnabled());
    QVERIFY(Item(doc.PopupMenu1(), "pmiGroup")->isEnabled());
    Item(doc.PopupMenu1(), "pmiGroup")->trigger();
    QCOMPARE(doc.Layout.Groups.Count(), 1);
    doc.PopupMenu1Popup();
    QVERIFY(Item(doc.PopupMenu1(), "pmiUngroup")->isEnabled());
    Item(doc.PopupMenu1(), "pmiUngroup")->trigger();
    QCOMPARE(doc.Layout.Groups.Count(), 0);
    QCOMPARE(Item(doc.PopupMenu2(), "pmiLoadPicture")->text(), QString("Загрузить картинку..."));
}

void DocFormTest::toolbarWithoutLaterDialogs() {
    TTestEditor e;
    TfmDoc& doc = NewDoc(e); // the default model has a card reader and a key lock
    QToolBar* bar = doc.ToolBar();
    QStringList captions;
    for (QAction* a : bar->actions())
        captions << a->text();
    QCOMPARE(captions, (QStringList{"Клавиша", "Считыватель", "Ключ", "Раскладка", "Проверить"}));
    // Their dialogs are not part of the editor yet.
    for (QAction* a : bar->actions())
        QCOMPARE(a->isEnabled(), a->objectName() == "TBItem1");
    QCOMPARE(bar->actions().back()->shortcut(), QKeySequence(Qt::Key_F9));
}

void DocFormTest::gridFillsTheWindow() {
    TTestEditor e;
    TfmDoc& doc = GappedDoc(e);
    TKeyGrid& grid = doc.Grid();
    QCOMPARE(grid.ColCount(), 5);
    QCOMPARE(grid.RowCount(), 4);
    QCOMPARE(grid.Cell(3, 0), QString("3"));
    QCOMPARE(grid.Cell(0, 2), QString("2"));
    // Not smaller than the minimum for its cells.
    QVERIFY(doc.width() >= 1 * (5 + 3) + 50 * 5 + 25);
    const int w = doc.width() - (1 * (5 + 3) + 25);
    QCOMPARE(grid.ColWidth(0), 25);
    QCOMPARE(grid.ColWidth(1), w / 4);
    QCOMPARE(grid.ColWidth(1) * 3 + grid.ColWidth(4), w);
    doc.parentWidget()->resize(doc.parentWidget()->width() + 40, doc.parentWidget()->height());
    ProcessEvents();
    QCOMPARE(grid.ColWidth(1) * 3 + grid.ColWidth(4), doc.width() - (1 * (5 + 3) + 25));
}

void DocFormTest::printsThroughQPrinter() {
    TTestEditor e;
    TfmDoc& doc = NewDoc(e);
    doc.Layout.Layers.Items(0).KeyAt(0, 0).Picture.SetText("Итог");
    doc.Layout.Layers.Items(0).KeyAt(1, 0).Picture.SetBackgroundColor(0x0000FF); // red

    // At 254 dots per inch a dot is 0.1 mm: cells are 127 dots, starting 2 dots in.
    QImage page(2000, 2800, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    doc.DrawPage(painter, 254, QSizeF(page.size()));
    painter.end();
    const int cell = 127;
    for (int k = 0; k <= 3; ++k)
        QCOMPARE(page.pixelColor(2 + k * cell, 2 + cell / 3), QColor(Qt::black)); // grid lines
    QCOMPARE(page.pixelColor(2 + cell + cell / 2, 2 + cell / 2), QColor(Qt::red));
    int ink = 0;
    for (int y = 2; y < 2 + cell; ++y)
        for (int x = 4; x < 2 + cell - 2; ++x)
            ink += page.pixelColor(x, y).lightness() < 100;
    QVERIFY(ink > 50);                                                         // the caption
    QCOMPARE(page.pixelColor(2 + 11 * cell, 2 + cell / 2), QColor(Qt::white)); // beyond the ten columns

    // The same page through the printer.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString file = e.Path("print.pdf");
    printer.setOutputFileName(file);
    doc.PrintLayout(printer);
    QFile pdf(file);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.readAll().startsWith("%PDF"));
}

QTEST_MAIN(DocFormTest)
#include "DocFormTest.moc"
