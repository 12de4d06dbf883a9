// The small device windows: device information, keyboard test with its key messages, progress
// of an operation, and the list of supported models.
#include "UiTestSupport.h"

#include "device/Clock.h"
#include "device/DeviceInfo.h"
#include "device/Progress.h"
#include "files/CodeSetFile.h"
#include "files/Keyboards.h"
#include "files/XMLKeyboard.h"
#include "model/CodeSet.h"
#include "ui/DevicesForm.h"
#include "ui/InfoForm.h"
#include "ui/KeyMessage.h"
#include "ui/ProgressForm.h"
#include "ui/TestForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <QtTest>

#include <climits>
#include <optional>

using namespace lay;

namespace {

// xcb's native scan code of a Linux key code.
constexpr quint32 Xcb(quint32 linuxKey) {
    return linuxKey + 8;
}
constexpr quint32 kKeyA = 30, kKeyLeftAlt = 56, kKeyF5 = 63, kKeyRightCtrl = 97;

// Sends a key event with a native scan code, as the platform would deliver it.
bool SendKey(QObject* to, QEvent::Type type, quint32 nativeScanCode, bool autoRepeat = false,
             const QString& text = {}, int key = Qt::Key_unknown) {
    QKeyEvent event(type, key, Qt::NoModifier, nativeScanCode, 0, 0, text, autoRepeat);
    return QApplication::sendEvent(to, &event);
}

void Press(QObject* to, quint32 nativeScanCode, const QString& text = {}) {
    SendKey(to, QEvent::KeyPress, nativeScanCode, false, text);
    SendKey(to, QEvent::KeyRelease, nativeScanCode, false, text);
}

// Counts the key events that reach a widget.
class TKeyCounter : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            ++Count;
        return QObject::eventFilter(watched, event);
    }
};

// The code table shipped with the program, installed for the test's duration.
struct TShippedCodes {
    TShippedCodes() {
        Loaded = TCodeSetFile::Load(Set, std::string(LAYOMATIC_DATA) + "/Клавиши/Клавиши.xml");
        Flat.BuildFlat(Set);
        SetCodeTable(&Flat);
    }
    ~TShippedCodes() { SetCodeTable(nullptr); }
    TCodeSet Set;
    TCodeTable Flat;
    bool Loaded = false;
};

QStringList Lines(const QPlainTextEdit& edit) {
    return edit.toPlainText().isEmpty() ? QStringList() : edit.toPlainText().split('\n');
}

QAction* Item(QMenu* menu, const QString& name) {
    for (QAction* action : menu->actions())
        if (action->objectName() == name)
            return action;
    return nullptr;
}

class TFakeClock : public TClock {
public:
    std::uint32_t Now = 0;
    std::uint32_t TickCount() override { return Now; }
    void Sleep(std::uint32_t milliseconds) override { Now += milliseconds; }
};

} // namespace

class DeviceWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void infoShowsRowsAlarmsAndLayoutState();
    void keyMessagesFromEvents();
    void testWindowWritesKeysOfTheCodesPage();
    void testWindowLeavesOtherKeysAlone();
    void testWindowHookFollowsActivation();
    void testWindowMenus();
    void progressFollowsTheOperation();
    void progressPercentages();
    void progressCancelAsks();
    void devicesListAndDescriptions();
    void devicesOtherCatalogues();
};

void DeviceWindowsTest::infoShowsRowsAlarmsAndLayoutState() {
    TDeviceInfoReport damaged;
    damaged.Rows = {{"Версия программы", "повреждена", false},
                    {"Версия загрузчика", "2.9", false},
                    {"Объем памяти, байт", "65535", false},
                    {"Тип устройства", "0", false}};
    damaged.LayoutValid = false;
    damaged.StateText = SLayoutBroken;
    TDeviceInfoReport shorts;
    shorts.Rows = {{"Версия программы", "2.10", false},
                   {"Количество клавиш", "120", false},
                   {"Замыкания в матрице клавиатуры", "есть", true},
                   {"Количество положений ключа", "4", false}};
    shorts.LayoutValid = true;
    shorts.StateText = SLayoutWorks;

    TfmInfo w;
    QCOMPARE(w.windowTitle(), QString("Информация об устройстве"));
    auto* list = w.findChild<QTreeWidget*>("lvInfo");
    auto* broken = w.findChild<QLabel*>("imgBroken");
    auto* state = w.findChild<QLabel*>("lbState");
    QVERIFY(list && broken && state);
    QVERIFY(list->isHeaderHidden());
    QCOMPARE(list->columnCount(), 2);
    QVERIFY(!w.Images().empty() && !w.Images()[0].isNull());

    // The same window filled again shows only the new report.
    for (const TDeviceInfoReport* report : {&damaged, &shorts, &damaged}) {
        w.Fill(*report);
        QCOMPARE(list->topLevelItemCount(), static_cast<int>(report->Rows.size()));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            const TDeviceInfoRow& row = report->Rows[static_cast<std::size_t>(i)];
            QCOMPARE(item->text(0), QString::fromStdString(row.Caption));
            QCOMPARE(item->text(1), QString::fromStdString(row.Value));
            QCOMPARE(item->icon(0).isNull(), !row.Alarm);
        }
        QCOMPARE(broken->isHidden(), report->LayoutValid);
        QVERIFY(!state->text().contains('\r'));
    }
    QCOMPARE(state->text(),
             QString("Раскладка клавиатуры повреждена\nили предназначается для другой версии прошивки."));
    w.Fill(shorts);
    QCOMPARE(state->text(), QString("Загруженная раскладка работает нормально."));
    QCOMPARE(list->topLevelItem(2)->icon(0).cacheKey(), w.Images()[0].cacheKey());
    w.Fill(TDeviceInfoReport{});
    QCOMPARE(list->topLevelItemCount(), 0);
    QVERIFY(!broken->isHidden());
}

void DeviceWindowsTest::keyMessagesFromEvents() {
    struct TCase {
        const char* Name;
        const char* Platform;
        QEvent::Type Type;
        quint32 Native;
        Qt::KeyboardModifiers Modifiers;
        bool AutoRepeat;
        std::optional<TKeyMessage> Expected;
    };
    const auto down = [](std::uint32_t lParam) { return TKeyMessage{WM_KEYDOWN, lParam}; };
    const auto up = [](std::uint32_t lParam) { return TKeyMessage{WM_KEYUP, lParam}; };
    const auto sysDown = [](std::uint32_t lParam) { return TKeyMessage{WM_SYSKEYDOWN, lParam}; };
    const auto sysUp = [](std::uint32_t lParam) { return TKeyMessage{WM_SYSKEYUP, lParam}; };
    const QEvent::Type P = QEvent::KeyPress, R = QEvent::KeyRelease;
    const Qt::KeyboardModifiers none, alt = Qt::AltModifier, ctrlAlt = Qt::AltModifier | Qt::ControlModifier;
    const std::vector<TCase> cases = {
        {"xcb A", "xcb", P, Xcb(30), none, false, down(0x001E0001)},
        {"xcb A up", "xcb", R, Xcb(30), none, false, up(0xC01E0001)},
        {"xcb Esc", "xcb", P, Xcb(1), none, false, down(0x00010001)},
        {"xcb 102nd", "xcb", P, Xcb(86), none, false, down(0x00560001)},
        {"xcb F12", "xcb", P, Xcb(88), none, false, down(0x00580001)},
        {"xcb keypad Enter", "xcb", P, Xcb(96), none, false, down(0x011C0001)},
        {"xcb right Ctrl up", "xcb", R, Xcb(97), none, false, up(0xC11D0001)},
        {"xcb Print Screen", "xcb", P, Xcb(99), none, false, down(0x01370001)},
        {"xcb Delete", "xcb", P, Xcb(111), none, false, down(0x01530001)},
        {"xcb menu", "xcb", P, Xcb(127), none, false, down(0x015D0001)},
        {"xcb Num Lock", "xcb", P, Xcb(69), none, false, down(0x01450001)},
        {"xcb Pause", "xcb", P, Xcb(119), none, false, down(0x00450001)},
        {"xcb Alt+A", "xcb", P, Xcb(30), alt, false, sysDown(0x001E0001)},
        {"xcb Ctrl+Alt+A", "xcb", P, Xcb(30), ctrlAlt, false, down(0x001E0001)},
        {"xcb left Alt", "xcb", P, Xcb(56), none, false, sysDown(0x00380001)},
        {"xcb left Alt up", "xcb", R, Xcb(56), none, false, sysUp(0xC0380001)},
        {"xcb right Alt", "xcb", P, Xcb(100), none, false, sysDown(0x01380001)},
        {"xcb F10", "xcb", P, Xcb(68), none, false, sysDown(0x00440001)},
        {"xcb repeated A", "xcb", P, Xcb(30), none, true, down(0x401E0001)},
        {"xcb repeated A up", "xcb", R, Xcb(30), none, true, std::nullopt},
        {"xcb no code", "xcb", P, 0, none, false, std::nullopt},
        {"xcb below 8", "xcb", P, 5, none, false, std::nullopt},
        {"xcb KEY_RO", "xcb", P, Xcb(89), none, false, std::nullopt},
        {"xcb KEY_LINEFEED", "xcb", P, Xcb(101), none, false, std::nullopt},
        {"xcb KEY_MUTE", "xcb", P, Xcb(113), none, false, std::nullopt},
        {"wayland Up", "wayland", P, Xcb(103), none, false, down(0x01480001)},
        {"offscreen none", "offscreen", P, 0, none, false, std::nullopt},
        {"offscreen native", "offscreen", P, Xcb(30), none, false, down(0x001E0001)},
        {"windows A", "windows", P, 0x1E, none, false, down(0x001E0001)},
        {"windows A up", "windows", R, 0x1E, none, false, up(0xC01E0001)},
        {"windows keypad Enter", "windows", P, 0x11C, none, false, down(0x011C0001)},
        {"windows right Ctrl up", "windows", R, 0x11D, none, false, up(0xC11D0001)},
        {"windows Alt+F4", "windows", P, 0x3E, alt, false, sysDown(0x003E0001)},
        {"windows right Alt", "windows", P, 0x138, none, false, sysDown(0x01380001)},
        {"windows repeated A", "windows", P, 0x1E, none, true, down(0x401E0001)},
        {"windows no code", "windows", P, 0, none, false, std::nullopt},
        {"windows extended flag only", "windows", P, 0x100, none, false, std::nullopt},
    };
    for (const TCase& c : cases) {
        const QKeyEvent event(c.Type, Qt::Key_unknown, c.Modifiers, c.Native, 0, 0, QString(), c.AutoRepeat);
        const std::optional<TKeyMessage> message = KeyMessageFromEvent(event, c.Platform);
        QVERIFY2(message.has_value() == c.Expected.has_value(), c.Name);
        if (!message)
            continue;
        QVERIFY2(message->Msg == c.Expected->Msg, c.Name);
        QVERIFY2(message->LParam == c.Expected->LParam,
                 qPrintable(QString("%1: %2").arg(c.Name).arg(message->LParam, 8, 16, QChar('0'))));
    }
    // Only presses and releases are keys.
    const QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_A, Qt::NoModifier, Xcb(30), 0, 0);
    QVERIFY(!KeyMessageFromEvent(shortcut, "xcb"));

    // The table names what the messages stand for; a repeated press is no new press.
    TShippedCodes codes;
    QVERIFY(codes.Loaded);
    const auto name = [](quint32 native, QEvent::Type type, bool autoRepeat) {
        const QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, native, 0, 0, QString(), autoRepeat);
        const std::optional<TKeyMessage> message = KeyMessageFromEvent(event, "xcb");
        const std::unique_ptr<TScanCode> code =
            message ? CodeTable().TranslateKeyMessage(*message, tmBoth) : nullptr;
        return code ? code->Text() : std::string();
    };
    QCOMPARE(name(Xcb(30), P, false), std::string("+A"));
    QCOMPARE(name(Xcb(30), R, false), std::string("-A"));
    QCOMPARE(name(Xcb(30), P, true), std::string());
    QCOMPARE(name(Xcb(96), P, false), std::string("+<Enter>"));
    QCOMPARE(name(Xcb(28), P, false), std::string("+ENTER"));
    QCOMPARE(name(Xcb(69), P, false), std::string("+NumLock"));
    QCOMPARE(name(Xcb(119), R, false), std::string("-Pause/Break"));
}

void DeviceWindowsTest::testWindowWritesKeysOfTheCodesPage() {
    TShippedCodes codes;
    QVERIFY(codes.Loaded);
    TfmTest w;
    QCOMPARE(w.windowTitle(), QString("Тест клавиатуры"));
    auto* pages = w.findChild<QTabWidget*>();
    auto* memCodes = w.findChild<QPlainTextEdit*>("memCodes");
    auto* memText = w.findChild<QPlainTextEdit*>("memText");
    QVERIFY(pages && memCodes && memText);
    QCOMPARE(pages->tabText(0), QString("Коды клавиш"));
    QCOMPARE(pages->tabText(1), QString("Текст"));
    QCOMPARE(pages->currentIndex(), 0);
    QVERIFY(memCodes->isReadOnly());
    QVERIFY(!memText->isReadOnly() && !memText->tabChangesFocus());
    QCOMPARE(memText->lineWrapMode(), QPlainTextEdit::NoWrap);

    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(w.Hooked());
    memCodes->setFocus();
    TKeyCounter reached;
    memCodes->installEventFilter(&reached);

    // One press and one release, sent to the widget or to its platform window: two lines, and
    // the keys go no further.
    Press(memCodes, Xcb(kKeyA), "a");
    QCOMPARE(Lines(*memCodes), (QStringList{"+A (1C )", "-A (F0 1C )"}));
    Press(w.windowHandle(), Xcb(kKeyRightCtrl));
    QCOMPARE(Lines(*memCodes).mid(2), (QStringList{"+RCtrl (E0 14 )", "-RCtrl (E0 F0 14 )"}));
    QCOMPARE(reached.Count, 0);

    // A held key repeats presses, and on X11 releases, that add nothing and go no further.
    SendKey(memCodes, QEvent::KeyPress, Xcb(kKeyLeftAlt));
    for (int i = 0; i < 3; ++i) {
        SendKey(memCodes, QEvent::KeyRelease, Xcb(kKeyLeftAlt), true);
        SendKey(memCodes, QEvent::KeyPress, Xcb(kKeyLeftAlt), true);
    }
    SendKey(memCodes, QEvent::KeyRelease, Xcb(kKeyLeftAlt));
    QCOMPARE(Lines(*memCodes).mid(4), (QStringList{"+LAlt (11 )", "-LAlt (F0 11 )"}));
    QCOMPARE(reached.Count, 0);

    // A key of the table is not a shortcut here; on the text page it may be one.
    QKeyEvent codesOverride(QEvent::ShortcutOverride, Qt::Key_F5, Qt::NoModifier, Xcb(kKeyF5), 0, 0);
    codesOverride.ignore();
    QApplication::sendEvent(w.windowHandle(), &codesOverride);
    QVERIFY(codesOverride.isAccepted());
    QCOMPARE(Lines(*memCodes).size(), 6);

    // The text page takes the keys as any text would.
    pages->setCurrentIndex(1);
    memText->setFocus();
    QKeyEvent textOverride(QEvent::ShortcutOverride, Qt::Key_F5, Qt::NoModifier, Xcb(kKeyF5), 0, 0);
    textOverride.ignore();
    QApplication::sendEvent(w.windowHandle(), &textOverride);
    QVERIFY(!textOverride.isAccepted());
    SendKey(w.windowHandle(), QEvent::KeyPress, Xcb(kKeyA), false, "a", Qt::Key_A);
    SendKey(memText, QEvent::KeyPress, Xcb(kKeyA), false, "a", Qt::Key_A);
    QCOMPARE(memText->toPlainText(), QString("aa"));
    QCOMPARE(Lines(*memCodes).size(), 6);

    // Back on the codes page the lines go on.
    pages->setCurrentIndex(0);
    Press(memCodes, Xcb(kKeyA));
    QCOMPARE(Lines(*memCodes).size(), 8);
}

void DeviceWindowsTest::testWindowLeavesOtherKeysAlone() {
    TShippedCodes codes;
    QVERIFY(codes.Loaded);
    TfmTest w;
    QMenu* menu = w.CodesMenu();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* memCodes = w.findChild<QPlainTextEdit*>("memCodes");
    memCodes->setFocus();
    TKeyCounter reached;
    memCodes->installEventFilter(&reached);

    // Keys the table cannot name: no native code, or a code it lacks.
    Press(memCodes, 0, "a");
    Press(memCodes, Xcb(89));
    QCOMPARE(reached.Count, 4);
    // Keys on their way to the open context menu stay the menu's.
    TKeyCounter menuKeys;
    menu->installEventFilter(&menuKeys);
    Press(menu, Xcb(kKeyA));
    QCOMPARE(menuKeys.Count, 2);
    QVERIFY(Lines(*memCodes).isEmpty());
}

void DeviceWindowsTest::testWindowHookFollowsActivation() {
    TShippedCodes codes;
    QVERIFY(codes.Loaded);
    QWidget other;
    auto* edit = new QLineEdit(&other);
    auto w = std::make_unique<TfmTest>();
    QVERIFY(!w->Hooked());
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QVERIFY(w->Hooked());

    // Another window active: the keys are its own.
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!w->Hooked());
    SendKey(edit, QEvent::KeyPress, Xcb(kKeyA), false, "a", Qt::Key_A);
    QCOMPARE(edit->text(), QString("a"));
    QVERIFY(Lines(*w->Codes()).isEmpty());

    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QVERIFY(w->Hooked());
    // Closing hides the window and unhooks it; the window stays.
    QPointer<TfmTest> alive(w.get());
    QVERIFY(w->close());
    QCoreApplication::processEvents();
    QVERIFY(alive && w->isHidden());
    QVERIFY(!w->Hooked());
    SendKey(edit, QEvent::KeyPress, Xcb(kKeyA), false, "a", Qt::Key_A);
    QCOMPARE(edit->text(), QString("aa"));

    // Freed while hooked: the application's keys go on as before.
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QVERIFY(w->Hooked());
    w.reset();
    SendKey(edit, QEvent::KeyPress, Xcb(kKeyA), false, "a", Qt::Key_A);
    QCOMPARE(edit->text(), QString("aaa"));
}

void DeviceWindowsTest::testWindowMenus() {
    TfmTest w;
    const QStringList captions{"Вырезать", "Копировать", "Вставить", "Очистить", "Выделить все"};
    const QList<QKeySequence> shortcuts{QKeySequence("Ctrl+X"), QKeySequence("Ctrl+C"),
                                        QKeySequence("Ctrl+V"), QKeySequence("Ctrl+Delete"),
                                        QKeySequence("Ctrl+A")};
    for (QMenu* menu : {w.CodesMenu(), w.TextMenu()}) {
        QStringList texts;
        for (QAction* action : menu->actions()) {
            texts << action->text();
            QCOMPARE(action->shortcut(), menu == w.TextMenu() ? shortcuts[texts.size() - 1] : QKeySequence());
        }
        QCOMPARE(texts, captions);
    }
    QPlainTextEdit* text = w.Text();
    QPlainTextEdit* codes = w.Codes();
    codes->setPlainText("+A (1C )");
    const auto enabled = [](QMenu* menu) {
        QString states;
        for (const char* name : {"Cut", "Copy", "Paste"})
            states +=
                Item(menu, QString(menu->objectName() == "pmText" ? "miText" : "miCodes") + name)->isEnabled()
                    ? '1'
                    : '0';
        return states;
    };

    struct TCase {
        const char* Name;
        QString Clipboard;
        bool Selected;
        const char* Text;  // cut, copy, paste on the text page
        const char* Codes; // and on the read-only codes page
    };
    for (const TCase& c : std::vector<TCase>{{"nothing", "", false, "000", "000"},
                                             {"clipboard", "вставка", false, "001", "000"},
                                             {"selection", "", true, "110", "010"},
                                             {"both", "вставка", true, "111", "010"}}) {
        if (c.Clipboard.isEmpty())
            QGuiApplication::clipboard()->clear();
        else
            QGuiApplication::clipboard()->setText(c.Clipboard);
        text->setPlainText("первая строка");
        if (c.Selected) {
            text->selectAll();
            codes->selectAll();
        } else {
            text->moveCursor(QTextCursor::End);
            codes->moveCursor(QTextCursor::End);
        }
        w.UpdateMenus();
        QVERIFY2(enabled(w.TextMenu()) == c.Text, c.Name);
        QVERIFY2(enabled(w.CodesMenu()) == c.Codes, c.Name);
    }

    // Opening the menu updates it first.
    QGuiApplication::clipboard()->clear();
    text->moveCursor(QTextCursor::End);
    w.UpdateMenus();
    text->selectAll();
    emit text->customContextMenuRequested(QPoint(2, 2));
    QVERIFY(w.TextMenu()->isVisible());
    QCOMPARE(enabled(w.TextMenu()), QString("110"));
    w.TextMenu()->close();

    // The items act on their own page; each opening of the menu updates it.
    Item(w.TextMenu(), "miTextCut")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("первая строка"));
    QVERIFY(text->toPlainText().isEmpty());
    w.UpdateMenus();
    Item(w.TextMenu(), "miTextPaste")->trigger();
    Item(w.TextMenu(), "miTextPaste")->trigger();
    QCOMPARE(text->toPlainText(), QString("первая строкапервая строка"));
    Item(w.CodesMenu(), "miCodesSelectAll")->trigger();
    w.UpdateMenus();
    Item(w.CodesMenu(), "miCodesCopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("+A (1C )"));
    Item(w.CodesMenu(), "miCodesClear")->trigger();
    QVERIFY(codes->toPlainText().isEmpty());
    QCOMPARE(text->toPlainText(), QString("первая строкапервая строка"));

    // Ctrl+Delete empties the text page, and can be undone.
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.Pages()->setCurrentIndex(1);
    text->setFocus();
    QTest::keyClick(text, Qt::Key_Delete, Qt::ControlModifier);
    QVERIFY(text->toPlainText().isEmpty());
    text->undo();
    QCOMPARE(text->toPlainText(), QString("первая строкапервая строка"));
}

void DeviceWindowsTest::progressFollowsTheOperation() {
    TScriptedDialogs dialogs;
    TfmProgress w(dialogs);
    TFakeClock clock;
    TProgress progress;
    progress.SetClock(clock);
    progress.OnProgress = [&w](TProgress& p) { w.Update(p); };
    auto* percent = w.findChild<QLabel*>("lbPercent");
    auto* elapsed = w.findChild<QLabel*>("lbElapsed");
    auto* bar = w.findChild<QProgressBar*>("pbProgress");
    QVERIFY(percent && elapsed && bar && w.findChild<QPushButton*>("btnCancel"));
    QStringList captions;
    for (QLabel* label : w.findChildren<QLabel*>())
        captions << label->text();
    QVERIFY(captions.contains("Выполнено:") && captions.contains("Прошло времени, с:"));

    // Twice: the window serves one operation after another.
    for (const char* caption : {"Запись раскладки", "Чтение раскладки"}) {
        clock.Now = 5000;
        progress.Start(200, caption);
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QString(caption));
        QVERIFY(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(bar->maximum(), 200);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(elapsed->text(), QString("0"));
        clock.Now += 2400;
        progress.Step(85);
        QCOMPARE(percent->text(), QString("42 %"));
        QCOMPARE(bar->value(), 85);
        QCOMPARE(elapsed->text(), QString("2"));
        clock.Now += 10000;
        progress.Step(200);
        QCOMPARE(percent->text(), QString("100 %"));
        QCOMPARE(elapsed->text(), QString("12"));
        QVERIFY(w.isVisible());
        progress.Finish();
        QVERIFY(!w.isVisible());
        QCOMPARE(elapsed->text(), QString("12"));
    }
    QVERIFY(dialogs.Boxes.empty());
}

void DeviceWindowsTest::progressPercentages() {
    struct TCase {
        int Max;
        int Position;
        const char* Percent;
        int BarValue;
    };
    // Truncated, never below 0 nor above 100, and no division by a zero maximum.
    const std::vector<TCase> cases = {
        {3, 1, "33 %", 1},
        {3, 2, "66 %", 2},
        {1000, 999, "99 %", 999},
        {INT_MAX, INT_MAX - 1, "99 %", INT_MAX - 1},
        {INT_MAX, INT_MAX, "100 %", INT_MAX},
        {10, 15, "100 %", 10},
        {10, -3, "0 %", 0},
        {0, 0, "0 %", 0},
        {0, 7, "0 %", 0},
        {-5, 2, "0 %", 0},
    };
    TScriptedDialogs dialogs;
    TfmProgress w(dialogs);
    TProgress progress;
    progress.OnProgress = [&w](TProgress& p) { w.Update(p); };
    for (const TCase& c : cases) {
        progress.Start(c.Max, "x");
        progress.Step(c.Position);
        const QString name = QString("%1 of %2").arg(c.Position).arg(c.Max);
        QVERIFY2(w.PercentLabel()->text() == c.Percent, qPrintable(name + ": " + w.PercentLabel()->text()));
        QVERIFY2(w.Bar()->value() == c.BarValue, qPrintable(name));
        progress.Finish();
    }
}

void DeviceWindowsTest::progressCancelAsks() {
    TScriptedDialogs dialogs;
    TfmProgress w(dialogs);
    TProgress progress;
    progress.OnProgress = [&w](TProgress& p) { w.Update(p); };
    progress.Start(10, "Запись");
    progress.Step(3);

    // The button, Escape and the window's close box all ask; only Yes cancels, and the window
    // stays until the operation ends.
    dialogs.Answers = {TAnswer::No, TAnswer::No, TAnswer::No};
    QTest::mouseClick(w.CancelButton(), Qt::LeftButton);
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.close());
    QCOMPARE(dialogs.Boxes.size(), std::size_t(3));
    for (const TScriptedDialogs::TBox& box : dialogs.Boxes) {
        QCOMPARE(box.Kind, QString("ask"));
        QCOMPARE(box.Title, QString("Layomatic"));
        QCOMPARE(box.Text, QString("Прервать операцию ?"));
    }
    QVERIFY(!progress.Cancelled);
    QVERIFY(w.isVisible());

    dialogs.Answers = {TAnswer::Yes};
    QTest::mouseClick(w.CancelButton(), Qt::LeftButton);
    QVERIFY(progress.Cancelled);
    QVERIFY(w.isVisible());
    progress.Step(4);
    progress.Finish();
    QVERIFY(!w.isVisible());
    QCOMPARE(dialogs.Boxes.size(), std::size_t(4));

    // A new operation starts uncancelled; once finished nothing is asked.
    progress.Start(10, "Чтение");
    QVERIFY(!progress.Cancelled);
    progress.Finish();
    w.reject();
    QCOMPARE(dialogs.Boxes.size(), std::size_t(4));
    QVERIFY(dialogs.Answers.empty());
}

void DeviceWindowsTest::devicesListAndDescriptions() {
    TKeyboards catalogue;
    TXMLKeyboard reader;
    reader.LoadFromFolder(std::string(LAYOMATIC_DATA) + "/Клавиатуры", catalogue);
    QVERIFY(catalogue.Count() > 1);
    const TKeyboard& sekstant = catalogue.ItemByID(3);

    TfmDevices w(catalogue, sekstant.ID);
    QCOMPARE(w.windowTitle(), QString("Поддерживаемые устройства"));
    auto* list = w.findChild<QListWidget*>("lbDevices");
    auto* description = w.findChild<QPlainTextEdit*>("memDescription");
    auto* close = w.findChild<QPushButton*>("btnClose");
    QVERIFY(list && description && close);
    QVERIFY(description->isReadOnly());
    QCOMPARE(close->text(), QString("Закрыть"));
    QVERIFY(close->isEnabled());
    QCOMPARE(list->count(), catalogue.Count());
    for (int i = 0; i < list->count(); ++i) {
        QCOMPARE(list->item(i)->text(), QString::fromStdString(catalogue[i].Name));
        QCOMPARE(list->item(i)->data(Qt::UserRole).toInt(), catalogue[i].ID);
    }
    QCOMPARE(list->selectedItems().size(), 1);
    QCOMPARE(list->currentItem()->data(Qt::UserRole).toInt(), 3);
    QCOMPARE(description->toPlainText(), QString("[Общие]\n"
                                                 "  Интерфейс: PS/2, проходной разъём\n"
                                                 "  Цвет корпуса: белый\n"
                                                 "[Устройство]\n"
                                                 "  Клавиши: 84, из них 14 двойной ширины\n"
                                                 "  [Считыватель]\n"
                                                 "    Скорость: до 1,5 м/с\n"
                                                 "    [Дорожки]\n"
                                                 "      Дорожка 1: IATA, 210 bpi\n"
                                                 "      Дорожка 2: ABA, 75 bpi"));

    // Choosing another model shows its description.
    const int other = list->currentRow() == 0 ? 1 : 0;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(other)).center());
    QCOMPARE(list->currentRow(), other);
    QStringList expected;
    for (const std::string& line : ParamsGroupsLines(catalogue[other].ParamsGroups))
        expected << QString::fromStdString(line);
    QCOMPARE(description->toPlainText(), expected.join('\n'));

    // The close button ends the dialog with acceptance.
    QTimer::singleShot(0, close, &QPushButton::click);
    QCOMPARE(w.exec(), int(QDialog::Accepted));
}

void DeviceWindowsTest::devicesOtherCatalogues() {
    // Nothing to list: nothing filled, and the close button disabled.
    TKeyboards empty;
    {
        TfmDevices w(empty, 3);
        QCOMPARE(w.List()->count(), 0);
        QVERIFY(w.Description()->toPlainText().isEmpty());
        QVERIFY(!w.CloseButton()->isEnabled());
    }

    TKeyboards catalogue;
    TKeyboard& first = catalogue.Add();
    first.ID = 7;
    first.Name = "Первая";
    TParamsGroup& group = first.ParamsGroups.Add();
    group.Name = "Группа";
    TKeyboardParam& param = group.Params.Add();
    param.Name = "Имя";
    param.Value = "значение";
    TKeyboard& bare = catalogue.Add();
    bare.ID = 9;
    bare.Name = "Без описания";
    // Same identifier as the first: the row, not the identifier, picks the description.
    TKeyboard& twin = catalogue.Add();
    twin.ID = 7;
    twin.Name = "Двойник";
    twin.ParamsGroups.Add().Name = "Своя";

    {
        TfmDevices w(catalogue, 42);
        QCOMPARE(w.List()->count(), 3);
        QVERIFY(w.List()->selectedItems().isEmpty());
        QVERIFY(w.Description()->toPlainText().isEmpty());
        QVERIFY(w.CloseButton()->isEnabled());
    }
    TfmDevices w(catalogue, 7);
    QCOMPARE(w.List()->currentRow(), 0);
    QCOMPARE(w.Description()->toPlainText(), QString("[Группа]\n  Имя: значение"));
    w.List()->setCurrentRow(2);
    QCOMPARE(w.Description()->toPlainText(), QString("[Своя]"));
    w.List()->setCurrentRow(1);
    QVERIFY(w.Description()->toPlainText().isEmpty());
}

QTEST_MAIN(DeviceWindowsTest)
#include "DeviceWindowsTest.moc"
