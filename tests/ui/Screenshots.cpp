// Builds the editor's typical scenes and saves them as pictures for the documentation:
// tools/screenshots.sh runs it under a virtual X server.
#include "UiTestSupport.h"

#include "model/Layout.h"
#include "ui/DocForm.h"
#include "ui/KeyGrid.h"
#include "ui/MainForm.h"
#include "ui/MessageForm.h"
#include "ui/TestForm.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

using namespace lay;

namespace {

void Press(TLayout& layout, int layer, int col, int row, const char* press, const char* release = "") {
    TKey& key = layout.Layers.Items(layer).KeyAt(col, row);
    key.PressCodes.SetText(press);
    key.ReleaseCodes.SetText(release);
}

// A till's layout: digits, payment keys, layer switches and a double-width key.
void FillTill(TLayout& layout) {
    const char* digits[] = {"+7 -7", "+8 -8", "+9 -9", "+4 -4", "+5 -5", "+6 -6", "+1 -1", "+2 -2", "+3 -3"};
    for (int i = 0; i < 9; ++i) {
        Press(layout, 0, 6 + i % 3, 1 + i / 3, digits[i]);
        Press(layout, 1, 6 + i % 3, 1 + i / 3, "+LAlt +<0> -<0> -LAlt");
    }
    Press(layout, 0, 0, 0, "+F1 -F1");
    Press(layout, 0, 1, 0, "+F2 -F2", "+ESC -ESC");
    Press(layout, 0, 2, 0, "+LCtrl +P -P -LCtrl");
    Press(layout, 1, 0, 0, "+F11 -F11");
    Press(layout, 1, 1, 0, "+F12 -F12");
    Press(layout, 0, 0, 1, "+LShift +T -T -LShift");
    Press(layout, 0, 6, 4, "+0 -0");
    Press(layout, 0, 7, 4, "+. -.");
    Press(layout, 0, 9, 3, "+ENTER -ENTER");
    Press(layout, 1, 9, 3, "+<Enter> -<Enter>");
    layout.Layers.Items(0).KeyAt(0, 5).SetKeyType(ktLayerUp);
    layout.Layers.Items(1).KeyAt(0, 5).SetKeyType(ktLayerDown);
    layout.Layers.Items(0).KeyAt(1, 5).SetKeyType(ktLayer2);
    layout.Layers.Items(1).KeyAt(1, 5).SetKeyType(ktLayer1);
    layout.Layers.Items(0).KeyAt(2, 5).SetKeyType(ktTempLayer2);
    layout.Group({9, 3, 9, 4});
    layout.Group({6, 4, 7, 4});
}

TGraphic Picture(const QColor& from, const QColor& to, const char* format) {
    QImage image(48, 32, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 48, 32);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    p.fillRect(image.rect(), gradient);
    p.setPen(QPen(Qt::white, 3));
    p.drawEllipse(QRect(12, 4, 24, 24));
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return TGraphic::FromFile(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())));
}

void FillPictures(TLayout& layout) {
    const char* captions[] = {"Итог", "Наличные", "Карта", "Отмена", "Скидка", "Возврат", "Сторно", "Чек"};
    const TColor colours[] = {0xB0FFFF, 0xFFE0C0, 0xC0FFC0, 0xC0C0FF, 0xFFC0FF, 0xE0E0E0, 0xA0E0FF, 0xFFFFFF};
    for (int i = 0; i < 8; ++i) {
        TKeyPicture& p = layout.Layers.Items(0).KeyAt(i % 4, i / 4).Picture;
        p.SetBackgroundColor(colours[i]);
        p.SetText(captions[i]);
    }
    TPicture jpeg;
    jpeg.Graphic = Picture(QColor(0, 90, 200), QColor(0, 200, 120), "JPG");
    layout.Layers.Items(0).KeyAt(5, 0).Picture.SetPicture(jpeg);
    TPicture bmp;
    bmp.Graphic = Picture(QColor(220, 60, 0), QColor(250, 200, 0), "BMP");
    layout.Layers.Items(0).KeyAt(6, 0).Picture.SetPicture(bmp);
    TPicture metafile;
    metafile.Graphic = TGraphic{gcMetafile, TBytes(64, 0), false};
    layout.Layers.Items(0).KeyAt(7, 0).Picture.SetPicture(metafile);
    TKeyPicture& vertical = layout.Layers.Items(0).KeyAt(9, 1).Picture;
    vertical.SetText("ВВОД");
    vertical.SetTextOrientation(1);
    vertical.SetBackgroundColor(0xC0F0FF);
    layout.Group({9, 1, 9, 2});
}

TfmDoc& New(TfmMain& main) {
    main.Action("actLayoutNew")->trigger();
    ProcessEvents();
    return main.ActiveDocument();
}

bool Save(QWidget& widget, const QString& file) {
    ProcessEvents();
    const bool ok = widget.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs/screenshots");
    QDir().mkpath(out);
    bool ok = true;
    {
        TTestEditor e;
        TfmMain& main = *e.Main;
        main.resize(1280, 780);
        TfmDoc& till = New(main);
        FillTill(till.Layout);
        till.Layout.SetSelection({7, 2, 7, 2});
        TfmDoc& pictures = New(main);
        FillPictures(pictures.Layout);
        main.Action("actViewPicture")->trigger();
        pictures.Layout.SetSelection({1, 2, 1, 2});
        main.Action("actWindowTileVert")->trigger();
        ok &= Save(main, out + "/main-two-documents.png");
    }
    {
        TTestEditor e;
        TfmMain& main = *e.Main;
        main.resize(1280, 780);
        TfmDoc& till = New(main);
        FillTill(till.Layout);
        qobject_cast<QMdiSubWindow*>(till.parentWidget())->showMaximized();
        main.Action("actViewSimple")->trigger();
        main.Action("actLayer2")->trigger();
        till.Layout.SetSelection({7, 3, 8, 3});
        ok &= Save(main, out + "/simplified-view.png");
    }
    {
        TTestEditor e;
        TfmMain& main = *e.Main;
        main.resize(1280, 780);
        TfmDoc& till = New(main);
        FillTill(till.Layout);
        // Mistakes the check finds: presses without releases, a release before its press.
        Press(till.Layout, 0, 3, 2, "+LShift +A -A");
        Press(till.Layout, 1, 4, 0, "-B +B");
        Press(till.Layout, 1, 2, 4, "+F5 +F5 -F5");
        qobject_cast<QMdiSubWindow*>(till.parentWidget())->showMaximized();
        main.Action("actCheckLayout")->trigger();
        ProcessEvents();
        main.MessageWindow().List()->setCurrentRow(1);
        main.MessageWindow().GotoMessage();
        ok &= Save(main, out + "/messages-docked.png");
    }
    {
        // The four-layer model on the simulated keyboard, after a layout was written into it.
        TTestEditor e("[Settings]\nKeyboardID=4\n", TSimulatorChoice{{}, 4, {}});
        TfmMain& main = *e.Main;
        TfmDoc& till = New(main);
        FillTill(till.Layout);
        e.Dialogs.Answers = {TAnswer::Yes};
        main.Action("actDeviceWriteLayout")->trigger();
        QTimer::singleShot(0, [&] {
            if (QWidget* info = QApplication::activeModalWidget()) {
                ok &= Save(*info, out + "/device-information.png");
                info->close();
            } else {
                std::printf("FAILED device information: no window\n");
                ok = false;
            }
        });
        main.Action("actDeviceReadInfo")->trigger();
        ProcessEvents();
    }
    {
        // A few keys of the computer's keyboard pressed on the codes page: A, Enter, the right
        // arrow (an extended key), Left Shift held around 1. Under X11 the native code is the
        // Linux key code + 8.
        TTestEditor e;
        TfmMain& main = *e.Main;
        main.Action("actDeviceTest")->trigger();
        TfmTest& test = main.TestWindow();
        test.resize(420, 340);
        QApplication::setActiveWindow(&test);
        ProcessEvents();
        auto key = [&](QEvent::Type type, int qtKey, quint32 linux, const QString& text) {
            QKeyEvent event(type, qtKey, Qt::NoModifier, linux + 8, 0, 0, text);
            QApplication::sendEvent(test.Codes(), &event);
        };
        for (const auto& [qtKey, linux, text] : {std::tuple{int(Qt::Key_A), 30u, QString("a")},
                                                 std::tuple{int(Qt::Key_Return), 28u, QString("\r")},
                                                 std::tuple{int(Qt::Key_Right), 106u, QString()}}) {
            key(QEvent::KeyPress, qtKey, linux, text);
            key(QEvent::KeyRelease, qtKey, linux, text);
        }
        key(QEvent::KeyPress, Qt::Key_Shift, 42, {});
        key(QEvent::KeyPress, Qt::Key_1, 2, "!");
        key(QEvent::KeyRelease, Qt::Key_1, 2, "!");
        key(QEvent::KeyRelease, Qt::Key_Shift, 42, {});
        if (test.Codes()->toPlainText().isEmpty()) {
            std::printf("FAILED keyboard test: no key reached the codes page\n");
            ok = false;
        }
        ok &= Save(test, out + "/keyboard-test.png");
    }
    return ok ? 0 : 1;
}
