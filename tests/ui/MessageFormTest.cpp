// The message window: its lines, choosing one, saving them, and its place at the bottom.
#include "UiTestSupport.h"

#include "model/Text.h"
#include "ui/MainForm.h"
#include "ui/MessageForm.h"

#include <QAction>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QtTest>

using namespace lay;

namespace {

QAction* MenuItem(TfmMessageWindow& w, const char* name) {
    for (QAction* a : w.Menu()->actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

} // namespace

class MessageFormTest : public QObject {
    Q_OBJECT
private slots:
    void choosingALine();
    void contextMenu();
    void savesLinesInTheFilesCodePage();
    void dockedHeightFirstAndAfter();
};

void MessageFormTest::choosingALine() {
    TTestEditor e;
    TfmMessageWindow& w = e.Main->MessageWindow();
    std::vector<std::pair<std::string, int>> chosen;
    w.OnMessageClick = [&](const std::string& text, int tag) { chosen.emplace_back(text, tag); };
    w.GotoMessage(); // empty list: nothing
    QVERIFY(chosen.empty());
    w.AddMessage("первая", 7);
    w.AddMessage("вторая", 9);
    w.List()->setCurrentRow(1);
    w.GotoMessage();
    QCOMPARE(chosen.size(), std::size_t(1));
    QCOMPARE(chosen[0], std::make_pair(std::string("вторая"), 9));
    // Enter, Ctrl+V and a double click choose it too.
    w.ShowDockable();
    w.List()->setFocus();
    QTest::keyClick(w.List(), Qt::Key_Return);
    QCOMPARE(chosen.size(), std::size_t(2));
    QTest::keyClick(w.List(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(chosen.size(), std::size_t(3));
    const QPoint first = w.List()->visualItemRect(w.List()->item(0)).center();
    QTest::mouseClick(w.List()->viewport(), Qt::LeftButton, {}, first);
    QTest::mouseDClick(w.List()->viewport(), Qt::LeftButton, {}, first);
    QCOMPARE(chosen.size(), std::size_t(4));
    QCOMPARE(chosen[3].second, 7);
    // Without a handler choosing does nothing.
    w.OnMessageClick = nullptr;
    w.GotoMessage();
    QCOMPARE(chosen.size(), std::size_t(4));
}

void MessageFormTest::contextMenu() {
    TTestEditor e;
    TfmMessageWindow& w = e.Main->MessageWindow();
    QStringList captions;
    for (QAction* a : w.Menu()->actions())
        captions << a->text();
    QCOMPARE(captions, (QStringList{"Перейти к клавише", "Очистить", "Сохранить..."}));
    QCOMPARE(MenuItem(w, "miGoto")->shortcut(), QKeySequence("Ctrl+V"));
    QCOMPARE(w.windowTitle(), QString("Сообщения"));
    w.AddMessage("строка", 1);
    MenuItem(w, "miClear")->trigger();
    QCOMPARE(w.Count(), 0);
}

void MessageFormTest::savesLinesInTheFilesCodePage() {
    TTestEditor e;
    TfmMessageWindow& w = e.Main->MessageWindow();
    w.AddMessage("[Ошибка(1)] Слой 1. Клавиша (1,1).", 1);
    w.AddMessage("вторая", 1);
    const QString file = e.Path("messages.txt");
    e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{file, 1});
    MenuItem(w, "miSave")->trigger();
    QCOMPARE(e.Dialogs.LastFilter, QString("Текстовый файл (*.txt)|*.txt"));
    QCOMPARE(e.Dialogs.LastProposedName, QString("Сообщение"));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(bytes.toStdString(), Utf8ToCp1251("[Ошибка(1)] Слой 1. Клавиша (1,1).\r\nвторая\r\n"));
    // A cancelled dialog writes nothing.
    e.Dialogs.Files.push_back(std::nullopt);
    QFile::remove(file);
    MenuItem(w, "miSave")->trigger();
    QVERIFY(!QFile::exists(file));
}

void MessageFormTest::dockedHeightFirstAndAfter() {
    TTestEditor e;
    TfmMessageWindow& w = e.Main->MessageWindow();
    QVERIFY(!w.isVisible());
    const int client = e.Main->MdiArea().height();
    e.Main->Action("miErrorWnd")->trigger();
    ProcessEvents();
    QVERIFY(w.isVisible());
    QVERIFY(w.Docked());
    QVERIFY2(std::abs(w.height() - client / 5) <= 4,
             qPrintable(QString("%1 vs %2").arg(w.height()).arg(client / 5)));

    e.Main->resizeDocks({&w}, {200}, Qt::Vertical);
    ProcessEvents();
    const int chosen = w.height();
    e.Main->Action("miErrorWnd")->trigger(); // hides
    ProcessEvents();
    QVERIFY(!w.isVisible());
    e.Main->Action("miErrorWnd")->trigger();
    ProcessEvents();
    QCOMPARE(w.height(), chosen);
    // The main window's own context menu shows it as well.
    w.HideDockable();
    e.Main->Action("miMessages")->trigger();
    QVERIFY(w.isVisible());
}

QTEST_MAIN(MessageFormTest)
#include "MessageFormTest.moc"
