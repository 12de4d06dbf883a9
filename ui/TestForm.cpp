#include "ui/TestForm.h"

#include "model/CodeSet.h"
#include "model/ScanCodes.h"
#include "model/Utils.h"
#include "ui/KeyMessage.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QWindow>

#include <functional>

namespace lay {

namespace {

// The text page: Ctrl+Delete empties it, as the menu says, instead of deleting a word.
class TTextPage : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    std::function<void()> OnClear;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier && OnClear) {
            OnClear();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
};

// Empties the page as one step the user can undo.
void ClearPage(QPlainTextEdit& page) {
    QTextCursor cursor(page.document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

QAction* FindItem(const QMenu& menu, const QString& name) {
    for (QAction* action : menu.actions())
        if (action->objectName().endsWith(name))
            return action;
    return nullptr;
}

void UpdateMenu(QMenu& menu, const QPlainTextEdit& page) {
    const bool selected = page.textCursor().hasSelection();
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    const bool clipboardText = clipboard && clipboard->hasText();
    FindItem(menu, "Cut")->setEnabled(selected && !page.isReadOnly());
    FindItem(menu, "Copy")->setEnabled(selected);
    FindItem(menu, "Paste")->setEnabled(clipboardText && !page.isReadOnly());
}

} // namespace

TfmTest::TfmTest(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("fmTest");
    setWindowTitle(SKeyboardTestCaption);

    FPages = new QTabWidget(this);
    FPages->setObjectName("pcPages");
    FCodes = new QPlainTextEdit(FPages);
    FCodes->setObjectName("memCodes");
    FCodes->setReadOnly(true);
    FCodes->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* text = new TTextPage(FPages);
    FText = text;
    FText->setObjectName("memText");
    FText->setTabChangesFocus(false);
    FText->setLineWrapMode(QPlainTextEdit::NoWrap);
    FPages->addTab(FCodes, "Коды клавиш");
    FPages->addTab(FText, "Текст");
    FPages->setCurrentIndex(0);

    FCodesMenu = MakeMenu(FCodes, false);
    FCodesMenu->setObjectName("pmCodes");
    FTextMenu = MakeMenu(FText, true);
    FTextMenu->setObjectName("pmText");
    text->OnClear = [this] { ClearPage(*FText); };

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    FCodes->setFocus();
    resize(480, 360);
}

TfmTest::~TfmTest() {
    RemoveHook();
}

QMenu* TfmTest::MakeMenu(QPlainTextEdit* page, bool withShortcuts) {
    auto* menu = new QMenu(this);
    const QString prefix = page == FCodes ? "miCodes" : "miText";
    auto add = [&](const char* name, const QString& caption, const QKeySequence& shortcut,
                   const std::function<void()>& handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(prefix + name);
        if (withShortcuts) {
            action->setShortcut(shortcut);
            // Shown in the menu; the page itself answers the keys.
            action->setShortcutContext(Qt::WidgetShortcut);
        }
        connect(action, &QAction::triggered, this, handler);
    };
    add("Cut", "Вырезать", QKeySequence("Ctrl+X"), [page] { page->cut(); });
    add("Copy", "Копировать", QKeySequence("Ctrl+C"), [page] { page->copy(); });
    add("Paste", "Вставить", QKeySequence("Ctrl+V"), [page] { page->paste(); });
    add("Clear", "Очистить", QKeySequence("Ctrl+Delete"), [page] { ClearPage(*page); });
    add("SelectAll", "Выделить все", QKeySequence("Ctrl+A"), [page] { page->selectAll(); });
    page->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(page, &QWidget::customContextMenuRequested, this, [this, page, menu](const QPoint& at) {
        UpdateMenus();
        menu->popup(page->viewport()->mapToGlobal(at));
    });
    return menu;
}

void TfmTest::UpdateMenus() {
    UpdateMenu(*FCodesMenu, *FCodes);
    UpdateMenu(*FTextMenu, *FText);
}

bool TfmTest::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        InstallHook();
    else if (event->type() == QEvent::WindowDeactivate)
        RemoveHook();
    return QWidget::event(event);
}

void TfmTest::hideEvent(QHideEvent* event) {
    RemoveHook();
    QWidget::hideEvent(event);
}

void TfmTest::InstallHook() {
    if (FHooked || !qApp)
        return;
    qApp->installEventFilter(this);
    FHooked = true;
}

void TfmTest::RemoveHook() {
    if (!FHooked)
        return;
    if (qApp)
        qApp->removeEventFilter(this);
    FHooked = false;
}

bool TfmTest::eventFilter(QObject* watched, QEvent* event) {
    if (!FHooked || FPages->currentIndex() != 0)
        return QWidget::eventFilter(watched, event);
    // Only keys on their way into this window: its context menu keeps its own.
    const auto* widget = qobject_cast<const QWidget*>(watched);
    const bool ours = (widget && widget->window() == this) || (watched == windowHandle() && windowHandle());
    if (ours && CaptureKey(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool TfmTest::CaptureKey(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    // The override asks before a press whether a shortcut may have it; a held key repeats its
    // press (and on X11 its release). They add no lines, but for a key of the table they are
    // used up like the press itself.
    const bool plain = type != QEvent::ShortcutOverride && !key->isAutoRepeat();
    const QKeyEvent press(QEvent::KeyPress, key->key(), key->modifiers(), key->nativeScanCode(),
                          key->nativeVirtualKey(), key->nativeModifiers(), key->text());
    const std::optional<TKeyMessage> message =
        KeyMessageFromEvent(plain ? *key : press, QGuiApplication::platformName());
    if (!message)
        return false;
    const std::unique_ptr<TScanCode> code = CodeTable().TranslateKeyMessage(*message, tmBoth);
    if (!code)
        return false;
    if (plain)
        FCodes->appendPlainText(QString("%1 (%2)").arg(
            QString::fromStdString(code->Text()), QString::fromStdString(BytesToHexSpaced(code->Code()))));
    event->accept();
    return true;
}

} // namespace lay
