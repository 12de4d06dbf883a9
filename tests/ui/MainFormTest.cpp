// The main window driven through its commands: enabled rules, documents, files, recent files,
// the closing prompt, check lines and the start-up and shutdown steps.
#include "UiTestSupport.h"

#include "files/FormatRegistry.h"
#include "files/IniFile.h"
#include "ui/DocForm.h"
#include "ui/KeyGrid.h"
#include "ui/MainForm.h"
#include "ui/MessageForm.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QtTest>

#include <set>

using namespace lay;

namespace {

// The commands that work without a document.
const std::set<QString> kAlways = {"actLayoutNew",
                                   "actLayoutOpen",
                                   "miExit",
                                   "miPanelStandard",
                                   "miPanelDevice",
                                   "miPanelLayer",
                                   "miCaption",
                                   "miErrorWnd",
                                   "miDoc",
                                   "actHelpAbout",
                                   "miMessages",
                                   "actDeviceReadInfo",
                                   "actDeviceTest",
                                   "actDeviceReadLayout",
                                   "actDeviceReadMemory",
                                   "actDeviceWriteMemory",
                                   "actDeviceWriteProgram",
                                   "miLoader",
                                   "miWork",
                                   "miDevices"};

// Commands whose windows are not part of the editor yet.
const std::set<QString> kLater = {
    "actLayoutNewMaster", "actPrintPreview",   "actEditFind",    "actEditReplace", "actEditMSR",
    "actEditKeylock",     "actEditLayoutProp", "actEditKeyProp", "miAppSettings",  "miUpdate"};

const QStringList kCommands = {"actLayoutNew",
                               "actLayoutNewMaster",
                               "actLayoutOpen",
                               "actLayoutSave",
                               "actLayoutSaveAs",
                               "actLayoutClose",
                               "actLayoutCloseAll",
                               "actPrintPreview",
                               "actPrint",
                               "miExit",
                               "actEditCut",
                               "actEditCopy",
                               "actEditPaste",
                               "actEditFind",
                               "actEditReplace",
                               "actEditSelectAll",
                               "actEditClear",
                               "actEditGroup",
                               "actEditUngroup",
                               "actEditMSR",
                               "actEditKeylock",
                               "actEditLayoutProp",
                               "actEditKeyProp",
                               "actCheckLayout",
                               "actDeviceReadInfo",
                               "actDeviceTest",
                               "actDeviceWriteLayout",
                               "actDeviceReadLayout",
                               "actDeviceReadMemory",
                               "actDeviceWriteMemory",
                               "actDeviceWriteProgram",
                               "miInstallDrv",
                               "miUninstallDrv",
                               "miLoader",
                               "miWork",
                               "actLayerAll",
                               "actLayer1",
                               "actLayer2",
                               "actLayer3",
                               "actLayer4",
                               "actViewLayout",
                               "actViewPicture",
                               "actViewSimple",
                               "miPanelStandard",
                               "miPanelDevice",
                               "miPanelLayer",
                               "miCaption",
                               "miErrorWnd",
                               "miAppSettings",
                               "actWindowTileVert",
                               "actWindowTileHor",
                               "actWindowCascade",
                               "miDoc",
                               "miDevices",
                               "miUpdate",
                               "actHelpAbout"};

void Trigger(TTestEditor& e, const char* name) {
    QAction* action = e.Main->Action(name);
    QVERIFY2(action, name);
    action->trigger();
    ProcessEvents();
}

TfmDoc& Active(TTestEditor& e) {
    return e.Main->ActiveDocument();
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void commandsWithoutDocument();
    void commandsWithTwoLayerLayout();
    void shortcutsAndCaptions();
    void newDocumentCaptionsAcrossCloses();
    void saveOpenAndReopenThroughRecentFiles();
    void recentFilesKeepFourFullPathsMostRecentFirst();
    void failedOpenShowsErrorAndKeepsRecentEntry();
    void savePromptAnswers_data();
    void savePromptAnswers();
    void groupingRefusal();
    void checkLinesAndNavigation();
    void checkWithoutErrorsSaysSo();
    void shutdownWritesSettingsAndFirstRunOnce();
    void saveAsFilterComesFromRegistry();
    void saveAsEveryFormat_data();
    void saveAsEveryFormat();
    void eachDocumentKeepsTheFormatOfItsFile();
};

void MainFormTest::commandsWithoutDocument() {
    TTestEditor e;
    for (const QString& name : kCommands) {
        QAction* action = e.Main->Action(name);
        QVERIFY2(action, qPrintable(name));
        QCOMPARE(action->isEnabled(), kAlways.count(name) > 0);
        if (action->isCheckable() && name.startsWith("act"))
            QVERIFY2(!action->isChecked(), qPrintable(name));
    }
}

void MainFormTest::commandsWithTwoLayerLayout() {
    TTestEditor e; // the default model, identifier 1, has two layers, a card reader and a key lock
    Trigger(e, "actLayoutNew");
    TfmDoc& doc = Active(e);
    QCOMPARE(doc.Layout.LayerCount(), 2);
    const std::set<QString> off = {"actLayer3",      "actLayer4",    "actEditGroup",
                                   "actEditUngroup", "miInstallDrv", "miUninstallDrv"};
    for (const QString& name : kCommands) {
        const bool expected =
            !kLater.count(name) && !off.count(name) && !(name == "actEditPaste" && !doc.CanPaste());
        QCOMPARE(std::make_pair(name, e.Main->Action(name)->isEnabled()), std::make_pair(name, expected));
    }
    QVERIFY(e.Main->Action("actLayerAll")->isChecked());
    QVERIFY(e.Main->Action("actViewLayout")->isChecked());

    // A range of cells may be grouped; once grouped it may be ungrouped.
    doc.Grid().SetSelection({1, 1, 2, 2});
    e.Main->UpdateCommands();
    QVERIFY(e.Main->Action("actEditGroup")->isEnabled());
    QVERIFY(!e.Main->Action("actEditUngroup")->isEnabled());
    Trigger(e, "actEditGroup");
    QVERIFY(e.Main->Action("actEditUngroup")->isEnabled());

    // Layer and view commands check the document's state.
    Trigger(e, "actLayer2");
    QCOMPARE(doc.Layer(), 2);
    QVERIFY(e.Main->Action("actLayer2")->isChecked());
    QVERIFY(!e.Main->Action("actLayerAll")->isChecked());
    Trigger(e, "actViewSimple");
    QCOMPARE(doc.ViewMode(), int(vmSimplified));
    QVERIFY(e.Main->Action("actViewSimple")->isChecked());
    QCOMPARE(e.Main->Manager().ViewMode(), int(vmSimplified));
    // The next document opens in the mode chosen last.
    Trigger(e, "actLayoutNew");
    QCOMPARE(Active(e).ViewMode(), int(vmSimplified));
    QVERIFY(e.Main->Action("actViewSimple")->isChecked());
    QVERIFY(e.Main->Action("actLayerAll")->isChecked());
    Trigger(e, "actLayoutClose");
    ProcessEvents();
    QCOMPARE(&Active(e), &doc);

    // With the last document gone, document commands are off again.
    doc.Layout.ClearModified();
    Trigger(e, "actLayoutClose");
    ProcessEvents();
    QVERIFY(!e.Main->HasActiveDocument());
    QVERIFY(!e.Main->Action("actLayoutSaveAs")->isEnabled());
    QVERIFY(!e.Main->Action("actLayer1")->isChecked());
}

void MainFormTest::shortcutsAndCaptions() {
    TTestEditor e;
    const struct {
        const char* Name;
        const char* Text;
        const char* ToolbarText;
        const char* Shortcut;
    } table[] = {
        {"actLayoutNew", "Создать", "Создать", "Ctrl+N"},
        {"actLayoutOpen", "&Открыть", "Открыть", "Ctrl+O"},
        {"actLayoutSaveAs", "Сохранить как...", "Сохранить как", "Ctrl+Alt+S"},
        {"actPrintPreview", "Предварительный просмотр", "Просмотр", "Ctrl+W"},
        {"actEditGroup", "Сгруппировать", "Сгруппировать", "Ctrl+Alt+G"},
        {"actEditMSR", "Считыватель магнитных карт", "Считыватель", "Ctrl+Alt+R"},
        {"actDeviceWriteLayout", "Записать раскладку", "Загрузить", "F5"},
        {"actLayerAll", "Все слои", "Все слои", "Shift+F5"},
        {"actLayer3", "Слой 3", "Слой 3", "Shift+F3"},
        {"actViewSimple", "Упрощенный вид раскладки", "Упрощенно", "Ctrl+Alt+L"},
        {"miErrorWnd", "Окно сообщений", "Окно сообщений", "Ctrl+Alt+M"},
        {"actEditLayoutProp", "Свойства раскладки", "Раскладка", "F11"},
    };
    for (const auto& row : table) {
        QAction* a = e.Main->Action(row.Name);
        QCOMPARE(a->text(), QString(row.Text));
        if (QString(row.Name) != "actLayoutSaveAs")
            QCOMPARE(a->iconText(), QString(row.ToolbarText));
        QCOMPARE(a->shortcut(), QKeySequence(row.Shortcut));
    }
    QVERIFY(e.Main->windowTitle().startsWith("Layomatic "));
    QCOMPARE(e.Main->ToolBar("tbViewMode")->windowTitle(), QString("Режим отбражения"));

    // Button captions: under the images once checked, kept in the settings file at once.
    QToolBar* standard = e.Main->ToolBar("tbStandard");
    QCOMPARE(standard->toolButtonStyle(), Qt::ToolButtonIconOnly);
    Trigger(e, "miCaption");
    QCOMPARE(standard->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    TIniFile ini;
    QVERIFY(ini.LoadFromFile(e.SettingsFile().toStdString()));
    QVERIFY(ini.ReadBool("Vantrel", "CaptionChecked", false));
    // Closing a toolbar clears its item; the item brings it back.
    Trigger(e, "miPanelDevice");
    QVERIFY(e.Main->ToolBar("tbDevice")->isHidden());
    e.Main->UpdateCommands();
    QVERIFY(e.Main->ToolBar("tbDevice")->isHidden());
    Trigger(e, "miPanelDevice");
    QVERIFY(!e.Main->ToolBar("tbDevice")->isHidden());

    // The device selector lists the PS/2 keyboard; with one entry there is nothing to choose.
    QComboBox* devices = e.Main->DeviceBox();
    QCOMPARE(devices->count(), 1);
    QCOMPARE(devices->currentText(), QString("PS/2 клавиатура"));
    QVERIFY(!devices->isEnabled());
}

void MainFormTest::newDocumentCaptionsAcrossCloses() {
    TTestEditor e;
    const int base = DocumentCounter;
    Trigger(e, "actLayoutNew");
    Trigger(e, "actLayoutNew");
    QCOMPARE(Active(e).windowTitle(), QString("Раскладка%1").arg(base + 2));
    Trigger(e, "actLayoutClose"); // unmodified: closes without a question
    ProcessEvents();
    Trigger(e, "actLayoutNew");
    QCOMPARE(Active(e).windowTitle(), QString("Раскладка%1").arg(base + 3));
    QVERIFY(e.Dialogs.Of("ask").empty());
    // A new document needs saving even before any change.
    QVERIFY(e.Main->Action("actLayoutSave")->isEnabled());
}

void MainFormTest::saveOpenAndReopenThroughRecentFiles() {
    TTestEditor e;
    Trigger(e, "actLayoutNew");
    TfmDoc& doc = Active(e);
    doc.Layout.Layers.Items(1).KeyAt(2, 1).PressCodes.SetText("+A -A");
    doc.Layout.Changed(lcKeys);
    const QString file = e.Path("first.xml");
    e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{file, 1});
    Trigger(e, "actLayoutSave"); // no file name yet: "save as"
    QVERIFY(QFile::exists(file));
    QCOMPARE(doc.windowTitle(), file);
    QVERIFY(!doc.Layout.Modified());
    QVERIFY(!e.Main->Action("actLayoutSave")->isEnabled()); // named and unchanged
    QCOMPARE(e.Main->RecentFiles().size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(e.Main->RecentFiles()[0].FileName), file);
    QCOMPARE(e.Main->RecentFiles()[0].Filter, 0);

    doc.Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.SetText("+B -B");
    doc.Layout.Changed(lcKeys);
    QVERIFY(e.Main->Action("actLayoutSave")->isEnabled());
    Trigger(e, "actLayoutSave"); // under its name, no dialog
    QVERIFY(e.Dialogs.Files.empty());
    Trigger(e, "actLayoutClose");
    ProcessEvents();
    QVERIFY(!e.Main->HasActiveDocument());

    QAction* recent = e.Main->findChild<QAction*>("miRecent1");
    QVERIFY(recent && recent->isVisible());
    QCOMPARE(recent->text(), "&1 " + file);
    recent->trigger();
    ProcessEvents();
    TfmDoc& again = Active(e);
    QCOMPARE(again.windowTitle(), file);
    QCOMPARE(QString::fromStdString(again.Layout.Layers.Items(1).KeyAt(2, 1).PressCodes.Text()),
             QString("+A -A"));
    QCOMPARE(QString::fromStdString(again.Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.Text()),
             QString("+B -B"));
    QVERIFY(!e.Main->Action("actLayoutSave")->isEnabled());
}

void MainFormTest::recentFilesKeepFourFullPathsMostRecentFirst() {
    TTestEditor e;
    const QString before = QDir::currentPath();
    QDir::setCurrent(e.Dir.path()); // relative names are taken from the current folder
    for (const char* name : {"a.xml", "b.xml", "c.xml", "d.xml", "e.xml"})
        e.Main->AddRecentFile(name, 0);
    e.Main->AddRecentFile("c.xml", 1); // moves to the top with its new index
    std::vector<QString> names;
    for (const TMRUEntry& entry : e.Main->RecentFiles())
        names.push_back(QFileInfo(QString::fromStdString(entry.FileName)).fileName());
    QCOMPARE(names, (std::vector<QString>{"c.xml", "e.xml", "d.xml", "b.xml"}));
    QCOMPARE(e.Main->RecentFiles()[0].Filter, 1);
    QCOMPARE(QString::fromStdString(e.Main->RecentFiles()[0].FileName), e.Path("c.xml"));
    QDir::setCurrent(before);
}

void MainFormTest::failedOpenShowsErrorAndKeepsRecentEntry() {
    TTestEditor e;
    const QString missing = e.Path("missing.xml");
    e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{missing, 1});
    Trigger(e, "actLayoutOpen");
    QCOMPARE(e.Dialogs.Of("error").size(), std::size_t(1));
    QVERIFY(e.Main->Documents().empty());
    QCOMPARE(QString::fromStdString(e.Main->RecentFiles().at(0).FileName), missing);

    // An index outside the open registry is refused by name.
    e.Main->Guard([&] { e.Main->OpenLayoutFile(7, missing.toStdString()); });
    QCOMPARE(e.Dialogs.Of("error").back().Text, QString("Неверный индекс формата"));
    QVERIFY(e.Main->Documents().empty());
}

void MainFormTest::savePromptAnswers_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("cancelSaveAs");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    QTest::newRow("yes, saved") << int(TAnswer::Yes) << false << true << true;
    QTest::newRow("yes, save as cancelled") << int(TAnswer::Yes) << true << false << false;
    QTest::newRow("no") << int(TAnswer::No) << false << true << false;
    QTest::newRow("cancel") << int(TAnswer::Cancel) << false << false << false;
}

void MainFormTest::savePromptAnswers() {
    QFETCH(int, answer);
    QFETCH(bool, cancelSaveAs);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    TTestEditor e;
    Trigger(e, "actLayoutNew");
    TfmDoc& doc = Active(e);
    const QString caption = doc.windowTitle();
    doc.Layout.Layers.Items(0).KeyAt(1, 1).PressCodes.SetText("+C -C");
    doc.Layout.Changed(lcKeys);
    const QString file = e.Path("prompted.xml");
    e.Dialogs.Answers.push_back(static_cast<TAnswer>(answer));
    if (cancelSaveAs)
        e.Dialogs.Files.push_back(std::nullopt);
    else
        e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{file, 1});
    Trigger(e, "actLayoutClose");
    ProcessEvents();
    const auto asks = e.Dialogs.Of("ask");
    QCOMPARE(asks.size(), std::size_t(1));
    QCOMPARE(asks[0].Title, QString("Внимание"));
    QCOMPARE(asks[0].Text, QString("Раскладка [%1] была изменена. Сохранить?").arg(caption));
    QCOMPARE(e.Main->Documents().empty(), closed);
    QCOMPARE(QFile::exists(file), saved);
}

void MainFormTest::groupingRefusal() {
    TTestEditor e;
    Trigger(e, "actLayoutNew");
    TfmDoc& doc = Active(e);
    doc.Grid().SetSelection({1, 1, 2, 2});
    e.Main->UpdateCommands();
    Trigger(e, "actEditGroup");
    QCOMPARE(doc.Layout.Groups.Count(), 1);
    doc.Grid().SetSelection({2, 2, 3, 3}); // overlaps the group's corner
    e.Main->UpdateCommands();
    Trigger(e, "actEditGroup");
    QCOMPARE(doc.Layout.Groups.Count(), 1);
    const auto errors = e.Dialogs.Of("error");
    QCOMPARE(errors.size(), std::size_t(1));
    QCOMPARE(errors[0].Title, QString("Ошибка"));
    QCOMPARE(errors[0].Text, QString("Пересечение групп. Группирование невозможно."));
    QCOMPARE(doc.Layout.Groups.Items(0).Rect(), (TRect{0, 0, 1, 1}));
}

void MainFormTest::checkLinesAndNavigation() {
    TTestEditor e;
    Trigger(e, "actLayoutNew");
    TfmDoc& first = Active(e);
    Trigger(e, "actLayoutNew");
    TfmDoc& second = Active(e);
    // A press without its release in layer 2, row 3, column 4 of the second document.
    second.Layout.Layers.Items(1).KeyAt(3, 2).PressCodes.SetText("+A");
    Trigger(e, "actCheckLayout");
    TfmMessageWindow& messages = e.Main->MessageWindow();
    QVERIFY(messages.isVisible());
    QCOMPARE(messages.Count(), 1);
    QVERIFY2(messages.Text(0).startsWith("[Ошибка(1)] Слой 2. Клавиша (3,4). Коды нажатия."),
             qPrintable(messages.Text(0)));
    QVERIFY(e.Dialogs.Of("inform").empty());

    // Choosing the line goes to the key in the document that wrote it, even from another one.
    first.Layout.SetSelection({1, 1, 1, 1});
    e.Main->MdiArea().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first.parentWidget()));
    ProcessEvents();
    messages.List()->setCurrentRow(0);
    messages.GotoMessage();
    ProcessEvents();
    QCOMPARE(second.Layout.Selection(), (TRect{4, 3, 4, 3}));
    QCOMPARE(second.Grid().Selection(), (TGridRect{4, 3, 4, 3}));
    QCOMPARE(first.Layout.Selection(), (TRect{1, 1, 1, 1}));
    QCOMPARE(&e.Main->ActiveDocument(), &second);

    // A second check starts with an empty list.
    Trigger(e, "actCheckLayout");
    QCOMPARE(messages.Count(), 1);
}

void MainFormTest::checkWithoutErrorsSaysSo() {
    TTestEditor e;
    Trigger(e, "actLayoutNew");
    Trigger(e, "actCheckLayout");
    const auto informs = e.Dialogs.Of("inform");
    QCOMPARE(informs.size(), std::size_t(1));
    QCOMPARE(informs[0].Title, QString("Layomatic"));
    QCOMPARE(informs[0].Text, QString("Ошибок нет."));
    QCOMPARE(e.Main->MessageWindow().Count(), 0);
}

void MainFormTest::shutdownWritesSettingsAndFirstRunOnce() {
    QTemporaryDir keep;
    QString settings;
    {
        TTestEditor e;
        QVERIFY(!e.Main->Manager().FirstRun()); // cleared at the first start
        QVERIFY(e.Main->Documents().empty());   // the wizard is not part of the editor yet
        e.Main->AddRecentFile(e.Path("x.xml").toStdString(), 1);
        Trigger(e, "actLayoutNew");
        Active(e).Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.SetText("+A -A");
        Trigger(e, "miErrorWnd");
        QVERIFY(e.Main->MessageWindow().isVisible());
        // Closing asks about the modified document first; cancelling keeps everything open.
        e.Dialogs.Answers.push_back(TAnswer::Cancel);
        QVERIFY(!e.Main->close());
        QVERIFY(!e.Main->Documents().empty());
        e.Dialogs.Answers.push_back(TAnswer::No);
        QVERIFY(e.Main->close());
        ProcessEvents();
        QFile::copy(e.SettingsFile(), keep.filePath("layomatic.ini"));
    }
    TIniFile ini;
    QVERIFY(ini.LoadFromFile(keep.filePath("layomatic.ini").toStdString()));
    QCOMPARE(ini.ReadBool("SETTINGS", "FirstRun", true), false);
    QCOMPARE(ini.ReadBool("SETTINGS", "MessageFormDocked", false), true);
    QVERIFY(ini.ReadInteger("SETTINGS", "DockPanelHeight", 0) >= 2);

    TSettingsManager reread(keep.filePath("layomatic.ini").toStdString());
    QCOMPARE(reread.MRU.size(), std::size_t(1));
    QCOMPARE(reread.MRU[0].Filter, 1);

    // The next start finds the message window docked again and the recent file listed.
    QFile file(keep.filePath("layomatic.ini"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    TTestEditor next(QString::fromUtf8(file.readAll()));
    QVERIFY(next.Main->MessageWindow().isVisible());
    QVERIFY(!next.Main->MessageWindow().isFloating());
    QCOMPARE(next.Main->RecentFiles().size(), std::size_t(1));
}

void MainFormTest::saveAsFilterComesFromRegistry() {
    TTestEditor e;
    Trigger(e, "actLayoutNew");
    e.Dialogs.Files.push_back(std::nullopt);
    Trigger(e, "actLayoutSaveAs");
    QCOMPARE(e.Dialogs.LastFilter, QString::fromStdString(e.Main->Manager().SaveFilter()));
    // A document without a file name proposes its caption.
    QCOMPARE(e.Dialogs.LastProposedName, Active(e).windowTitle());

    // Choosing the second entry writes the second format of the registry.
    const QString file = e.Path("old.xml");
    e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{file, 2});
    Trigger(e, "actLayoutSaveAs");
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QFile current(e.Path("current.xml"));
    e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{current.fileName(), 1});
    Trigger(e, "actLayoutSaveAs");
    QVERIFY(current.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll() != current.readAll());
    // A named layout proposes its name without the extension.
    e.Dialogs.Files.push_back(std::nullopt);
    Trigger(e, "actLayoutSaveAs");
    QCOMPARE(e.Dialogs.LastProposedName, e.Path("current"));
}

void MainFormTest::saveAsEveryFormat_data() {
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("recentFormat"); // -1: not offered again
    QTest::newRow("XML") << 1 << "a.xml" << 0;
    QTest::newRow("XML 1.3") << 2 << "b.xml" << 0;
    QTest::newRow("image 2.10") << 3 << "c.bin" << 1;
    QTest::newRow("image 1.3") << 4 << "d.bin" << 1;
    QTest::newRow("metafile") << 5 << "e.emf" << -1;
    QTest::newRow("image 2.8") << 6 << "f.bin" << 1;
    QTest::newRow("image 2.9") << 7 << "g.bin" << 1;
}

void MainFormTest::saveAsEveryFormat() {
    QFETCH(int, filterIndex);
    QFETCH(QString, name);
    QFETCH(int, recentFormat);
    TTestEditor e;
    Trigger(e, "actLayoutNew");
    Active(e).Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.SetText("+A -A");
    Active(e).Layout.Layers.Items(0).KeyAt(0, 0).Picture.SetText("Итог");
    const QString file = e.Path(name);
    e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{file, filterIndex});
    Trigger(e, "actLayoutSaveAs");
    QCOMPARE(e.Dialogs.Of("error").empty() ? QString() : e.Dialogs.Of("error")[0].Text, QString());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.size() > 100);
    if (recentFormat < 0) {
        QVERIFY(e.Main->RecentFiles().empty());
        QCOMPARE(bytes.mid(40, 4), QByteArray(" EMF"));
        return;
    }
    QCOMPARE(e.Main->RecentFiles().at(0).Filter, recentFormat);
    // What was written opens again through the recent entry.
    Trigger(e, "actLayoutClose");
    e.Main->findChild<QAction*>("miRecent1")->trigger();
    ProcessEvents();
    QCOMPARE(e.Dialogs.Of("error").empty() ? QString() : e.Dialogs.Of("error")[0].Text, QString());
    QCOMPARE(QString::fromStdString(Active(e).Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.Text()),
             QString("+A -A"));
}

void MainFormTest::eachDocumentKeepsTheFormatOfItsFile() {
    // One document saved as a device image, another opened from XML: saving either again, from
    // the menu or from the closing question, writes its own file in its own format.
    TTestEditor e;
    Trigger(e, "actLayoutNew");
    const QString xmlFile = e.Path("office.xml");
    e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{xmlFile, sfXML + 1});
    Trigger(e, "actLayoutSaveAs");
    Trigger(e, "actLayoutClose");

    Trigger(e, "actLayoutNew");
    TfmDoc& image = Active(e);
    image.Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.SetText("+A -A");
    const QString imageFile = e.Path("till.bin");
    e.Dialogs.Files.push_back(TScriptedDialogs::TFileChoice{imageFile, sfBin210 + 1});
    Trigger(e, "actLayoutSaveAs");

    e.Main->OpenLayoutFile(ofXML, xmlFile.toStdString());
    ProcessEvents();
    TfmDoc& xml = Active(e);
    QVERIFY(&xml != &image);
    xml.Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.SetText("+B -B");
    xml.Layout.Changed(lcKeys);
    Trigger(e, "actLayoutSave");
    QVERIFY(e.Dialogs.Files.empty());

    image.Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.SetText("+C -C");
    image.Layout.Changed(lcKeys);
    e.Dialogs.Answers = {TAnswer::Yes};
    image.parentWidget()->close();
    ProcessEvents();
    QVERIFY(e.Dialogs.Of("error").empty());

    auto firstPress = [&](int format, const QString& file) {
        TfmDoc& doc = e.Main->NewDocument();
        e.Main->Manager().OpenLayout(doc.Layout, format, file.toStdString());
        const std::string text = doc.Layout.Layers.Items(0).KeyAt(0, 0).PressCodes.Text();
        delete &doc;
        return QString::fromStdString(text);
    };
    QCOMPARE(firstPress(ofXML, xmlFile), QString("+B -B"));
    QCOMPARE(firstPress(ofBin210, imageFile), QString("+C -C"));
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
