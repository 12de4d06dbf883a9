#include "ui/MessageForm.h"

#include "files/FileUtils.h"
#include "model/Text.h"
#include "ui/DocForm.h"
#include "ui/UserDialogs.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>

namespace lay {

namespace {

// Enter in the list chooses the line, as a double click does.
class TMessageList : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void()> OnEnter;

protected:
    // Ctrl+V chooses the line here; the main window's paste must not take it.
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_V && key->modifiers() == Qt::ControlModifier) {
                event->accept();
                return true;
            }
        }
        return QListWidget::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        const bool paste = event->key() == Qt::Key_V && event->modifiers() == Qt::ControlModifier;
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || paste) && OnEnter) {
            OnEnter();
            return;
        }
        QListWidget::keyPressEvent(event);
    }
};

} // namespace

TfmMessageWindow::TfmMessageWindow(TUserDialogs& dialogs, QWidget* parent)
    : QDockWidget(SMessagesCaption, parent), FDialogs(dialogs) {
    setObjectName("fmMessageWindow");
    setAllowedAreas(Qt::BottomDockWidgetArea);
    auto* list = new TMessageList(this);
    list->setObjectName("lbMessages");
    list->OnEnter = [this] { GotoMessage(); };
    FList = list;
    setWidget(FList);
    connect(FList, &QListWidget::itemDoubleClicked, this, [this] { GotoMessage(); });

    FMenu = new QMenu(this);
    QAction* go = FMenu->addAction("Перейти к клавише");
    go->setObjectName("miGoto");
    go->setShortcut(QKeySequence("Ctrl+V"));
    // Shown in the menu; the list itself answers the keys.
    go->setShortcutContext(Qt::WidgetShortcut);
    connect(go, &QAction::triggered, this, [this] { GotoMessage(); });
    QAction* clear = FMenu->addAction("Очистить");
    clear->setObjectName("miClear");
    connect(clear, &QAction::triggered, this, [this] { ClearMessages(); });
    QAction* save = FMenu->addAction("Сохранить...");
    save->setObjectName("miSave");
    connect(save, &QAction::triggered, this, [this] {
        try {
            SaveMessages();
        } catch (const std::exception& e) {
            ShowException(FDialogs, this, e);
        }
    });
    FList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { FMenu->popup(FList->mapToGlobal(at)); });
}

void TfmMessageWindow::AddMessage(const std::string& text, int tag) {
    auto* item =
        new QListWidgetItem(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), FList);
    item->setData(Qt::UserRole, tag);
}

void TfmMessageWindow::ClearMessages() {
    FList->clear();
}

int TfmMessageWindow::Count() const {
    return FList->count();
}

QString TfmMessageWindow::Text(int index) const {
    return FList->item(index)->text();
}

void TfmMessageWindow::GotoMessage() {
    QListWidgetItem* item = FList->currentItem();
    if (!item || !OnMessageClick)
        return;
    OnMessageClick(item->text().toStdString(), item->data(Qt::UserRole).toInt());
}

void TfmMessageWindow::SaveMessages() {
    QString fileName = "Сообщение";
    int index = 1;
    if (!FDialogs.SaveFile(this, "Текстовый файл (*.txt)|*.txt", QString(), "TXT", index, fileName))
        return;
    // Text files on disk are Windows-1251, one line per entry.
    std::string text;
    for (int i = 0; i < FList->count(); ++i)
        text += Utf8ToCp1251(FList->item(i)->text().toStdString()) + "\r\n";
    WriteFileAtomically(fileName.toStdString(), text);
}

bool TfmMessageWindow::Docked() const {
    return !isFloating() && isVisible();
}

void TfmMessageWindow::ShowDockable() {
    auto* main = qobject_cast<QMainWindow*>(parentWidget());
    if (isFloating() || !main) {
        show();
        return;
    }
    // The first time, a fifth of the main window's client area; after that the last height.
    int client = main->centralWidget() ? main->centralWidget()->height() : main->height();
    if (isVisible())
        client += height();
    const int target = DockHeight < 2 ? client / 5 : DockHeight;
    show();
    main->resizeDocks({this}, {target}, Qt::Vertical);
    DockHeight = target;
}

void TfmMessageWindow::HideDockable() {
    hide();
}

void TfmMessageWindow::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    if (!isFloating() && isVisible() && height() >= 2)
        DockHeight = height();
}

} // namespace lay
