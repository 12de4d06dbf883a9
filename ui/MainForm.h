#pragma once

#include "files/SettingsManager.h"
#include "model/Notify.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>
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

class TAppServices;
class TfmDoc;
class TfmMessageWindow;
class TUserDialogs;

// The multiple-document frame: menus, toolbars, the document windows, the message window, the
// recent files, and the enabled state of every command.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    // Takes the program-wide services; dialogs answer the boxes and file dialogs (the platform's
    // when none is given).
    explicit TfmMain(std::unique_ptr<TAppServices> services, TUserDialogs* dialogs = nullptr);
    ~TfmMain() override;

    TAppServices& Services() const { return *FServices; }
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
        // Commands whose windows or device operations join the editor later.
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
    void miDocClick();
    void miCaptionClick();
    void SendRequest();
    void ShowWizard();

    std::unique_ptr<TAppServices> FServices;
    std::unique_ptr<TUserDialogs> FOwnDialogs;
    TUserDialogs* FDialogs;
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
    int FSaveFilterIndex = 1;
    bool FStateSaved = false;
};

// Numbers the captions of new documents for the whole run; it never goes back.
extern int DocumentCounter;

inline constexpr const char* SNoActiveDocument = "Нет активного документа";
inline constexpr const char* SDocumentCaption = "Раскладка";
inline constexpr int MaxRecentFiles = 4;

} // namespace lay
