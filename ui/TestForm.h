#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QPlainTextEdit;
class QTabWidget;

namespace lay {

// Tries the computer's own keyboard: on the first page every press and release of a key the code
// table knows becomes a line with the key and its codes, and goes no further; the second page is
// a plain text area to type into. Closing only hides the window.
class TfmTest : public QWidget {
    Q_OBJECT
public:
    explicit TfmTest(QWidget* parent = nullptr);
    ~TfmTest() override;

    QTabWidget* Pages() const { return FPages; }
    QPlainTextEdit* Codes() const { return FCodes; }
    QPlainTextEdit* Text() const { return FText; }
    QMenu* CodesMenu() const { return FCodesMenu; }
    QMenu* TextMenu() const { return FTextMenu; }
    // Enables the items of both menus as opening them does: cut and copy with a selection (cut
    // and paste never on the read-only codes page), paste with text on the clipboard.
    void UpdateMenus();
    // Whether the window is watching the application's key events.
    bool Hooked() const { return FHooked; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QMenu* MakeMenu(QPlainTextEdit* page, bool withShortcuts);
    void InstallHook();
    void RemoveHook();
    // True when the event was a key of the table and is used up.
    bool CaptureKey(QEvent* event);

    QTabWidget* FPages;
    QPlainTextEdit* FCodes;
    QPlainTextEdit* FText;
    QMenu* FCodesMenu;
    QMenu* FTextMenu;
    bool FHooked = false;
};

inline constexpr const char* SKeyboardTestCaption = "Тест клавиатуры";

} // namespace lay
