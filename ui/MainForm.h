#pragma once

#include "device/KeyboardManager.h"
#include "device/KeyboardSimulator.h"
#include "files/SettingsManager.h"
#include "model/Notify.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace lay {

class TDeviceUser;
class TfmDoc;
class TfmInfo;
class TfmMessageWindow;
class TfmProgress;
class TfmTest;
class TTextMetrics;
class TUserDialogs;

// What the editor starts with: where its files are, and the keyboard it talks to when there is
// no hardware (the simulator options of the command line).
struct TEditorSetup {
    TManagerSetup Manager;
    std::optional<TSimulatorChoice> Simulator;
};

// The multiple-document frame: menus, toolbars, the document windows, the message window, the
// recent files, and the enabled state of every command.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    // Makes the keyboard manager (settings, catalogue, code table, the device) from the setup;
    // dialogs answer the boxes and file dialogs (the platform's when none is given).
    explicit TfmMain(const TEditorSetup& setup = {}, TUserDialogs* dialogs = nullptr);
    ~TfmMain() override;

    TKeyboardManager& Manager() const { return *FManager; }
    // The simulated keyboard the device commands reach, when the editor was started with one.
    TKeyboardSimulator* Simulator() const { return FSimulator.get(); }
    TfmInfo& InfoWindow() const { return *FInfo; }
    TfmTest& TestWindow() const { return *FTest; }
    TfmProgress& ProgressWindow() const { return *FProgressWindow; }
    TUserDialogs& Dialogs() const { return *FDialogs; }
    TfmMessageWindow& MessageWindow() const { return *FMessageWindow; }
    QMdiArea& MdiArea() const { return *FMdiArea; }
    // A command, menu item or toolbar by its name ("actLayoutNew", "tbStandard").
    QAction* Action(const QString& name) const;
    QToolBar* ToolBar(const QString& name) const;
    QComboBox* DeviceBox() const { return FDevices; }

    bool HasActiveDocument() const;
    // Raises "Нет активного документа" when the active child is no layout document.
    TfmDoc& ActiveDocument() const;
    std::vector<TfmDoc*> Documents() const;

    TfmDoc& NewDocument();
    void PlaceDocument(TfmDoc& doc);
    void OpenLayoutFile(int formatIndex, const std::string& fileName);
    void AddRecentFile(const std::string& fileName, int formatIndex);
    const std::vector<TMRUEntry>& RecentFiles() const { return FMRU; }

    void UpdateCommands();
    void DisableCommands();
    void HideCommands();
    void RefreshDeviceList();
    void MessageClicked(const std::string& text, int layoutId);
    // Every report of a device operation: the main window is disabled from start to finish, the
    // progress window follows, and the events in between are handled.
    void ProgressChanged(TProgress& progress);
    // Saves the dock, the recent files, the settings and the toolbars: the last steps of a run.
    void SaveState();

    // Runs a command and shows its error as the application does.
    void Guard(const std::function<void()>& command);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum TRule {
        rAlways,
        rDoc,
        rNeedsSave,
        rPaste,
        rGroup,
        rUngroup,
        rLayer2,
        rLayer3,
        rLayer4,
        rNT,
        // Commands whose windows join the editor later.
        rLater,
    };
    struct TCommand {
        QAction* Action;
        TRule Rule;
    };

    QAction* AddCommand(const char* name, const QString& caption, const QString& toolbarCaption,
                        const QKeySequence& shortcut, TRule rule, const std::function<void()>& handler);
    void CreateCommands();
    void CreateMenus();
    void CreateToolBars();
    void UpdateRecentMenu();
    void LayoutChanged(TfmDoc* doc, std::uint8_t kind);
    void SubWindowActivated(QMdiSubWindow* window);
    void LayersExecute(int layer);
    void ViewsExecute(int mode);
    void SetCaptions(bool withCaptions);
    void SaveFormStore();
    void LoadFormStore();
    void TileDocuments(bool sideBySide);

    void actLayoutNewExecute();
    void actLayoutOpenExecute();
    void actLayoutSaveExecute();
    void actLayoutSaveAsExecute();
    void actLayoutCloseAllExecute();
    void actPrintExecute();
    void actHelpAboutExecute();
    void actDeviceReadInfoExecute();
    void actDeviceTestExecute();
    void actDeviceWriteLayoutExecute();
    void actDeviceReadLayoutExecute();
    void actDeviceReadMemoryExecute();
    void actDeviceWriteMemoryExecute();
    void actDeviceWriteProgramExecute();
    void miDevicesClick();
    // Runs a device command; a simulated keyboard keeps what it holds afterwards, also when the
    // command failed half-way, as a real one would.
    void DeviceCommand(const std::function<void()>& body);
    void miDocClick();
    void miCaptionClick();
    void SendRequest();
    void ShowWizard();

    std::unique_ptr<TUserDialogs> FOwnDialogs;
    TUserDialogs* FDialogs;
    // Made in this order and freed in the reverse one: the progress window and the simulated
    // keyboard go before the manager they work with, the user its questions reach after it.
    std::unique_ptr<TDeviceUser> FDeviceUser;
    std::unique_ptr<TTextMetrics> FTextMetrics;
    std::unique_ptr<TKeyboardManager> FManager;
    std::unique_ptr<TKeyboardSimulator> FSimulator;
    // A window of its own, so that it stays usable while the main window is disabled.
    std::unique_ptr<TfmProgress> FProgressWindow;
    TfmInfo* FInfo = nullptr;
    TfmTest* FTest = nullptr;
    QMdiArea* FMdiArea = nullptr;
    TfmMessageWindow* FMessageWindow = nullptr;
    QComboBox* FDevices = nullptr;
    QToolButton* FRefresh = nullptr;
    QMenu* FFileMenu = nullptr;
    QAction* FRecentSeparator = nullptr;
    std::vector<QAction*> FRecentActions;
    std::vector<TCommand> FCommands;
    std::map<QString, QAction*> FActions;
    std::map<QString, QToolBar*> FToolBars;
    std::map<TfmDoc*, std::unique_ptr<TNotifyLink>> FLinks;
    QMdiSubWindow* FLastActive = nullptr;
    std::vector<TMRUEntry> FMRU;
    bool FStateSaved = false;
};

// Numbers the captions of new documents for the whole run; it never goes back.
extern int DocumentCounter;

inline constexpr const char* SNoActiveDocument = "Нет активного документа";
inline constexpr const char* SDocumentCaption = "Раскладка";
inline constexpr int MaxRecentFiles = 4;

} // namespace lay
