#include "ui/MainForm.h"

#include "device/DeviceInfo.h"
#include "device/DeviceUser.h"
#include "device/DriverSetup.h"
#include "device/KeyboardManager.h"
#include "device/KeyboardSimulator.h"
#include "files/FileUtils.h"
#include "files/FormatRegistry.h"
#include "files/IniFile.h"
#include "model/Errors.h"
#include "model/Utils.h"
#include "ui/DevicesForm.h"
#include "ui/DocForm.h"
#include "ui/InfoForm.h"
#include "ui/KeyGrid.h"
#include "ui/MessageForm.h"
#include "ui/ProgressForm.h"
#include "ui/QtCanvas.h"
#include "ui/TestForm.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <filesystem>

#ifndef LAYOMATIC_VERSION
#define LAYOMATIC_VERSION "0.0.0"
#endif

namespace lay {

int DocumentCounter = 0;

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Where the toolbars and the stored values of the main window live in the settings file.
constexpr const char* kFormStore = "Vantrel";

// Boxes of the driver installation, shown over the main window.
class TDialogSetupUser : public TSetupUser {
public:
    TDialogSetupUser(TUserDialogs& dialogs, QWidget* parent) : FDialogs(dialogs), FParent(parent) {}
    void ShowInformation(TWindowHandle, const std::string& title, const std::string& text) override {
        FDialogs.Inform(FParent, FromUtf8(title), FromUtf8(text));
    }
    void ShowError(TWindowHandle, const std::string& title, const std::string& text) override {
        FDialogs.Error(FParent, FromUtf8(title), FromUtf8(text));
    }

private:
    TUserDialogs& FDialogs;
    QWidget* FParent;
};

// The device operations' questions and warnings, as boxes titled "Внимание" over the main window.
class TDialogDeviceUser : public TDeviceUser {
public:
    TDialogDeviceUser(TUserDialogs& dialogs, QWidget* parent) : FDialogs(dialogs), FParent(parent) {}
    bool Confirm(const std::string& text) override {
        return FDialogs.Ask(FParent, SAttentionTitle, FromUtf8(text), false, true) == TAnswer::Yes;
    }
    void Warning(const std::string& text) override {
        FDialogs.Warning(FParent, SAttentionTitle, FromUtf8(text));
    }

private:
    TUserDialogs& FDialogs;
    QWidget* FParent;
};

constexpr const char* kWriteLayoutQuestion = "Вы хотите записать раскладку в клавиатуру?";
constexpr const char* kMemoryFilter = "Раскладка Layomatic (*.bin)|*.bin";
constexpr const char* kProgramFilter = "Программа клавиатуры (*.prg)|*.prg";

bool IsNTFamily() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

} // namespace

TfmMain::TfmMain(const TEditorSetup& setup, TUserDialogs* dialogs) : FDialogs(dialogs) {
    if (!FDialogs) {
        FOwnDialogs = std::make_unique<TQtDialogs>();
        FDialogs = FOwnDialogs.get();
    }
    // The manager loads the settings, the catalogue and the code table and opens the device.
    FDeviceUser = std::make_unique<TDialogDeviceUser>(*FDialogs, this);
    FManager = std::make_unique<TKeyboardManager>(*FDeviceUser, setup.Manager);
    FTextMetrics = std::make_unique<TQtTextMetrics>();
    FManager->SetTextMetrics(FTextMetrics.get());
    if (setup.Simulator)
        FSimulator = ConnectSimulator(*FManager, *setup.Simulator);
    setObjectName("fmMain");
    setWindowTitle(SAppTitle);
    setMinimumSize(430, 360);
    FMdiArea = new QMdiArea(this);
    FMdiArea->setObjectName("MdiArea");
    FMdiArea->setActivationOrder(QMdiArea::CreationOrder);
    setCentralWidget(FMdiArea);
    connect(FMdiArea, &QMdiArea::subWindowActivated, this, &TfmMain::SubWindowActivated);

    CreateCommands();
    CreateMenus();
    CreateToolBars();

    // The shared device windows, made once and reused.
    FInfo = new TfmInfo(this);
    FProgressWindow = std::make_unique<TfmProgress>(*FDialogs);
    FTest = new TfmTest(this);

    FMRU = FManager->MRU();
    if (FMRU.size() > MaxRecentFiles)
        FMRU.resize(MaxRecentFiles);
    UpdateRecentMenu();

    const TFontSettings& font = FManager->Font();
    QFont mainFont = QApplication::font();
    if (font.Size > 0)
        mainFont.setPointSize(font.Size);
    setFont(mainFont);
    FProgressWindow->setFont(mainFont);
    FManager->Progress().OnProgress = [this](TProgress& progress) { ProgressChanged(progress); };

    FMessageWindow = new TfmMessageWindow(*FDialogs, this);
    addDockWidget(Qt::BottomDockWidgetArea, FMessageWindow);
    FMessageWindow->OnMessageClick = [this](const std::string& text, int tag) { MessageClicked(text, tag); };
    FManager->OnMessage = [this](TKeyboardManager&, const std::string& line, int id) {
        FMessageWindow->AddMessage(line, id);
    };
    FManager->OnClearMessages = [this](TKeyboardManager&) { FMessageWindow->ClearMessages(); };
    FManager->OnShowMessages = [this](TKeyboardManager&) { FMessageWindow->ShowDockable(); };

    FMdiArea->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* context = new QMenu(this);
    QAction* messages = context->addAction("Окно сообщений");
    messages->setObjectName("miMessages");
    FActions["miMessages"] = messages;
    connect(messages, &QAction::triggered, this, [this] { FMessageWindow->ShowDockable(); });
    connect(FMdiArea, &QWidget::customContextMenuRequested, this,
            [this, context](const QPoint& at) { context->popup(FMdiArea->mapToGlobal(at)); });

    setWindowTitle(QString(SAppTitle) + " " + LAYOMATIC_VERSION);
    LoadFormStore();

    // The message window's place comes from the settings, whatever the store restored.
    if (FManager->MessageFormDocked()) {
        FMessageWindow->setFloating(false);
        FMessageWindow->DockHeight = FManager->DockPanelHeight();
        QTimer::singleShot(0, this, [this] { FMessageWindow->ShowDockable(); });
        FMessageWindow->show();
    } else {
        FMessageWindow->DockHeight = 1;
        FMessageWindow->hide();
    }
    UpdateCommands();

    if (FManager->CheckUpdateOnLoad())
        QTimer::singleShot(0, this, &TfmMain::SendRequest);
    if (FManager->FirstRun()) {
        FManager->SetFirstRun(false);
        QTimer::singleShot(0, this, &TfmMain::ShowWizard);
    }
}

TfmMain::~TfmMain() {
    FMessageWindow->OnMessageClick = nullptr;
    FManager->OnMessage = nullptr;
    FManager->OnClearMessages = nullptr;
    FManager->OnShowMessages = nullptr;
    FManager->Progress().OnProgress = nullptr;
    // Documents and the device windows go before the manager their layouts were built with.
    for (TfmDoc* doc : Documents())
        doc->OnDestroyed = nullptr;
    FLinks.clear();
    delete FMdiArea;
    delete FTest;
    delete FInfo;
    if (FSimulator)
        FSimulator->SaveState();
}

QAction* TfmMain::AddCommand(const char* name, const QString& caption, const QString& toolbarCaption,
                             const QKeySequence& shortcut, TRule rule, const std::function<void()>& handler) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    QString plain = toolbarCaption;
    if (plain.isEmpty()) {
        plain = caption;
        plain.remove('&');
    }
    action->setIconText(plain);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (handler)
        connect(action, &QAction::triggered, this, [this, handler] { Guard(handler); });
    FActions[name] = action;
    FCommands.push_back({action, rule});
    return action;
}

void TfmMain::CreateCommands() {
    QStyle* s = style();
    auto doc = [this]() -> TfmDoc& { return ActiveDocument(); };
    AddCommand("actLayoutNew", "Создать", {}, QKeySequence("Ctrl+N"), rAlways, [this] {
        actLayoutNewExecute();
    })->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    AddCommand("actLayoutNewMaster", "Создать при помощи мастера", {}, QKeySequence("Ctrl+Alt+N"), rLater,
               nullptr);
    AddCommand("actLayoutOpen", "&Открыть", "Открыть", QKeySequence("Ctrl+O"), rAlways, [this] {
        actLayoutOpenExecute();
    })->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    AddCommand("actLayoutSave", "&Сохранить", "Сохранить", QKeySequence("Ctrl+S"), rNeedsSave, [this] {
        actLayoutSaveExecute();
    })->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    AddCommand("actLayoutSaveAs", "Сохранить как...", {}, QKeySequence("Ctrl+Alt+S"), rDoc,
               [this] { actLayoutSaveAsExecute(); });
    AddCommand("actLayoutClose", "&Закрыть", {}, {}, rDoc, [this] {
        if (QMdiSubWindow* w = FMdiArea->currentSubWindow())
            w->close();
    });
    AddCommand("actLayoutCloseAll", "Закрыть все", {}, {}, rDoc, [this] { actLayoutCloseAllExecute(); });
    AddCommand("actPrintPreview", "Предварительный просмотр", "Просмотр", QKeySequence("Ctrl+W"), rLater,
               nullptr);
    AddCommand("actPrint", "Печать...", {}, QKeySequence("Ctrl+P"), rDoc, [this] { actPrintExecute(); });
    AddCommand("miExit", "&Выход", {}, {}, rAlways, [this] { close(); });

    AddCommand("actEditCut", "Вырезать", {}, QKeySequence("Ctrl+X"), rDoc, [doc] { doc().CutKeys(); });
    AddCommand("actEditCopy", "Копировать", {}, QKeySequence("Ctrl+C"), rDoc, [doc] { doc().CopyKeys(); });
    AddCommand("actEditPaste", "Вставить", {}, QKeySequence("Ctrl+V"), rPaste, [doc] { doc().PasteKeys(); });
    AddCommand("actEditFind", "Найти...", "Найти", QKeySequence("Ctrl+F"), rLater, nullptr);
    AddCommand("actEditReplace", "Заменить...", "Заменить", QKeySequence("Ctrl+R"), rLater, nullptr);
    AddCommand("actEditSelectAll", "Выделить все", {}, QKeySequence("Ctrl+A"), rDoc,
               [doc] { doc().SelectAll(); });
    AddCommand("actEditClear", "Очистить", {}, {}, rDoc, [doc] { doc().ClearKeys(); });
    AddCommand("actEditGroup", "Сгруппировать", {}, QKeySequence("Ctrl+Alt+G"), rGroup,
               [doc] { doc().GroupKeys(); });
    AddCommand("actEditUngroup", "Разгруппировать", {}, QKeySequence("Ctrl+Alt+D"), rUngroup,
               [doc] { doc().UngroupKeys(); });
    AddCommand("actEditMSR", "Считыватель магнитных карт", "Считыватель", QKeySequence("Ctrl+Alt+R"), rLater,
               nullptr);
    AddCommand("actEditKeylock", "Ключ клавиатуры", "Ключ", QKeySequence("Ctrl+Alt+K"), rLater, nullptr);
    AddCommand("actEditLayoutProp", "Свойства раскладки", "Раскладка", QKeySequence(Qt::Key_F11), rLater,
               nullptr);
    AddCommand("actEditKeyProp", "Клавиша", "Клавиша", QKeySequence("Ctrl+K"), rLater, nullptr);
    AddCommand("actCheckLayout", "Проверить раскладку", "Проверить", {}, rDoc,
               [doc] { doc().CheckLayout(); });

    AddCommand("actDeviceReadInfo", "Информация об устройстве", "Информация", QKeySequence(Qt::Key_F3),
               rAlways, [this] { DeviceCommand([this] { actDeviceReadInfoExecute(); }); });
    AddCommand("actDeviceTest", "Тест клавиатуры...", "Тест", QKeySequence(Qt::Key_F2), rAlways,
               [this] { actDeviceTestExecute(); });
    AddCommand("actDeviceWriteLayout", "Записать раскладку", "Загрузить", QKeySequence(Qt::Key_F5), rDoc,
               [this] { DeviceCommand([this] { actDeviceWriteLayoutExecute(); }); });
    AddCommand("actDeviceReadLayout", "Прочитать раскладку", "Прочитать", QKeySequence(Qt::Key_F4), rAlways,
               [this] { DeviceCommand([this] { actDeviceReadLayoutExecute(); }); });
    AddCommand("actDeviceReadMemory", "Прочитать раскладку в файл", {}, {}, rAlways,
               [this] { DeviceCommand([this] { actDeviceReadMemoryExecute(); }); });
    AddCommand("actDeviceWriteMemory", "Записать раскладку из файла", {}, {}, rAlways,
               [this] { DeviceCommand([this] { actDeviceWriteMemoryExecute(); }); });
    AddCommand("actDeviceWriteProgram", "Записать программу из файла", {}, QKeySequence(Qt::Key_F6), rAlways,
               [this] { DeviceCommand([this] { actDeviceWriteProgramExecute(); }); });
    AddCommand("miInstallDrv", "Установить драйвер клавиатуры", {}, {}, rNT, [this] {
        TDialogSetupUser user(*FDialogs, this);
        InstallDriver(static_cast<TWindowHandle>(winId()), user);
    });
    AddCommand("miUninstallDrv", "Удалить драйвер клавиатуры", {}, {}, rNT, [this] {
        TDialogSetupUser user(*FDialogs, this);
        UninstallDriver(static_cast<TWindowHandle>(winId()), user);
    });
    AddCommand("miLoader", "Перевести в режим загрузчика", {}, {}, rAlways,
               [this] { DeviceCommand([this] { FManager->Driver().SetMode(2); }); });
    AddCommand("miWork", "Перевести в рабочий режим", {}, {}, rAlways,
               [this] { DeviceCommand([this] { FManager->Driver().SetMode(0); }); });

    AddCommand("actLayerAll", "Все слои", {}, QKeySequence("Shift+F5"), rDoc, [this] { LayersExecute(0); });
    AddCommand("actLayer1", "Слой 1", {}, QKeySequence("Shift+F1"), rDoc, [this] { LayersExecute(1); });
    AddCommand("actLayer2", "Слой 2", {}, QKeySequence("Shift+F2"), rLayer2, [this] { LayersExecute(2); });
    AddCommand("actLayer3", "Слой 3", {}, QKeySequence("Shift+F3"), rLayer3, [this] { LayersExecute(3); });
    AddCommand("actLayer4", "Слой 4", {}, QKeySequence("Shift+F4"), rLayer4, [this] { LayersExecute(4); });
    AddCommand("actViewLayout", "Показать раскладку", "Раскладка", QKeySequence("Ctrl+L"), rDoc,
               [this] { ViewsExecute(vmLayout); });
    AddCommand("actViewPicture", "Показать рисунок", "Рисунок", QKeySequence("Ctrl+Alt+P"), rDoc,
               [this] { ViewsExecute(vmPicture); });
    AddCommand("actViewSimple", "Упрощенный вид раскладки", "Упрощенно", QKeySequence("Ctrl+Alt+L"), rDoc,
               [this] { ViewsExecute(vmSimplified); });
    for (const char* name : {"actLayerAll", "actLayer1", "actLayer2", "actLayer3", "actLayer4",
                             "actViewLayout", "actViewPicture", "actViewSimple"})
        FActions[name]->setCheckable(true);

    for (const char* name : {"miPanelStandard", "miPanelDevice", "miPanelLayer"}) {
        const QString caption = QString(name) == "miPanelStandard" ? "Стандартная"
                                : QString(name) == "miPanelDevice" ? "Устройство"
                                                                   : "Слои";
        QAction* a = AddCommand(name, caption, {}, {}, rAlways, nullptr);
        a->setCheckable(true);
        a->setChecked(true);
    }
    AddCommand("miCaption", "Подписи к кнопкам", {}, {}, rAlways, [this] {
        miCaptionClick();
    })->setCheckable(true);
    AddCommand("miErrorWnd", "Окно сообщений", {}, QKeySequence("Ctrl+Alt+M"), rAlways, [this] {
        if (FMessageWindow->isVisible())
            FMessageWindow->HideDockable();
        else
            FMessageWindow->ShowDockable();
    });
    AddCommand("miAppSettings", "Настройки приложения...", {}, {}, rLater, nullptr);
    AddCommand("actWindowTileVert", "Расположить вертикально", {}, {}, rDoc, [this] { TileDocuments(true); });
    AddCommand("actWindowTileHor", "Расположить горизонтально", {}, {}, rDoc,
               [this] { TileDocuments(false); });
    AddCommand("actWindowCascade", "Каскадом", {}, {}, rDoc, [this] { FMdiArea->cascadeSubWindows(); });
    AddCommand("miDoc", "Вызов справки...", {}, QKeySequence(Qt::Key_F1), rAlways, [this] { miDocClick(); });
    AddCommand("miDevices", "Поддерживаемые устройства...", {}, {}, rAlways, [this] { miDevicesClick(); });
    AddCommand("miUpdate", "Проверить обновления...", {}, {}, rLater, nullptr);
    AddCommand("actHelpAbout", "О программе...", {}, {}, rAlways, [this] { actHelpAboutExecute(); });
}

void TfmMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("tbMenu");
    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (name[0] == '-')
                menu->addSeparator();
            else
                menu->addAction(FActions.at(name));
        }
    };
    FFileMenu = bar->addMenu("&Файл");
    add(FFileMenu, {"actLayoutNew", "actLayoutNewMaster", "actLayoutOpen", "-", "actLayoutSave",
                    "actLayoutSaveAs", "-", "actLayoutClose", "actLayoutCloseAll"});
    FRecentSeparator = FFileMenu->addSeparator();
    for (int i = 0; i < MaxRecentFiles; ++i) {
        QAction* a = FFileMenu->addAction(QString());
        a->setObjectName(QString("miRecent%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, i] {
            Guard([this, i] {
                if (i >= static_cast<int>(FMRU.size()))
                    return;
                const TMRUEntry entry = FMRU[static_cast<std::size_t>(i)];
                OpenLayoutFile(entry.Filter, entry.FileName);
            });
        });
        FRecentActions.push_back(a);
    }
    add(FFileMenu, {"-", "actPrintPreview", "actPrint", "-", "miExit"});

    QMenu* edit = bar->addMenu("&Правка");
    add(edit, {"actEditCut", "actEditCopy", "actEditPaste", "actEditFind", "actEditReplace", "-",
               "actEditSelectAll", "actEditClear", "-", "actEditGroup", "actEditUngroup", "-", "actEditMSR",
               "actEditKeylock", "actEditLayoutProp", "actCheckLayout"});
    QMenu* device = bar->addMenu("&Устройство");
    add(device, {"actDeviceReadInfo", "actDeviceTest", "-", "actDeviceWriteLayout", "actDeviceReadLayout",
                 "-", "actDeviceReadMemory", "actDeviceWriteMemory", "actDeviceWriteProgram", "-",
                 "miInstallDrv", "miUninstallDrv", "-", "miLoader", "miWork"});
    QMenu* view = bar->addMenu("&Вид");
    add(view->addMenu("Отображаемые слои"),
        {"actLayerAll", "actLayer1", "actLayer2", "actLayer3", "actLayer4"});
    add(view->addMenu("Панели инструментов"), {"miPanelStandard", "miPanelDevice", "miPanelLayer"});
    view->addSeparator();
    add(view, {"miCaption"});
    add(view->addMenu("Режим отображения"), {"actViewLayout", "actViewSimple", "actViewPicture"});
    view->addSeparator();
    add(view, {"miErrorWnd"});
    add(bar->addMenu("&Настройки"), {"miAppSettings"});
    add(bar->addMenu("&Окно"), {"actWindowTileVert", "actWindowTileHor", "actWindowCascade"});
    add(bar->addMenu("&Справка"), {"miDoc", "miDevices", "miUpdate", "-", "actHelpAbout"});
}

void TfmMain::CreateToolBars() {
    auto make = [this](const char* name, const QString& caption, std::initializer_list<const char*> names) {
        QToolBar* bar = addToolBar(caption);
        bar->setObjectName(name);
        for (const char* item : names) {
            if (item[0] == '-')
                bar->addSeparator();
            else
                bar->addAction(FActions.at(item));
        }
        FToolBars[name] = bar;
        return bar;
    };
    make("tbStandard", "Стандартная",
         {"actLayoutNew", "actLayoutOpen", "actLayoutSave", "-", "actEditCut", "actEditCopy", "actEditPaste",
          "actEditFind", "actEditReplace", "-", "actPrintPreview", "-", "actEditGroup", "actEditUngroup",
          "actEditKeyProp", "actEditMSR", "actEditKeylock", "actEditLayoutProp", "actCheckLayout"});
    // The standard toolbar alone is as wide as a small screen: the rest go on a second row.
    addToolBarBreak();
    make("tbDevice", "Устройство",
         {"actDeviceWriteLayout", "actDeviceReadLayout", "actDeviceReadInfo", "actDeviceTest"});
    make("tbLayer", "Слои", {"actLayerAll", "actLayer1", "actLayer2", "actLayer3", "actLayer4"});
    make("tbViewMode", "Режим отбражения", {"actViewLayout", "actViewSimple", "actViewPicture"});
    QToolBar* usb = make("tbUsb", "USB устройство", {});
    usb->addWidget(new QLabel("Устройство:", usb));
    FDevices = new QComboBox(usb);
    FDevices->setObjectName("cbDevices");
    FDevices->setMinimumContentsLength(16);
    usb->addWidget(FDevices);
    FRefresh = new QToolButton(usb);
    FRefresh->setObjectName("btnRefresh");
    FRefresh->setToolTip("Обновить список устройств");
    FRefresh->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    usb->addWidget(FRefresh);
    connect(FDevices, &QComboBox::activated, this, [this](int index) {
        Guard([this, index] { FManager->SelectDevice(FDevices->itemText(index).toStdString()); });
    });
    connect(FRefresh, &QToolButton::clicked, this, [this] {
        Guard([this] {
            FManager->RefreshDevices();
            RefreshDeviceList();
        });
    });

    const std::pair<const char*, const char*> panels[] = {
        {"miPanelStandard", "tbStandard"}, {"miPanelDevice", "tbDevice"}, {"miPanelLayer", "tbLayer"}};
    for (const auto& [item, bar] : panels) {
        QAction* action = FActions.at(item);
        QToolBar* toolBar = FToolBars.at(bar);
        connect(action, &QAction::toggled, toolBar, &QToolBar::setVisible);
        // Closing a toolbar by other means clears its item too.
        connect(toolBar->toggleViewAction(), &QAction::toggled, action, &QAction::setChecked);
    }
    SetCaptions(false);
}

QAction* TfmMain::Action(const QString& name) const {
    const auto it = FActions.find(name);
    return it == FActions.end() ? nullptr : it->second;
}

QToolBar* TfmMain::ToolBar(const QString& name) const {
    const auto it = FToolBars.find(name);
    return it == FToolBars.end() ? nullptr : it->second;
}

void TfmMain::Guard(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowException(*FDialogs, this, e);
    }
}

std::vector<TfmDoc*> TfmMain::Documents() const {
    std::vector<TfmDoc*> result;
    for (QMdiSubWindow* w : FMdiArea->subWindowList(QMdiArea::CreationOrder))
        if (auto* doc = qobject_cast<TfmDoc*>(w->widget()))
            result.push_back(doc);
    return result;
}

bool TfmMain::HasActiveDocument() const {
    QMdiSubWindow* w = FMdiArea->currentSubWindow();
    return w && qobject_cast<TfmDoc*>(w->widget());
}

TfmDoc& TfmMain::ActiveDocument() const {
    QMdiSubWindow* w = FMdiArea->currentSubWindow();
    auto* doc = w ? qobject_cast<TfmDoc*>(w->widget()) : nullptr;
    if (!doc)
        throw Exception(SNoActiveDocument);
    return *doc;
}

TfmDoc& TfmMain::NewDocument() {
    ++DocumentCounter;
    auto* doc = new TfmDoc(*FManager, *FDialogs);
    doc->setWindowTitle(QString(SDocumentCaption) + QString::number(DocumentCounter));
    FLinks[doc] =
        doc->Layout.AddLink([this, doc](TObject*) { LayoutChanged(doc, doc->Layout.LastChange()); });
    doc->OnDestroyed = [this](TfmDoc* gone) {
        FLinks.erase(gone);
        // The closing window may still be the current one; look again once it is gone.
        QTimer::singleShot(0, this, [this] { UpdateCommands(); });
    };
    doc->SetViewMode(FManager->ViewMode());
    return *doc;
}

void TfmMain::PlaceDocument(TfmDoc& doc) {
    const int n = static_cast<int>(FMdiArea->subWindowList().size());
    QMdiSubWindow* window = FMdiArea->addSubWindow(&doc);
    window->setAttribute(Qt::WA_DeleteOnClose);
    const int top = std::max(0, height() - FMdiArea->height() - 4) * n;
    window->resize(std::max(window->width(), FMdiArea->width() * 3 / 4),
                   std::max(window->height(), FMdiArea->height() * 3 / 4));
    window->move(30 * n, top);
    window->show();
    doc.SetGridSize(doc.Layout.ColCount() + 1, doc.Layout.RowCount() + 1);
    FMdiArea->setActiveSubWindow(window);
    UpdateCommands();
}

void TfmMain::AddRecentFile(const std::string& fileName, int formatIndex) {
    const std::string full = FromPath(std::filesystem::absolute(ToPath(fileName)).lexically_normal());
    std::erase_if(FMRU, [&](const TMRUEntry& e) { return e.FileName == full; });
    FMRU.insert(FMRU.begin(), {full, formatIndex});
    if (FMRU.size() > MaxRecentFiles)
        FMRU.resize(MaxRecentFiles);
    UpdateRecentMenu();
}

void TfmMain::UpdateRecentMenu() {
    FRecentSeparator->setVisible(!FMRU.empty());
    for (std::size_t i = 0; i < FRecentActions.size(); ++i) {
        QAction* a = FRecentActions[i];
        a->setVisible(i < FMRU.size());
        if (i < FMRU.size())
            a->setText(QString("&%1 %2").arg(i + 1).arg(FromUtf8(FMRU[i].FileName)));
    }
}

void TfmMain::OpenLayoutFile(int formatIndex, const std::string& fileName) {
    AddRecentFile(fileName, formatIndex);
    TfmDoc& doc = NewDocument();
    doc.setWindowTitle(FromUtf8(fileName));
    try {
        FManager->OpenLayout(doc.Layout, formatIndex, fileName);
    } catch (...) {
        delete &doc;
        throw;
    }
    // Saving writes the file back in the format it was read in.
    doc.SetSaveFormat(formatIndex == ofBin210 ? sfBin210 : sfXML);
    PlaceDocument(doc);
    UpdateCommands();
}

void TfmMain::actLayoutNewExecute() {
    TfmDoc& doc = NewDocument();
    try {
        FManager->SetLayoutKeyboard(doc.Layout, FManager->KeyboardID());
    } catch (...) {
        delete &doc;
        throw;
    }
    doc.Layout.ClearModified();
    PlaceDocument(doc);
}

void TfmMain::actLayoutOpenExecute() {
    QString fileName = FromUtf8(FManager->LastFile);
    int index = 1;
    if (!FDialogs->OpenFile(this, FromUtf8(FManager->OpenFilter()), FromUtf8(FManager->LastDir), index,
                            fileName))
        return;
    OpenLayoutFile(index - 1, fileName.toStdString());
}

void TfmMain::actLayoutSaveExecute() {
    TfmDoc& doc = ActiveDocument();
    if (!doc.Layout.FileName.empty()) {
        doc.SaveLayout();
        doc.Layout.ClearModified();
    } else {
        actLayoutSaveAsExecute();
    }
    UpdateCommands();
}

void TfmMain::actLayoutSaveAsExecute() {
    TfmDoc& doc = ActiveDocument();
    const QString proposed =
        doc.Layout.FileName.empty() ? doc.windowTitle() : FromUtf8(FileNameWithoutExt(doc.Layout.FileName));
    if (!doc.SaveLayoutAs(proposed))
        return;
    doc.Layout.ClearModified();
    const std::string name = doc.Layout.FileName;
    // The recent entry is opened again with the open format that reads what was written: XML
    // text for the XML formats, the device image for the binary ones. A metafile cannot be
    // opened again and is not offered.
    const int format = doc.SaveFormat();
    if (format == sfXML || format == sfXML13)
        AddRecentFile(name, ofXML);
    else if (format != sfEMF)
        AddRecentFile(name, ofBin210);
    UpdateCommands();
}

void TfmMain::actLayoutCloseAllExecute() {
    const QList<QMdiSubWindow*> windows = FMdiArea->subWindowList(QMdiArea::CreationOrder);
    for (qsizetype i = windows.size() - 1; i >= 0; --i)
        windows[i]->close();
}

void TfmMain::actPrintExecute() {
    TfmDoc& doc = ActiveDocument();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    doc.PrintLayout(printer);
}

void TfmMain::actHelpAboutExecute() {
    std::string driver;
    try {
        driver = FManager->Driver().GetDriverVersion();
    } catch (const std::exception&) {
        driver = SDriverVersionUnavailable;
    }
    const QString text =
        QString("Версия программы : %1\nВерсия драйвера  : %2").arg(LAYOMATIC_VERSION, FromUtf8(driver));
    FDialogs->Inform(this, SAppTitle, text);
}

void TfmMain::DeviceCommand(const std::function<void()>& body) {
    try {
        body();
    } catch (...) {
        if (FSimulator)
            FSimulator->SaveState();
        throw;
    }
    if (FSimulator)
        FSimulator->SaveState();
}

void TfmMain::ProgressChanged(TProgress& progress) {
    if (progress.State == psStarted)
        setEnabled(false);
    else if (progress.State == psFinished)
        setEnabled(true);
    // The progress window lets pending events through, so that it paints and "Прервать" works.
    FProgressWindow->Update(progress);
}

void TfmMain::actDeviceReadInfoExecute() {
    const TDeviceInfoReport report = ReadDeviceInfo(FManager->Driver(), FManager->Keyboards());
    FInfo->setFont(font());
    FInfo->Fill(report);
    FInfo->exec();
}

void TfmMain::actDeviceTestExecute() {
    FTest->setFont(font());
    FTest->show();
    FTest->raise();
    FTest->activateWindow();
}

void TfmMain::actDeviceWriteLayoutExecute() {
    TfmDoc& doc = ActiveDocument();
    if (FDialogs->Ask(this, SAppTitle, kWriteLayoutQuestion, false) != TAnswer::Yes)
        return;
    if (FManager->SaveBeforeUpload())
        actLayoutSaveExecute();
    FManager->WriteLayout(doc.Layout);
}

void TfmMain::actDeviceReadLayoutExecute() {
    // The keyboard's layout is read whole before any window appears: a failed read leaves none.
    TLayout layout;
    FManager->ReadLayout(layout);
    TfmDoc& doc = NewDocument();
    doc.AssignLayout(layout);
    PlaceDocument(doc);
    UpdateCommands();
}

void TfmMain::actDeviceReadMemoryExecute() {
    QString fileName = FromUtf8(FManager->LastFile);
    int index = 1;
    if (!FDialogs->SaveFile(this, kMemoryFilter, FromUtf8(FManager->LastDir), "bin", index, fileName))
        return;
    FManager->ReadMemoryToFile(fileName.toStdString());
}

void TfmMain::actDeviceWriteMemoryExecute() {
    QString fileName = FromUtf8(FManager->LastFile);
    int index = 1;
    if (!FDialogs->OpenFile(this, kMemoryFilter, FromUtf8(FManager->LastDir), index, fileName))
        return;
    FManager->WriteMemoryFromFile(fileName.toStdString());
}

void TfmMain::actDeviceWriteProgramExecute() {
    QString fileName;
    int index = 1;
    if (!FDialogs->OpenFile(this, kProgramFilter, FromUtf8(FManager->LastDir), index, fileName))
        return;
    FManager->WriteProgramFromFile(fileName.toStdString());
}

void TfmMain::miDevicesClick() {
    TfmDevices dialog(FManager->Keyboards(), FManager->KeyboardID(), this);
    dialog.setFont(font());
    dialog.exec();
}

void TfmMain::miDocClick() {
    const QString help = FromUtf8(FromPath(ToPath(ProgramFolder()) / "Layomatic.chm"));
    // A help file that is missing or has no viewer shows nothing.
    if (QFileInfo::exists(help))
        QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void TfmMain::SetCaptions(bool withCaptions) {
    for (const char* name : {"tbStandard", "tbDevice", "tbLayer", "tbViewMode"})
        FToolBars.at(name)->setToolButtonStyle(withCaptions ? Qt::ToolButtonTextUnderIcon
                                                            : Qt::ToolButtonIconOnly);
}

void TfmMain::miCaptionClick() {
    // The action has already inverted its check mark.
    SetCaptions(FActions.at("miCaption")->isChecked());
    SaveFormStore();
}

void TfmMain::SendRequest() {
    // The silent update check joins the editor with the update service; until then the
    // start-up request has nothing to start.
}

void TfmMain::ShowWizard() {
    FActions.at("actLayoutNewMaster")->trigger();
}

void TfmMain::TileDocuments(bool sideBySide) {
    const QList<QMdiSubWindow*> windows = FMdiArea->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    const QRect area = FMdiArea->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        w->showNormal();
        if (sideBySide)
            w->setGeometry(area.width() * i / n, 0, area.width() * (i + 1) / n - area.width() * i / n,
                           area.height());
        else
            w->setGeometry(0, area.height() * i / n, area.width(),
                           area.height() * (i + 1) / n - area.height() * i / n);
    }
}

void TfmMain::LayoutChanged(TfmDoc*, std::uint8_t kind) {
    if (kind == lcDestroying) {
        if (!HasActiveDocument())
            DisableCommands();
        return;
    }
    UpdateCommands();
}

void TfmMain::SubWindowActivated(QMdiSubWindow* window) {
    if (window == FLastActive) {
        UpdateCommands();
        return;
    }
    if (FLastActive) {
        if (auto* previous = qobject_cast<TfmDoc*>(FLastActive->widget()))
            previous->Layout.Deactivated();
    }
    FLastActive = window;
    if (window) {
        connect(window, &QObject::destroyed, this, [this, window] {
            if (FLastActive == window)
                FLastActive = nullptr;
        });
        if (auto* doc = qobject_cast<TfmDoc*>(window->widget()))
            doc->Layout.Activated();
    }
    UpdateCommands();
}

void TfmMain::UpdateCommands() {
    for (const char* name : {"tbStandard", "tbDevice", "tbLayer"}) {
        const char* item = QString(name) == "tbStandard" ? "miPanelStandard"
                           : QString(name) == "tbDevice" ? "miPanelDevice"
                                                         : "miPanelLayer";
        // Toolbars come back after the print preview hid them; one the user closed stays closed.
        FToolBars.at(name)->setVisible(FActions.at(item)->isChecked());
    }
    FToolBars.at("tbViewMode")->setVisible(true);
    menuBar()->setVisible(true);
    RefreshDeviceList();

    TfmDoc* doc = HasActiveDocument() ? &ActiveDocument() : nullptr;
    const bool docNeedsSave = doc && doc->NeedsSave();
    for (const TCommand& c : FCommands) {
        bool enabled = true;
        switch (c.Rule) {
        case rAlways:
            enabled = true;
            break;
        case rDoc:
            enabled = doc;
            break;
        case rNeedsSave:
            enabled = docNeedsSave;
            break;
        case rPaste:
            enabled = doc && doc->CanPaste();
            break;
        case rGroup:
            enabled = doc && doc->CanGroup();
            break;
        case rUngroup:
            enabled = doc && doc->CanUngroup();
            break;
        case rLayer2:
            enabled = doc && doc->Layout.LayerCount() >= 2;
            break;
        case rLayer3:
            enabled = doc && doc->Layout.LayerCount() >= 3;
            break;
        case rLayer4:
            enabled = doc && doc->Layout.LayerCount() >= 4;
            break;
        case rNT:
            enabled = IsNTFamily();
            break;
        case rLater:
            enabled = false;
            break;
        }
        c.Action->setEnabled(enabled);
    }
    const int layer = doc ? doc->Layer() : -1;
    const int mode = doc ? doc->ViewMode() : -1;
    FActions.at("actViewLayout")->setChecked(mode == vmLayout);
    FActions.at("actViewPicture")->setChecked(mode == vmPicture);
    FActions.at("actViewSimple")->setChecked(mode == vmSimplified);
    FActions.at("actLayerAll")->setChecked(layer == 0);
    for (int i = 1; i <= 4; ++i)
        FActions.at(QString("actLayer%1").arg(i))->setChecked(layer == i);
}

void TfmMain::DisableCommands() {
    for (const TCommand& c : FCommands)
        if (c.Rule != rAlways && c.Rule != rNT)
            c.Action->setEnabled(false);
    FActions.at("actPrintPreview")->setEnabled(false);
    for (const char* name : {"actLayerAll", "actLayer1", "actLayer2", "actLayer3", "actLayer4"})
        FActions.at(name)->setChecked(false);
}

void TfmMain::HideCommands() {
    DisableCommands();
    for (auto& [name, bar] : FToolBars)
        bar->setVisible(false);
    menuBar()->setVisible(false);
}

void TfmMain::RefreshDeviceList() {
    FDevices->clear();
    TDeviceList devices;
    FManager->GetDevices(devices);
    for (const TDeviceEntry& device : devices)
        FDevices->addItem(FromUtf8(device.Name));
    FDevices->setCurrentIndex(FDevices->findText(FromUtf8(FManager->DeviceName())));
    FDevices->setEnabled(FDevices->count() > 1);
    FToolBars.at("tbUsb")->setVisible(true);
}

void TfmMain::LayersExecute(int layer) {
    TfmDoc& doc = ActiveDocument();
    doc.SetLayer(layer);
    FActions.at("actLayerAll")->setChecked(doc.Layer() == 0);
    for (int i = 1; i <= 4; ++i)
        FActions.at(QString("actLayer%1").arg(i))->setChecked(doc.Layer() == i);
}

void TfmMain::ViewsExecute(int mode) {
    TfmDoc& doc = ActiveDocument();
    doc.SetViewMode(mode);
    FActions.at("actViewLayout")->setChecked(mode == vmLayout);
    FActions.at("actViewPicture")->setChecked(mode == vmPicture);
    FActions.at("actViewSimple")->setChecked(mode == vmSimplified);
    FManager->SetViewMode(mode);
    // The print preview joins the editor later; until then it stays disabled in every mode.
    FActions.at("actPrintPreview")->setEnabled(false);
}

void TfmMain::MessageClicked(const std::string& text, int layoutId) {
    for (TfmDoc* doc : Documents())
        if (doc->Layout.ID() == layoutId) {
            if (doc->GotoMessage(text))
                if (auto* w = qobject_cast<QMdiSubWindow*>(doc->parentWidget()))
                    FMdiArea->setActiveSubWindow(w);
            return;
        }
}

void TfmMain::LoadFormStore() {
    TIniFile ini;
    if (!ini.LoadFromFile(FManager->Settings().FileName()))
        return;
    const std::string state = ini.ReadString(kFormStore, "Toolbars", "");
    if (!state.empty())
        restoreState(QByteArray::fromHex(QByteArray::fromStdString(state)));
    for (const auto& [item, bar] :
         {std::pair{"miPanelStandard", "tbStandard"}, std::pair{"miPanelDevice", "tbDevice"},
          std::pair{"miPanelLayer", "tbLayer"}})
        FActions.at(item)->setChecked(!FToolBars.at(bar)->isHidden());
    const bool captions = ini.ReadBool(kFormStore, "CaptionChecked", false);
    FActions.at("miCaption")->setChecked(captions);
    SetCaptions(captions);
}

void TfmMain::SaveFormStore() {
    const std::string fileName = FManager->Settings().FileName();
    TIniFile ini;
    ini.LoadFromFile(fileName);
    ini.WriteString(kFormStore, "Toolbars", saveState().toHex().toStdString());
    ini.WriteBool(kFormStore, "CaptionChecked", FActions.at("miCaption")->isChecked());
    ini.SaveToFile(fileName);
}

void TfmMain::SaveState() {
    TSettingsManager& settings = FManager->Settings();
    settings.DockPanelHeight = FMessageWindow->DockHeight;
    settings.MessageFormDocked = FMessageWindow->Docked();
    settings.MRU = FMRU;
    settings.Save();
    SaveFormStore();
    FStateSaved = true;
}

void TfmMain::closeEvent(QCloseEvent* event) {
    // Each modified document asks whether to save; one that stays open keeps the program open.
    actLayoutCloseAllExecute();
    const QList<QMdiSubWindow*> left = FMdiArea->subWindowList();
    if (std::any_of(left.begin(), left.end(), [](QMdiSubWindow* w) { return w->isVisible(); })) {
        event->ignore();
        return;
    }
    Guard([this] { SaveState(); });
    event->accept();
}

} // namespace lay
