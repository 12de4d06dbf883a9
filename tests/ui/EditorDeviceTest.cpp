// The editor's device commands, driven through the main window against the simulated keyboard:
// the same protocol, port, driver core, controller and firmware a real keyboard is reached by.

#include "UiTestSupport.h"

#include "device/KeyboardManager.h"
#include "device/KeyboardSimulator.h"
#include "driver/sim/Firmware.h"
#include "files/FormatRegistry.h"
#include "ui/DocForm.h"
#include "ui/EditorArgs.h"
#include "ui/MainForm.h"
#include "ui/ProgressForm.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace lay;

namespace {

void Trigger(TTestEditor& e, const char* name) {
    QAction* action = e.Main->Action(name);
    QVERIFY2(action, name);
    QVERIFY2(action->isEnabled(), name);
    action->trigger();
    ProcessEvents();
}

// Runs the command; the modal window it opens is handed to inspect and then closed.
void WithModal(TTestEditor& e, const char* command, const std::function<void(QWidget&)>& inspect) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        seen = true;
        inspect(*modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->accept();
        else
            modal->close();
    });
    Trigger(e, command);
    QVERIFY2(seen, command);
}

// The rows of a two-column list, as "caption: value".
QStringList Rows(QWidget& window) {
    QStringList rows;
    auto* list = window.findChild<QAbstractItemView*>("lvInfo");
    if (!list)
        return rows;
    const QAbstractItemModel* model = list->model();
    for (int r = 0; r < model->rowCount(); ++r)
        rows << model->index(r, 0).data().toString() + ": " + model->index(r, 1).data().toString();
    return rows;
}

void SetPress(TfmDoc& doc, int layer, int col, int row, const std::string& text) {
    doc.Layout.Layers.Items(layer).KeyAt(col, row).PressCodes.SetText(text);
}

std::string Press(TfmDoc& doc, int layer, int col, int row) {
    return doc.Layout.Layers.Items(layer).KeyAt(col, row).PressCodes.Text();
}

TSimulatorChoice Simulated(const std::string& firmware = {}, const std::string& state = {}) {
    return TSimulatorChoice{state, std::nullopt, firmware};
}

} // namespace

class EditorDeviceTest : public QObject {
    Q_OBJECT
private slots:
    void writeAndReadBackThroughTheKeyboard();
    void declinedWriteNeitherSavesNorWrites();
    void saveBeforeUploadSavesFirst();
    void cancelDuringWriteLeavesTheOldLayout();
    void deviceInformation_data();
    void deviceInformation();
    void failedReadLeavesNoWindow();
    void memoryFileRoundTripAndModes();
    void deviceSelectorAndAbout();
    void simulatorStateOutlivesTheEditor();
    void editorArguments_data();
    void editorArguments();
    void startsOnTheChosenSimulatedModel();
};

void EditorDeviceTest::writeAndReadBackThroughTheKeyboard() {
    TTestEditor e({}, Simulated());
    Trigger(e, "actLayoutNew");
    TfmDoc& doc = e.Main->ActiveDocument();
    SetPress(doc, 0, 0, 0, "+ESC -ESC");
    SetPress(doc, 0, 3, 2, "+A -A +B -B +C -C");
    SetPress(doc, 1, 5, 4, "+ENTER -ENTER");

    // The progress window follows the write and the main window is off meanwhile.
    QStringList captions;
    bool disabledMeanwhile = false;
    auto previous = e.Main->Manager().Progress().OnProgress;
    e.Main->Manager().Progress().OnProgress = [&](TProgress& p) {
        previous(p);
        if (p.State == psStep) {
            disabledMeanwhile = disabledMeanwhile || !e.Main->isEnabled();
            if (!captions.contains(e.Main->ProgressWindow().windowTitle()))
                captions << e.Main->ProgressWindow().windowTitle();
        }
    };
    e.Dialogs.Answers = {TAnswer::Yes};
    Trigger(e, "actDeviceWriteLayout");
    QVERIFY(e.Dialogs.Of("error").empty());
    QCOMPARE(e.Dialogs.Of("ask").front().Text, QString("Вы хотите записать раскладку в клавиатуру?"));
    QVERIFY(disabledMeanwhile);
    QVERIFY(e.Main->isEnabled());
    QVERIFY(!e.Main->ProgressWindow().isVisible());
    QCOMPARE(captions, QStringList{SWriteLayoutCaption});
    QVERIFY(e.Main->Simulator()->Firmware().LayoutValid());

    // Read back into a new window, numbered like any new document; a layout that so far exists
    // only in the keyboard is offered for saving when its window closes.
    const int before = static_cast<int>(e.Main->Documents().size());
    Trigger(e, "actDeviceReadLayout");
    QVERIFY(e.Dialogs.Of("error").empty());
    QCOMPARE(static_cast<int>(e.Main->Documents().size()), before + 1);
    TfmDoc& read = e.Main->ActiveDocument();
    QVERIFY(&read != &doc);
    QCOMPARE(read.windowTitle(), QString("Раскладка%1").arg(DocumentCounter));
    QVERIFY(read.Layout.Modified());
    QCOMPARE(read.Layout.LayerCount(), doc.Layout.LayerCount());
    QVERIFY(!Press(doc, 0, 0, 0).empty());
    QCOMPARE(Press(read, 0, 0, 0), Press(doc, 0, 0, 0));
    QCOMPARE(Press(read, 0, 3, 2), Press(doc, 0, 3, 2));
    QCOMPARE(Press(read, 1, 5, 4), Press(doc, 1, 5, 4));
    QCOMPARE(Press(read, 0, 1, 1), Press(doc, 0, 1, 1));
    QVERIFY(e.Main->Action("actLayoutSave")->isEnabled());
}

void EditorDeviceTest::declinedWriteNeitherSavesNorWrites() {
    TTestEditor e("[Settings]\nSaveBeforeUpload=1\n", Simulated());
    Trigger(e, "actLayoutNew");
    SetPress(e.Main->ActiveDocument(), 0, 0, 0, "+ESC -ESC");
    const std::size_t frames = e.Main->Simulator()->Firmware().Frames().size();
    e.Dialogs.Answers = {TAnswer::No};
    Trigger(e, "actDeviceWriteLayout");
    QCOMPARE(e.Dialogs.Of("ask").size(), std::size_t(1));
    QCOMPARE(e.Main->Simulator()->Firmware().Frames().size(), frames); // the keyboard heard nothing
    QVERIFY(e.Main->ActiveDocument().Layout.FileName.empty());         // and no save dialog ran
    QVERIFY(e.Dialogs.LastFilter.isEmpty());
}

void EditorDeviceTest::saveBeforeUploadSavesFirst() {
    TTestEditor e("[Settings]\nSaveBeforeUpload=1\n", Simulated());
    Trigger(e, "actLayoutNew");
    const QString file = e.Path("before-upload.xml");
    e.Dialogs.Answers = {TAnswer::Yes};
    e.Dialogs.Files = {TScriptedDialogs::TFileChoice{file, 1}};
    Trigger(e, "actDeviceWriteLayout");
    QVERIFY(e.Dialogs.Of("error").empty());
    QVERIFY(QFile::exists(file));
    QVERIFY(!e.Main->ActiveDocument().Layout.Modified());
    QVERIFY(e.Main->Simulator()->Firmware().LayoutValid());
}

void EditorDeviceTest::cancelDuringWriteLeavesTheOldLayout() {
    TTestEditor e({}, Simulated());
    Trigger(e, "actLayoutNew");
    SetPress(e.Main->ActiveDocument(), 0, 0, 0, "+ESC -ESC");
    // The user presses "Прервать" at the first step and confirms.
    bool pressed = false;
    auto previous = e.Main->Manager().Progress().OnProgress;
    e.Main->Manager().Progress().OnProgress = [&](TProgress& p) {
        if (p.State == psStep && !pressed) {
            pressed = true;
            QTimer::singleShot(0, [&] {
                if (auto* cancel = e.Main->ProgressWindow().findChild<QPushButton*>("btnCancel"))
                    cancel->click();
            });
        }
        previous(p);
    };
    e.Dialogs.Answers = {TAnswer::Yes, TAnswer::Yes};
    Trigger(e, "actDeviceWriteLayout");
    QVERIFY(pressed);
    const auto asked = e.Dialogs.Of("ask");
    QCOMPARE(asked.size(), std::size_t(2));
    QCOMPARE(asked[1].Text, QString("Прервать операцию ?"));
    QVERIFY(e.Main->Manager().Progress().Cancelled);
    // The header block goes last, so a cancelled write leaves no layout the keyboard would use.
    QVERIFY(!e.Main->Simulator()->Firmware().LayoutValid());
    QVERIFY(e.Main->isEnabled());
    QVERIFY(!e.Main->ProgressWindow().isVisible());
}

void EditorDeviceTest::deviceInformation_data() {
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("layers");
    QTest::newRow("working program") << "2.10"
                                     << "Версия программы: 2.10"
                                     << "Количество слоев: 2";
    QTest::newRow("damaged program") << "damaged"
                                     << "Версия программы: повреждена"
                                     << "Количество слоев: 0";
}

void EditorDeviceTest::deviceInformation() {
    QFETCH(QString, firmware);
    QFETCH(QString, program);
    QFETCH(QString, layers);
    TTestEditor e({}, Simulated(firmware.toStdString()));
    QStringList rows;
    QString state;
    QString title;
    WithModal(e, "actDeviceReadInfo", [&](QWidget& w) {
        title = w.windowTitle();
        rows = Rows(w);
        if (auto* label = w.findChild<QLabel*>("lbState"))
            state = label->text();
    });
    QVERIFY(e.Dialogs.Of("error").empty());
    QCOMPARE(title, QString("Информация об устройстве"));
    QVERIFY2(rows.contains(program), qPrintable(rows.join(" | ")));
    QVERIFY2(rows.contains(layers), qPrintable(rows.join(" | ")));
    QVERIFY2(rows.contains(firmware == "damaged" ? "Тип устройства: 0" : "Тип устройства: Кварта 60"),
             qPrintable(rows.join(" | ")));
    // A fresh keyboard holds no layout yet.
    QVERIFY2(state.startsWith("Раскладка клавиатуры повреждена"), qPrintable(state));
    QCOMPARE(e.Main->Simulator()->Firmware().Mode(), std::uint8_t(firmware == "damaged" ? 2 : 0));
}

void EditorDeviceTest::failedReadLeavesNoWindow() {
    // A keyboard whose program is damaged cannot give its layout.
    TTestEditor e({}, Simulated("damaged"));
    Trigger(e, "actDeviceReadLayout");
    QCOMPARE(e.Dialogs.Of("error").size(), std::size_t(1));
    QVERIFY(e.Main->Documents().empty());
    QVERIFY(e.Main->isEnabled());
    QVERIFY(!e.Main->Action("actLayoutSave")->isEnabled());
}

void EditorDeviceTest::memoryFileRoundTripAndModes() {
    TTestEditor e({}, Simulated());
    Trigger(e, "actLayoutNew");
    SetPress(e.Main->ActiveDocument(), 0, 2, 2, "+F1 -F1");
    e.Dialogs.Answers = {TAnswer::Yes};
    Trigger(e, "actDeviceWriteLayout");
    QVERIFY(e.Main->Simulator()->Firmware().LayoutValid());

    const QString image = e.Path("memory.bin");
    e.Dialogs.Files = {TScriptedDialogs::TFileChoice{image, 1}};
    Trigger(e, "actDeviceReadMemory");
    QVERIFY(e.Dialogs.Of("error").empty());
    QCOMPARE(e.Dialogs.LastFilter, QString("Раскладка Layomatic (*.bin)|*.bin"));
    QVERIFY(QFileInfo(image).size() > 0);

    // Spoil the keyboard's copy, then write the saved image back.
    e.Main->Simulator()->Firmware().Memory()[0] ^= 0xFF;
    QVERIFY(!e.Main->Simulator()->Firmware().LayoutValid());
    e.Dialogs.Files = {TScriptedDialogs::TFileChoice{image, 1}};
    Trigger(e, "actDeviceWriteMemory");
    QVERIFY(e.Dialogs.Of("error").empty());
    QVERIFY(e.Main->Simulator()->Firmware().LayoutValid());

    // A cancelled dialog does nothing.
    const std::size_t frames = e.Main->Simulator()->Firmware().Frames().size();
    e.Dialogs.Files = {std::nullopt};
    Trigger(e, "actDeviceWriteProgram");
    QCOMPARE(e.Dialogs.LastFilter, QString("Программа клавиатуры (*.prg)|*.prg"));
    QCOMPARE(e.Main->Simulator()->Firmware().Frames().size(), frames);

    Trigger(e, "miLoader");
    QCOMPARE(e.Main->Simulator()->Firmware().Mode(), std::uint8_t(2));
    Trigger(e, "miWork");
    QCOMPARE(e.Main->Simulator()->Firmware().Mode(), std::uint8_t(0));
    QVERIFY(e.Dialogs.Of("error").empty());
}

void EditorDeviceTest::deviceSelectorAndAbout() {
    TTestEditor e({}, Simulated());
    QComboBox* devices = e.Main->DeviceBox();
    QVERIFY(devices->count() >= 1);
    QCOMPARE(devices->currentText().toStdString(), e.Main->Manager().DeviceName());
    QCOMPARE(devices->isEnabled(), devices->count() > 1);

    Trigger(e, "actHelpAbout");
    const auto about = e.Dialogs.Of("inform");
    QCOMPARE(about.size(), std::size_t(1));
    // The simulated keyboard sits behind the very driver core, which reports its version.
    QVERIFY2(about[0].Text.contains("Версия драйвера  : 1.0.0.6"), qPrintable(about[0].Text));

    // Without any keyboard the version is unavailable and nothing fails.
    TTestEditor bare;
    Trigger(bare, "actHelpAbout");
    QVERIFY(bare.Dialogs.Of("inform").at(0).Text.endsWith("Версия драйвера  : недоступна"));
}

void EditorDeviceTest::simulatorStateOutlivesTheEditor() {
    QTemporaryDir dir;
    const std::string state = dir.filePath("keyboard.state").toStdString();
    std::string written;
    {
        TTestEditor e({}, Simulated({}, state));
        Trigger(e, "actLayoutNew");
        SetPress(e.Main->ActiveDocument(), 0, 4, 1, "+F2 -F2");
        written = Press(e.Main->ActiveDocument(), 0, 4, 1);
        e.Dialogs.Answers = {TAnswer::Yes};
        Trigger(e, "actDeviceWriteLayout");
        QVERIFY(e.Dialogs.Of("error").empty());
    }
    // The next run of the editor finds the layout in the keyboard.
    TTestEditor e({}, Simulated({}, state));
    Trigger(e, "actDeviceReadLayout");
    QVERIFY(e.Dialogs.Of("error").empty());
    QVERIFY(!written.empty());
    QCOMPARE(Press(e.Main->ActiveDocument(), 0, 4, 1), written);
}

void EditorDeviceTest::editorArguments_data() {
    QTest::addColumn<QStringList>("words");
    // "files|simulated|target|model|firmware", or "error:" and the start of the message.
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing") << QStringList{} << "|0|||";
    QTest::newRow("files") << QStringList{"a.xml", "b.bin"} << "a.xml,b.bin|0|||";
    QTest::newRow("fresh simulator") << QStringList{"--simulator"} << "|1|||";
    QTest::newRow("state file") << QStringList{"--simulator=k.state", "x.xml"} << "x.xml|1|k.state||";
    QTest::newRow("tcp") << QStringList{"--simulator=tcp:127.0.0.1:5555"} << "|1|tcp:127.0.0.1:5555||";
    QTest::newRow("model and firmware")
        << QStringList{"--simulator", "--sim-model", "4", "--sim-firmware=2.8"} << "|1||4|2.8";
    QTest::newRow("model inline") << QStringList{"--sim-model=3", "--simulator"} << "|1||3|";
    QTest::newRow("model without simulator")
        << QStringList{"--sim-model", "4"}
        << "error:--sim-model и --sim-firmware действуют только с --simulator";
    QTest::newRow("model not a number")
        << QStringList{"--simulator", "--sim-model", "four"} << "error:Неверный номер модели клавиатуры";
    QTest::newRow("missing value") << QStringList{"--simulator", "--sim-firmware"}
                                   << "error:Параметру --sim-firmware нужно значение";
    QTest::newRow("unknown option") << QStringList{"--simulater"}
                                    << "error:Неизвестный параметр командной строки: --simulater";
}

void EditorDeviceTest::editorArguments() {
    QFETCH(QStringList, words);
    QFETCH(QString, expected);
    std::vector<std::string> list;
    for (const QString& w : words)
        list.push_back(w.toStdString());
    QString actual;
    try {
        const TEditorArgs args = ParseEditorArgs(list);
        QStringList files;
        for (const std::string& f : args.Files)
            files << QString::fromStdString(f);
        const auto& sim = args.Setup.Simulator;
        actual = files.join(',') + "|" + (sim ? "1" : "0") + "|" +
                 QString::fromStdString(sim ? sim->Target : "") + "|" +
                 (sim && sim->Model ? QString::number(*sim->Model) : QString()) + "|" +
                 QString::fromStdString(sim ? sim->Firmware : "");
    } catch (const std::exception& e) {
        actual = "error:" + QString::fromUtf8(e.what());
    }
    if (expected.startsWith("error:"))
        QVERIFY2(actual.startsWith(expected), qPrintable(actual));
    else
        QCOMPARE(actual, expected);
}

void EditorDeviceTest::startsOnTheChosenSimulatedModel() {
    // The four-layer model with an older program: the information window says so.
    TTestEditor e({}, TSimulatorChoice{{}, 4, "2.8"});
    QStringList rows;
    WithModal(e, "actDeviceReadInfo", [&](QWidget& w) { rows = Rows(w); });
    QVERIFY2(rows.contains("Версия программы: 2.8"), qPrintable(rows.join(" | ")));
    QVERIFY2(rows.contains("Количество слоев: 4"), qPrintable(rows.join(" | ")));

    // An address that is no address stops the start with the reason.
    try {
        TTestEditor bad({}, TSimulatorChoice{"tcp:nowhere", std::nullopt, {}});
        QFAIL("started without a keyboard address");
    } catch (const ESimulatorOption& error) {
        QCOMPARE(QString::fromUtf8(error.what()), QString(SBadTcpTarget));
    }
}

QTEST_MAIN(EditorDeviceTest)
#include "EditorDeviceTest.moc"
