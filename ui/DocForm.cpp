#include "ui/DocForm.h"

#include "device/KeyboardManager.h"
#include "files/FormatRegistry.h"
#include "model/Canvas.h"
#include "model/Errors.h"
#include "ui/KeyGrid.h"
#include "ui/QtCanvas.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

namespace lay {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Printed cells and the gaps between blocks, in 0.1 mm.
constexpr int kPrintCell = 127;
constexpr int kPrintGap = 76;

} // namespace

void ShowException(TUserDialogs& dialogs, QWidget* parent, const std::exception& error) {
    if (dynamic_cast<const EAbort*>(&error))
        return;
    dialogs.Error(parent, SError, QString::fromUtf8(error.what()));
}

TfmDoc::TfmDoc(TKeyboardManager& manager, TUserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), FManager(manager), FDialogs(dialogs) {
    setAttribute(Qt::WA_DeleteOnClose);
    FManager.SetLayoutKeyboard(Layout, FManager.KeyboardID());
    Layout.ClearModified();
    Layout.MessageSink = [this](const std::string& line, int id) { FManager.DoMessage(line, id); };
    FLink = Layout.AddLink([this](TObject*) { LayoutChanged(); });

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    FToolBar = new QToolBar(this);
    FToolBar->setObjectName("tbStandard");
    FToolBar->setMovable(false);
    FToolBar->setFloatable(false);
    FToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The key, card reader, key lock and properties windows join the editor later; their
    // buttons are there and stay disabled until then.
    QAction* keyProps = FToolBar->addAction("Клавиша");
    keyProps->setObjectName("tbKeyProps");
    keyProps->setEnabled(false);
    FTbMSR = FToolBar->addAction("Считыватель");
    FTbMSR->setObjectName("tbMSR");
    FTbKeyLock = FToolBar->addAction("Ключ");
    FTbKeyLock->setObjectName("tbKeyLock");
    QAction* layoutProps = FToolBar->addAction("Раскладка");
    layoutProps->setObjectName("tbLayoutProps");
    layoutProps->setEnabled(false);
    QAction* check = FToolBar->addAction("Проверить");
    check->setObjectName("TBItem1");
    check->setToolTip("Проверить раскладку");
    check->setShortcut(Qt::Key_F9);
    check->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(check, &QAction::triggered, this, [this] { Guard([this] { CheckLayout(); }); });
    box->addWidget(FToolBar);

    FGrid = new TKeyGrid(this, Layout);
    FGrid->setObjectName("Grid");
    FGrid->OnClick = [this] { GridClick(); };
    FGrid->OnSelectCell = [this](int col, int row) { return GridSelectCell(col, row); };
    FGrid->OnKeyDown = [this](int key, Qt::KeyboardModifiers m) { return GridKeyDown(key, m); };
    FGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    box->addWidget(FGrid, 1);

    FPopupMenu1 = new QMenu(this);
    FPopupMenu1->setObjectName("PopupMenu1");
    AddItem(FPopupMenu1, "pmiProps", "Свойства", QKeySequence("Ctrl+K"), nullptr)->setEnabled(false);
    AddItem(FPopupMenu1, "pmiLayoutProp", "Свойства раскладки", {}, nullptr)->setEnabled(false);
    AddItem(FPopupMenu1, "pmiCut", "Вырезать", QKeySequence("Ctrl+X"), [this] { CutKeys(); });
    AddItem(FPopupMenu1, "pmiCopy", "Копировать", QKeySequence("Ctrl+C"), [this] { CopyKeys(); });
    AddItem(FPopupMenu1, "pmiPaste", "Вставить", QKeySequence("Ctrl+V"), [this] { PasteKeys(); });
    AddItem(FPopupMenu1, "pmiDelete", "Удалить", QKeySequence("Ctrl+Del"), [this] { ClearKeys(); });
    AddItem(FPopupMenu1, "pmiFind", "Поиск...", QKeySequence("Ctrl+F"), nullptr)->setEnabled(false);
    AddItem(FPopupMenu1, "pmiReplace", "Замена...", QKeySequence("Ctrl+R"), nullptr)->setEnabled(false);
    AddItem(FPopupMenu1, "pmiGroup", "Сгруппировать", {}, [this] { GroupKeys(); });
    AddItem(FPopupMenu1, "pmiUngroup", "Разгруппировать", {}, [this] { UngroupKeys(); });

    FPopupMenu2 = new QMenu(this);
    FPopupMenu2->setObjectName("PopupMenu2");
    AddItem(FPopupMenu2, "pmiPictureProps", "Свойства", {}, nullptr)->setEnabled(false);
    AddItem(FPopupMenu2, "N4", "Вырезать", QKeySequence("Ctrl+X"), [this] { CutKeys(); });
    AddItem(FPopupMenu2, "N5", "Копировать", QKeySequence("Ctrl+C"), [this] { CopyKeys(); });
    AddItem(FPopupMenu2, "pmiPaste2", "Вставить", QKeySequence("Ctrl+V"), [this] { PasteKeys(); });
    AddItem(FPopupMenu2, "N8", "Удалить", QKeySequence("Ctrl+Del"), [this] { ClearKeys(); });
    AddItem(FPopupMenu2, "pmiGroup2", "Сгруппировать", {}, [this] { GroupKeys(); });
    AddItem(FPopupMenu2, "N14", "Разгруппировать", {}, [this] { UngroupKeys(); });
    // Loading, saving and styling pictures go through the picture window, which comes later.
    AddItem(FPopupMenu2, "pmiLoadPicture", "Загрузить картинку...", {}, nullptr)->setEnabled(false);
    AddItem(FPopupMenu2, "pmiSavePicture", "Сохранить картинку...", {}, nullptr)->setEnabled(false);
    AddItem(FPopupMenu2, "pmiClearPicture", "Очистить картинку", {}, nullptr)->setEnabled(false);
    AddItem(FPopupMenu2, "pmiFont", "Изменить шрифт...", {}, nullptr)->setEnabled(false);
    AddItem(FPopupMenu2, "pmiBgColor", "Изменить фон...", {}, nullptr)->setEnabled(false);

    connect(FGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = ViewMode() == vmPicture ? FPopupMenu2 : FPopupMenu1;
        if (menu == FPopupMenu1)
            PopupMenu1Popup();
        else
            PopupMenu2Popup();
        menu->popup(FGrid->mapToGlobal(at));
    });

    SetGridSize(Layout.ColCount() + 1, Layout.RowCount() + 1);
    UpdateToolbar();
}

TfmDoc::~TfmDoc() {
    FLink.reset();
    if (OnDestroyed)
        OnDestroyed(this);
}

QAction* TfmDoc::AddItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                         const std::function<void()>& handler) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    // The main window's commands carry the same shortcuts; these only label the menu.
    action->setShortcutContext(Qt::WidgetShortcut);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { Guard(handler); });
    return action;
}

void TfmDoc::Guard(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowException(FDialogs, this, e);
    }
}

int TfmDoc::Layer() const {
    return FGrid->Layer();
}
void TfmDoc::SetLayer(int layer) {
    FGrid->SetLayer(layer);
}
int TfmDoc::ViewMode() const {
    return FGrid->ViewMode();
}
void TfmDoc::SetViewMode(int mode) {
    FGrid->SetViewMode(mode);
}

bool TfmDoc::CanPaste() const {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}

bool TfmDoc::CanGroup() const {
    const TGridRect& s = FGrid->Selection();
    return !(s.Left == s.Right && s.Top == s.Bottom);
}

TRect TfmDoc::GridKeyRect() const {
    const TGridRect& s = FGrid->Selection();
    return {s.Left - 1, s.Top - 1, s.Right - 1, s.Bottom - 1};
}

bool TfmDoc::CanUngroup() const {
    return Layout.IntersectsGroup(GridKeyRect());
}

bool TfmDoc::NeedsSave() const {
    return Layout.FileName.empty() || Layout.Modified();
}

void TfmDoc::SelectAll() {
    FGrid->SetSelection({1, 1, FGrid->ColCount() - 1, FGrid->RowCount() - 1});
}

void TfmDoc::SetClipboardLayout() {
    QApplication::clipboard()->setText(FromUtf8(FManager.LayoutToXML(ClipLayout)));
}

void TfmDoc::CopyKeys() {
    Layout.CopyTo(ClipLayout);
    SetClipboardLayout();
}

void TfmDoc::CutKeys() {
    Layout.CutTo(ClipLayout, Layer(), ViewMode());
    SetClipboardLayout();
}

void TfmDoc::PasteKeys() {
    FManager.LayoutFromXML(ClipLayout, QApplication::clipboard()->text().toStdString());
    Layout.Paste(ClipLayout, Layer(), ViewMode());
}

void TfmDoc::ClearKeys() {
    const TGridRect& s = FGrid->Selection();
    Layout.ClearKeys({s.Left, s.Top, s.Right, s.Bottom}, Layer(), ViewMode());
}

void TfmDoc::GroupKeys() {
    if (!Layout.Group(GridKeyRect()))
        FDialogs.Error(this, SError, SGroupIntersection);
}

void TfmDoc::UngroupKeys() {
    Layout.Ungroup(GridKeyRect());
}

void TfmDoc::CheckLayout() {
    FManager.ClearMessages();
    if (Layout.Check())
        FDialogs.Inform(this, SAppTitle, SNoErrors);
    else
        FManager.ShowMessages();
}

void TfmDoc::AssignLayout(const TLayout& source) {
    Layout.Assign(source);
}

bool TfmDoc::GotoMessage(const std::string& line) {
    if (!Layout.GotoMessage(line))
        return false;
    if (QWidget* frame = parentWidget())
        frame->raise();
    FGrid->setFocus();
    return true;
}

void TfmDoc::PrintLayout(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        throw Exception("Не удалось начать печать");
    try {
        DrawPage(painter, printer.resolution(), printer.pageRect(QPrinter::DevicePixel).size());
    } catch (...) {
        painter.end();
        throw;
    }
    painter.end();
}

void TfmDoc::DrawPage(QPainter& painter, double dotsPerInch, const QSizeF& printable) {
    // The layout is drawn in 0.1 mm, with the origin at the printable area's corner.
    const double scale = dotsPerInch / 254.0;
    painter.save();
    painter.scale(scale, scale);
    const TRect area{0, 0, static_cast<int>(printable.width() / scale),
                     static_cast<int>(printable.height() / scale)};
    TQtCanvas canvas(painter, 254.0);
    Layout.Draw(canvas, kPrintCell, area, kPrintGap, kPrintGap, kPrintCell);
    painter.restore();
}

bool TfmDoc::SaveLayout() {
    if (Layout.FileName.empty())
        return SaveLayoutAs();
    FManager.SaveLayout(Layout, FSaveFilterIndex - 1, Layout.FileName);
    return true;
}

bool TfmDoc::SaveLayoutAs(const QString& proposedName) {
    QString fileName = proposedName.isEmpty() ? FromUtf8(FManager.LastFile) : proposedName;
    int index = FSaveFilterIndex;
    if (!FDialogs.SaveFile(this, FromUtf8(FManager.SaveFilter()), FromUtf8(FManager.LastDir), "xml", index,
                           fileName))
        return false;
    FSaveFilterIndex = index;
    FManager.SaveLayout(Layout, index - 1, fileName.toStdString());
    setWindowTitle(fileName);
    return true;
}

void TfmDoc::closeEvent(QCloseEvent* event) {
    if (!Layout.Modified()) {
        event->accept();
        return;
    }
    const TAnswer answer = FDialogs.Ask(this, SAttention, QString(SLayoutModified).arg(windowTitle()), true);
    bool close = answer == TAnswer::No;
    if (answer == TAnswer::Yes) {
        try {
            close = SaveLayout();
        } catch (const std::exception& e) {
            ShowException(FDialogs, this, e);
        }
    }
    if (close)
        event->accept();
    else
        event->ignore();
}

void TfmDoc::SetMinSize(int cols, int rows) {
    const int line = FGrid->GridLineWidth();
    const int toolbar = FToolBar->sizeHint().height();
    const int minWidth = line * (cols + 3) + 50 * cols + 25;
    const int minHeight = line * (rows + 3) + 25 * rows + toolbar + 30;
    QWidget* frame = parentWidget() ? parentWidget() : this;
    const QSize extra = frame == this ? QSize() : frame->size() - size();
    if (width() < minWidth || height() < minHeight)
        frame->resize(std::max(width(), minWidth) + extra.width(),
                      std::max(height(), minHeight) + extra.height());
}

void TfmDoc::SetGridSize(int cols, int rows) {
    FUpdating = true;
    try {
        SetMinSize(cols, rows);
        FGrid->SetColCount(cols);
        FGrid->SetRowCount(rows);
        for (int c = 1; c < cols; ++c)
            FGrid->SetCell(c, 0, QString::number(c));
        for (int r = 1; r < rows; ++r)
            FGrid->SetCell(0, r, QString::number(r));
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
    FitCells();
}

void TfmDoc::FitCells() {
    const int line = FGrid->GridLineWidth();
    const int cols = FGrid->ColCount();
    const int rows = FGrid->RowCount();
    FGrid->SetColWidth(0, 25);
    FGrid->SetRowHeight(0, 25);
    // The grid fills the window below the toolbar; the last column and row take the remainder.
    if (cols > 1) {
        const int w = width() - (line * (cols + 3) + 25);
        const int each = cols > 1 ? w / (cols - 1) : 0;
        for (int c = 1; c < cols - 1; ++c)
            FGrid->SetColWidth(c, each);
        FGrid->SetColWidth(cols - 1, w - each * (cols - 2));
    }
    if (rows >= 2) {
        const int h = height() - (line * (rows + 3) + FToolBar->sizeHint().height() + 25);
        const int each = h / (rows - 1);
        for (int r = 1; r < rows - 1; ++r)
            FGrid->SetRowHeight(r, each);
        FGrid->SetRowHeight(rows - 1, h - each * (rows - 2));
    }
    FGrid->update();
}

void TfmDoc::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!FUpdating)
        FitCells();
}

void TfmDoc::LayoutChanged() {
    const std::uint8_t kind = Layout.LastChange();
    if (kind == lcKeys || kind == lcSelection || kind == lcLayout) {
        const TRect& s = Layout.Selection();
        FGrid->SetSelection({s.Left, s.Top, s.Right, s.Bottom});
        SetGridSize(Layout.ColCount() + 1, Layout.RowCount() + 1);
        FGrid->update();
    }
    UpdateToolbar();
}

void TfmDoc::UpdateToolbar() {
    // The card reader and key lock dialogs come later: until then their buttons stay disabled
    // whatever the keyboard has.
    constexpr bool dialogsPresent = false;
    FTbKeyLock->setEnabled(dialogsPresent && Layout.HasKey);
    FTbMSR->setEnabled(dialogsPresent && Layout.HasReader);
}

void TfmDoc::GridClick() {
    const TGridRect& s = FGrid->Selection();
    Layout.SetSelection({s.Left, s.Top, s.Right, s.Bottom});
}

bool TfmDoc::GridSelectCell(int col, int row) {
    if (Layout.LayerCount() == 0 || !Layout.Layers.Items(0).FindKey(col - 1, row - 1))
        return false;
    GridClick();
    return true;
}

bool TfmDoc::GridKeyDown(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Delete) {
        Guard([this] { ClearKeys(); });
        return true;
    }
    // Enter opens the key window, which comes later.
    return false;
}

void TfmDoc::PopupMenu1Popup() {
    for (QAction* a : FPopupMenu1->actions()) {
        if (a->objectName() == "pmiPaste")
            a->setEnabled(CanPaste());
        else if (a->objectName() == "pmiGroup")
            a->setEnabled(CanGroup());
        else if (a->objectName() == "pmiUngroup")
            a->setEnabled(CanUngroup());
    }
}

void TfmDoc::PopupMenu2Popup() {
    for (QAction* a : FPopupMenu2->actions()) {
        if (a->objectName() == "pmiPaste2")
            a->setEnabled(CanPaste());
        else if (a->objectName() == "pmiGroup2")
            a->setEnabled(CanGroup());
    }
}

} // namespace lay
