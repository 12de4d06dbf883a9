#pragma once

#include "model/Layout.h"

#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QPainter;
class QPrinter;
class QSizeF;
class QToolBar;

namespace lay {

class TKeyboardManager;
class TKeyGrid;
class TUserDialogs;

// The window of one open layout: the layout, its key grid under a small toolbar, and the
// editing of the layout as a whole.
class TfmDoc : public QWidget {
    Q_OBJECT
public:
    TfmDoc(TKeyboardManager& manager, TUserDialogs& dialogs, QWidget* parent = nullptr);
    ~TfmDoc() override;

    TLayout Layout;
    TLayout ClipLayout;
    TKeyGrid& Grid() const { return *FGrid; }

    int Layer() const;
    void SetLayer(int layer);
    int ViewMode() const;
    void SetViewMode(int mode);

    bool CanPaste() const;
    bool CanGroup() const;
    bool CanUngroup() const;
    bool NeedsSave() const;
    void SelectAll();
    void CopyKeys();
    void CutKeys();
    void PasteKeys();
    void ClearKeys();
    void GroupKeys();
    void UngroupKeys();
    // Clears the message window, checks the layout and reports the result.
    void CheckLayout();
    void AssignLayout(const TLayout& source);
    bool GotoMessage(const std::string& line);
    // Draws the layout on the printer in 0.1 mm units.
    void PrintLayout(QPrinter& printer);
    // The page of the print on any painter whose device has that many dots per inch.
    void DrawPage(QPainter& painter, double dotsPerInch, const QSizeF& printable);
    // Saves under the layout's file name in the format that file was opened or last saved in, or
    // asks for a name; false when the user cancelled.
    bool SaveLayout();
    // Asks for a name and a format, proposing the name given (the last file used when none), and
    // saves; false when the user cancelled.
    bool SaveLayoutAs(const QString& proposedName = {});
    // The place in the save registry of the format the layout's file is in.
    int SaveFormat() const { return FSaveFilterIndex - 1; }
    void SetSaveFormat(int format) { FSaveFilterIndex = format + 1; }

    // The grid's selection in key positions from 0, as groups count them.
    TRect GridKeyRect() const;
    void SetGridSize(int cols, int rows);
    void SetMinSize(int cols, int rows);
    void FitCells();

    // Toolbar buttons and context menu items, by their names.
    QToolBar* ToolBar() const { return FToolBar; }
    QMenu* PopupMenu1() const { return FPopupMenu1; }
    QMenu* PopupMenu2() const { return FPopupMenu2; }
    void PopupMenu1Popup();
    void PopupMenu2Popup();

    // Tells the main window the document is going away, after the layout said so.
    std::function<void(TfmDoc*)> OnDestroyed;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutChanged();
    void UpdateToolbar();
    void GridClick();
    bool GridSelectCell(int col, int row);
    bool GridKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void SetClipboardLayout();
    // Runs a command; its error goes to the user as the application would show it.
    void Guard(const std::function<void()>& command);
    QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut,
                     const std::function<void()>& handler);

    TKeyboardManager& FManager;
    TUserDialogs& FDialogs;
    std::unique_ptr<TNotifyLink> FLink;
    TKeyGrid* FGrid = nullptr;
    QToolBar* FToolBar = nullptr;
    QMenu* FPopupMenu1 = nullptr;
    QMenu* FPopupMenu2 = nullptr;
    QAction* FTbMSR = nullptr;
    QAction* FTbKeyLock = nullptr;
    bool FUpdating = false;
    // The save dialog's filter index, kept between saves of this document: the format of its file.
    int FSaveFilterIndex = 1;
};

inline constexpr const char* SGroupIntersection = "Пересечение групп. Группирование невозможно.";
inline constexpr const char* SNoErrors = "Ошибок нет.";
inline constexpr const char* SLayoutModified = "Раскладка [%1] была изменена. Сохранить?";
inline constexpr const char* SAttention = "Внимание";
inline constexpr const char* SError = "Ошибка";
inline constexpr const char* SAppTitle = "Layomatic";

// Shows an error the way the application shows the errors that end a command; a refusal
// (EAbort) shows nothing.
void ShowException(TUserDialogs& dialogs, QWidget* parent, const std::exception& error);

} // namespace lay
